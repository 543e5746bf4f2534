#include "protocol/exchange.h"

#include <gtest/gtest.h>

#include "profile/profile_defaults.h"
#include "protocol/hex.h"
#include "protocol/macro_packet.h"
#include "protocol/output_frame.h"
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
        p->buttons[0].macro_actions[i].code = 0x04;
        p->buttons[0].macro_actions[i].kind = 1;
        p->buttons[0].macro_actions[i].delay = 300;
    }
    return BuildMacroPacket(p->buttons[0], slot, 0).packet;
}

TEST(ExchangeWired, CommandGoesOutAsOneFeatureReport) {
    SimRig rig(SimLink::kWired);
    Exchange ex(rig.links, rig.clock);
    EXPECT_EQ(ex.SendCommand(BuildApplyBegin()), SendResult::kSent);
    const auto received = rig.mouse->Received();
    ASSERT_EQ(received.size(), 1u);
    EXPECT_EQ(received[0].kind, LoggedReport::Kind::kFeature);
    EXPECT_EQ(FormatHex(received[0].bytes), "0C 0A 01 FE 01 FE 00 00 00 00");
    EXPECT_EQ(rig.clock.slept_ms(), 300u);
}

TEST(ExchangeWired, RetriesFiveTimesThenGivesUp) {
    SimRig rig(SimLink::kWired);
    auto p = profile::CreateProfile();
    Exchange ex(rig.links, rig.clock);
    rig.mouse->FailNextWrites(4);
    EXPECT_EQ(ex.SendCommand(BuildLightPacket(*p)), SendResult::kSent);
    EXPECT_EQ(rig.clock.slept_ms(), 5u * 300);
    EXPECT_EQ(rig.mouse->Commands().size(), 1u);

    rig.mouse->FailNextWrites(5);
    EXPECT_EQ(ex.SendCommand(BuildLightPacket(*p)), SendResult::kFailed);
    EXPECT_EQ(rig.clock.slept_ms(), 10u * 300);
    EXPECT_EQ(rig.mouse->Commands().size(), 1u);
}

TEST(ExchangeWired, MacroTravelsInThreeChunks) {
    SimRig rig(SimLink::kWired);
    Exchange ex(rig.links, rig.clock);
    const CommandPacket macro = SampleMacro(5);
    EXPECT_EQ(ex.SendCommand(macro), SendResult::kSent);
    const auto received = rig.mouse->Received();
    ASSERT_EQ(received.size(), 3u);
    for (std::size_t c = 0; c < 3; ++c) {
        EXPECT_EQ(received[c].bytes.size(), 64u);
        EXPECT_EQ(received[c].bytes[3], c);
    }
    EXPECT_EQ(rig.clock.slept_ms(), 900u);
    const auto stored = rig.mouse->MacroSlot(5);
    ASSERT_TRUE(stored);
    EXPECT_EQ(FormatHex(stored->view()), FormatHex(macro.view()));
}

TEST(Exchange4kB, CommandFrameWithStatusReplies) {
    SimRig rig(SimLink::k4kB);
    auto p = profile::CreateProfile();
    Exchange ex(rig.links, rig.clock);
    const CommandPacket sensor = BuildSensorPacket(*p);
    EXPECT_EQ(ex.SendCommand(sensor), SendResult::kSent);
    const auto received = rig.mouse->Received();
    ASSERT_EQ(received.size(), 1u);
    EXPECT_EQ(received[0].kind, LoggedReport::Kind::kOutput);
    const OutputFrame frame = BuildCommandFrame(sensor);
    EXPECT_EQ(FormatHex(received[0].bytes), FormatHex(frame));
    EXPECT_EQ(rig.clock.slept_ms(), 100u) << "one attempt: received, then executed";
    EXPECT_EQ(FormatHex(rig.mouse->Block(kSensorBlock)).substr(0, 8), "04 38 01");
}

TEST(Exchange4kB, SilentMouseStillCountsAsSentAfterFiveAttempts) {
    SimRig rig(SimLink::k4kB);
    rig.mouse->SetSilent(true);
    Exchange ex(rig.links, rig.clock);
    EXPECT_EQ(ex.SendCommand(BuildApplyBegin()), SendResult::kSent);
    EXPECT_EQ(rig.mouse->Received().size(), 5u);
    EXPECT_EQ(rig.clock.slept_ms(), 5u * 50);
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

TEST(Exchange4kB, MacroInTwoOutputReports) {
    SimRig rig(SimLink::k4kB);
    Exchange ex(rig.links, rig.clock);
    const CommandPacket macro = SampleMacro(2);
    EXPECT_EQ(ex.SendCommand(macro), SendResult::kSent);
    const auto received = rig.mouse->Received();
    ASSERT_EQ(received.size(), 2u);
    const auto chunks = BuildOutputMacroChunks(macro);
    EXPECT_EQ(FormatHex(received[0].bytes), FormatHex(chunks[0]));
    EXPECT_EQ(FormatHex(received[1].bytes), FormatHex(chunks[1]));
    EXPECT_EQ(rig.clock.slept_ms(), 4u * 50 + 50 + 100);
    ASSERT_TRUE(rig.mouse->MacroSlot(2));
    EXPECT_EQ(FormatHex(rig.mouse->MacroSlot(2)->view()), FormatHex(macro.view()));
}

TEST(Exchange4kB, MacroWithoutExecutedStatusIsRepeatedAndFails) {
    SimRig rig(SimLink::k4kB);
    rig.mouse->SetSilent(true);
    Exchange ex(rig.links, rig.clock);
    EXPECT_EQ(ex.SendCommand(SampleMacro(1)), SendResult::kFailed);
    EXPECT_EQ(rig.mouse->Received().size(), 10u);
    EXPECT_EQ(rig.clock.slept_ms(), 5u * (4 * 50 + 50) + 100);
}

TEST(ExchangeBle, PollingRateNeverTravelsOverBluetooth) {
    SimRig rig(SimLink::kBle);
    auto p = profile::CreateProfile();
    Exchange ex(rig.links, rig.clock);
    EXPECT_EQ(ex.SendCommand(BuildPollingPacket(*p)), SendResult::kSkipped);
    EXPECT_TRUE(rig.mouse->Received().empty());
    EXPECT_EQ(rig.clock.slept_ms(), 0u);
    EXPECT_EQ(ex.SendCommand(BuildLightPacket(*p)), SendResult::kSent);
    ASSERT_EQ(rig.mouse->Received().size(), 1u);
    EXPECT_EQ(FormatHex(rig.mouse->Received()[0].bytes), FormatHex(BuildLightPacket(*p).view()));
    EXPECT_EQ(rig.clock.slept_ms(), 500u);
    rig.mouse->FailNextWrites(1);
    EXPECT_EQ(ex.SendCommand(BuildApplyBegin()), SendResult::kFailed);
}

TEST(ExchangeLinks, ReceiversWithoutWritePathSendNothing) {
    for (SimLink link : {SimLink::k24g, SimLink::k4k}) {
        SimRig rig(link);
        Exchange ex(rig.links, rig.clock);
        EXPECT_EQ(ex.SendCommand(BuildApplyBegin()), SendResult::kFailed);
        EXPECT_TRUE(rig.mouse->Received().empty());
    }
    SimRig none(SimLink::kWired);
    none.links.flags.wired = WiredState::kUnplugged;
    Exchange ex(none.links, none.clock);
    EXPECT_EQ(ex.SendCommand(BuildApplyBegin()), SendResult::kFailed);
    EXPECT_TRUE(none.mouse->Received().empty());
}

TEST(ExchangeRead, FeatureLinksRequestAndReadBlocks) {
    for (SimLink link : {SimLink::kWired, SimLink::k24g}) {
        SimRig rig(link);
        Exchange ex(rig.links, rig.clock);
        EXPECT_TRUE(ex.RequestBlock(kLightBlock, kLightBlockLength));
        const auto received = rig.mouse->Received();
        ASSERT_EQ(received.size(), 1u);
        EXPECT_EQ(FormatHex(received[0].bytes), "A0 05 0F 00 01 00 00 00");
        const int request_pause = link == SimLink::kWired ? 100 : 500;
        EXPECT_EQ(rig.clock.slept_ms(), 100u + request_pause + 100);
        std::array<std::uint8_t, 200> buffer{};
        buffer[0] = kLightBlock;
        EXPECT_TRUE(ex.ReadBlock(buffer, kLightBlockLength));
        EXPECT_EQ(FormatHex(std::span(buffer).first(15)), FormatHex(rig.mouse->Block(5)));
    }
}

TEST(ExchangeRead, FeatureRequestRetriesTenTimesAndReportsRefusal) {
    SimRig rig(SimLink::k24g);
    rig.mouse->FailNextWrites(10);
    Exchange ex(rig.links, rig.clock);
    EXPECT_FALSE(ex.RequestBlock(kSensorBlock, kSensorBlockLength));
    EXPECT_EQ(rig.clock.slept_ms(), 100u + 10 * 500 + 100);
    EXPECT_FALSE(ex.RequestBlock(0x33, 8)) << "a block the mouse does not know";
}

TEST(ExchangeRead, OutputLinksSkipTheStatusBeforeTheBlock) {
    for (SimLink link : {SimLink::k4k, SimLink::k4kB}) {
        SimRig rig(link);
        Exchange ex(rig.links, rig.clock);
        EXPECT_TRUE(ex.RequestBlock(kSensorBlock, kSensorBlockLength));
        const auto received = rig.mouse->Received();
        ASSERT_EQ(received.size(), 1u);
        EXPECT_EQ(received[0].bytes.size(), 64u);
        const OutputFrame request = BuildOutputFrame(BuildOutputReadRequest(4, 56, 1));
        EXPECT_EQ(FormatHex(received[0].bytes), FormatHex(std::span(request).first(64)));
        std::array<std::uint8_t, 200> buffer{};
        buffer[0] = kSensorBlock;
        EXPECT_TRUE(ex.ReadBlock(buffer, kSensorBlockLength));
        EXPECT_EQ(FormatHex(std::span(buffer).first(56)), FormatHex(rig.mouse->Block(4)));
        EXPECT_EQ(rig.clock.slept_ms(), 200u);
    }
}

TEST(ExchangeRead, ReplyComesFromTheReceiverThatWasAsked) {
    SimRig rig(SimLink::k24g);
    auto other = sim::VirtualMouse::Create({SimLink::k4k, "", &rig.clock});
    rig.links.flags.link_4k = true;
    rig.links.handles.command_4k = other->CommandInterface(SimLink::k4k);
    Exchange ex(rig.links, rig.clock);
    ASSERT_TRUE(ex.RequestBlock(kPollingBlock, kPollingBlockLength));
    std::array<std::uint8_t, 200> buffer{};
    buffer[0] = kPollingBlock;
    EXPECT_TRUE(ex.ReadBlock(buffer, kPollingBlockLength));
    EXPECT_EQ(buffer[0], kPollingBlock);
    EXPECT_TRUE(other->Received().empty());
}

TEST(ExchangeRead, EmptyReadIsNoReply) {
    SimRig rig(SimLink::k4kB);
    rig.mouse->SetSilent(true);
    Exchange ex(rig.links, rig.clock);
    std::array<std::uint8_t, 200> buffer{};
    buffer[0] = kLightBlock;
    EXPECT_FALSE(ex.ReadBlock(buffer, kLightBlockLength));
    EXPECT_EQ(rig.clock.slept_ms(), 100u);
    EXPECT_EQ(rig.clock.NowMs(), 100u + 2 * kReplyTimeoutMs) << "both reads waited their time";
}

}  // namespace
}  // namespace talvik::protocol
