#include "page/page_controls.h"

#include <QAbstractButton>
#include <QAbstractSlider>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QSignalBlocker>

#include "app/toolkit/toolkit.h"
#include "app/toolkit/window.h"
#include "profile/button_function.h"
#include "profile/profile_record.h"
#include "protocol/links.h"

namespace talvik::page {

namespace {

QString Name(std::string_view name) {
    return QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size()));
}

std::string Numbered(const char* stem, int n) {
    return std::string(stem) + std::to_string(n);
}

}  // namespace

QWidget* PageControls::Control(std::string_view name) const {
    return window_.Find<QWidget>(Name(name));
}

QString PageControls::Text(const char* key) const {
    return window_.toolkit().Text(QString::fromLatin1(key));
}

void PageControls::SetVisible(std::string_view control, bool visible) {
    if (QWidget* widget = Control(control)) {
        widget->setVisible(visible);
    }
}

void PageControls::Select(std::string_view control) {
    if (auto* option = qobject_cast<QAbstractButton*>(Control(control))) {
        window_.SetOptionSelected(option, true, false);
    }
}

void PageControls::SetChecked(std::string_view control, bool checked) {
    if (auto* box = qobject_cast<QAbstractButton*>(Control(control))) {
        const QSignalBlocker block(box);
        box->setChecked(checked);
    }
}

void PageControls::SetProgress(std::string_view control, int value) {
    if (auto* bar = qobject_cast<QProgressBar*>(Control(control))) {
        bar->setValue(std::clamp(value, bar->minimum(), bar->maximum()));
    } else if (auto* slider = qobject_cast<QAbstractSlider*>(Control(control))) {
        const QSignalBlocker block(slider);
        slider->setValue(value);
    }
}

void PageControls::SetText(std::string_view control, const QString& text) {
    QWidget* widget = Control(control);
    if (auto* label = qobject_cast<QLabel*>(widget)) {
        label->setText(text);
    } else if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
        edit->setText(text);
    } else if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
        button->setText(text);
    }
}

void PageControls::SetSwatch(std::string_view control, std::uint32_t stored_color) {
    if (QWidget* widget = Control(control)) {
        const std::uint32_t rgb = profile::ColorToScreen(stored_color) & 0xFFFFFF;
        widget->setStyleSheet(
            QStringLiteral("background-color: #%1;").arg(rgb, 6, 16, QLatin1Char('0')));
    }
}

void PageControls::ApplyItemTexts() {
    const QList<QComboBox*> combos = window_.Widget()->findChildren<QComboBox*>();
    for (QComboBox* combo : combos) {
        const QStringList keys = combo->property("langItemKeys").toStringList();
        const QSignalBlocker block(combo);
        for (int i = 0; i < keys.size() && i < combo->count(); ++i) {
            combo->setItemText(i, window_.toolkit().Text(keys[i]));
        }
    }
}

void PageControls::UpdateLightControls(int light_mode) {
    const bool brightness = light_mode == 1 || light_mode == 5;
    const bool speed = light_mode == 2 || light_mode == 3 || light_mode == 4 ||
                       (light_mode >= 6 && light_mode <= 11);
    const bool colour = light_mode == 1 || light_mode == 2;
    SetVisible("ms_5_ver_brightness", brightness);
    SetVisible("ms_5_ver_breathspeed", speed);
    SetVisible("ms_5_hor_light_color", colour);
}

void PageControls::UpdateModeControls(const protocol::LinkFlags& links) {
    const bool low_rate = links.wired_up() || links.link_24g;
    const bool high_rate = links.link_4k || links.link_4k_b;
    const bool ble_only = links.ble && !low_rate && !high_rate;
    auto* prate = qobject_cast<QAbstractButton*>(Control("ms_5_check_prate"));
    const bool open = prate != nullptr && prate->isChecked();
    SetVisible("ms_5_check_prate", !ble_only);
    SetVisible("ms_5_ver_prate", open && low_rate && !high_rate);
    SetVisible("ms_5_ver_prate_hs", open && high_rate);
    SetVisible("ms_5_check_key_debounce", !ble_only);
    auto* debounce = qobject_cast<QAbstractButton*>(Control("ms_5_check_key_debounce"));
    SetVisible("ms_5_hor_key_debounce", !ble_only && debounce != nullptr && debounce->isChecked());
}

void PageControls::Refresh(const profile::ProfileInfo* p, const protocol::LinkFlags& links) {
    UpdateLightControls(p != nullptr ? p->light_mode : 0);
    UpdateModeControls(links);
    if (p == nullptr) {
        return;
    }
    Select(Numbered("ms_5_option_dpi_step_", p->current_dpi_stage + 1));
    for (int k = 0; k < profile::kDpiStages; ++k) {
        const QString dpi = QString::number(p->dpi_value[k] * 50);
        SetProgress(Numbered("ms_5_slider_dpi_", k + 1), p->dpi_value[k]);
        SetText(Numbered("ms_5_label_dpi_", k + 1), dpi);
        SetText(Numbered("ms_5_edit_dpi_", k + 1), dpi);
        SetSwatch(Numbered("ms_5_btn_dpi_color_", k + 1), p->dpi_color[k]);
    }
    if (auto* combo = qobject_cast<QComboBox*>(Control("ms_5_combo_light"))) {
        const QSignalBlocker block(combo);
        combo->setCurrentIndex(p->light_mode);
    }
    SetProgress("ms_5_slider_brightness", p->brightness);
    SetProgress("ms_5_slider_breathspeed", p->breath_speed);
    SetSwatch("ms_5_btn_light_color", p->light_color);
    Select(Numbered("ms_5_btn_prate_", p->polling_rate + 1));
    Select(Numbered("ms_5_btn_prate_hs_", p->polling_rate_hs + 1));
    Select(Numbered("ms_5_option_lift_of_distance_", p->lift_off_distance + 1));
    Select(Numbered("ms_5_option_ripple_control_", p->ripple_control + 1));
    Select(Numbered("ms_5_option_angle_snap_", p->angle_snap + 1));
    Select(Numbered("ms_5_option_motion_sync_", p->motion_sync + 1));
    SetProgress("ms_5_slider_light_off", p->light_off_time);
    SetText("ms_5_label_light_off", QStringLiteral("%1%2 %3")
                                        .arg(Text("sleep_timer_1_text"))
                                        .arg(p->light_off_time * 30)
                                        .arg(Text("sleep_timer_4_text")));
    SetProgress("ms_5_slider_sleep_timer", p->sleep_timer);
    SetText("ms_5_label_sleep_timer", QStringLiteral("%1%2 %3")
                                          .arg(Text("sleep_timer_3_text"))
                                          .arg(p->sleep_timer)
                                          .arg(Text("sleep_timer_2_text")));
    SetProgress("ms_5_slider_key_debounce", p->key_debounce);
    SetText("ms_5_label_key_debounce", QStringLiteral("%1 MS").arg(p->key_debounce * 2));
    for (int b = 0; b < profile::kUsedButtons; ++b) {
        const profile::ButtonAssign& button = p->buttons[b];
        const std::string_view key = profile::ButtonFunctionTextKey(button.function);
        QString label = key.empty() ? QString() : window_.toolkit().Text(Name(key));
        if (button.macro_name[0] != 0 && !key.empty() && key == "assign_macro_text") {
            label += QString::fromUtf16(button.macro_name);
        }
        SetText(Numbered("ms_5_btn_key_", b + 1), label);
    }
}

}  // namespace talvik::page
