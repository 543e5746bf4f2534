// Which packets an apply sends, and reading the settings back over every link.
#include <gtest/gtest.h>

#include "profile/profile_defaults.h"
#include "protocol/apply.h"
#include "protocol/hex.h"
#include "protocol/key_packet.h"
#include "protocol/read_back.h"
#include "protocol/read_request.h"
#include "protocol/settings_packets.h"
#include "sim_rig.h"

namespace talvik::protocol {
namespace {

using sim::SimLink;
using testing::Ids;
using testing::SimRig;
using IdList = std::vector<std::uint8_t>;

void GiveMacro(profile::ProfileInfo& p, int button, int actions) {
    profile::ButtonAssign& b = p.buttons[button];
    b.function = kFunctionMacro;
    b.macro_event_count = static_cast<std::uint16_t>(actions);
    for (int i = 0; i < actions; ++i) {
        b.macro_actions[i] = {0, 0x04, static_cast<std::uint8_t>(1 + i % 2), 0, 20, 0, 0, 0};
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

// The read-back stored into a default profile builds the same settings packets as `want`; the
// values of disabled stages are not read back.
void ExpectReadBackEquals(const ReadBackResult& r, const profile::ProfileInfo& wanted) {
    auto got = profile::CreateProfile();
    auto copy = std::make_unique<profile::ProfileInfo>(wanted);
    const profile::ProfileInfo& want = *copy;
    ASSERT_TRUE(r.polling && r.sensor && r.light);
    EXPECT_EQ(StorePollingSettings(*r.polling, *got), 0);
    EXPECT_EQ(StoreSensorSettings(*r.sensor, *got), 0);
    EXPECT_EQ(StoreLightSettings(*r.light, *got), 0);
    for (int k = 0; k < 8; ++k) {
        if (want.dpi_enabled[k] == 0) {
            copy->dpi_value[k] = got->dpi_value[k];
        }
    }
    EXPECT_EQ(FormatHex(BuildSensorPacket(*got).view()), FormatHex(BuildSensorPacket(want).view()));
    EXPECT_EQ(FormatHex(BuildLightPacket(*got).view()), FormatHex(BuildLightPacket(want).view()));
    EXPECT_EQ(FormatHex(BuildPollingPacket(*got).view()),
              FormatHex(BuildPollingPacket(want).view()));
}

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

TEST(ReadBack, EveryUsbLinkReadsWhatWasApplied) {
    for (SimLink read_link : {SimLink::kWired, SimLink::k24g, SimLink::k4k, SimLink::k4kB}) {
        auto p = EditedProfile();
        SimRig view(read_link);
        testing::ApplyThroughCable(view.mouse, *p);
        Exchange reader(view.links, view.clock);
        ExpectReadBackEquals(RunReadBack(reader, view.clock, view.links), *p);
    }
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
        sensor_requests += report.bytes.size() >= 2 && report.bytes[1] == kSensorBlock;
    }
    EXPECT_EQ(sensor_requests, kReadAttempts);
}

TEST(ReadBack, BluetoothSendsOneRequestAndTheMouseAnswersWithOneNotification) {
    SimRig rig(SimLink::kBle);
    auto p = EditedProfile();
    Exchange ex(rig.links, rig.clock);
    SendApply(ex, PlanApply(*p, *std::make_unique<profile::ProfileInfo>(), true));
    rig.mouse->ClearReceived();
    std::vector<std::vector<std::uint8_t>> notes;
    rig.mouse->SetNotificationSink([&](std::vector<std::uint8_t> v) { notes.push_back(v); });
    const ReadBackResult r = RunReadBack(ex, rig.clock, rig.links);
    EXPECT_TRUE(r.ble_requested);
    EXPECT_FALSE(r.sensor);
    const ReadRequest request = BuildBleReadRequest();
    ASSERT_EQ(rig.mouse->Received().size(), 1u);
    EXPECT_EQ(rig.mouse->Received()[0].bytes,
              std::vector<std::uint8_t>(request.begin(), request.end()));
    ASSERT_EQ(notes.size(), 1u);
    const auto ble = DecodeBleReply(notes[0]);
    ASSERT_TRUE(ble && ble->sensor && ble->light && ble->polling);
    p->polling_rate = 3;  // never sent over Bluetooth
    p->polling_rate_hs = 3;
    ExpectReadBackEquals({ble->polling, ble->sensor, ble->light}, *p);
}

}  // namespace
}  // namespace talvik::protocol
