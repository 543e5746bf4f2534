#include "page/page_controls.h"

#include <QAbstractButton>
#include <QAbstractSlider>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QScrollArea>
#include <QSignalBlocker>

#include "app/toolkit/toolkit.h"
#include "app/toolkit/window.h"
#include "page/button_labels.h"
#include "page/key_name_layout.h"
#include "page/page_texts.h"
#include "profile/profile_record.h"
#include "protocol/links.h"

namespace talvik::page {

namespace {

QString Name(std::string_view name) {
    return QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size()));
}

// The language texts of the page's window, for the texts composed outside it.
class WindowTexts final : public macro::TextLookup {
public:
    explicit WindowTexts(const PageView& view) : view_(view) {}
    std::string Text(std::string_view key) const override { return view_.LanguageText(key); }

private:
    const PageView& view_;
};

}  // namespace

void PageControls::ShowButtonLabel(int button, const profile::ButtonAssign& assign) {
    QWidget* control = Control(Numbered("ms_5_btn_key_", button + 1));
    if (control == nullptr) {
        return;
    }
    const std::shared_ptr<const platform::KeyboardLayout> layout = KeyNameLayout(live_layout_);
    const ButtonLabel label = ComposeButtonLabel(assign, WindowTexts(*this), *layout);
    if (!label.text_key.empty()) {
        window_.toolkit().SetTextKey(control, QString::fromStdString(label.text_key));
    } else {
        toolkit::Toolkit::ClearTextKey(control);
        SetText(Numbered("ms_5_btn_key_", button + 1), label.text);
    }
}

QWidget* PageControls::Control(std::string_view name) const {
    return window_.Find<QWidget>(Name(name));
}

std::string PageControls::LanguageText(std::string_view key) const {
    return window_.toolkit().Text(Name(key)).toStdString();
}

bool PageControls::IsChecked(std::string_view control) const {
    auto* box = qobject_cast<QAbstractButton*>(Control(control));
    return box != nullptr && box->isChecked();
}

std::string PageControls::Text(std::string_view control) const {
    QWidget* widget = Control(control);
    if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
        return edit->text().toStdString();
    }
    if (auto* label = qobject_cast<QLabel*>(widget)) {
        return label->text().toStdString();
    }
    return {};
}

void PageControls::SetProfileRows(const std::vector<std::u16string>& names, int selected) {
    auto* list = window_.Find<QListWidget>(QStringLiteral("ms_5_list_profile"));
    if (list == nullptr) {
        return;
    }
    const QSignalBlocker block(list);
    list->clear();
    for (const std::u16string& name : names) {
        auto* row = new QListWidgetItem(QString::fromStdU16String(name), list);
        row->setSizeHint(QSize(row->sizeHint().width(), 22));
    }
    list->setCurrentRow(selected);
}

void PageControls::SetProfileRowText(int row, const std::u16string& name) {
    auto* list = window_.Find<QListWidget>(QStringLiteral("ms_5_list_profile"));
    if (list != nullptr && row >= 0 && row < list->count()) {
        list->item(row)->setText(QString::fromStdU16String(name));
    }
}

void PageControls::ScrollIntoView(std::string_view container) {
    QWidget* target = Control(container);
    auto* column = window_.Find<QScrollArea>(QStringLiteral("ms_5_ver_setting"));
    if (column != nullptr && target != nullptr) {
        column->ensureWidgetVisible(target, 0, 0);
    }
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

void PageControls::SetValue(std::string_view control, int value) {
    if (auto* bar = qobject_cast<QProgressBar*>(Control(control))) {
        bar->setValue(std::clamp(value, bar->minimum(), bar->maximum()));
    } else if (auto* slider = qobject_cast<QAbstractSlider*>(Control(control))) {
        const QSignalBlocker block(slider);
        slider->setValue(value);
    }
}

void PageControls::SetText(std::string_view control, const std::string& utf8) {
    const QString text = QString::fromStdString(utf8);
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

ModeSections ModeSectionsFor(const protocol::LinkFlags& links, bool prate_open,
                             bool debounce_open) {
    const bool low_rate = links.wired_up() || links.link_24g;
    const bool high_rate = links.link_4k || links.link_4k_b;
    const bool ble_only = links.ble && !low_rate && !high_rate;
    ModeSections s;
    s.check_prate = !ble_only;
    // The cable and the 2.4 GHz receiver take the four rates, the 4K receivers the seven.
    s.ver_prate = prate_open && low_rate;
    s.ver_prate_hs = prate_open && !low_rate && high_rate;
    s.check_debounce = !ble_only;
    s.hor_debounce = !ble_only && debounce_open;
    return s;
}

void PageControls::UpdateModeControls(const protocol::LinkFlags& links) {
    const ModeSections s =
        ModeSectionsFor(links, IsChecked("ms_5_check_prate"), IsChecked("ms_5_check_key_debounce"));
    SetVisible("ms_5_check_prate", s.check_prate);
    SetVisible("ms_5_ver_prate", s.ver_prate);
    SetVisible("ms_5_ver_prate_hs", s.ver_prate_hs);
    SetVisible("ms_5_check_key_debounce", s.check_debounce);
    SetVisible("ms_5_hor_key_debounce", s.hor_debounce);
}

void PageControls::Refresh(const profile::ProfileInfo& p, const protocol::LinkFlags& links) {
    UpdateLightControls(p.light_mode);
    UpdateModeControls(links);
    Select(Numbered("ms_5_option_dpi_step_", p.current_dpi_stage + 1));
    for (int k = 0; k < profile::kDpiStages; ++k) {
        const std::string dpi = DpiText(p.dpi_value[k]);
        SetValue(Numbered("ms_5_slider_dpi_", k + 1), p.dpi_value[k]);
        SetText(Numbered("ms_5_label_dpi_", k + 1), dpi);
        SetText(Numbered("ms_5_edit_dpi_", k + 1), dpi);
        SetSwatch(Numbered("ms_5_btn_dpi_color_", k + 1), p.dpi_color[k]);
    }
    if (auto* combo = qobject_cast<QComboBox*>(Control("ms_5_combo_light"))) {
        const QSignalBlocker block(combo);
        combo->setCurrentIndex(p.light_mode);
    }
    SetValue("ms_5_slider_brightness", p.brightness);
    SetValue("ms_5_slider_breathspeed", p.breath_speed);
    SetSwatch("ms_5_btn_light_color", p.light_color);
    Select(Numbered("ms_5_btn_prate_", p.polling_rate + 1));
    Select(Numbered("ms_5_btn_prate_hs_", p.polling_rate_hs + 1));
    Select(Numbered("ms_5_option_lift_of_distance_", p.lift_off_distance + 1));
    Select(Numbered("ms_5_option_ripple_control_", p.ripple_control + 1));
    Select(Numbered("ms_5_option_angle_snap_", p.angle_snap + 1));
    Select(Numbered("ms_5_option_motion_sync_", p.motion_sync + 1));
    SetChecked("ms_5_check_movemode", p.move_mode != 0);
    SetValue("ms_5_slider_light_off", p.light_off_time);
    SetText("ms_5_label_light_off", LightOffText(*this, p.light_off_time));
    SetValue("ms_5_slider_sleep_timer", p.sleep_timer);
    SetText("ms_5_label_sleep_timer", SleepTimerText(*this, p.sleep_timer));
    SetValue("ms_5_slider_key_debounce", p.key_debounce);
    SetText("ms_5_label_key_debounce", DebounceText(p.key_debounce));
    for (int b = 0; b < profile::kUsedButtons; ++b) {
        ShowButtonLabel(b, p.buttons[b]);
    }
}

}  // namespace talvik::page
