// The report handlers: what each report changes on the page, what is saved, and what is refused.
#include "protocol/device_reports.h"

#include <gtest/gtest.h>

#include "fake_events.h"
#include "profile/profile_defaults.h"

namespace talvik::protocol {
namespace {

using testing::FakeEvents;
using Log = std::vector<std::string>;

// The cable's library; only an open device takes reports.
class FakeVendor final : public VendorLibrary {
public:
    void SetVidPid(int, int) override {}
    void OpenDevMonitor(const TalvikWindowHandle*, std::uint32_t, std::uint32_t) override {}
    bool OpenFeatureDevice() override { return open = true; }
    void CloseFeatureDevice() override { open = false; }
    void CloseDevMonitor() override {}
    bool SetFeature(std::span<const std::uint8_t>) override { return open; }
    bool GetFeature(std::span<std::uint8_t>) override { return open; }
    bool open = false;
};

enum Via { k24g, k4k, k4kB, kBle };

struct ReportRig {
    explicit ReportRig(bool with_library = true)
        : reports(state, events, with_library ? vendor : nullptr) {
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
        using Handler = void (DeviceReports::*)(std::uint16_t, std::uint16_t);
        constexpr Handler kHandlers[] = {&DeviceReports::HandleReport24g,
                                         &DeviceReports::HandleReport4k, nullptr,
                                         &DeviceReports::HandleReportBle};
        const std::uint8_t raw[5] = {3, marker, type, lo, hi};
        if (via == k4kB) {
            reports.HandleReport4kB(raw);
        } else {
            (reports.*kHandlers[via])(marker | type << 8, lo | hi << 8);
        }
    }

    SessionState state;
    FakeEvents events;
    std::shared_ptr<FakeVendor> vendor = std::make_shared<FakeVendor>();
    DeviceReports reports;
};

TEST(StageReports, MarkedSwitchesAreSavedUnmarkedOnlyShownPendingEditsKept) {
    ReportRig rig;
    rig.Report(k24g, 0xC5, 0x10, 3);
    EXPECT_EQ(rig.events.log, (Log{"stage 2 32", "save"}));
    EXPECT_EQ(rig.applied().current_dpi_stage, 2);
    rig.Report(k24g, 0x00, 0x10, 4);
    EXPECT_EQ(rig.current().current_dpi_stage, 3);
    EXPECT_EQ(rig.applied().current_dpi_stage, 2) << "unmarked: not saved";
    rig.current().brightness = 3;  // edited, apply pending
    rig.Report(k4k, 0xC5, 0x10, 8);
    EXPECT_EQ(rig.applied().current_dpi_stage, 7);
    EXPECT_EQ(rig.applied().brightness, 8) << "the pending edit still differs from applied";
}

TEST(Reports, ValuesOutsideTheirOptionsAreIgnoredOnEveryLink) {
    ReportRig rig;
    for (Via via : {k24g, k4k, k4kB, kBle}) {
        for (std::uint8_t stage : {0, 9, 0xFF}) {
            rig.Report(via, 0xC5, 0x10, stage);
        }
    }
    for (std::uint8_t v : {0x00, 0x05, 0x81, 0x10, 0xF4}) {
        rig.Report(k24g, 0xC5, 0x20, v);
        rig.Report(k4kB, 0xC5, 0x20, v);
    }
    rig.Report(k4k, 0xC5, 0x20, 0x84);
    EXPECT_EQ((std::array{rig.current().current_dpi_stage, rig.current().polling_rate,
                          rig.current().polling_rate_hs}),
              (std::array{1, 3, 3}));
    EXPECT_TRUE(rig.events.log.empty()) << rig.events.log.front();
}

TEST(PollingReports, FourKSetsOnlyTheHighSpeedRateReceiversBothBluetoothNone) {
    ReportRig rig;
    rig.current().polling_rate = 1;
    rig.Report(k4k, 0xC5, 0x20, 0x43);
    EXPECT_EQ(rig.current().polling_rate_hs, 3);
    EXPECT_EQ(rig.current().polling_rate, 1);
    EXPECT_EQ(rig.events.log, (Log{"polling", "save"}));
    rig.Report(k24g, 0xC5, 0x20, 0x71);
    EXPECT_EQ(rig.current().polling_rate, 0);
    EXPECT_EQ(rig.applied().polling_rate_hs, 6);
    rig.Report(kBle, 0xC5, 0x20, 0x22);
    EXPECT_EQ(rig.current().polling_rate, 0);
}

// Each battery report restarts its receiver's watchdog and keeps its link, save where noted.
TEST(BatteryReports, LevelChargingAndFullOnEachLink) {
    struct Case {
        Via via;
        std::uint8_t marker, type, lo, hi;
        bool wired;         // the cable is in, and the 4K B link up
        const char* event;  // the page hears this, or nothing battery-related
        bool link;          // the link of `via` is up afterwards
    };
    const Case cases[] = {
        {k24g, 0xC5, 0x40, 5, 57, false, "level 57", true},
        {k24g, 0xC5, 0x40, 1, 0, false, "level -", true},  // out of range on the receivers
        {k24g, 0xC5, 0x40, 1, 101, false, "level -", true},
        {kBle, 0xC5, 0x40, 1, 0, false, "level 0", false},  // no receiver link, no watchdog
        {k4k, 0xC5, 0x60, 1, 40, false, "level 40", true},  // any type with the battery bit
        {k4k, 0xC5, 0xFF, 1, 40, false, "level 40", true},
        {k4k, 0xC5, 0x50, 1, 40, false, "", false},  // but 0x50
        {k4k, 0x00, 0x40, 1, 40, false, "", false},  // and only marked
        {k24g, 0xC5, 0x40, 3, 0, false, "charging", true},
        {k24g, 0xC5, 0x40, 2, 0, false, "full", true},
        {k4kB, 0xC5, 0x40, 3, 0, true, "charging", false},  // the cable ends the receiver link
        {k4k, 0xC5, 0x40, 3, 0, true, "charging", true},    // but charging keeps the 4K one
        {k4k, 0xC5, 0x40, 2, 0, true, "full", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<int>(&c - cases));
        ReportRig rig;
        LinkFlags flags;
        flags.wired = c.wired ? WiredState::kConnected : WiredState::kAbsent;
        flags.link_4k_b = c.wired;
        rig.state.links.Assign(flags);
        rig.Report(c.via, c.marker, c.type, c.lo, c.hi);
        EXPECT_EQ(rig.events.Last("level") + rig.events.Last("charging") + rig.events.Last("full"),
                  c.event);
        const auto link = [&] {
            const LinkFlags& f = rig.links();
            return std::array{f.link_24g, f.link_4k, f.link_4k_b, f.ble}[c.via];
        };
        EXPECT_EQ(link(), c.link);
        const auto watchdog = static_cast<DeviceTimer>(c.via);  // in the order of Via
        using Timers = std::map<DeviceTimer, int>;
        const Timers running =
            *c.event && c.via != kBle ? Timers{{watchdog, kWatchdogMs}} : Timers{};
        EXPECT_EQ(rig.events.timers, running);
        if (c.via != kBle) {  // the watchdog's end drops the link
            rig.reports.OnTimer(watchdog);
            EXPECT_FALSE(link());
        }
    }
}

TEST(SaveOnlyReports, SaveOnFeatureLinksButNotFourKB) {
    ReportRig rig;
    rig.Report(k24g, 0xC5, 0x80, 5);
    rig.Report(k24g, 0xC5, 0x80, 6);
    rig.Report(k4kB, 0xC5, 0x80, 1);
    EXPECT_EQ(rig.events.Count("save"), 1);
}

TEST(Links, EachChangeIsAnnouncedOnceAndBluetoothEndsTheReceivers) {
    ReportRig rig;
    rig.reports.SetLink4kB(true);
    rig.reports.SetLink24g(true);
    rig.reports.SetLink24g(true);
    rig.reports.SetLink24g(false);
    EXPECT_TRUE(rig.links().any_link) << "the 4K B link keeps the device tab";
    EXPECT_EQ(rig.events.Count("ready"), 1);
    EXPECT_EQ(rig.events.Count("links"), 3);
    rig.reports.OnTimer(DeviceTimer::kWatchdog4kB);
    EXPECT_FALSE(rig.links().any_link);

    rig.reports.SetLink24g(true);
    rig.events.StartTimer(DeviceTimer::kWatchdog24g, kWatchdogMs);
    rig.reports.SetBleLink(true);
    EXPECT_FALSE(rig.links().link_24g);
    EXPECT_TRUE(rig.links().ble);
    EXPECT_FALSE(rig.events.Running(DeviceTimer::kWatchdog24g));
    EXPECT_EQ(rig.events.Count("full"), 1);
}

// The link and the worker's handle coming and going with the cable are the page's cable tests.
TEST(DriverEvents, PlugOpensAfterASecondUnplugCloses) {
    ReportRig rig;
    rig.reports.OnDriverEvent(kDriverArrived);
    EXPECT_EQ(rig.events.timers.at(DeviceTimer::kWiredOpen), kWiredOpenDelayMs);
    EXPECT_FALSE(rig.vendor->open) << "not before the timer";
    rig.reports.OnTimer(DeviceTimer::kWiredOpen);
    EXPECT_TRUE(rig.vendor->open);
    EXPECT_EQ(rig.events.Count("charging") + rig.events.Count("ready"), 2);
    rig.reports.OnDriverEvent(kDriverArrived);  // while connected: nothing
    EXPECT_FALSE(rig.events.Running(DeviceTimer::kWiredOpen));

    rig.reports.OnDriverEvent(kDriverRemoved);
    rig.reports.OnDriverEvent(kDriverRemoved);
    EXPECT_EQ(rig.events.Count("power unknown"), 1);
    EXPECT_FALSE(rig.vendor->open);
    EXPECT_EQ(rig.links().wired, WiredState::kUnplugged);

    // A removal before the open cancels it; without the library nothing opens.
    rig.reports.OnDriverEvent(kDriverArrived);
    rig.reports.OnDriverEvent(kDriverRemoved);
    ReportRig without_library(false);
    without_library.reports.OnDriverEvent(kDriverArrived);
    for (ReportRig* r : {&rig, &without_library}) {
        r->reports.OnTimer(DeviceTimer::kWiredOpen);
        EXPECT_FALSE(r->links().wired_up());
    }
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
