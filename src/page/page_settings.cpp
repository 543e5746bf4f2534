// The page's setting controls: DPI stages, options, light, sliders, sections.
#include <array>

#include "macro/key_codes.h"
#include "page/page_controller.h"
#include "page/page_texts.h"
#include "page/page_timers.h"
#include "profile/profile_defaults.h"
#include "protocol/settings_decode.h"

namespace talvik::page {

namespace {

using toolkit::NotifyType;
using Field = int profile::ProfileInfo::*;

constexpr int kMinDpi = 50;
constexpr int kMaxDpi = 26000;

// Check box and the container it opens.
struct Section {
    const char* box;
    const char* container;
    bool scrolls;  // opening it scrolls the settings column to it
};
constexpr std::array<Section, 13> kSections = {{
    {"ms_5_check_button", "ms_5_hor_button", false},
    {"ms_5_check_profile", "ms_5_ver_profile", false},
    {"ms_5_check_power", "ms_5_ver_power", false},
    {"ms_5_check_dpi", "ms_5_ver_dpi", false},
    {"ms_5_check_light", "ms_5_ver_light", false},
    {"ms_5_check_prate", nullptr, false},
    {"ms_5_check_mouse_attribute", "ms_5_ver_mouse_attribute", false},
    {"ms_5_check_power_setting", "ms_5_ver_power_setting", true},
    {"ms_5_check_lift_of_distance", "ms_5_hor_lift_of_distance", true},
    {"ms_5_check_key_debounce", "ms_5_hor_key_debounce", true},
    {"ms_5_check_ripple_control", "ms_5_hor_ripple_control", true},
    {"ms_5_check_angle_snap", "ms_5_hor_angle_snap", true},
    {"ms_5_check_motion_sync", "ms_5_hor_motion_sync", true},
}};

}  // namespace

void PageController::AddSettingRoutes() {
    // DPI stages.
    routes_.Add("ms_5_btn_reset_dpi", NotifyType::kClick, [this](int, intptr_t) { ResetDpi(); });
    routes_.Add(
        "ms_5_option_dpi_step_%d", NotifyType::kSelectChanged,
        [this](int n, intptr_t) { SetOption(&profile::ProfileInfo::current_dpi_stage, n - 1); },
        profile::kDpiStages);
    routes_.Add(
        "ms_5_slider_dpi_%d", NotifyType::kValueChanged,
        [this](int n, intptr_t value) { OnDpiSlider(n, static_cast<int>(value)); },
        profile::kDpiStages);
    for (NotifyType commit : {NotifyType::kKillFocus, NotifyType::kReturn}) {
        routes_.Add(
            "ms_5_edit_dpi_%d", commit, [this](int n, intptr_t) { CommitDpiEdit(n); },
            profile::kDpiStages);
    }
    routes_.Add(
        "ms_5_edit_dpi_%d", NotifyType::kTextChanged, [this](int n, intptr_t) { FilterDpiEdit(n); },
        profile::kDpiStages);
    routes_.Add(
        "ms_5_btn_dpi_color_%d", NotifyType::kClick,
        [this](int n, intptr_t) {
            PickColor(Numbered("ms_5_btn_dpi_color_", n), Current().dpi_color[n - 1]);
        },
        profile::kDpiStages);

    // Options of one group each.
    const std::array<std::tuple<const char*, Field, int>, 6> options = {{
        {"ms_5_btn_prate_%d", &profile::ProfileInfo::polling_rate, 4},
        {"ms_5_btn_prate_hs_%d", &profile::ProfileInfo::polling_rate_hs, 7},
        {"ms_5_option_lift_of_distance_%d", &profile::ProfileInfo::lift_off_distance, 2},
        {"ms_5_option_ripple_control_%d", &profile::ProfileInfo::ripple_control, 2},
        {"ms_5_option_angle_snap_%d", &profile::ProfileInfo::angle_snap, 2},
        {"ms_5_option_motion_sync_%d", &profile::ProfileInfo::motion_sync, 2},
    }};
    for (const auto& [name, field, count] : options) {
        routes_.Add(
            name, NotifyType::kSelectChanged,
            [this, field = field](int n, intptr_t) { SetOption(field, n - 1); }, count);
    }

    // Light.
    routes_.Add("ms_5_combo_light", NotifyType::kItemSelect, [this](int, intptr_t index) {
        if (index < 0 || index > protocol::kMaxLightMode) {
            return;
        }
        Current().light_mode = static_cast<int>(index);
        view_.UpdateLightControls(Current().light_mode);
        RequestApplyAfter(kLightEffectDelayMs);
    });
    routes_.Add("ms_5_btn_light_color", NotifyType::kClick, [this](int, intptr_t) {
        PickColor("ms_5_btn_light_color", Current().light_color);
    });
    for (const char* slider :
         {"ms_5_slider_brightness", "ms_5_slider_breathspeed", "ms_5_slider_sleep_timer",
          "ms_5_slider_light_off", "ms_5_slider_key_debounce"}) {
        routes_.Add(slider, NotifyType::kValueChanged, [this, slider](int, intptr_t value) {
            OnSlider(slider, static_cast<int>(value));
        });
    }

    // Sections, mouse attributes.
    for (const Section& section : kSections) {
        routes_.Add(section.box, NotifyType::kCheckClick,
                    [this, box = section.box](int, intptr_t checked) {
                        OnSectionCheck(box, checked != 0);
                    });
    }
    routes_.Add("ms_5_check_movemode", NotifyType::kCheckClick, [this](int, intptr_t checked) {
        Current().move_mode = checked != 0 ? 1 : 0;
        RequestApply();
    });
    routes_.Add("ms_5_btn_mouse_attribute", NotifyType::kClick,
                [this](int, intptr_t) { OpenMouseSettings(); });
}

void PageController::SetOption(Field field, int value) {
    Current().*field = value;
    RequestApply();
}

void PageController::ResetDpi() {
    const auto defaults = profile::CreateProfile();
    profile::ProfileInfo& p = Current();
    p.current_dpi_stage = defaults->current_dpi_stage;
    std::copy(std::begin(defaults->dpi_value), std::end(defaults->dpi_value), p.dpi_value);
    std::copy(std::begin(defaults->dpi_value_y), std::end(defaults->dpi_value_y), p.dpi_value_y);
    std::copy(std::begin(defaults->dpi_enabled), std::end(defaults->dpi_enabled), p.dpi_enabled);
    std::copy(std::begin(defaults->dpi_color), std::end(defaults->dpi_color), p.dpi_color);
    RefreshFromProfile();
    RequestApply();
}

void PageController::PickColor(std::string_view button, profile::ColorValue& field) {
    const std::optional<profile::ColorValue> picked = dialogs_.PickColor(button, field);
    if (!picked) {
        return;
    }
    field = *picked;
    RefreshFromProfile();
    RequestApply();
}

void PageController::OnSlider(std::string_view slider, int value) {
    profile::ProfileInfo& p = Current();
    if (slider == "ms_5_slider_brightness") {
        p.brightness = value;
    } else if (slider == "ms_5_slider_breathspeed") {
        p.breath_speed = value;
    } else if (slider == "ms_5_slider_sleep_timer") {
        p.sleep_timer = value;
        view_.SetText("ms_5_label_sleep_timer", SleepTimerText(view_, value));
    } else if (slider == "ms_5_slider_light_off") {
        p.light_off_time = value;
        view_.SetText("ms_5_label_light_off", LightOffText(view_, value));
    } else if (slider == "ms_5_slider_key_debounce") {
        p.key_debounce = value;
        view_.SetText("ms_5_label_key_debounce", DebounceText(value));
    }
    RequestApplyAfter(kApplyDelayMs);
}

// A dragged DPI reaches the mouse with the next apply, not on every step of the drag.
void PageController::OnDpiSlider(int stage, int value) {
    Current().dpi_value[stage - 1] = value;
    view_.SetText(Numbered("ms_5_label_dpi_", stage), DpiText(value));
    view_.SetText(Numbered("ms_5_edit_dpi_", stage), DpiText(value));
}

void PageController::CommitDpiEdit(int stage) {
    const std::string edit = Numbered("ms_5_edit_dpi_", stage);
    const int typed = LeadingNumber(view_.Text(edit), kMaxDpi);
    const int dpi = typed < kMinDpi + 1 ? kMinDpi : typed;
    const int value = dpi / 50;
    Current().dpi_value[stage - 1] = value;
    view_.SetValue(Numbered("ms_5_slider_dpi_", stage), value);
    view_.SetText(Numbered("ms_5_label_dpi_", stage), DpiText(value));
    view_.SetText(edit, DpiText(value));
}

void PageController::FilterDpiEdit(int stage) {
    const std::string edit = Numbered("ms_5_edit_dpi_", stage);
    if (const std::optional<std::string> digits = macro::FilterDigits(view_.Text(edit))) {
        view_.SetText(edit, *digits);
    }
}

void PageController::OnSectionCheck(std::string_view box, bool checked) {
    for (const Section& section : kSections) {
        if (box != section.box) {
            continue;
        }
        if (section.container == nullptr) {  // the rate options that fit the links
            view_.UpdateModeControls(state_.links.flags());
            return;
        }
        view_.SetVisible(section.container, checked);
        if (checked && section.scrolls) {
            opened_section_ = section.container;
            window_.SetTimer(kTimerScrollSettings, kScrollSettingsMs);
        }
        return;
    }
}

void PageController::OpenMouseSettings() {
    if (!dialogs_.OpenMouseSettings()) {
        dialogs_.Warn("no_mouse_settings_text");
    }
}

}  // namespace talvik::page
