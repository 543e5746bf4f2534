#include "app/command_line.h"

#include <gtest/gtest.h>

namespace talvik::app {
namespace {

TEST(CommandLineTest, SimulateChoosesTheLinkAndAutoChangesNothing) {
    EXPECT_FALSE(ParseCommandLine({}).simulate.has_value());
    EXPECT_TRUE(ParseCommandLine({QStringLiteral("-auto")}).ignored.isEmpty());
    EXPECT_FALSE(ParseCommandLine({QStringLiteral("-AUTO")}).simulate.has_value());

    EXPECT_EQ(ParseCommandLine({QStringLiteral("--simulate")}).simulate, SimulatedLink::k24g);
    for (const SimulatedLink link : {SimulatedLink::kWired, SimulatedLink::k24g, SimulatedLink::k4k,
                                     SimulatedLink::k4kB, SimulatedLink::kBle}) {
        const CommandLine parsed =
            ParseCommandLine({QStringLiteral("--simulate=") + SimulatedLinkName(link)});
        EXPECT_EQ(parsed.simulate, link) << SimulatedLinkName(link).toStdString();
    }
}

TEST(CommandLineTest, UnknownArgumentsAreReportedNotFatal) {
    const CommandLine parsed =
        ParseCommandLine({QStringLiteral("--simulate=usb3"), QStringLiteral("--frobnicate"),
                          QStringLiteral("-auto")});
    EXPECT_FALSE(parsed.simulate.has_value());
    EXPECT_EQ(parsed.ignored,
              QStringList({QStringLiteral("--simulate=usb3"), QStringLiteral("--frobnicate")}));
}

}  // namespace
}  // namespace talvik::app
