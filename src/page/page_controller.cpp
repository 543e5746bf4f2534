#include "page/page_controller.h"

#include "page/page_texts.h"
#include "page/page_timers.h"
#include "platform/trace.h"

namespace talvik::page {

namespace {

// WM_MS5_DPI_OSD: the kind that carries a DPI value, in units of 50.
constexpr std::uintptr_t kOsdDpi = 4;

}  // namespace

PageController::PageController(protocol::SessionState& state, PageView& view, PageDialogs& dialogs,
                               ButtonDialogs& buttons, ProfileFiles& files,
                               platform::MessageTarget& window, MacroWindows& macro_windows)
    : state_(state),
      view_(view),
      dialogs_(dialogs),
      buttons_(buttons),
      files_(files),
      window_(window),
      macro_windows_(macro_windows) {
    using toolkit::NotifyType;
    auto apply = [this](int, intptr_t) { RequestApply(); };
    routes_.Add("ms_5_apply_btn", NotifyType::kClick, apply);
    routes_.Add("ms_5_btn_apply_dpi", NotifyType::kClick, apply);
    AddProfileRoutes();
    AddSettingRoutes();
    AddButtonRoutes();
    AddMacroRoutes();
}

void PageController::Notify(toolkit::NotifyType type, std::string_view sender, intptr_t wparam) {
    if (state_.current_profile == nullptr) {
        return;  // nothing loaded yet
    }
    routes_.Dispatch(type, sender, wparam);
}

void PageController::RequestApply() {
    window_.Post(msg::WM_MS5_POST_WORKER, 0, 0);
}

// Restarting the timer makes a burst of changes send once, after the last one.
void PageController::RequestApplyAfter(int ms) {
    window_.KillTimer(kTimerApplyDelay);
    window_.SetTimer(kTimerApplyDelay, ms);
}

bool PageController::OnTimer(int id) {
    switch (id) {
        case kTimerApplyDelay:
            window_.KillTimer(id);
            RequestApply();
            return true;
        case kTimerScrollSettings:
            window_.KillTimer(id);
            if (!opened_section_.empty()) {
                view_.ScrollIntoView(opened_section_);
            }
            return true;
        case kTimerChargeAnimation:
            view_.SetValue("ms_5_progress_power", charge_animation_);
            charge_animation_ += 2;
            if (charge_animation_ > 100) {
                charge_animation_ = 0;
            }
            return true;
        default:
            return false;
    }
}

void PageController::ShowProfiles() {
    std::vector<std::u16string> names;
    names.reserve(state_.profiles.size());
    for (const auto& p : state_.profiles) {
        names.emplace_back(p->name);
    }
    view_.SetProfileRows(names, state_.active_profile_index);
    RefreshFromProfile();
}

void PageController::RefreshFromProfile() {
    if (state_.current_profile != nullptr) {
        view_.Refresh(*state_.current_profile, state_.links.flags());
    } else {
        view_.UpdateModeControls(state_.links.flags());
    }
}

void PageController::SetShown(bool shown) {
    shown_ = shown;
    if (!charging_) {
        return;
    }
    if (shown) {
        window_.SetTimer(kTimerChargeAnimation, kChargeAnimationMs);
    } else {
        window_.KillTimer(kTimerChargeAnimation);
    }
}

void PageController::StageChanged(int stage, int dpi) {
    view_.Select(Numbered("ms_5_option_dpi_step_", stage + 1));
    window_.Post(msg::WM_MS5_DPI_OSD, kOsdDpi, dpi);
}

void PageController::PollingChanged() {
    const profile::ProfileInfo& p = Current();
    view_.Select(Numbered("ms_5_btn_prate_", p.polling_rate + 1));
    view_.Select(Numbered("ms_5_btn_prate_hs_", p.polling_rate_hs + 1));
}

void PageController::ShowPower(int percent) {
    view_.SetValue("ms_5_progress_power", percent);
    view_.SetText("ms_5_label_power", std::to_string(percent) + "%");
}

void PageController::StopChargeAnimation() {
    charging_ = false;
    window_.KillTimer(kTimerChargeAnimation);
}

void PageController::TellPower(PowerState::Source source, std::optional<int> level) {
    power_.source = source;
    if (level || source != PowerState::Source::kBattery) {
        power_.level = level;  // an invalid level on the battery keeps the last one
    }
    if (power_listener_ != nullptr) {
        power_listener_->PowerChanged(power_);
    }
}

void PageController::BatteryFull() {
    StopChargeAnimation();
    ShowPower(100);
    TellPower(PowerState::Source::kFull, 100);
}

void PageController::BatteryCharging() {
    view_.SetText("ms_5_label_power", view_.LanguageText("charging_text"));
    TellPower(PowerState::Source::kCharging, std::nullopt);
    if (charging_) {
        return;
    }
    charging_ = true;
    charge_animation_ = 0;
    if (shown_) {
        window_.SetTimer(kTimerChargeAnimation, kChargeAnimationMs);
    }
}

void PageController::BatteryLevel(std::optional<int> percent) {
    StopChargeAnimation();
    if (percent) {
        ShowPower(*percent);
    }
    TellPower(PowerState::Source::kBattery, percent);
}

void PageController::PowerUnknown() {
    StopChargeAnimation();
    view_.SetText("ms_5_label_power", "");
    TellPower(PowerState::Source::kUnknown, std::nullopt);
}

void PageController::LinksChanged(const protocol::LinkFlags& flags) {
    view_.SetVisible("ms_5_wired", flags.wired_up());
    view_.SetVisible("ms_5_wireless", flags.link_24g);
    view_.SetVisible("ms_5_wireless_4k", flags.link_4k || flags.link_4k_b);
    view_.SetVisible("ms_5_BLE", flags.ble);
    // The rate sections close when the link changes, since their options depend on it; without a
    // receiver or cable there is no debounce either.
    view_.SetChecked("ms_5_check_prate", false);
    const bool receiver_or_cable =
        flags.wired_up() || flags.link_24g || flags.link_4k || flags.link_4k_b;
    if (flags.ble && !receiver_or_cable) {
        view_.SetChecked("ms_5_check_key_debounce", false);
    }
    view_.UpdateModeControls(flags);
    window_.Post(msg::WM_MS5_DEVICE_STATE, 0, 0);
    power_.links = flags;
    if (!flags.AnyUp()) {
        TellPower(PowerState::Source::kUnknown, std::nullopt);  // nothing to report on
    } else if (power_listener_ != nullptr) {
        power_listener_->PowerChanged(power_);
    }
}

void PageController::LinkReady() {
    window_.Post(msg::WM_MS5_LINK_READY, 1, 0);
}

void PageController::JobStarted(protocol::JobKind kind) {
    view_.SetVisible(kind == protocol::JobKind::kApply ? "apply_ring" : "query_ring", true);
}

void PageController::JobFinished(protocol::JobKind kind) {
    view_.SetVisible(kind == protocol::JobKind::kApply ? "apply_ring" : "query_ring", false);
}

void PageController::ProfileReadBack() {
    RefreshFromProfile();
}

void PageController::SaveProfiles() {
    files_.SaveProfiles();
}

int PageController::TimerId(protocol::DeviceTimer timer) {
    switch (timer) {
        case protocol::DeviceTimer::kWatchdog24g:
            return kTimerWatchdog24g;
        case protocol::DeviceTimer::kWatchdog4k:
            return kTimerWatchdog4k;
        case protocol::DeviceTimer::kWatchdog4kB:
            return kTimerWatchdog4kB;
        case protocol::DeviceTimer::kWiredOpen:
            return kTimerWiredOpen;
    }
    return 0;
}

std::optional<protocol::DeviceTimer> PageController::DeviceTimerOf(int id) {
    for (auto t : {protocol::DeviceTimer::kWatchdog24g, protocol::DeviceTimer::kWatchdog4k,
                   protocol::DeviceTimer::kWatchdog4kB, protocol::DeviceTimer::kWiredOpen}) {
        if (TimerId(t) == id) {
            return t;
        }
    }
    return std::nullopt;
}

void PageController::StartTimer(protocol::DeviceTimer timer, int period_ms) {
    window_.KillTimer(TimerId(timer));
    window_.SetTimer(TimerId(timer), period_ms);
}

void PageController::StopTimer(protocol::DeviceTimer timer) {
    window_.KillTimer(TimerId(timer));
}

}  // namespace talvik::page
