// The report handlers: what each report changes on the page, what is saved, and what is refused.
#include "protocol/device_reports.h"

#include <gtest/gtest.h>

#include "fake_events.h"
#include "profile/profile_defaults.h"

namespace talvik::protocol {
namespace {

using testing::FakeEvents;
using Log = std::vector<std::string>;

class FakeVendor final : public VendorLibrary {
public:
    void SetVidPid(int, int) override {}
    void OpenDevMonitor(const TalvikWindowHandle*, std::uint32_t, std::uint32_t) override {}
    bool OpenFeatureDevice() override { return ++opens > 0; }
    void CloseFeatureDevice() override { ++closes; }
    void CloseDevMonitor() override {}
    bool SetFeature(std::span<const std::uint8_t>) override { return true; }
    bool GetFeature(std::span<std::uint8_t>) override { return true; }
    int opens = 0;
    int closes = 0;
};

enum class Via { k24g, k4k, k4kB, kBle };

struct ReportRig {
    explicit ReportRig(bool with_library = true)
        : reports(state, events, with_library ? vendor_ptr : nullptr) {
        state.profiles.push_back(profile::CreateProfile());
        state.current_profile = state.profiles[0].get();
        *state.applied_profile = *state.current_profile;
        state.links.SetListener([this](const LinkFlags& f) { events.LinksChanged(f); });
    }
    profile::ProfileInfo& current() { return *state.current_profile; }
    profile::ProfileInfo& applied() { return *state.applied_profile; }
    const LinkFlags& links() const { return state.links.flags(); }
    // One report through the handler of `via`.
    void Report(Via via, std::uint8_t marker, std::uint8_t type, std::uint8_t lo,
                std::uint8_t hi = 0) {
        const auto a = static_cast<std::uint16_t>(marker | type << 8);
        const auto b = static_cast<std::uint16_t>(lo | hi << 8);
        const std::uint8_t raw[5] = {3, marker, type, lo, hi};
        switch (via) {
            case Via::k24g:
                return reports.HandleReport24g(a, b);
            case Via::k4k:
                return reports.HandleReport4k(a, b);
            case Via::k4kB:
                return reports.HandleReport4kB(raw);
            case Via::kBle:
                return reports.HandleReportBle(a, b);
        }
    }

    SessionState state;
    FakeEvents events;
    std::shared_ptr<FakeVendor> vendor_ptr = std::make_shared<FakeVendor>();
    FakeVendor& vendor = *vendor_ptr;
    DeviceReports reports;
};

TEST(StageReports, MarkedSwitchesAreSavedUnmarkedOnlyShownPendingEditsKept) {
    ReportRig rig;
    rig.Report(Via::k24g, 0xC5, 0x10, 3);
    EXPECT_EQ(rig.events.log, (Log{"stage 2 32", "save"}));
    EXPECT_EQ(rig.applied().current_dpi_stage, 2);
    rig.Report(Via::k24g, 0x00, 0x10, 4);
    EXPECT_EQ(rig.current().current_dpi_stage, 3);
    EXPECT_EQ(rig.applied().current_dpi_stage, 2) << "unmarked: not saved";
    rig.current().brightness = 3;  // edited, apply pending
    rig.Report(Via::k4k, 0xC5, 0x10, 8);
    EXPECT_EQ(rig.applied().current_dpi_stage, 7);
    EXPECT_EQ(rig.applied().brightness, 8) << "the pending edit still differs from applied";
}

TEST(Reports, ValuesOutsideTheirOptionsAreIgnoredOnEveryLink) {
    ReportRig rig;
    for (Via via : {Via::k24g, Via::k4k, Via::k4kB, Via::kBle}) {
        for (std::uint8_t stage : {0, 9, 0xFF}) {
            rig.Report(via, 0xC5, 0x10, stage);
        }
    }
    for (std::uint8_t v : {0x00, 0x05, 0x81, 0x10, 0xF4}) {
        rig.Report(Via::k24g, 0xC5, 0x20, v);
        rig.Report(Via::k4kB, 0xC5, 0x20, v);
    }
    rig.Report(Via::k4k, 0xC5, 0x20, 0x84);
    EXPECT_EQ(rig.current().current_dpi_stage, 1);
    EXPECT_EQ(rig.current().polling_rate, 3);
    EXPECT_EQ(rig.current().polling_rate_hs, 3);
    EXPECT_TRUE(rig.events.log.empty()) << rig.events.log.front();
}

TEST(PollingReports, FourKSetsOnlyTheHighSpeedRateReceiversBothBluetoothNone) {
    ReportRig rig;
    rig.current().polling_rate = 1;
    rig.Report(Via::k4k, 0xC5, 0x20, 0x43);
    EXPECT_EQ(rig.current().polling_rate_hs, 3);
    EXPECT_EQ(rig.current().polling_rate, 1);
    EXPECT_EQ(rig.events.log, (Log{"polling", "save"}));
    rig.Report(Via::k24g, 0xC5, 0x20, 0x71);
    EXPECT_EQ(rig.current().polling_rate, 0);
    EXPECT_EQ(rig.applied().polling_rate_hs, 6);
    rig.Report(Via::kBle, 0xC5, 0x20, 0x22);
    EXPECT_EQ(rig.current().polling_rate, 0);
}

TEST(BatteryReports, LevelRestartsTheWatchdogWhoseEndDropsTheLink) {
    ReportRig rig;
    rig.Report(Via::k24g, 0xC5, 0x40, 5, 57);
    EXPECT_EQ(rig.events.Last("level"), "level 57");
    EXPECT_EQ(rig.events.timers.at(DeviceTimer::kWatchdog24g), kWatchdogMs);
    EXPECT_TRUE(rig.events.links.link_24g && rig.events.links.any_link) << "the page heard";
    EXPECT_EQ(rig.events.Count("ready"), 1);
    rig.reports.OnTimer(DeviceTimer::kWatchdog24g);
    EXPECT_FALSE(rig.links().link_24g || rig.links().any_link || rig.events.links.any_link);
    // Out of range levels: "-" on the receivers; Bluetooth shows 0 and keeps no receiver link.
    rig.Report(Via::k24g, 0xC5, 0x40, 1, 0);
    rig.Report(Via::k24g, 0xC5, 0x40, 1, 101);
    EXPECT_EQ(rig.events.Count("level -"), 2);
    ReportRig ble;
    ble.Report(Via::kBle, 0xC5, 0x40, 1, 0);
    EXPECT_EQ(ble.events.Last("level"), "level 0");
    EXPECT_FALSE(ble.links().link_24g);
    EXPECT_TRUE(ble.events.timers.empty());
}

TEST(BatteryReports, EveryTypeWithTheBatteryBitButFiftyAndOnlyMarked) {
    for (std::uint8_t type : {0x40, 0x60, 0x70, 0xC0, 0xFF, 0x50}) {
        ReportRig rig;
        rig.Report(Via::k4k, 0xC5, type, 1, 40);
        rig.Report(Via::k4k, 0x00, 0x40, 1, 41);
        EXPECT_EQ(rig.events.Last("level"), type == 0x50 ? "" : "level 40") << int(type);
        EXPECT_EQ(rig.links().link_4k, type != 0x50) << int(type);
    }
}

TEST(BatteryReports, ChargingFullAndTheWiredMouseEndingReceiverLinks) {
    ReportRig rig;
    rig.Report(Via::k24g, 0xC5, 0x40, 3);
    EXPECT_EQ(rig.events.Last("charging"), "charging");
    rig.Report(Via::k24g, 0xC5, 0x40, 2);
    EXPECT_EQ(rig.events.log.back(), "full");

    LinkFlags flags;
    flags.wired = WiredState::kConnected;
    flags.link_4k_b = true;
    rig.state.links.Assign(flags);
    rig.Report(Via::k4kB, 0xC5, 0x40, 3);
    EXPECT_FALSE(rig.links().link_4k_b);
    rig.Report(Via::k4k, 0xC5, 0x40, 3);
    EXPECT_TRUE(rig.links().link_4k) << "charging keeps the 4K link";
    rig.Report(Via::k4k, 0xC5, 0x40, 2);
    EXPECT_FALSE(rig.links().link_4k);
}

TEST(SaveOnlyReports, SaveOnFeatureLinksButNotFourKB) {
    ReportRig rig;
    rig.Report(Via::k24g, 0xC5, 0x80, 5);
    rig.Report(Via::k24g, 0xC5, 0x80, 6);
    rig.Report(Via::k4kB, 0xC5, 0x80, 1);
    EXPECT_EQ(rig.events.Count("save"), 1);
}

TEST(Links, EachChangeIsAnnouncedOnceAndBluetoothEndsTheReceivers) {
    ReportRig rig;
    rig.reports.SetLink4kB(true);
    rig.reports.SetLink24g(true);
    rig.reports.SetLink24g(true);
    rig.reports.SetLink24g(false);
    EXPECT_TRUE(rig.links().any_link) << "the 4K B link keeps the device tab";
    EXPECT_EQ(rig.events.Count("links"), 3);
    rig.reports.OnTimer(DeviceTimer::kWatchdog4kB);
    EXPECT_FALSE(rig.links().any_link);

    rig.reports.SetLink24g(true);
    rig.events.StartTimer(DeviceTimer::kWatchdog24g, kWatchdogMs);
    rig.reports.SetBleLink(true);
    EXPECT_FALSE(rig.links().link_24g);
    EXPECT_TRUE(rig.links().ble);
    EXPECT_FALSE(rig.events.Running(DeviceTimer::kWatchdog24g));
    EXPECT_EQ(rig.events.Last("full"), "full");
}

TEST(DriverEvents, PlugOpensAfterASecondUnplugCloses) {
    ReportRig rig;
    rig.reports.OnDriverEvent(kDriverArrived);
    EXPECT_EQ(rig.events.timers.at(DeviceTimer::kWiredOpen), kWiredOpenDelayMs);
    EXPECT_EQ(rig.vendor.opens, 0);
    rig.reports.OnTimer(DeviceTimer::kWiredOpen);
    EXPECT_EQ(rig.vendor.opens, 1);
    EXPECT_TRUE(rig.links().wired_up() && rig.links().any_link);
    EXPECT_EQ(rig.state.handles.wired.get(), &rig.vendor) << "the worker's only way to the cable";
    EXPECT_EQ(rig.events.Count("charging"), 1);
    EXPECT_EQ(rig.events.Count("ready"), 1);
    rig.reports.OnDriverEvent(kDriverArrived);  // while connected: nothing
    EXPECT_FALSE(rig.events.Running(DeviceTimer::kWiredOpen));

    rig.reports.OnDriverEvent(kDriverRemoved);
    EXPECT_EQ(rig.events.log.back(), "power unknown");
    rig.reports.OnDriverEvent(kDriverRemoved);
    EXPECT_EQ(rig.links().wired, WiredState::kUnplugged);
    EXPECT_EQ(rig.state.handles.wired, nullptr);
    EXPECT_EQ(rig.vendor.closes, 1);
    EXPECT_FALSE(rig.links().any_link);

    // A removal before the open cancels it.
    rig.reports.OnDriverEvent(kDriverArrived);
    rig.reports.OnDriverEvent(kDriverRemoved);
    rig.reports.OnTimer(DeviceTimer::kWiredOpen);
    EXPECT_EQ(rig.vendor.opens, 1);

    ReportRig without_library(false);
    without_library.reports.OnDriverEvent(kDriverArrived);
    without_library.reports.OnTimer(DeviceTimer::kWiredOpen);
    EXPECT_FALSE(without_library.links().wired_up());
}

TEST(BleNotifications, IgnoredValuesAndReports) {
    ReportRig rig;
    // Values starting 0xA2 or 0xA9 are no reports, though they would read as a stage switch.
    rig.reports.OnBleNotification(std::vector<std::uint8_t>{0xA2, 0x10, 3, 0});
    rig.reports.OnBleNotification(std::vector<std::uint8_t>{0xA9, 0x10, 3, 0});
    EXPECT_TRUE(rig.events.log.empty());
    rig.reports.OnBleNotification(std::vector<std::uint8_t>{0xA0, 0x01});  // no sensor block
    EXPECT_EQ(rig.current().current_dpi_stage, 1);
    EXPECT_EQ(rig.current().dpi_value[0], 16);
    rig.reports.OnBleNotification(std::vector<std::uint8_t>{0xC5, 0x10, 8, 0});
    EXPECT_EQ(rig.current().current_dpi_stage, 7);
}

}  // namespace
}  // namespace talvik::protocol
