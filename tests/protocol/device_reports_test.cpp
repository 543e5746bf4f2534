#include "protocol/device_reports.h"

#include <gtest/gtest.h>

#include <cstring>

#include "fake_view.h"
#include "page/page_state.h"
#include "platform/messages.h"
#include "profile/profile_defaults.h"
#include "protocol/page_timers.h"

namespace talvik::protocol {
namespace {

using testing::FakeView;

class FakeVendor final : public VendorLibrary {
public:
    void SetVidPid(int, int) override {}
    void OpenDevMonitor(const TalvikWindowHandle*, std::uint32_t, std::uint32_t) override {}
    bool OpenFeatureDevice() override {
        ++opens;
        return true;
    }
    void CloseFeatureDevice() override { ++closes; }
    void CloseDevMonitor() override {}
    bool SetFeature(std::span<const std::uint8_t>) override { return true; }
    bool GetFeature(std::span<std::uint8_t>) override { return true; }
    int opens = 0;
    int closes = 0;
};

struct ReportRig {
    ReportRig() {
        state.profiles.push_back(profile::CreateProfile());
        state.current_profile = state.profiles[0].get();
        *state.applied_profile = *state.current_profile;
    }
    profile::ProfileInfo& current() { return *state.current_profile; }
    profile::ProfileInfo& applied() { return *state.applied_profile; }

    page::PageState state;
    FakeView view;
    std::shared_ptr<FakeVendor> vendor_ptr = std::make_shared<FakeVendor>();
    FakeVendor& vendor = *vendor_ptr;
    DeviceReports reports{state, view, vendor_ptr};
};

std::uint16_t A(std::uint8_t marker, std::uint8_t type) {
    return static_cast<std::uint16_t>(marker | type << 8);
}
std::uint16_t B(std::uint8_t lo, std::uint8_t hi = 0) {
    return static_cast<std::uint16_t>(lo | hi << 8);
}

TEST(StageReports, MarkedStageSwitchSelectsShowsAndSaves) {
    ReportRig rig;
    rig.reports.HandleReport24g(A(0xC5, 0x10), B(3));
    EXPECT_EQ(rig.current().current_dpi_stage, 2);
    EXPECT_EQ(rig.view.selected, (std::vector<std::string>{"ms_5_option_dpi_step_3"}));
    ASSERT_EQ(rig.view.posts.size(), 1u);
    EXPECT_EQ(rig.view.posts[0], (FakeView::Posted{msg::WM_MS5_DPI_OSD, 4, 32}));
    EXPECT_EQ(rig.view.saves, 1);
    EXPECT_EQ(rig.applied().current_dpi_stage, 2);
}

TEST(StageReports, UnmarkedStageSwitchIsShownButNotSaved) {
    ReportRig rig;
    rig.reports.HandleReport24g(A(0x00, 0x10), B(3));
    EXPECT_EQ(rig.current().current_dpi_stage, 2);
    EXPECT_EQ(rig.view.CountPosts(msg::WM_MS5_DPI_OSD), 1);
    EXPECT_EQ(rig.view.saves, 0);
    EXPECT_EQ(rig.applied().current_dpi_stage, 1);
}

TEST(StageReports, StagesOutsideOneToEightAreIgnoredOnEveryLink) {
    ReportRig rig;
    for (std::uint8_t stage : {0, 9, 0xFF}) {
        rig.reports.HandleReport24g(A(0xC5, 0x10), B(stage));
        rig.reports.HandleReport4k(A(0xC5, 0x10), B(stage));
        rig.reports.HandleReportBle(A(0xC5, 0x10), B(stage));
        const std::uint8_t raw[5] = {3, 0xC5, 0x10, stage, 0};
        rig.reports.HandleReport4kB(raw);
    }
    EXPECT_EQ(rig.current().current_dpi_stage, 1);
    EXPECT_TRUE(rig.view.posts.empty());
    EXPECT_EQ(rig.view.saves, 0);
}

TEST(StageReports, SavingKeepsEditsThatWereNotSentYet) {
    ReportRig rig;
    rig.current().brightness = 3;  // edited, apply pending
    rig.reports.HandleReport4k(A(0xC5, 0x10), B(8));
    EXPECT_EQ(rig.applied().current_dpi_stage, 7);
    EXPECT_EQ(rig.applied().brightness, 8) << "the pending edit still differs from applied";
}

TEST(PollingReports, FourKReportSetsOnlyTheHighSpeedRate) {
    ReportRig rig;
    rig.current().polling_rate = 1;
    rig.reports.HandleReport4k(A(0xC5, 0x20), B(0x43));
    EXPECT_EQ(rig.current().polling_rate_hs, 3);
    EXPECT_EQ(rig.current().polling_rate, 1);
    EXPECT_EQ(rig.view.selected, (std::vector<std::string>{"ms_5_btn_prate_hs_4"}));
    EXPECT_EQ(rig.view.saves, 1);
}

TEST(PollingReports, ReceiverReportsSetBothRates) {
    ReportRig rig;
    rig.reports.HandleReport24g(A(0xC5, 0x20), B(0x71));
    EXPECT_EQ(rig.current().polling_rate, 0);
    EXPECT_EQ(rig.current().polling_rate_hs, 6);
    EXPECT_EQ(rig.applied().polling_rate_hs, 6);
    rig.reports.HandleReportBle(A(0xC5, 0x20), B(0x22));
    EXPECT_EQ(rig.current().polling_rate, 0) << "no effect over Bluetooth LE";
}

TEST(PollingReports, NibblesBeyondTheOptionsAreRejected) {
    ReportRig rig;
    for (std::uint8_t v : {0x00, 0x05, 0x81, 0x10, 0xF4}) {
        rig.reports.HandleReport24g(A(0xC5, 0x20), B(v));
        const std::uint8_t raw[5] = {3, 0xC5, 0x20, v, 0};
        rig.reports.HandleReport4kB(raw);
    }
    rig.reports.HandleReport4k(A(0xC5, 0x20), B(0x84));
    EXPECT_EQ(rig.current().polling_rate, 3);
    EXPECT_EQ(rig.current().polling_rate_hs, 3);
    EXPECT_EQ(rig.view.saves, 0);
    EXPECT_TRUE(rig.view.selected.empty());
}

TEST(BatteryReports, LevelRestartsTheWatchdogAndKeepsTheLink) {
    ReportRig rig;
    rig.reports.HandleReport24g(A(0xC5, 0x40), B(5, 57));
    EXPECT_EQ(rig.view.progress["ms_5_progress_power"], (std::vector<int>{57}));
    EXPECT_EQ(rig.view.text("ms_5_label_power"), "57%");
    EXPECT_EQ(rig.view.timers.at(kTimerWatchdog24g), 6000);
    EXPECT_TRUE(rig.state.links.link_24g);
    EXPECT_EQ(rig.view.visible("ms_5_wireless"), true);
    EXPECT_TRUE(rig.state.links.any_link);
    EXPECT_EQ(rig.view.CountPosts(msg::WM_MS5_LINK_READY), 1);
    // Six silent seconds end the link.
    EXPECT_TRUE(rig.reports.OnPageTimer(kTimerWatchdog24g));
    EXPECT_FALSE(rig.state.links.link_24g);
    EXPECT_EQ(rig.view.visible("ms_5_wireless"), false);
    EXPECT_FALSE(rig.state.links.any_link);
}

TEST(BatteryReports, EveryTypeWithTheBatteryBitButFifty) {
    for (std::uint8_t type : {0x40, 0x60, 0x70, 0xC0, 0xFF}) {
        ReportRig rig;
        rig.reports.HandleReport4k(A(0xC5, type), B(1, 40));
        EXPECT_EQ(rig.view.text("ms_5_label_power"), "40%") << int(type);
        EXPECT_TRUE(rig.state.links.link_4k) << int(type);
    }
    ReportRig rig;
    rig.reports.HandleReport4k(A(0xC5, 0x50), B(1, 40));
    rig.reports.HandleReport4k(A(0x00, 0x40), B(1, 40));
    EXPECT_EQ(rig.view.text("ms_5_label_power"), "");
    EXPECT_FALSE(rig.state.links.link_4k);
}

TEST(BatteryReports, LevelsOutsideTheRangeAreNotShown) {
    ReportRig rig;
    rig.reports.HandleReport24g(A(0xC5, 0x40), B(1, 0));
    rig.reports.HandleReport24g(A(0xC5, 0x40), B(1, 101));
    EXPECT_TRUE(rig.view.progress.empty());
    ReportRig ble;
    ble.reports.HandleReportBle(A(0xC5, 0x40), B(1, 0));
    EXPECT_EQ(ble.view.text("ms_5_label_power"), "0%");
    EXPECT_FALSE(ble.state.links.link_24g) << "Bluetooth reports keep no receiver link";
    EXPECT_TRUE(ble.view.timers.empty());
}

TEST(BatteryReports, ChargingAnimatesUntilFull) {
    ReportRig rig;
    rig.reports.HandleReport24g(A(0xC5, 0x40), B(3));
    EXPECT_EQ(rig.view.timers.at(kTimerChargeAnimation), 30);
    EXPECT_EQ(rig.view.text("ms_5_label_power"), "<charging_text>");
    for (int i = 0; i < 52; ++i) {
        rig.reports.OnPageTimer(kTimerChargeAnimation);
    }
    const auto& p = rig.view.progress["ms_5_progress_power"];
    EXPECT_EQ(p[0], 0);
    EXPECT_EQ(p[50], 100);
    EXPECT_EQ(p[51], 0) << "past 100 it starts over";
    rig.reports.HandleReport24g(A(0xC5, 0x40), B(2));
    EXPECT_EQ(rig.view.timers.count(kTimerChargeAnimation), 0u);
    EXPECT_EQ(rig.view.text("ms_5_label_power"), "100%");
}

TEST(BatteryReports, WiredMouseEndsTheReceiverLinks) {
    ReportRig rig;
    rig.state.links.wired = WiredState::kConnected;
    rig.state.links.link_4k_b = true;
    const std::uint8_t charging[5] = {3, 0xC5, 0x40, 3, 0};
    rig.reports.HandleReport4kB(charging);
    EXPECT_FALSE(rig.state.links.link_4k_b);
    rig.reports.HandleReport4k(A(0xC5, 0x40), B(3));
    EXPECT_TRUE(rig.state.links.link_4k) << "charging keeps the 4K link";
    rig.reports.HandleReport4k(A(0xC5, 0x40), B(2));
    EXPECT_FALSE(rig.state.links.link_4k);
}

TEST(SaveOnlyReports, SaveOnFeatureLinksButNotFourKB) {
    ReportRig rig;
    rig.reports.HandleReport24g(A(0xC5, 0x80), B(5));
    EXPECT_EQ(rig.view.saves, 1);
    rig.reports.HandleReport24g(A(0xC5, 0x80), B(6));
    rig.reports.HandleReport24g(A(0xC5, 0x80), B(0));
    const std::uint8_t raw[5] = {3, 0xC5, 0x80, 1, 0};
    rig.reports.HandleReport4kB(raw);
    EXPECT_EQ(rig.view.saves, 1);
}

TEST(Links, FourKBLinkKeepsTheDeviceTab) {
    ReportRig rig;
    rig.reports.SetLink4kB(true);
    rig.reports.SetLink24g(true);
    rig.reports.SetLink24g(false);
    EXPECT_TRUE(rig.state.links.any_link);
    EXPECT_TRUE(rig.reports.OnPageTimer(kTimerWatchdog4kB));
    EXPECT_FALSE(rig.state.links.any_link);
    EXPECT_EQ(rig.view.visible("ms_5_wireless_4k"), false);
}

TEST(Links, BluetoothOnlyHidesPollingAndDebounce) {
    ReportRig rig;
    rig.state.links.ble = true;
    rig.reports.RefreshModeControls();
    EXPECT_EQ(rig.view.visible("ms_5_check_prate"), false);
    EXPECT_EQ(rig.view.visible("ms_5_hor_key_debounce"), false);
    EXPECT_EQ(rig.view.checked("ms_5_check_key_debounce"), false);
    rig.reports.SetLink4k(true);
    EXPECT_EQ(rig.view.visible("ms_5_check_prate"), true);
    EXPECT_EQ(rig.view.visible("ms_5_ver_prate"), false);
    EXPECT_GE(rig.view.light_updates, 2);
}

TEST(DriverEvents, PlugOpensAfterASecondUnplugCloses) {
    ReportRig rig;
    rig.reports.OnDriverEvent(kDriverArrived);
    EXPECT_EQ(rig.view.timers.at(kTimerWiredOpen), 1000);
    EXPECT_EQ(rig.vendor.opens, 0);
    rig.reports.OnPageTimer(kTimerWiredOpen);
    EXPECT_EQ(rig.vendor.opens, 1);
    EXPECT_TRUE(rig.state.links.wired_up());
    // The worker reaches the cable only through the handle.
    EXPECT_EQ(rig.state.handles.wired.get(), &rig.vendor);
    EXPECT_EQ(rig.view.visible("ms_5_wired"), true);
    EXPECT_EQ(rig.view.text("ms_5_label_power"), "<charging_text>");
    EXPECT_EQ(rig.view.timers.at(kTimerChargeAnimation), 30);
    EXPECT_TRUE(rig.state.links.any_link);
    EXPECT_EQ(rig.view.CountPosts(msg::WM_MS5_LINK_READY), 1);
    // A second plug event while connected does nothing.
    rig.reports.OnDriverEvent(kDriverArrived);
    EXPECT_EQ(rig.view.timers.count(kTimerWiredOpen), 0u);

    rig.reports.OnDriverEvent(kDriverRemoved);
    EXPECT_EQ(rig.state.links.wired, WiredState::kUnplugged);
    EXPECT_EQ(rig.state.handles.wired, nullptr);
    EXPECT_EQ(rig.vendor.closes, 1);
    EXPECT_EQ(rig.view.visible("ms_5_wired"), false);
    EXPECT_FALSE(rig.state.links.any_link);
    EXPECT_EQ(rig.view.timers.count(kTimerChargeAnimation), 0u);
    rig.reports.OnDriverEvent(kDriverRemoved);
    EXPECT_EQ(rig.vendor.closes, 1);

    rig.reports.OnDriverEvent(kDriverArrived);
    rig.reports.OnPageTimer(kTimerWiredOpen);
    EXPECT_EQ(rig.vendor.opens, 2);
}

TEST(DriverEvents, RemovalBeforeTheOpenCancelsIt) {
    ReportRig rig;
    rig.reports.OnDriverEvent(kDriverArrived);
    rig.reports.OnDriverEvent(kDriverRemoved);
    rig.reports.OnPageTimer(kTimerWiredOpen);
    EXPECT_EQ(rig.vendor.opens, 0);
    EXPECT_FALSE(rig.state.links.wired_up());
}

TEST(DriverEvents, WithoutTheLibraryTheWiredLinkStaysDown) {
    page::PageState state;
    state.profiles.push_back(profile::CreateProfile());
    state.current_profile = state.profiles[0].get();
    FakeView view;
    DeviceReports reports(state, view, nullptr);
    reports.OnDriverEvent(kDriverArrived);
    reports.OnPageTimer(kTimerWiredOpen);
    EXPECT_FALSE(state.links.wired_up());
    reports.OnDriverEvent(kDriverRemoved);
    EXPECT_EQ(state.links.wired, WiredState::kUnplugged);
}

TEST(DriverEvents, DataEventsReachThe24gHandler) {
    ReportRig rig;
    rig.reports.OnDriverEvent(DriverDataCode(0x10C5, 0x0004));
    EXPECT_EQ(rig.current().current_dpi_stage, 3);
    rig.reports.OnDriverEvent(0x0FFF0004);
    rig.reports.OnDriverEvent(kDriverOther);
    EXPECT_EQ(rig.current().current_dpi_stage, 3);
    EXPECT_EQ(rig.view.saves, 1);
}

TEST(PageTimers, ApplyDelayPostsTheWorkerRequest) {
    ReportRig rig;
    EXPECT_TRUE(rig.reports.OnPageTimer(kTimerApplyDelay));
    EXPECT_EQ(rig.view.posts.back(), (FakeView::Posted{msg::WM_MS5_POST_WORKER, 0, 0}));
    EXPECT_FALSE(rig.reports.OnPageTimer(kTimerScrollSettings));
    EXPECT_FALSE(rig.reports.OnPageTimer(kTimerBleRegister));
}

TEST(BleNotifications, SettingsReplyIgnoredValuesAndReports) {
    ReportRig rig;
    rig.state.force_full_apply = true;
    std::vector<std::uint8_t> reply(61, 0);
    reply[0] = 0xA0;
    reply[1] = 2;
    reply[8] = 0x1F;
    reply[24] = 6;
    reply[53] = 0x30;
    rig.reports.OnBleNotification(reply);
    EXPECT_EQ(rig.current().polling_rate, 2);
    EXPECT_EQ(rig.current().dpi_value[0], 32);
    EXPECT_EQ(rig.current().current_dpi_stage, 5);
    EXPECT_EQ(rig.current().light_mode, 3);
    EXPECT_EQ(std::memcmp(&rig.current(), &rig.applied(), sizeof(profile::ProfileInfo)), 0);
    EXPECT_FALSE(rig.state.force_full_apply);
    EXPECT_EQ(rig.view.visible("query_ring"), false);
    EXPECT_EQ(rig.view.refreshes, 1);

    const std::vector<std::uint8_t> ignored{0xA2, 0xC5, 0x10, 1};
    rig.reports.OnBleNotification(ignored);
    EXPECT_EQ(rig.current().current_dpi_stage, 5);
    const std::vector<std::uint8_t> stage{0xC5, 0x10, 1, 0};
    rig.reports.OnBleNotification(stage);
    EXPECT_EQ(rig.current().current_dpi_stage, 0);
}

}  // namespace
}  // namespace talvik::protocol
