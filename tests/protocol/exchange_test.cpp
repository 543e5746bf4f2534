// Commands and block reads on each link against the virtual mouse, pauses in virtual time.
#include "protocol/exchange.h"

#include <gtest/gtest.h>

#include "profile/profile_defaults.h"
#include "protocol/hex.h"
#include "protocol/macro_packet.h"
#include "protocol/output_frame.h"
#include "protocol/read_back.h"
#include "protocol/read_request.h"
#include "protocol/settings_packets.h"
#include "sim_rig.h"

namespace talvik::protocol {
namespace {

using sim::LoggedReport;
using sim::SimLink;
using testing::SimRig;

CommandPacket SampleMacro(std::uint8_t slot) {
    auto p = profile::CreateProfile();
    p->buttons[0].macro_event_count = 3;
    for (int i = 0; i < 3; ++i) {
        p->buttons[0].macro_actions[i] = {0, 0x04, 1, 0, 300, 0, 0, 0};
    }
    return BuildMacroPacket(p->buttons[0], slot, 0).packet;
}

std::vector<std::string> HexOf(const std::vector<LoggedReport>& reports) {
    std::vector<std::string> out;
    for (const auto& r : reports) {
        out.push_back(FormatHex(r.bytes));
    }
    return out;
}

TEST(ExchangeWired, OneFeatureReportPerCommandFiveAttemptsMacroInThreeChunks) {
    SimRig rig(SimLink::kWired);
    Exchange ex(rig.links, rig.clock);
    EXPECT_EQ(ex.SendCommand(BuildApplyBegin()), SendResult::kSent);
    ASSERT_EQ(rig.mouse->Received().size(), 1u);
    EXPECT_EQ(rig.mouse->Received()[0].kind, LoggedReport::Kind::kFeature);
    EXPECT_EQ(HexOf(rig.mouse->Received())[0], "0C 0A 01 FE 01 FE 00 00 00 00");
    EXPECT_EQ(rig.clock.slept_ms(), 300u);

    auto p = profile::CreateProfile();
    rig.mouse->FailNextWrites(4);
    EXPECT_EQ(ex.SendCommand(BuildLightPacket(*p)), SendResult::kSent);
    rig.mouse->FailNextWrites(5);
    EXPECT_EQ(ex.SendCommand(BuildLightPacket(*p)), SendResult::kFailed);
    EXPECT_EQ(rig.clock.slept_ms(), 11u * 300);
    EXPECT_EQ(rig.mouse->Commands().size(), 2u);

    rig.mouse->ClearReceived();
    const CommandPacket macro = SampleMacro(5);
    EXPECT_EQ(ex.SendCommand(macro), SendResult::kSent);
    const auto received = rig.mouse->Received();
    ASSERT_EQ(received.size(), 3u);
    for (std::size_t c = 0; c < 3; ++c) {
        EXPECT_EQ(received[c].bytes.size(), 64u);
        EXPECT_EQ(received[c].bytes[3], c);
    }
    EXPECT_EQ(rig.clock.slept_ms(), 14u * 300);
    ASSERT_TRUE(rig.mouse->MacroSlot(5));
    EXPECT_EQ(FormatHex(rig.mouse->MacroSlot(5)->view()), FormatHex(macro.view()));
}

TEST(Exchange4kB, CommandFrameWithStatusRepliesAndMacroInTwoReports) {
    SimRig rig(SimLink::k4kB);
    Exchange ex(rig.links, rig.clock);
    const CommandPacket sensor = BuildSensorPacket(*profile::CreateProfile());
    EXPECT_EQ(ex.SendCommand(sensor), SendResult::kSent);
    ASSERT_EQ(rig.mouse->Received().size(), 1u);
    EXPECT_EQ(rig.mouse->Received()[0].kind, LoggedReport::Kind::kOutput);
    EXPECT_EQ(HexOf(rig.mouse->Received())[0], FormatHex(BuildCommandFrame(sensor)));
    EXPECT_EQ(rig.clock.slept_ms(), 100u) << "one attempt: received, then executed";
    EXPECT_EQ(FormatHex(rig.mouse->Block(kSensorBlock)).substr(0, 8), "04 38 01");

    rig.mouse->ClearReceived();
    const CommandPacket macro = SampleMacro(2);
    EXPECT_EQ(ex.SendCommand(macro), SendResult::kSent);
    const auto chunks = BuildOutputMacroChunks(macro);
    EXPECT_EQ(HexOf(rig.mouse->Received()),
              (std::vector<std::string>{FormatHex(chunks[0]), FormatHex(chunks[1])}));
    EXPECT_EQ(rig.clock.slept_ms(), 100u + 4 * 50 + 50 + 100);
    ASSERT_TRUE(rig.mouse->MacroSlot(2));
    EXPECT_EQ(FormatHex(rig.mouse->MacroSlot(2)->view()), FormatHex(macro.view()));
}

TEST(Exchange4kB, SilenceCountsAsSentForCommandsButFailsMacros) {
    SimRig rig(SimLink::k4kB);
    rig.mouse->SetSilent(true);
    Exchange ex(rig.links, rig.clock);
    EXPECT_EQ(ex.SendCommand(BuildApplyBegin()), SendResult::kSent);
    EXPECT_EQ(rig.mouse->Received().size(), 5u);
    EXPECT_EQ(rig.clock.slept_ms(), 5u * 50);
    EXPECT_EQ(ex.SendCommand(SampleMacro(1)), SendResult::kFailed);
    EXPECT_EQ(rig.mouse->Received().size(), 15u);
    EXPECT_EQ(rig.clock.slept_ms(), 5u * 50 + 5 * (4 * 50 + 50) + 100);
}

TEST(Exchange4kB, ReadErrorHandsThePacketOnToBluetooth) {
    SimRig rig(SimLink::k4kB);
    auto ble_mouse = sim::VirtualMouse::Create({sim::SimLink::kBle, "", &rig.clock});
    rig.links.flags.ble = true;
    rig.links.handles.ble = ble_mouse->GattWriter();
    rig.mouse->SetPlugged(false);
    Exchange ex(rig.links, rig.clock);
    EXPECT_EQ(ex.SendCommand(BuildApplyBegin()), SendResult::kSent);
    ASSERT_EQ(ble_mouse->Received().size(), 1u);
    EXPECT_EQ(ble_mouse->Received()[0].kind, LoggedReport::Kind::kGatt);
    EXPECT_EQ(rig.clock.slept_ms(), 5u * 50 + 500);
}

TEST(ExchangeBle, PollingRateNeverTravelsOverBluetooth) {
    SimRig rig(SimLink::kBle);
    auto p = profile::CreateProfile();
    Exchange ex(rig.links, rig.clock);
    EXPECT_EQ(ex.SendCommand(BuildPollingPacket(*p)), SendResult::kSkipped);
    EXPECT_TRUE(rig.mouse->Received().empty());
    EXPECT_EQ(ex.SendCommand(BuildLightPacket(*p)), SendResult::kSent);
    EXPECT_EQ(HexOf(rig.mouse->Received()),
              std::vector<std::string>{FormatHex(BuildLightPacket(*p).view())});
    EXPECT_EQ(rig.clock.slept_ms(), 500u);
    rig.mouse->FailNextWrites(1);
    EXPECT_EQ(ex.SendCommand(BuildApplyBegin()), SendResult::kFailed);
}

TEST(ExchangeLinks, NoWritePathSendsNothing) {
    for (SimLink link : {SimLink::k24g, SimLink::k4k, SimLink::kWired}) {
        SimRig rig(link);
        rig.links.flags.wired = WiredState::kUnplugged;
        Exchange ex(rig.links, rig.clock);
        EXPECT_EQ(ex.SendCommand(BuildApplyBegin()), SendResult::kFailed);
        EXPECT_TRUE(rig.mouse->Received().empty());
    }
    Links links;  // the flag without the library's driver
    links.flags.wired = WiredState::kConnected;
    sim::VirtualClock clock;
    Exchange ex(links, clock);
    EXPECT_EQ(ex.SendCommand(BuildApplyBegin()), SendResult::kFailed);
    std::uint8_t buffer[64] = {4};
    EXPECT_FALSE(ex.ReadBlock(buffer, 56));
    EXPECT_EQ(clock.slept_ms(), 0u);
}

TEST(ExchangeRead, EveryUsbLinkRequestsAndReadsBlocks) {
    struct Case {
        SimLink link;
        std::uint8_t block;
        std::size_t length;
        std::string request;
        std::uint64_t pauses;
    };
    const OutputFrame frame = BuildOutputFrame(BuildOutputReadRequest(4, 56, 1));
    const std::string output_request = FormatHex(std::span(frame).first(64));
    for (const Case& c :
         {Case{SimLink::kWired, kLightBlock, kLightBlockLength, "A0 05 0F 00 01 00 00 00", 300},
          Case{SimLink::k24g, kLightBlock, kLightBlockLength, "A0 05 0F 00 01 00 00 00", 700},
          Case{SimLink::k4k, kSensorBlock, kSensorBlockLength, output_request, 200},
          Case{SimLink::k4kB, kSensorBlock, kSensorBlockLength, output_request, 200}}) {
        SimRig rig(c.link);
        Exchange ex(rig.links, rig.clock);
        EXPECT_TRUE(ex.RequestBlock(c.block, c.length));
        EXPECT_EQ(HexOf(rig.mouse->Received()), std::vector<std::string>{c.request});
        std::array<std::uint8_t, 200> buffer{};
        buffer[0] = c.block;
        EXPECT_TRUE(ex.ReadBlock(buffer, c.length));
        EXPECT_EQ(FormatHex(std::span(buffer).first(c.length)),
                  FormatHex(rig.mouse->Block(c.block)));
        EXPECT_EQ(rig.clock.slept_ms(), c.pauses) << static_cast<int>(c.link);
    }
}

TEST(ExchangeRead, RefusalsAndTheReceiverThatWasAsked) {
    SimRig rig(SimLink::k24g);
    auto other = sim::VirtualMouse::Create({SimLink::k4k, "", &rig.clock});
    rig.links.flags.link_4k = true;
    rig.links.handles.command_4k = other->CommandInterface(SimLink::k4k);
    Exchange ex(rig.links, rig.clock);
    ASSERT_TRUE(ex.RequestBlock(kPollingBlock, kPollingBlockLength));
    std::array<std::uint8_t, 200> buffer{};
    buffer[0] = kPollingBlock;
    EXPECT_TRUE(ex.ReadBlock(buffer, kPollingBlockLength));
    EXPECT_TRUE(other->Received().empty());

    SimRig refusing(SimLink::k24g);
    refusing.mouse->FailNextWrites(10);
    Exchange refused(refusing.links, refusing.clock);
    EXPECT_FALSE(refused.RequestBlock(kSensorBlock, kSensorBlockLength));
    EXPECT_EQ(refusing.clock.slept_ms(), 100u + 10 * 500 + 100);
    EXPECT_FALSE(refused.RequestBlock(0x33, 8)) << "a block the mouse does not know";
}

TEST(ExchangeRead, EmptyReadIsNoReplyAfterBothWaits) {
    SimRig rig(SimLink::k4kB);
    rig.mouse->SetSilent(true);
    Exchange ex(rig.links, rig.clock);
    std::array<std::uint8_t, 200> buffer{};
    buffer[0] = kLightBlock;
    EXPECT_FALSE(ex.ReadBlock(buffer, kLightBlockLength));
    EXPECT_EQ(rig.clock.slept_ms(), 100u);
    EXPECT_EQ(rig.clock.NowMs(), 100u + 2 * kReplyTimeoutMs);
}

TEST(HostileDevice, SilentMouseReadBackIsBounded) {
    SimRig rig(SimLink::k4kB);
    rig.mouse->SetSilent(true);
    Exchange ex(rig.links, rig.clock);
    const ReadBackResult r = RunReadBack(ex, rig.clock, rig.links);
    EXPECT_FALSE(r.polling || r.sensor || r.light);
    // Three blocks, at most ten attempts each, two timed-out reads per attempt.
    EXPECT_LE(rig.clock.NowMs(), 3u * 10 * (100 + 100 + 50 + 2 * kReplyTimeoutMs));
}

}  // namespace
}  // namespace talvik::protocol
