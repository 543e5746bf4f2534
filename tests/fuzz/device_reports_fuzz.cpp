// Sequences of what the links hand the UI thread - receiver reports, 4K B raw reports, Bluetooth
// LE values, the vendor library's events, timers, links coming and going - fed to one
// DeviceReports over a loaded profile list.
#include <cstddef>
#include <cstring>
#include <memory>

#include "fuzz_support.h"
#include "profile/profile_defaults.h"
#include "protocol/device_reports.h"
#include "protocol/settings_decode.h"
#include "report_sequence.h"
#include "step_events.h"

namespace {

using namespace talvik;
using fuzz::StepEvents;
using fuzz::sequence::Step;
using protocol::DeviceTimer;
using protocol::LinkFlags;
using Profile = profile::ProfileInfo;

// Everything of a profile before the button assignments, which no report touches.
constexpr std::size_t kSettingsBytes = offsetof(Profile, buttons);

bool In(int value, int low, int high) {
    return value >= low && value <= high;
}

bool SameSettings(const Profile& a, const Profile& b) {
    return std::memcmp(&a, &b, kSettingsBytes) == 0;
}

void CopySettings(const Profile& from, Profile& to) {
    std::memcpy(&to, &from, kSettingsBytes);
}

class CableLibrary final : public protocol::VendorLibrary {
public:
    bool SetFeature(std::span<const std::uint8_t>) override { return open; }
    bool GetFeature(std::span<std::uint8_t>) override { return open; }
    void SetVidPid(int, int) override {}
    void OpenDevMonitor(const TalvikWindowHandle*, std::uint32_t, std::uint32_t) override {}
    bool OpenFeatureDevice() override {
        open = opens;
        return open;
    }
    void CloseFeatureDevice() override { open = false; }
    void CloseDevMonitor() override {}

    bool opens = true;
    bool open = false;
};

// Three profiles that differ in every field a report may change, the chosen one active.
void LoadProfiles(protocol::SessionState& state, int active) {
    for (int i = 0; i < fuzz::sequence::kProfiles; ++i) {
        auto p = profile::CreateProfile();
        for (int k = 0; k < profile::kDpiStages; ++k) {
            p->dpi_value[k] = 8 + 16 * k + i;
            p->dpi_enabled[k] = 1;
        }
        p->current_dpi_stage = i;
        p->polling_rate = i;
        p->polling_rate_hs = i + 1;
        p->light_mode = i;
        state.profiles.push_back(std::move(p));
    }
    state.active_profile_index = active;
    state.current_profile = state.profiles[static_cast<std::size_t>(active)].get();
    *state.applied_profile = *state.current_profile;
}

// What the page's controls can show, for values a read-back stored.
void CheckShownRanges(const Profile& p) {
    FUZZ_CHECK(In(p.current_dpi_stage, 0, profile::kDpiStages - 1));
    FUZZ_CHECK(In(p.polling_rate, 0, protocol::kPollingOptions - 1));
    FUZZ_CHECK(In(p.polling_rate_hs, 0, protocol::kHighSpeedPollingOptions - 1));
    FUZZ_CHECK(In(p.light_mode, 0, protocol::kMaxLightMode));
    FUZZ_CHECK(In(p.breath_speed, 0, protocol::kMaxBreathSpeed));
    for (int k = 0; k < profile::kDpiStages; ++k) {
        FUZZ_CHECK(In(p.dpi_value[k], 1, protocol::kMaxDpiValue));
    }
}

// A battery report of a receiver, as the handler tells it from the rest.
bool IsReceiverBattery(const protocol::MouseReport& r) {
    return r.marker == protocol::kReportMarker && (r.type & protocol::kBatteryBit) != 0 &&
           r.type != 0x50;
}

std::optional<protocol::MouseReport> FourBytes(std::span<const std::uint8_t> p) {
    if (p.size() < 4) {
        return std::nullopt;
    }
    return protocol::MouseReport{p[0], p[1], p[2], p[3]};
}

class Run {
public:
    explicit Run(fuzz::sequence::Setup setup)
        : library_(setup.library ? std::make_shared<CableLibrary>() : nullptr),
          reports_(state_, events_, library_) {
        if (library_) {
            library_->opens = setup.cable_opens;
        }
        LoadProfiles(state_, setup.active_profile);
        for (const auto& p : state_.profiles) {
            originals_.push_back(std::make_unique<Profile>(*p));
            pointers_.push_back(p.get());
        }
        active_ = setup.active_profile;
        before_ = std::make_unique<Profile>(*state_.current_profile);
        applied_before_ = std::make_unique<Profile>(*state_.applied_profile);
        state_.links.SetListener([this](const LinkFlags& flags) {
            FUZZ_CHECK(flags.any_link == flags.AnyUp());
            events_.LinksChanged(flags);
        });
    }

    void Play(const fuzz::sequence::StepView& s) {
        events_.NextStep();
        std::optional<protocol::MouseReport> battery_from;
        std::optional<DeviceTimer> watchdog;
        switch (s.step) {
            case Step::kReport24g:
            case Step::kReport4k:
                if (const auto r = FourBytes(s.payload)) {
                    if (s.step == Step::kReport24g) {
                        reports_.HandleReport24g(r->a(), r->b());
                    } else {
                        reports_.HandleReport4k(r->a(), r->b());
                    }
                    battery_from = r;
                    watchdog = s.step == Step::kReport24g ? DeviceTimer::kWatchdog24g
                                                          : DeviceTimer::kWatchdog4k;
                }
                break;
            case Step::kReport4kB:
                reports_.HandleReport4kB(s.payload);
                battery_from = protocol::ReportFromReceiver(s.payload);
                watchdog = DeviceTimer::kWatchdog4kB;
                break;
            case Step::kBle:
                reports_.OnBleNotification(s.payload);
                break;
            case Step::kDriverEvent:
                if (s.payload.size() >= 4) {
                    std::uint32_t code = 0;
                    std::memcpy(&code, s.payload.data(), sizeof code);
                    reports_.OnDriverEvent(code);
                    if (code == protocol::kDriverRemoved) {
                        FUZZ_CHECK(!state_.links.flags().wired_up());
                        FUZZ_CHECK(!events_.Running(DeviceTimer::kWiredOpen));
                    }
                }
                break;
            case Step::kTimer:
                if (!s.payload.empty()) {
                    const auto timer = static_cast<DeviceTimer>(s.payload[0] % 4);
                    // Only a running timer fires.
                    if (events_.Running(timer)) {
                        reports_.OnTimer(timer);
                        CheckTimerFired(timer);
                    }
                }
                break;
            case Step::kLink:
                if (s.payload.size() >= 2) {
                    SetLink(s.payload[0] % 4, (s.payload[1] & 1) != 0);
                }
                break;
            case Step::kCableOpens:
                if (library_ && !s.payload.empty()) {
                    library_->opens = (s.payload[0] & 1) != 0;
                }
                break;
            case Step::kCount:
                break;
        }
        if (battery_from && IsReceiverBattery(*battery_from)) {
            FUZZ_CHECK(events_.Running(*watchdog));
        }
        CheckStep();
    }

    // Nothing but the active profile's settings changed over the whole sequence.
    void Finish() const {
        for (std::size_t i = 0; i < originals_.size(); ++i) {
            const Profile& now = *state_.profiles[i];
            if (static_cast<int>(i) == active_) {
                FUZZ_CHECK(
                    std::memcmp(reinterpret_cast<const char*>(&now) + kSettingsBytes,
                                reinterpret_cast<const char*>(originals_[i].get()) + kSettingsBytes,
                                sizeof(Profile) - kSettingsBytes) == 0);
            } else {
                FUZZ_CHECK(std::memcmp(&now, originals_[i].get(), sizeof(Profile)) == 0);
            }
        }
    }

private:
    void SetLink(int link, bool up) {
        switch (link) {
            case 0:
                reports_.SetLink24g(up);
                break;
            case 1:
                reports_.SetLink4k(up);
                break;
            case 2:
                reports_.SetLink4kB(up);
                break;
            default:
                reports_.SetBleLink(up);
                if (up) {
                    // The mouse is on Bluetooth: the receivers' links and watchdogs are over.
                    const LinkFlags& f = state_.links.flags();
                    FUZZ_CHECK(f.ble && !f.link_24g && !f.link_4k && !f.link_4k_b);
                    for (DeviceTimer t : {DeviceTimer::kWatchdog24g, DeviceTimer::kWatchdog4k,
                                          DeviceTimer::kWatchdog4kB}) {
                        FUZZ_CHECK(!events_.Running(t));
                    }
                }
        }
    }

    void CheckTimerFired(DeviceTimer timer) const {
        FUZZ_CHECK(!events_.Running(timer));
        const LinkFlags& f = state_.links.flags();
        switch (timer) {
            case DeviceTimer::kWatchdog24g:
                FUZZ_CHECK(!f.link_24g);
                break;
            case DeviceTimer::kWatchdog4k:
                FUZZ_CHECK(!f.link_4k);
                break;
            case DeviceTimer::kWatchdog4kB:
                FUZZ_CHECK(!f.link_4k_b);
                break;
            case DeviceTimer::kWiredOpen:
                break;
        }
    }

    void CheckStep() {
        // The list and the active record stay where they are.
        FUZZ_CHECK(state_.profiles.size() == pointers_.size());
        for (std::size_t i = 0; i < pointers_.size(); ++i) {
            FUZZ_CHECK(state_.profiles[i].get() == pointers_[i]);
        }
        FUZZ_CHECK(state_.active_profile_index == active_);
        FUZZ_CHECK(state_.current_profile == pointers_[static_cast<std::size_t>(active_)]);
        const Profile& current = *state_.current_profile;
        const Profile& applied = *state_.applied_profile;

        for (const StepEvents::Stage& s : events_.stages) {
            FUZZ_CHECK(In(s.stage, 0, profile::kDpiStages - 1));
            FUZZ_CHECK(s.dpi == current.dpi_value[s.stage]);
        }
        for (const std::optional<int>& level : events_.levels) {
            FUZZ_CHECK(!level || In(*level, 0, 100));
        }
        if (events_.polling > 0) {
            FUZZ_CHECK(In(current.polling_rate, 0, protocol::kPollingOptions - 1));
            FUZZ_CHECK(In(current.polling_rate_hs, 0, protocol::kHighSpeedPollingOptions - 1));
        }
        FUZZ_CHECK(events_.jobs_started == 0);
        FUZZ_CHECK(events_.jobs_finished <= events_.read_back);
        CheckLinks();

        if (events_.read_back > 0) {
            // A settings reply replaces what it carries; the mouse has exactly that now.
            FUZZ_CHECK(events_.saves > 0);
            FUZZ_CHECK(SameSettings(current, applied));
            FUZZ_CHECK(!state_.force_full_apply);
            CheckShownRanges(current);
        } else {
            // A report changes the stage or the polling rates it announces, nothing else.
            if (!events_.stages.empty()) {
                FUZZ_CHECK(current.current_dpi_stage == events_.stages.back().stage);
                before_->current_dpi_stage = current.current_dpi_stage;
            }
            if (events_.polling > 0) {
                before_->polling_rate = current.polling_rate;
                before_->polling_rate_hs = current.polling_rate_hs;
            }
            FUZZ_CHECK(SameSettings(current, *before_));
            // The last-applied copy takes only what the mouse reported, and only with a save.
            Profile& was = *applied_before_;
            if (events_.saves > 0) {
                if (was.current_dpi_stage != applied.current_dpi_stage) {
                    FUZZ_CHECK(applied.current_dpi_stage == current.current_dpi_stage);
                    was.current_dpi_stage = applied.current_dpi_stage;
                }
                if (was.polling_rate != applied.polling_rate ||
                    was.polling_rate_hs != applied.polling_rate_hs) {
                    FUZZ_CHECK(applied.polling_rate == current.polling_rate);
                    FUZZ_CHECK(applied.polling_rate_hs == current.polling_rate_hs);
                    was.polling_rate = applied.polling_rate;
                    was.polling_rate_hs = applied.polling_rate_hs;
                }
            }
            FUZZ_CHECK(SameSettings(applied, was));
        }
        CopySettings(current, *before_);
        CopySettings(applied, *applied_before_);
    }

    void CheckLinks() const {
        const LinkFlags& f = state_.links.flags();
        FUZZ_CHECK(f.any_link == f.AnyUp());
        // The cable's handle is there exactly while the cable is, and then the library has it open.
        FUZZ_CHECK((state_.handles.wired != nullptr) == f.wired_up());
        FUZZ_CHECK(!f.wired_up() || (library_ && library_->open));
        if (events_.Running(DeviceTimer::kWiredOpen)) {
            FUZZ_CHECK(library_ && !f.wired_up());
            FUZZ_CHECK(events_.timers.at(DeviceTimer::kWiredOpen) == protocol::kWiredOpenDelayMs);
        }
        for (DeviceTimer t :
             {DeviceTimer::kWatchdog24g, DeviceTimer::kWatchdog4k, DeviceTimer::kWatchdog4kB}) {
            if (events_.Running(t)) {
                FUZZ_CHECK(events_.timers.at(t) == protocol::kWatchdogMs);
            }
        }
        if (events_.link_ready > 0) {
            FUZZ_CHECK(f.link_24g || f.wired_up());
        }
        if (events_.power_unknown > 0) {
            FUZZ_CHECK(!f.wired_up());
        }
    }

    protocol::SessionState state_;
    StepEvents events_;
    std::shared_ptr<CableLibrary> library_;
    protocol::DeviceReports reports_;
    std::vector<std::unique_ptr<Profile>> originals_;
    std::vector<const Profile*> pointers_;
    int active_ = 0;
    std::unique_ptr<Profile> before_;
    std::unique_ptr<Profile> applied_before_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::sequence::Reader reader({data, size});
    Run run(reader.TakeSetup());
    while (const auto step = reader.Next()) {
        run.Play(*step);
    }
    run.Finish();
    return 0;
}
