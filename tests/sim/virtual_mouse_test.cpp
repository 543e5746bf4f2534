// The virtual mouse's own side: its log, its control commands and FIFO, its plug and heartbeat.
// How it answers the protocol is checked by the protocol tests that talk to it.
#include "sim/virtual_mouse.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "profile/profile_defaults.h"
#include "protocol/output_frame.h"
#include "protocol/settings_packets.h"
#include "sim/sim_control.h"

namespace talvik::sim {
namespace {

std::filesystem::path TempPath(const std::string& name) {
    return std::filesystem::temp_directory_path() /
           (name + "-" + std::to_string(getpid()) + "-" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
}

std::vector<std::uint8_t> ReadInput(VirtualMouse& mouse, int timeout_ms = 0) {
    std::vector<std::uint8_t> buffer(100);
    buffer.resize(mouse.InputInterface()->Read(buffer, timeout_ms).value_or(0));
    return buffer;
}

TEST(SimLog, OneLinePerReportInItsOwnForm) {
    const auto path = TempPath("simlog");
    std::filesystem::remove(path);
    auto mouse = VirtualMouse::Create({SimLink::kWired, path.string(), nullptr});
    const std::uint8_t report[] = {0x05, 0x0F};
    mouse->CommandInterface(SimLink::kWired)->SendFeatureReport(report);
    mouse->CommandInterface(SimLink::k4kB)->Write(report);
    mouse->GattWriter()->Write(report);
    std::ifstream in(path);
    std::string text(std::istreambuf_iterator<char>(in), {});
    EXPECT_EQ(text, "FEATURE 05 0F\nOUTPUT 05 0F\nGATT 05 0F\n");
    std::filesystem::remove(path);
}

TEST(SimReports, ControlCommandsBecomeReceiverReportsAndTheHeartbeatRepeatsThePower) {
    auto mouse = VirtualMouse::Create({SimLink::k24g, "", nullptr});
    const std::pair<const char*, std::vector<std::uint8_t>> commands[] = {
        {"stage 3", {3, 0xC5, 0x10, 3, 0}},
        {"polling 4 3", {3, 0xC5, 0x20, 0x43, 0}},
        {"battery 57", {3, 0xC5, 0x40, 1, 57}},
        {"charging", {3, 0xC5, 0x40, 3, 57}},
        {" full ", {3, 0xC5, 0x40, 2, 57}}};
    for (const auto& [command, report] : commands) {
        EXPECT_TRUE(mouse->Command(command)) << command;
        const auto r = ReadInput(*mouse);
        ASSERT_GE(r.size(), 5u) << command;
        EXPECT_EQ(std::vector<std::uint8_t>(r.begin(), r.begin() + 5), report) << command;
    }
    EXPECT_EQ(mouse->Block(4)[24], 3) << "the mouse now reports stage 3 when asked";
    for (const char* bad :
         {"stage 9", "stage", "stage x", "battery -1", "polling 1", "dance", ""}) {
        EXPECT_FALSE(mouse->Command(bad)) << bad;
    }
    EXPECT_TRUE(ReadInput(*mouse).empty());
    EXPECT_TRUE(mouse->Command("heartbeat 5"));
    const auto beat = ReadInput(*mouse, 10000);  // returns at the first beat
    ASSERT_GE(beat.size(), 5u);
    EXPECT_EQ(std::vector<std::uint8_t>(beat.begin(), beat.begin() + 5),
              (std::vector<std::uint8_t>{3, 0xC5, 0x40, 2, 57}));
    EXPECT_TRUE(mouse->Command("heartbeat 0"));
}

// Unplugged, the plug sink hears it (the page's cable tests).
TEST(SimReports, UnplugFailsEveryCallAndABadChecksumDoesNothing) {
    auto mouse = VirtualMouse::Create({SimLink::k4kB, "", nullptr});
    auto command = mouse->CommandInterface(SimLink::k4kB);
    auto light = protocol::BuildCommandFrame(protocol::BuildLightPacket(*profile::CreateProfile()));
    EXPECT_TRUE(mouse->Command("unplug"));
    std::uint8_t reply[64];
    EXPECT_FALSE(command->Write(light));
    EXPECT_FALSE(mouse->InputInterface()->Read(reply, 0));
    EXPECT_TRUE(mouse->Command("plug"));
    light[5] ^= 0xFF;
    command->Write(light);
    EXPECT_EQ(command->Read(reply, 0), 0u) << "no status";
    EXPECT_TRUE(mouse->Commands().empty());
}

TEST(SimControl, FifoLinesReachTheMouseAndOnlyAFifoIsOpened) {
    const auto path = TempPath("simctl");
    std::filesystem::remove(path);
    auto mouse = VirtualMouse::Create({SimLink::k4k, "", nullptr});
    auto control = SimControl::Open(path.string(), mouse);
    ASSERT_TRUE(control);
    std::ofstream(path) << "bogus\nstage 5\n";
    const auto r = ReadInput(*mouse, 10000);  // returns as soon as it arrives
    ASSERT_GE(r.size(), 5u);
    EXPECT_EQ((std::array{r[2], r[3]}), (std::array<std::uint8_t, 2>{0x10, 5}));
    control.reset();
    std::filesystem::remove(path);
    std::ofstream(path) << "x";
    EXPECT_FALSE(SimControl::Open(path.string(), mouse)) << "not a FIFO";
    std::filesystem::remove(path);
}

}  // namespace
}  // namespace talvik::sim
