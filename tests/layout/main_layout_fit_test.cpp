// Every language fits the main window at its design size: no text is cut, nothing forces the
// window or the settings column wider than designed.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QScrollArea>
#include <QStackedWidget>

#include "layout_fixture.h"

namespace talvik::layout::test {
namespace {

constexpr QSize kDesignSize(800, 572);

// The texts the page puts on the button labels (one per function with a text).
const char* const kFunctionKeys[] = {
    "button_off_text",
    "left_click_text",
    "right_click_text",
    "wheel_click_text",
    "forward_text",
    "backward_text",
    "dpi_cycle_text",
    "dpi_up_text",
    "dpi_down_text",
    "double_click_text",
    "fire_button_text",
    "scroll_up_text",
    "scroll_down_text",
    "titl_left_text",
    "titl_right_text",
    "easy_aim_text",
    "led_loop_text",
    "cut_text",
    "copy_text",
    "paste_text",
    "open_text",
    "save_text",
    "find_text",
    "redo_text",
    "undo_text",
    "select_all_text",
    "print_text",
    "close_window_text",
    "swap_windows_text",
    "show_desktop_text",
    "run_command_text",
    "lock_pc_text",
    "screen_capture_text",
    "task_view_text",
    "profile_cycle_text",
    "profile_up_text",
    "profile_down_text",
    "media_player_text",
    "play_pause_text",
    "media_stop_text",
    "previous_track_text",
    "next_track_text",
    "volume_up_text",
    "volume_down_text",
    "mute_text",
    "browser_home_text",
    "browser_favorites_text",
    "browser_forward_text",
    "browser_backward_text",
    "browser_stop_text",
    "browser_refresh_text",
    "browser_search_text",
    "email_text",
    "calculator_text",
    "my_computer_text",
};

class MainLayoutFitTest : public ::testing::TestWithParam<const char*> {
protected:
    void SetUp() override {
        ASSERT_TRUE(toolkit_.LoadLanguage(QStringLiteral("lan/") + QLatin1String(GetParam())));
        ASSERT_TRUE(window_.Create());
        // What the page shows with a mouse connected, every section opened.
        window_.Find<QStackedWidget>(QStringLiteral("device_tab_switch"))->setCurrentIndex(5);
        for (QCheckBox* check : window_.Widget()->findChildren<QCheckBox*>()) {
            check->setChecked(true);
        }
        for (const char* name : {"option_device_5",
                                 "ms_5_wired",
                                 "ms_5_wireless",
                                 "ms_5_wireless_4k",
                                 "ms_5_BLE",
                                 "ms_5_low_power_label",
                                 "ms_5_sleep_label",
                                 "apply_ring",
                                 "query_ring",
                                 "ms_5_ver_prate",
                                 "ms_5_ver_prate_hs",
                                 "ms_5_ver_power_setting",
                                 "ms_5_hor_lift_of_distance",
                                 "ms_5_hor_key_debounce",
                                 "ms_5_hor_ripple_control",
                                 "ms_5_hor_angle_snap",
                                 "ms_5_hor_motion_sync",
                                 "ms_5_ver_brightness",
                                 "ms_5_ver_breathspeed",
                                 "ms_5_hor_light_color"}) {
            window_.Find<QWidget>(QString::fromLatin1(name))->setVisible(true);
        }
        auto* combo = window_.Find<QComboBox>(QStringLiteral("ms_5_combo_light"));
        const QStringList keys = combo->property("langItemKeys").toStringList();
        for (int i = 0; i < keys.size(); ++i) {
            combo->setItemText(i, toolkit_.Text(keys[i]));
        }
        window_.Widget()->resize(kDesignSize);
        window_.Show();
        QApplication::processEvents();
    }

    toolkit::Toolkit toolkit_{ResDir()};
    MainLayoutWindow window_{toolkit_};
};

// A one-line text control shows all of its text.
bool ShowsWholeText(QWidget* control) {
    if (auto* label = qobject_cast<QLabel*>(control)) {
        if (label->wordWrap() || label->text().isEmpty()) {
            return true;
        }
    } else if (auto* button = qobject_cast<QAbstractButton*>(control)) {
        if (button->text().isEmpty()) {
            return true;
        }
    } else {
        return true;
    }
    return control->sizeHint().width() <= control->width();
}

TEST_P(MainLayoutFitTest, TheWindowKeepsItsDesignSize) {
    EXPECT_LE(window_.Widget()->minimumSizeHint().width(), kDesignSize.width());
    EXPECT_LE(window_.Widget()->minimumSizeHint().height(), kDesignSize.height());
    auto* column = window_.Find<QScrollArea>(QStringLiteral("ms_5_ver_setting"));
    EXPECT_LE(column->widget()->minimumSizeHint().width(), column->viewport()->width());
}

TEST_P(MainLayoutFitTest, EveryTextFitsItsControl) {
    QList<QWidget*> controls = window_.Widget()->findChildren<QWidget*>();
    int checked = 0;
    for (QWidget* control : controls) {
        if (!control->isVisible()) {
            continue;
        }
        ++checked;
        EXPECT_TRUE(ShowsWholeText(control))
            << GetParam() << ": " << control->objectName().toStdString() << " needs "
            << control->sizeHint().width() << " px, has " << control->width();
    }
    EXPECT_GT(checked, 100);
}

TEST_P(MainLayoutFitTest, EveryButtonFunctionFitsTheButtonLabels) {
    auto* label = window_.Find<QAbstractButton>(QStringLiteral("ms_5_btn_key_1"));
    ASSERT_NE(label, nullptr);
    for (const char* key : kFunctionKeys) {
        label->setText(toolkit_.Text(QString::fromLatin1(key)));
        EXPECT_LE(label->sizeHint().width(), label->width()) << GetParam() << ": " << key;
    }
}

INSTANTIATE_TEST_SUITE_P(Languages, MainLayoutFitTest,
                         ::testing::Values("EN.xml", "CN.xml", "PL.xml", "YUENAN.xml"));

}  // namespace
}  // namespace talvik::layout::test
