// Which packets an apply sends, and how commands and block reads travel on each link against the
// virtual mouse, pauses in virtual time.
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

using sim::SimLink;
using testing::GiveMacro;
using testing::Ids;
using testing::SimRig;
using IdList = std::vector<std::uint8_t>;

TEST(ApplyPlan, OnlyWhatChangedAndMacrosOnlyWhereTheyHaveSlots) {
    auto p = profile::CreateProfile();
    auto zero = std::make_unique<profile::ProfileInfo>();
    EXPECT_EQ(Ids(PlanApply(*p, *zero, true).packets), (IdList{0x0C, 0x04, 0x05, 0x06, 0x08}));
    auto applied = std::make_unique<profile::ProfileInfo>(*p);
    p->move_mode = 1;
    p->spare_color[2] = 5;
    EXPECT_EQ(Ids(PlanApply(*p, *applied, false).packets), IdList{0x0C});
    p->brightness = 3;
    GiveMacro(*p, 1, 60);
    EXPECT_EQ(Ids(PlanApply(*p, *applied, false).packets), (IdList{0x0C, 0x05, 0x08, 0x09, 0x09}));

    p = profile::CreateProfile();
    GiveMacro(*p, 9, 4);
    GiveMacro(*p, 2, 4);
    const ApplyPlan plan = PlanApply(*p, *zero, true);
    EXPECT_EQ(Ids(plan.packets), (IdList{0x0C, 0x04, 0x05, 0x06, 0x08, 0x09}));
    EXPECT_EQ(plan.packets.back().bytes[2], 9) << "button 2 starts at slot 9";
    EXPECT_EQ(plan.unsent_macros, (std::vector<int>{9}));
}

// Each link's attempts and pauses; what was sent arrives whole (macros reassembled by the mouse).
TEST(ExchangeSend, AttemptsPausesAndResultOnEveryLink) {
    auto p = profile::CreateProfile();
    GiveMacro(*p, 1, 3);
    const CommandPacket begin = BuildApplyBegin();
    const CommandPacket light = BuildLightPacket(*p);
    const CommandPacket macro = BuildMacroPackets(*p, 1)->front();
    struct Case {
        SimLink link;
        const CommandPacket& packet;
        int failing_writes;
        bool silent;
        SendResult result;
        std::size_t reports;
        std::uint64_t pauses;
    };
    const Case cases[] = {
        {SimLink::kWired, begin, 0, false, SendResult::kSent, 1, 300},
        {SimLink::kWired, light, 4, false, SendResult::kSent, 1, 5 * 300},
        {SimLink::kWired, light, 5, false, SendResult::kFailed, 0, 5 * 300},
        {SimLink::kWired, macro, 0, false, SendResult::kSent, 3, 3 * 300},
        {SimLink::k4kB, light, 0, false, SendResult::kSent, 1, 2 * 50},
        {SimLink::k4kB, macro, 0, false, SendResult::kSent, 2, 4 * 50 + 50 + 100},
        // A silent mouse: commands count as sent, macros fail.
        {SimLink::k4kB, begin, 0, true, SendResult::kSent, 5, 5 * 50},
        {SimLink::k4kB, macro, 0, true, SendResult::kFailed, 10, 5 * (4 * 50 + 50) + 100},
        {SimLink::kBle, light, 0, false, SendResult::kSent, 1, 500},
        {SimLink::kBle, begin, 1, false, SendResult::kFailed, 0, 500},
        {SimLink::kBle, BuildPollingPacket(*p), 0, false, SendResult::kSkipped, 0, 0},
        {SimLink::k24g, begin, 0, false, SendResult::kFailed, 0, 0},
        {SimLink::k4k, begin, 0, false, SendResult::kFailed, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<int>(&c - cases));
        SimRig rig(c.link);
        rig.mouse->FailNextWrites(c.failing_writes);
        rig.mouse->SetSilent(c.silent);
        Exchange ex(rig.links, rig.clock);
        EXPECT_EQ(ex.SendCommand(c.packet), c.result);
        EXPECT_EQ(rig.mouse->Received().size(), c.reports);
        EXPECT_EQ(rig.clock.slept_ms(), c.pauses);
        if (c.result == SendResult::kSent) {
            ASSERT_FALSE(rig.mouse->Commands().empty());
            EXPECT_EQ(FormatHex(rig.mouse->Commands().back().view()), FormatHex(c.packet.view()));
        }
    }
}

// The cable counts only with its flag up and the library's driver behind it.
TEST(ExchangeSend, WithoutAUsableWiredHandleNothingGoes) {
    SimRig rig(SimLink::kWired);
    Links no_driver;
    no_driver.flags.wired = WiredState::kConnected;
    rig.links.flags.wired = WiredState::kUnplugged;
    for (const Links* links : {&rig.links, &no_driver}) {
        Exchange ex(*links, rig.clock);
        EXPECT_EQ(ex.SendCommand(BuildApplyBegin()), SendResult::kFailed);
        std::uint8_t buffer[64] = {4};
        EXPECT_FALSE(ex.ReadBlock(buffer, 56));
    }
    EXPECT_TRUE(rig.mouse->Received().empty());
    EXPECT_EQ(rig.clock.slept_ms(), 0u);
}

TEST(ExchangeSend, ReadErrorOnTheReceiverHandsThePacketOnToBluetooth) {
    SimRig rig(SimLink::k4kB);
    auto ble_mouse = sim::VirtualMouse::Create({SimLink::kBle, "", &rig.clock});
    sim::Connect(*ble_mouse, SimLink::kBle, rig.links);
    rig.mouse->SetPlugged(false);
    Exchange ex(rig.links, rig.clock);
    EXPECT_EQ(ex.SendCommand(BuildApplyBegin()), SendResult::kSent);
    EXPECT_EQ(ble_mouse->Commands().size(), 1u);
    EXPECT_EQ(rig.clock.slept_ms(), 5u * 50 + 500);
}

TEST(ExchangeRead, RefusalsAndTheReceiverThatWasAsked) {
    SimRig rig(SimLink::k24g);
    auto other = sim::VirtualMouse::Create({SimLink::k4k, "", &rig.clock});
    sim::Connect(*other, SimLink::k4k, rig.links);
    Exchange ex(rig.links, rig.clock);
    ASSERT_TRUE(ex.RequestBlock(kPollingBlock, kPollingBlockLength));
    std::array<std::uint8_t, 200> buffer{kPollingBlock};
    EXPECT_TRUE(ex.ReadBlock(buffer, kPollingBlockLength));
    EXPECT_TRUE(other->Received().empty());

    SimRig refusing(SimLink::k24g);
    refusing.mouse->FailNextWrites(10);
    Exchange refused(refusing.links, refusing.clock);
    EXPECT_FALSE(refused.RequestBlock(kSensorBlock, kSensorBlockLength));
    EXPECT_EQ(refusing.clock.slept_ms(), 100u + 10 * 500 + 100);
    EXPECT_FALSE(refused.RequestBlock(0x33, 8)) << "a block the mouse does not know";
}

TEST(ReadBack, RejectedSensorRepliesAreRequestedAgainThenGivenUp) {
    SimRig rig(SimLink::k24g);
    auto bad = rig.mouse->Block(kSensorBlock);
    bad[1] = 55;  // shorter than a sensor block
    rig.mouse->OverrideBlock(kSensorBlock, bad);
    Exchange ex(rig.links, rig.clock);
    const ReadBackResult r = RunReadBack(ex, rig.clock, rig.links);
    EXPECT_TRUE(!r.sensor && r.polling && r.light);
    int sensor_requests = 0;
    for (const auto& report : rig.mouse->Received()) {
        sensor_requests += report.bytes[1] == kSensorBlock;
    }
    EXPECT_EQ(sensor_requests, kReadAttempts);
}

TEST(ReadBack, SilentMouseGivesNothingInBoundedTime) {
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
