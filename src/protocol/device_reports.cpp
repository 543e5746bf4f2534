#include "protocol/device_reports.h"

#include <ctime>

#include "platform/trace.h"
#include "protocol/settings_decode.h"

namespace talvik::protocol {

namespace {

// Battery reports carry bit 0x40 in their type; 0x50 is a report of its own without effect.
bool IsBatteryType(std::uint8_t type) {
    return (type & kBatteryBit) != 0 && type != 0x50;
}

}  // namespace

DeviceReports::DeviceReports(SessionState& state, DeviceEvents& events,
                             std::shared_ptr<VendorLibrary> vendor)
    : state_(state), events_(events), vendor_(std::move(vendor)) {}

void DeviceReports::HandleReport24g(std::uint16_t a, std::uint16_t b) {
    Handle(Source::k24g, MouseReport::FromHalves(a, b));
}

void DeviceReports::HandleReport4k(std::uint16_t a, std::uint16_t b) {
    Handle(Source::k4k, MouseReport::FromHalves(a, b));
}

void DeviceReports::HandleReport4kB(std::span<const std::uint8_t> report) {
    if (const auto r = ReportFromReceiver(report)) {
        Handle(Source::k4kB, *r);
    }
}

void DeviceReports::HandleReportBle(std::uint16_t a, std::uint16_t b) {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    const MouseReport r = MouseReport::FromHalves(a, b);
    platform::Trace("dwLeft = %04x, dwRight = %04x, %d:%d:%d\r\n", r.type << 8 | r.marker,
                    r.val_hi << 8 | r.val_lo, local.tm_hour, local.tm_min, local.tm_sec);
    Handle(Source::kBle, r);
}

void DeviceReports::OnBleNotification(std::span<const std::uint8_t> value) {
    if (value.empty()) {
        return;
    }
    if (value[0] == kBleSettingsReply) {
        OnBleReply(value);
    } else if (value[0] == 0xA2 || value[0] == 0xA9) {
        return;
    } else if (const auto r = ReportFromBle(value)) {
        HandleReportBle(r->a(), r->b());
    }
}

void DeviceReports::OnBleReply(std::span<const std::uint8_t> value) {
    profile::ProfileInfo* current = state_.current_profile;
    const auto settings = DecodeBleReply(value);
    if (current == nullptr || !settings) {
        return;
    }
    if (settings->polling) {
        StorePollingSettings(*settings->polling, *current);
    }
    if (settings->sensor) {
        StoreSensorSettings(*settings->sensor, *current);
    }
    if (settings->light) {
        StoreLightSettings(*settings->light, *current);
    }
    events_.ProfileReadBack();
    events_.SaveProfiles();
    *state_.applied_profile = *current;
    state_.force_full_apply = false;
    events_.JobFinished(JobKind::kReadBack);
}

void DeviceReports::Handle(Source source, const MouseReport& r) {
    profile::ProfileInfo* current = state_.current_profile;
    if (current == nullptr) {
        return;
    }
    // The stage switch needs no marker.
    bool stage_changed = false;
    if (r.type == kTypeDpiStage && r.val_lo >= 1 && r.val_lo <= profile::kDpiStages) {
        current->current_dpi_stage = r.val_lo - 1;
        events_.StageChanged(r.val_lo - 1, current->dpi_value[r.val_lo - 1]);
        stage_changed = true;
    }
    if (r.marker != kReportMarker) {
        return;
    }
    if (r.type == kTypePollingRate) {
        if (HandlePolling(source, r)) {
            SaveReported(false, true);
        }
        return;
    }
    if (IsBatteryType(r.type)) {
        HandleBattery(source, r);
    }
    const int b = r.b();
    if (r.type == kTypeSaveOnly && b >= 1 && b <= 5 && source != Source::k4kB) {
        SaveReported(stage_changed, false);
    } else if (stage_changed) {
        SaveReported(true, false);
    }
}

bool DeviceReports::HandlePolling(Source source, const MouseReport& r) {
    const int rate = (r.val_lo & 0x0F) - 1;
    const int high = (r.val_lo >> 4) - 1;
    // A nibble beyond the page's options is not a rate the page can show: the report is ignored.
    const bool high_ok = high >= 0 && high < kHighSpeedPollingOptions;
    const bool rate_ok = rate >= 0 && rate < kPollingOptions;
    profile::ProfileInfo& current = *state_.current_profile;
    switch (source) {
        case Source::k24g:
        case Source::k4kB:
            if (!high_ok || !rate_ok) {
                return false;
            }
            current.polling_rate = rate;
            current.polling_rate_hs = high;
            events_.PollingChanged();
            return true;
        case Source::k4k:
            if (!high_ok) {
                return false;
            }
            current.polling_rate_hs = high;
            events_.PollingChanged();
            return true;
        case Source::kBle:
            return false;
    }
    return false;
}

void DeviceReports::HandleBattery(Source source, const MouseReport& r) {
    switch (source) {
        case Source::k24g:
            events_.StartTimer(DeviceTimer::kWatchdog24g, kWatchdogMs);
            break;
        case Source::k4k:
            events_.StartTimer(DeviceTimer::kWatchdog4k, kWatchdogMs);
            break;
        case Source::k4kB:
            events_.StartTimer(DeviceTimer::kWatchdog4kB, kWatchdogMs);
            break;
        case Source::kBle:
            break;
    }
    const bool wired = state_.links.flags().wired_up();
    if (r.val_lo == kBatteryFull) {
        if (source != Source::kBle) {
            KeepLink(source, !wired);
        }
        events_.BatteryFull();
    } else if (r.val_lo == kBatteryCharging) {
        events_.BatteryCharging();
        if (source == Source::k4k) {
            KeepLink(source, true);
        } else if (source != Source::kBle) {
            KeepLink(source, !wired);
        }
    } else {
        if (source != Source::kBle) {
            KeepLink(source, true);
        }
        const int low = source == Source::kBle ? 0 : 1;
        const bool valid = r.val_hi >= low && r.val_hi <= 100;
        events_.BatteryLevel(valid ? std::optional<int>(r.val_hi) : std::nullopt);
    }
}

void DeviceReports::KeepLink(Source source, bool up) {
    switch (source) {
        case Source::k24g:
            if (!up || !state_.links.flags().link_24g) {
                SetLink24g(up);
            }
            break;
        case Source::k4k:
            SetLink4k(up);
            break;
        case Source::k4kB:
            SetLink4kB(up);
            break;
        case Source::kBle:
            break;
    }
}

// The mouse reported its own stage or polling rate: it has them now, so the last-applied copy
// takes exactly those, and edits not yet sent stay pending.
void DeviceReports::SaveReported(bool stage, bool polling) {
    const profile::ProfileInfo& current = *state_.current_profile;
    profile::ProfileInfo& applied = *state_.applied_profile;
    if (stage) {
        applied.current_dpi_stage = current.current_dpi_stage;
    }
    if (polling) {
        applied.polling_rate = current.polling_rate;
        applied.polling_rate_hs = current.polling_rate_hs;
    }
    events_.SaveProfiles();
}

bool DeviceReports::AnyReceiverOrBle() const {
    const LinkFlags& f = state_.links.flags();
    return f.link_24g || f.link_4k || f.link_4k_b || f.ble;
}

void DeviceReports::SetLink24g(bool up) {
    if (!state_.links.Set(Link::k24g, up)) {
        return;
    }
    const LinkFlags& f = state_.links.flags();
    if (f.link_24g && !f.ble && !f.wired_up()) {
        events_.LinkReady();
    }
}

void DeviceReports::SetLink4k(bool up) {
    state_.links.Set(Link::k4k, up);
}

void DeviceReports::SetLink4kB(bool up) {
    state_.links.Set(Link::k4kB, up);
}

void DeviceReports::SetBleLink(bool up) {
    if (up) {
        // The mouse is on Bluetooth: the receivers' links end, their watchdogs stop.
        SetLink24g(false);
        SetLink4k(false);
        SetLink4kB(false);
        for (DeviceTimer t :
             {DeviceTimer::kWatchdog24g, DeviceTimer::kWatchdog4k, DeviceTimer::kWatchdog4kB}) {
            events_.StopTimer(t);
        }
        events_.BatteryFull();
    }
    state_.links.Set(Link::kBle, up);
}

void DeviceReports::OnDriverEvent(std::uint32_t code) {
    const std::uint32_t upper = code >> 16;
    const std::uint32_t lower = code & 0xFFFF;
    if (upper == 0x7F00 && lower == 1) {
        if (state_.links.flags().wired_up() || vendor_ == nullptr) {
            return;
        }
        // The device needs a moment after it appears; a timer waits for it, not the UI thread.
        wired_open_pending_ = true;
        events_.StartTimer(DeviceTimer::kWiredOpen, kWiredOpenDelayMs);
    } else if (upper == 0x7F00 && lower == 2) {
        wired_open_pending_ = false;
        events_.StopTimer(DeviceTimer::kWiredOpen);
        if (state_.links.flags().wired == WiredState::kUnplugged) {
            return;
        }
        // A job that already holds the handle finishes with it; later jobs find no cable.
        state_.handles.wired.reset();
        if (vendor_ != nullptr) {
            vendor_->CloseFeatureDevice();
        }
        state_.links.Set(Link::kWired, false);
        events_.PowerUnknown();
    } else if (const auto report = ReportFromDriverEvent(code)) {
        HandleReport24g(report->a(), report->b());
    }
}

void DeviceReports::FinishWiredArrival() {
    if (!wired_open_pending_ || state_.links.flags().wired_up() || vendor_ == nullptr) {
        return;
    }
    wired_open_pending_ = false;
    if (!vendor_->OpenFeatureDevice()) {
        platform::Trace("wired mouse arrived but could not be opened");
        return;
    }
    state_.handles.wired = vendor_;
    state_.links.Set(Link::kWired, true);
    events_.BatteryCharging();
    SetLink24g(false);
    SetLink4k(false);
    if (!AnyReceiverOrBle()) {
        events_.LinkReady();
    }
}

void DeviceReports::OnTimer(DeviceTimer timer) {
    switch (timer) {
        case DeviceTimer::kWatchdog24g:
            events_.StopTimer(timer);
            SetLink24g(false);
            break;
        case DeviceTimer::kWatchdog4k:
            events_.StopTimer(timer);
            SetLink4k(false);
            break;
        case DeviceTimer::kWatchdog4kB:
            events_.StopTimer(timer);
            SetLink4kB(false);
            break;
        case DeviceTimer::kWiredOpen:
            events_.StopTimer(timer);
            FinishWiredArrival();
            break;
    }
}

}  // namespace talvik::protocol
