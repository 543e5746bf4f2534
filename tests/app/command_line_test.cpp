#include "app/command_line.h"

#include <gtest/gtest.h>

namespace talvik::app {
namespace {

TEST(CommandLineTest, SimulateChoosesTheLinkAutoChangesNothingAndTheRestIsReported) {
    EXPECT_FALSE(ParseCommandLine({}).simulate.has_value());
    EXPECT_TRUE(ParseCommandLine({QStringLiteral("-auto")}).ignored.isEmpty());
    EXPECT_FALSE(ParseCommandLine({QStringLiteral("-AUTO")}).simulate.has_value());

    EXPECT_EQ(ParseCommandLine({QStringLiteral("--simulate")}).simulate, SimulatedLink::k24g);
    for (const auto& [name, link] :
         {std::pair{"wired", SimulatedLink::kWired}, std::pair{"24G", SimulatedLink::k24g},
          std::pair{"4k", SimulatedLink::k4k}, std::pair{"4kb", SimulatedLink::k4kB},
          std::pair{"ble", SimulatedLink::kBle}}) {
        const CommandLine parsed =
            ParseCommandLine({QStringLiteral("--simulate=") + QLatin1String(name)});
        EXPECT_EQ(parsed.simulate, link) << name;
    }
    // Unknown arguments are reported, not fatal.
    const CommandLine parsed =
        ParseCommandLine({QStringLiteral("--simulate=usb3"), QStringLiteral("--frobnicate"),
                          QStringLiteral("-auto")});
    EXPECT_FALSE(parsed.simulate.has_value());
    EXPECT_EQ(parsed.ignored,
              QStringList({QStringLiteral("--simulate=usb3"), QStringLiteral("--frobnicate")}));
}

}  // namespace
}  // namespace talvik::app
