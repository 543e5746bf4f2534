#include "protocol/device_reports.h"

#include <cstdio>
#include <ctime>
#include <string>

#include "platform/messages.h"
#include "platform/trace.h"
#include "protocol/page_timers.h"
#include "protocol/settings_decode.h"

namespace talvik::protocol {

namespace {

constexpr char kWireless24g[] = "ms_5_wireless";
constexpr char kWireless4k[] = "ms_5_wireless_4k";
constexpr char kWired[] = "ms_5_wired";
constexpr char kProgressPower[] = "ms_5_progress_power";
constexpr char kLabelPower[] = "ms_5_label_power";
constexpr char kChargingText[] = "charging_text";
constexpr int kOsdDpi = 4;

std::string Numbered(const char* format, int n) {
    char name[64];
    std::snprintf(name, sizeof name, format, n);
    return name;
}

std::string Percent(int level) {
    char text[16];
    std::snprintf(text, sizeof text, "%d%%", level);
    return text;
}

// Battery reports carry bit 0x40 in their type; 0x50 is a report of its own without effect.
bool IsBatteryType(std::uint8_t type) {
    return (type & kBatteryBit) != 0 && type != 0x50;
}

}  // namespace

DeviceReports::DeviceReports(page::PageState& state, page::PageView& view,
                             std::shared_ptr<VendorLibrary> vendor)
    : state_(state), view_(view), vendor_(std::move(vendor)) {}

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
    view_.RefreshFromProfile();
    view_.SaveStore();
    *state_.applied_profile = *current;
    state_.force_full_apply = false;
    view_.SetVisible("query_ring", false);
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
        view_.Select(Numbered("ms_5_option_dpi_step_%d", r.val_lo));
        view_.Post(msg::WM_MS5_DPI_OSD, kOsdDpi,
                   static_cast<std::intptr_t>(current->dpi_value[r.val_lo - 1]));
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
            view_.Select(Numbered("ms_5_btn_prate_%d", rate + 1));
            view_.Select(Numbered("ms_5_btn_prate_hs_%d", high + 1));
            return true;
        case Source::k4k:
            if (!high_ok) {
                return false;
            }
            current.polling_rate_hs = high;
            view_.Select(Numbered("ms_5_btn_prate_hs_%d", high + 1));
            return true;
        case Source::kBle:
            return false;
    }
    return false;
}

void DeviceReports::HandleBattery(Source source, const MouseReport& r) {
    const int watchdog = source == Source::k24g   ? kTimerWatchdog24g
                         : source == Source::k4k  ? kTimerWatchdog4k
                         : source == Source::k4kB ? kTimerWatchdog4kB
                                                  : 0;
    if (watchdog != 0) {
        view_.KillTimer(watchdog);
        view_.SetTimer(watchdog, kWatchdogMs);
    }
    const bool wired = state_.links.wired_up();
    if (r.val_lo == kBatteryFull) {
        if (source != Source::kBle) {
            KeepLink(source, !wired);
        }
        view_.KillTimer(kTimerChargeAnimation);
        ShowLevel(100);
    } else if (r.val_lo == kBatteryCharging) {
        view_.SetTimer(kTimerChargeAnimation, kChargeAnimationMs);
        view_.SetText(kLabelPower, view_.LanguageText(kChargingText));
        if (source == Source::k4k) {
            KeepLink(source, true);
        } else if (source != Source::kBle) {
            KeepLink(source, !wired);
        }
    } else {
        view_.KillTimer(kTimerChargeAnimation);
        if (source != Source::kBle) {
            KeepLink(source, true);
        }
        const int low = source == Source::kBle ? 0 : 1;
        if (r.val_hi >= low && r.val_hi <= 100) {
            ShowLevel(r.val_hi);
        }
    }
}

void DeviceReports::KeepLink(Source source, bool up) {
    switch (source) {
        case Source::k24g:
            if (!up || !state_.links.link_24g) {
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

void DeviceReports::ShowLevel(int level) {
    view_.SetProgress(kProgressPower, level);
    view_.SetText(kLabelPower, Percent(level));
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
    view_.SaveStore();
}

bool DeviceReports::AnyReceiverOrBle() const {
    const LinkFlags& f = state_.links;
    return f.link_24g || f.link_4k || f.link_4k_b || f.ble;
}

// Every link counts, 4K B included, so that the device tab never disappears while the mouse is
// still connected on it.
void DeviceReports::UpdateAnyLink() {
    state_.links.any_link = state_.links.wired_up() || AnyReceiverOrBle();
    view_.Post(msg::WM_MS5_DEVICE_STATE, 0, 0);
}

void DeviceReports::SetLink24g(bool up) {
    LinkFlags& f = state_.links;
    if (f.link_24g == up) {
        return;
    }
    f.link_24g = up;
    view_.SetVisible(kWireless24g, up);
    RefreshModeControls();
    UpdateAnyLink();
    if (f.link_24g && !f.ble && !f.wired_up()) {
        view_.Post(msg::WM_MS5_LINK_READY, 1, 0);
    }
}

void DeviceReports::SetLink4k(bool up) {
    if (state_.links.link_4k == up) {
        return;
    }
    state_.links.link_4k = up;
    view_.SetVisible(kWireless4k, up || state_.links.link_4k_b);
    RefreshModeControls();
    UpdateAnyLink();
}

void DeviceReports::SetLink4kB(bool up) {
    if (state_.links.link_4k_b == up) {
        return;
    }
    state_.links.link_4k_b = up;
    view_.SetVisible(kWireless4k, up || state_.links.link_4k);
    RefreshModeControls();
    UpdateAnyLink();
}

void DeviceReports::RefreshModeControls() {
    view_.UpdateLightControls();
    const LinkFlags& f = state_.links;
    if (f.wired_up() || f.link_24g || f.link_4k || f.link_4k_b) {
        view_.SetChecked("ms_5_check_prate", false);
        view_.SetVisible("ms_5_check_prate", true);
        view_.SetVisible("ms_5_check_key_debounce", true);
        view_.SetVisible("ms_5_ver_prate", false);
        view_.SetVisible("ms_5_ver_prate_hs", false);
    } else if (f.ble) {
        // The polling rate is not sent over Bluetooth LE.
        view_.SetChecked("ms_5_check_prate", false);
        view_.SetVisible("ms_5_check_prate", false);
        view_.SetVisible("ms_5_ver_prate", false);
        view_.SetVisible("ms_5_ver_prate_hs", false);
        view_.SetChecked("ms_5_check_key_debounce", false);
        view_.SetVisible("ms_5_check_key_debounce", false);
        view_.SetVisible("ms_5_hor_key_debounce", false);
    }
}

void DeviceReports::OnDriverEvent(std::uint32_t code) {
    const std::uint32_t upper = code >> 16;
    const std::uint32_t lower = code & 0xFFFF;
    LinkFlags& f = state_.links;
    if (upper == 0x7F00 && lower == 1) {
        if (f.wired_up() || vendor_ == nullptr) {
            return;
        }
        // The device needs a moment after it appears; a timer waits for it, not the UI thread.
        wired_open_pending_ = true;
        view_.SetTimer(kTimerWiredOpen, kWiredOpenDelayMs);
    } else if (upper == 0x7F00 && lower == 2) {
        wired_open_pending_ = false;
        view_.KillTimer(kTimerWiredOpen);
        if (f.wired == WiredState::kUnplugged) {
            return;
        }
        f.wired = WiredState::kUnplugged;
        // A job that already holds the handle finishes with it; later jobs find no cable.
        state_.handles.wired.reset();
        if (vendor_ != nullptr) {
            vendor_->CloseFeatureDevice();
        }
        view_.SetVisible(kWired, false);
        RefreshModeControls();
        view_.SetText(kLabelPower, "");
        view_.KillTimer(kTimerChargeAnimation);
        if (!AnyReceiverOrBle()) {
            f.any_link = false;
            view_.Post(msg::WM_MS5_DEVICE_STATE, 0, 0);
        }
    } else if (const auto report = ReportFromDriverEvent(code)) {
        HandleReport24g(report->a(), report->b());
    }
}

void DeviceReports::FinishWiredArrival() {
    LinkFlags& f = state_.links;
    if (!wired_open_pending_ || f.wired_up() || vendor_ == nullptr) {
        return;
    }
    wired_open_pending_ = false;
    if (!vendor_->OpenFeatureDevice()) {
        platform::Trace("wired mouse arrived but could not be opened");
        return;
    }
    f.wired = WiredState::kConnected;
    state_.handles.wired = vendor_;
    view_.SetVisible(kWired, true);
    RefreshModeControls();
    state_.charge_animation = 0;
    view_.SetText(kLabelPower, view_.LanguageText(kChargingText));
    SetLink24g(false);
    SetLink4k(false);
    view_.SetTimer(kTimerChargeAnimation, kChargeAnimationMs);
    if (!AnyReceiverOrBle()) {
        f.any_link = true;
        view_.Post(msg::WM_MS5_DEVICE_STATE, 0, 0);
        view_.Post(msg::WM_MS5_LINK_READY, 1, 0);
    }
}

bool DeviceReports::OnPageTimer(int id) {
    switch (id) {
        case kTimerWatchdog24g:
            view_.KillTimer(id);
            SetLink24g(false);
            return true;
        case kTimerApplyDelay:
            view_.KillTimer(id);
            view_.Post(msg::WM_MS5_POST_WORKER, 0, 0);
            return true;
        case kTimerChargeAnimation:
            view_.SetProgress(kProgressPower, state_.charge_animation);
            state_.charge_animation += 2;
            if (state_.charge_animation > 100) {
                state_.charge_animation = 0;
            }
            return true;
        case kTimerWatchdog4k:
            view_.KillTimer(id);
            SetLink4k(false);
            return true;
        case kTimerWatchdog4kB:
            view_.KillTimer(id);
            SetLink4kB(false);
            return true;
        case kTimerWiredOpen:
            view_.KillTimer(id);
            FinishWiredArrival();
            return true;
        default:
            return false;
    }
}

}  // namespace talvik::protocol
