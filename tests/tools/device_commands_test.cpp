// The tool's device commands against the virtual mouse, with the protocol's pauses in virtual time.
#include <gtest/gtest.h>

#include <sstream>

#include "../macro/test_support.h"
#include "cli.h"
#include "profile/profile_defaults.h"
#include "profile/profile_record.h"
#include "sim/virtual_clock.h"

namespace talvik::tools {
namespace {

class DeviceCommandsTest : public ::testing::Test {
protected:
    int Mousectl(std::vector<std::string> args) {
        out.str("");
        err.str("");
        return tools::Run(args, out, err, folder.path(), &clock);
    }
    std::string Path(const std::string& name) const { return (folder.path() / name).string(); }

    test::TempFolder folder;
    sim::VirtualClock clock;
    std::ostringstream out;
    std::ostringstream err;
};

TEST_F(DeviceCommandsTest, DevicesNamesTheVirtualLink) {
    for (const std::string link : {"wired", "24g", "4k", "4kb", "ble"}) {
        EXPECT_EQ(Mousectl({"--simulate=" + link, "devices"}), 0) << err.str();
        EXPECT_EQ(out.str(), link + " virtual mouse\n");
    }
    EXPECT_EQ(Mousectl({"--simulate", "devices"}), 0);
    EXPECT_EQ(out.str(), "24g virtual mouse\n");
    EXPECT_EQ(Mousectl({"--simulate=usb3", "devices"}), 1);
    EXPECT_NE(err.str().find("unknown link"), std::string::npos);
}

TEST_F(DeviceCommandsTest, ApplySendsInFullOverLinksThatCarryCommands) {
    ASSERT_EQ(Mousectl({"profile", "new", "Test", "-o", Path("t.pro")}), 0) << err.str();
    for (const std::string link : {"wired", "4kb", "ble"}) {
        const std::uint64_t before = clock.slept_ms();
        EXPECT_EQ(Mousectl({"--simulate=" + link, "apply", Path("t.pro")}), 0) << err.str();
        EXPECT_EQ(out.str().rfind("sent ", 0), 0u) << out.str();
        EXPECT_GT(clock.slept_ms(), before) << link;  // the pauses ran, in virtual time
    }
    // The receivers only carry reports: a clear refusal, not a silent success.
    EXPECT_EQ(Mousectl({"--simulate=24g", "apply", Path("t.pro")}), 1);
    EXPECT_NE(err.str().find("commands go over"), std::string::npos) << err.str();
    EXPECT_EQ(Mousectl({"--simulate", "apply", Path("missing.pro")}), 1);
}

TEST_F(DeviceCommandsTest, ReadFillsACopyOfTheBaseWithTheMouseSettings) {
    auto base = profile::CreateProfile();
    base->dpi_value[0] = 77;
    base->light_mode = 0;
    const std::u16string name = u"Mine";
    std::copy(name.begin(), name.end(), base->name);
    test::WriteBytes(Path("base.pro"), base.get(), sizeof(profile::ProfileInfo));

    for (const std::string link : {"4kb", "ble"}) {
        ASSERT_EQ(Mousectl({"--simulate=" + link, "read", "--base", Path("base.pro"), "-o",
                            Path("out-" + link + ".pro")}),
                  0)
            << err.str();
        const auto bytes = test::ReadBytes(Path("out-" + link + ".pro"));
        ASSERT_EQ(bytes.size(), sizeof(profile::ProfileInfo));
        profile::ProfileInfo read;
        std::memcpy(&read, bytes.data(), sizeof read);
        EXPECT_EQ(std::u16string(read.name), name) << link;  // the base's own fields stay
        EXPECT_NE(read.dpi_value[0], 77) << link;            // the mouse's settings came in
        EXPECT_GE(read.dpi_value[0], 1);
        EXPECT_LE(read.dpi_value[0], 520);
    }
    EXPECT_EQ(Mousectl({"--simulate", "read"}), 2);  // no output file named
}

}  // namespace
}  // namespace talvik::tools
