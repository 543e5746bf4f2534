#include "layout_fixture.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollArea>
#include <QSlider>
#include <QStackedWidget>
#include <memory>

#include "app/theme.h"

namespace talvik::layout::test {

QString ResDir() {
    const QString from_env = qEnvironmentVariable("TALVIK_SOURCE_DIR");
    return (from_env.isEmpty() ? QStringLiteral(TALVIK_SOURCE_DIR) : from_env) +
           QStringLiteral("/res/");
}

namespace {

// The layouts are checked under the program's look: its style, palette and style sheet change
// the sizes of the controls.
class QtEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        static int argc = 1;
        static char name[] = "layout_tests";
        static char* argv[] = {name, nullptr};
        qputenv("QT_QPA_PLATFORM", "offscreen");
        app_ = std::make_unique<QApplication>(argc, argv);
        ASSERT_TRUE(app::ApplyTheme(*app_, ResDir()));
    }
    void TearDown() override { app_.reset(); }

private:
    std::unique_ptr<QApplication> app_;
};

[[maybe_unused]] auto* const environment = ::testing::AddGlobalTestEnvironment(new QtEnvironment);

void Numbered(std::vector<Control>& out, const QString& pattern, int count, Kind kind) {
    for (int n = 1; n <= count; ++n) {
        out.push_back({pattern.arg(n), kind});
    }
}

}  // namespace

std::vector<Control> RequiredControls() {
    std::vector<Control> c = {
        {"exit_btn", Kind::kButton},
        {"min_btn", Kind::kButton},
        {"about_btn", Kind::kButton},
        {"btn_website", Kind::kButton},
        {"skin_btn", Kind::kButton},
        {"main_menu_btn", Kind::kButton},
        {"combo_lan", Kind::kCombo},
        {"check_startup", Kind::kCheck},
        {"device_tab_switch", Kind::kStack},
        {"option_device_5", Kind::kOption},
        {"ms_5_page", Kind::kContainer},
        // profiles
        {"ms_5_list_profile", Kind::kList},
        {"ms_5_profile_add_btn", Kind::kButton},
        {"ms_5_profile_delete_btn", Kind::kButton},
        {"ms_5_profile_rename_btn", Kind::kButton},
        {"ms_5_profile_import_btn", Kind::kButton},
        {"ms_5_profile_export_btn", Kind::kButton},
        {"ms_5_profile_reset_btn", Kind::kButton},
        {"ms_5_btn_macro", Kind::kButton},
        // light
        {"ms_5_combo_light", Kind::kCombo},
        {"ms_5_ver_brightness", Kind::kContainer},
        {"ms_5_slider_brightness", Kind::kSlider},
        {"ms_5_ver_breathspeed", Kind::kContainer},
        {"ms_5_slider_breathspeed", Kind::kSlider},
        {"ms_5_hor_light_color", Kind::kContainer},
        {"ms_5_btn_light_color", Kind::kButton},
        {"ms_5_label_prate", Kind::kLabel},
        // mouse attributes, power, debounce
        {"ms_5_btn_mouse_attribute", Kind::kButton},
        {"ms_5_check_movemode", Kind::kCheck},
        {"ms_5_slider_sleep_timer", Kind::kSlider},
        {"ms_5_label_sleep_timer", Kind::kLabel},
        {"ms_5_slider_light_off", Kind::kSlider},
        {"ms_5_label_light_off", Kind::kLabel},
        {"ms_5_slider_key_debounce", Kind::kSlider},
        {"ms_5_label_key_debounce", Kind::kLabel},
        // apply, reset, DPI buttons
        {"ms_5_apply_btn", Kind::kButton},
        {"ms_5_btn_reset", Kind::kButton},
        {"ms_5_btn_apply_dpi", Kind::kButton},
        {"ms_5_btn_reset_dpi", Kind::kButton},
        // status
        {"ms_5_wired", Kind::kLabel},
        {"ms_5_wireless", Kind::kLabel},
        {"ms_5_wireless_4k", Kind::kLabel},
        {"ms_5_BLE", Kind::kLabel},
        {"ms_5_progress_power", Kind::kProgress},
        {"ms_5_label_power", Kind::kLabel},
        {"ms_5_low_power_label", Kind::kLabel},
        {"ms_5_sleep_label", Kind::kLabel},
        {"apply_ring", Kind::kContainer},
        {"query_ring", Kind::kContainer},
        {"ms_5_ver_setting", Kind::kScroll},
    };
    Numbered(c, QStringLiteral("ms_5_btn_key_%1"), 18, Kind::kButton);
    Numbered(c, QStringLiteral("ms_5_slider_dpi_%1"), 8, Kind::kSlider);
    Numbered(c, QStringLiteral("ms_5_label_dpi_%1"), 8, Kind::kLabel);
    Numbered(c, QStringLiteral("ms_5_edit_dpi_%1"), 8, Kind::kEdit);
    Numbered(c, QStringLiteral("ms_5_btn_dpi_color_%1"), 8, Kind::kButton);
    for (const QStringList& group : OptionGroups()) {
        for (const QString& name : group) {
            c.push_back({name, Kind::kOption});
        }
    }
    for (const auto& [check, container] :
         std::initializer_list<std::pair<const char*, const char*>>{
             {"ms_5_check_button", "ms_5_hor_button"},
             {"ms_5_check_profile", "ms_5_ver_profile"},
             {"ms_5_check_power", "ms_5_ver_power"},
             {"ms_5_check_dpi", "ms_5_ver_dpi"},
             {"ms_5_check_light", "ms_5_ver_light"},
             {"ms_5_check_prate", "ms_5_ver_prate"},
             {"ms_5_check_mouse_attribute", "ms_5_ver_mouse_attribute"},
             {"ms_5_check_power_setting", "ms_5_ver_power_setting"},
             {"ms_5_check_lift_of_distance", "ms_5_hor_lift_of_distance"},
             {"ms_5_check_key_debounce", "ms_5_hor_key_debounce"},
             {"ms_5_check_ripple_control", "ms_5_hor_ripple_control"},
             {"ms_5_check_angle_snap", "ms_5_hor_angle_snap"},
             {"ms_5_check_motion_sync", "ms_5_hor_motion_sync"}}) {
        c.push_back({QString::fromLatin1(check), Kind::kCheck});
        c.push_back({QString::fromLatin1(container), Kind::kContainer});
    }
    c.push_back({"ms_5_ver_prate_hs", Kind::kContainer});
    return c;
}

std::vector<QStringList> OptionGroups() {
    auto group = [](const QString& pattern, int count) {
        QStringList names;
        for (int n = 1; n <= count; ++n) {
            names << pattern.arg(n);
        }
        return names;
    };
    return {
        group(QStringLiteral("ms_5_option_dpi_step_%1"), 8),
        group(QStringLiteral("ms_5_btn_prate_%1"), 4),
        group(QStringLiteral("ms_5_btn_prate_hs_%1"), 7),
        group(QStringLiteral("ms_5_option_lift_of_distance_%1"), 2),
        group(QStringLiteral("ms_5_option_ripple_control_%1"), 2),
        group(QStringLiteral("ms_5_option_angle_snap_%1"), 2),
        group(QStringLiteral("ms_5_option_motion_sync_%1"), 2),
        {QStringLiteral("option_device_5")},
    };
}

void MainLayoutWindow::BindControls() {
    for (const Control& control : RequiredControls()) {
        Require(control.name);
    }
}

bool IsKind(QWidget* control, Kind kind, QString* why) {
    auto fail = [why](const char* text) {
        *why = QString::fromLatin1(text);
        return false;
    };
    if (control == nullptr) {
        return fail("missing");
    }
    auto* button = qobject_cast<QAbstractButton*>(control);
    switch (kind) {
        case Kind::kButton:
            if (qobject_cast<QPushButton*>(control) == nullptr) {
                return fail("not a push button");
            }
            return button->isCheckable() ? fail("checkable") : true;
        case Kind::kOption:
            if (button == nullptr || !button->isCheckable() || qobject_cast<QCheckBox*>(control)) {
                return fail("not a checkable option");
            }
            if (button->group() == nullptr || !button->group()->exclusive()) {
                return fail("not in an exclusive group");
            }
            return true;
        case Kind::kCheck:
            return qobject_cast<QCheckBox*>(control) != nullptr || fail("not a check box");
        case Kind::kSlider:
            return qobject_cast<QSlider*>(control) != nullptr || fail("not a slider");
        case Kind::kLabel:
            return qobject_cast<QLabel*>(control) != nullptr || fail("not a label");
        case Kind::kEdit:
            return qobject_cast<QLineEdit*>(control) != nullptr || fail("not an edit");
        case Kind::kList:
            return qobject_cast<QListWidget*>(control) != nullptr || fail("not a list");
        case Kind::kCombo:
            return qobject_cast<QComboBox*>(control) != nullptr || fail("not a combo box");
        case Kind::kProgress:
            return qobject_cast<QProgressBar*>(control) != nullptr || fail("not a progress bar");
        case Kind::kContainer:
            return true;
        case Kind::kStack:
            return qobject_cast<QStackedWidget*>(control) != nullptr || fail("not a stack");
        case Kind::kScroll:
            return qobject_cast<QScrollArea*>(control) != nullptr || fail("not a scroll area");
    }
    return fail("unknown kind");
}

}  // namespace talvik::layout::test
