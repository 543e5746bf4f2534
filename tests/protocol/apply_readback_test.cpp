#include <gtest/gtest.h>

#include <mutex>

#include "profile/profile_defaults.h"
#include "protocol/apply.h"
#include "protocol/key_packet.h"
#include "protocol/read_back.h"
#include "protocol/read_request.h"
#include "sim_rig.h"

namespace talvik::protocol {
namespace {

using sim::SimLink;
using testing::SimRig;

std::vector<std::uint8_t> Ids(const std::vector<CommandPacket>& packets) {
    std::vector<std::uint8_t> ids;
    for (const auto& p : packets) {
        ids.push_back(p.id());
    }
    return ids;
}

void GiveMacro(profile::ProfileInfo& p, int button, int actions) {
    profile::ButtonAssign& b = p.buttons[button];
    b.function = kFunctionMacro;
    b.macro_event_count = static_cast<std::uint16_t>(actions);
    for (int i = 0; i < actions; ++i) {
        b.macro_actions[i].code = 0x04;
        b.macro_actions[i].kind = static_cast<std::uint8_t>(1 + i % 2);
        b.macro_actions[i].delay = 20;
    }
}

// A profile that differs from the defaults in every group the read-back covers.
std::unique_ptr<profile::ProfileInfo> EditedProfile() {
    auto p = profile::CreateProfile();
    p->lift_off_distance = 1;
    p->ripple_control = 0;
    p->angle_snap = 1;
    p->motion_sync = 0;
    p->dpi_value[0] = 40;
    p->dpi_value[7] = 300;
    p->dpi_enabled[7] = 1;
    p->current_dpi_stage = 4;
    p->dpi_color[3] = profile::MakeColor(1, 2, 3);
    p->light_mode = 5;
    p->brightness = 11;
    p->breath_speed = 2;
    p->sleep_timer = 0x3C;
    p->light_color = profile::MakeColor(9, 8, 7);
    p->light_off_time = 40;
    p->key_debounce = 9;
    p->polling_rate = 1;
    p->polling_rate_hs = 5;
    return p;
}

void ExpectReadBackEquals(const ReadBackResult& r, const profile::ProfileInfo& want) {
    auto got = profile::CreateProfile();
    ASSERT_TRUE(r.polling && r.sensor && r.light);
    EXPECT_EQ(StorePollingSettings(*r.polling, *got), 0);
    EXPECT_EQ(StoreSensorSettings(*r.sensor, *got), 0);
    EXPECT_EQ(StoreLightSettings(*r.light, *got), 0);
    EXPECT_EQ(got->polling_rate, want.polling_rate);
    EXPECT_EQ(got->polling_rate_hs, want.polling_rate_hs);
    EXPECT_EQ(got->lift_off_distance, want.lift_off_distance);
    EXPECT_EQ(got->ripple_control, want.ripple_control);
    EXPECT_EQ(got->angle_snap, want.angle_snap);
    EXPECT_EQ(got->motion_sync, want.motion_sync);
    EXPECT_EQ(got->current_dpi_stage, want.current_dpi_stage);
    for (int k = 0; k < 8; ++k) {
        if (want.dpi_enabled[k] != 0) {
            EXPECT_EQ(got->dpi_value[k], want.dpi_value[k]) << k;
        }
        EXPECT_EQ(got->dpi_enabled[k], want.dpi_enabled[k]) << k;
        EXPECT_EQ(got->dpi_color[k], want.dpi_color[k]) << k;
    }
    EXPECT_EQ(got->light_mode, want.light_mode);
    EXPECT_EQ(got->brightness, want.brightness);
    EXPECT_EQ(got->breath_speed, want.breath_speed);
    EXPECT_EQ(got->sleep_timer, want.sleep_timer);
    EXPECT_EQ(got->light_color, want.light_color);
    EXPECT_EQ(got->light_off_time, want.light_off_time);
    EXPECT_EQ(got->key_debounce, want.key_debounce);
}

TEST(ApplyPlan, ForcedDefaultProfileSendsEveryGroupAndNoMacro) {
    auto p = profile::CreateProfile();
    auto zero = std::make_unique<profile::ProfileInfo>();
    const ApplyPlan plan = PlanApply(*p, *zero, true);
    EXPECT_EQ(Ids(plan.packets), (std::vector<std::uint8_t>{0x0C, 0x04, 0x05, 0x06, 0x08}));
}

TEST(ApplyPlan, OnlyWhatChanged) {
    auto p = profile::CreateProfile();
    auto applied = std::make_unique<profile::ProfileInfo>(*p);
    p->move_mode = 1;
    p->spare_color[2] = 5;
    EXPECT_EQ(Ids(PlanApply(*p, *applied, false).packets), (std::vector<std::uint8_t>{0x0C}));
    p->brightness = 3;
    EXPECT_EQ(Ids(PlanApply(*p, *applied, false).packets), (std::vector<std::uint8_t>{0x0C, 0x05}));
    GiveMacro(*p, 1, 60);
    EXPECT_EQ(Ids(PlanApply(*p, *applied, false).packets),
              (std::vector<std::uint8_t>{0x0C, 0x05, 0x08, 0x09, 0x09}));
}

TEST(ApplyPlan, MacrosWithoutSlotsAreLeftOut) {
    auto p = profile::CreateProfile();
    auto zero = std::make_unique<profile::ProfileInfo>();
    GiveMacro(*p, 9, 4);
    GiveMacro(*p, 2, 4);
    const ApplyPlan plan = PlanApply(*p, *zero, true);
    EXPECT_EQ(Ids(plan.packets), (std::vector<std::uint8_t>{0x0C, 0x04, 0x05, 0x06, 0x08, 0x09}));
    EXPECT_EQ(plan.packets.back().bytes[2], 9) << "button 2 starts at slot 9";
    EXPECT_EQ(plan.unsent_macros, (std::vector<int>{9}));
}

TEST(ApplyOverLinks, FullApplyReachesTheMouseOnEveryWritableLink) {
    for (SimLink link : {SimLink::kWired, SimLink::k4kB, SimLink::kBle}) {
        SimRig rig(link);
        auto p = EditedProfile();
        GiveMacro(*p, 0, 60);
        auto zero = std::make_unique<profile::ProfileInfo>();
        const ApplyPlan plan = PlanApply(*p, *zero, true);
        Exchange ex(rig.links, rig.clock);
        const ApplyReport report = SendApply(ex, plan);
        EXPECT_EQ(report.failed, 0);
        const bool ble = link == SimLink::kBle;
        EXPECT_EQ(report.skipped, ble ? 1 : 0);
        std::vector<std::uint8_t> want{0x0C, 0x04, 0x05, 0x06, 0x08, 0x09, 0x09};
        if (ble) {
            want.erase(want.begin() + 3);
        }
        EXPECT_EQ(Ids(rig.mouse->Commands()), want);
        ASSERT_TRUE(rig.mouse->MacroSlot(2));
        EXPECT_EQ(rig.mouse->MacroSlot(2)->bytes[8], 11);
    }
}

TEST(ReadBack, EveryUsbLinkReadsWhatWasApplied) {
    for (SimLink read_link : {SimLink::kWired, SimLink::k24g, SimLink::k4k, SimLink::k4kB}) {
        SimRig rig(SimLink::kWired);
        auto p = EditedProfile();
        Exchange writer(rig.links, rig.clock);
        auto zero = std::make_unique<profile::ProfileInfo>();
        SendApply(writer, PlanApply(*p, *zero, true));

        SimRig view(read_link);
        view.mouse = rig.mouse;  // the same mouse, seen through another link
        view.links = {};
        view.Connect(read_link);
        Exchange reader(view.links, view.clock);
        const ReadBackResult r = RunReadBack(reader, view.clock, view.links);
        ExpectReadBackEquals(r, *p);
    }
}

TEST(ReadBack, RejectedSensorRepliesAreRequestedAgainThenGivenUp) {
    SimRig rig(SimLink::k24g);
    auto bad = rig.mouse->Block(kSensorBlock);
    bad[1] = 55;  // shorter than a sensor block
    rig.mouse->OverrideBlock(kSensorBlock, bad);
    Exchange ex(rig.links, rig.clock);
    const ReadBackResult r = RunReadBack(ex, rig.clock, rig.links);
    EXPECT_FALSE(r.sensor);
    EXPECT_TRUE(r.polling);
    EXPECT_TRUE(r.light);
    int sensor_requests = 0;
    for (const auto& report : rig.mouse->Received()) {
        sensor_requests +=
            report.bytes.size() >= 2 && report.bytes[0] == 0xA0 && report.bytes[1] == kSensorBlock;
    }
    EXPECT_EQ(sensor_requests, kReadAttempts);
}

TEST(ReadBack, BluetoothSendsOneRequestAndTheMouseAnswersWithOneNotification) {
    SimRig rig(SimLink::kBle);
    auto p = EditedProfile();
    Exchange ex(rig.links, rig.clock);
    auto zero = std::make_unique<profile::ProfileInfo>();
    SendApply(ex, PlanApply(*p, *zero, true));
    rig.mouse->ClearReceived();
    std::vector<std::vector<std::uint8_t>> notes;
    rig.mouse->SetNotificationSink([&](std::vector<std::uint8_t> v) { notes.push_back(v); });
    const ReadBackResult r = RunReadBack(ex, rig.clock, rig.links);
    EXPECT_TRUE(r.ble_requested);
    EXPECT_FALSE(r.sensor);
    ASSERT_EQ(rig.mouse->Received().size(), 1u);
    const ReadRequest request = BuildBleReadRequest();
    EXPECT_EQ(rig.mouse->Received()[0].bytes,
              std::vector<std::uint8_t>(request.begin(), request.end()));
    ASSERT_EQ(notes.size(), 1u);
    const auto ble = DecodeBleReply(notes[0]);
    ASSERT_TRUE(ble && ble->sensor && ble->light && ble->polling);
    auto got = profile::CreateProfile();
    StoreSensorSettings(*ble->sensor, *got);
    StoreLightSettings(*ble->light, *got);
    StorePollingSettings(*ble->polling, *got);
    EXPECT_EQ(got->dpi_value[0], 40);
    EXPECT_EQ(got->current_dpi_stage, 4);
    EXPECT_EQ(got->light_color, p->light_color);
    EXPECT_EQ(got->polling_rate, 3) << "the polling rate was never sent over Bluetooth";
}

}  // namespace
}  // namespace talvik::protocol
