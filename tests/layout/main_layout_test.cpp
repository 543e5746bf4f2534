// The main layout holds every control the main window and the device page bind, of the kind
// their code expects, with slider ranges that match the profile fields they edit.
#include <gtest/gtest.h>

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QRegularExpression>
#include <QScrollArea>
#include <QSlider>
#include <QStackedWidget>

#include "app/toolkit/language_file.h"
#include "layout_fixture.h"

namespace talvik::layout::test {
namespace {

class MainLayoutTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(toolkit_.LoadLanguage(QStringLiteral("lan/EN.xml")));
        ASSERT_TRUE(window_.Create())
            << window_.LoadError().toStdString()
            << " missing: " << window_.MissingControls().join(' ').toStdString();
    }
    QWidget* Get(const QString& name) const { return window_.Find<QWidget>(name); }
    bool IsInside(const QString& child, const QString& parent) const {
        QWidget* outer = Get(parent);
        QWidget* inner = Get(child);
        return outer != nullptr && inner != nullptr && outer->isAncestorOf(inner);
    }

    toolkit::Toolkit toolkit_{ResDir()};
    MainLayoutWindow window_{toolkit_};
};

TEST_F(MainLayoutTest, EveryBoundControlIsThereWithItsKind) {
    for (const Control& control : RequiredControls()) {
        QString why;
        EXPECT_TRUE(IsKind(Get(control.name), control.kind, &why))
            << control.name.toStdString() << ": " << why.toStdString();
    }
}

TEST_F(MainLayoutTest, EachOptionGroupIsOneExclusiveGroupOfItsOwn) {
    QSet<QButtonGroup*> seen;
    for (const QStringList& names : OptionGroups()) {
        auto* first = window_.Find<QAbstractButton>(names.front());
        ASSERT_NE(first, nullptr) << names.front().toStdString();
        QButtonGroup* group = first->group();
        ASSERT_NE(group, nullptr) << names.front().toStdString();
        EXPECT_TRUE(group->exclusive());
        EXPECT_FALSE(seen.contains(group)) << names.front().toStdString() << " shares a group";
        seen.insert(group);
        EXPECT_EQ(group->buttons().size(), names.size()) << names.front().toStdString();
        for (const QString& name : names) {
            auto* option = window_.Find<QAbstractButton>(name);
            ASSERT_NE(option, nullptr) << name.toStdString();
            EXPECT_EQ(option->group(), group) << name.toStdString();
        }
    }
}

TEST_F(MainLayoutTest, SliderRangesAreTheFieldRanges) {
    struct Range {
        QString slider;
        int minimum;
        int maximum;
    };
    std::vector<Range> ranges = {
        {"ms_5_slider_brightness", 0, 15},    {"ms_5_slider_breathspeed", 0, 9},
        {"ms_5_slider_sleep_timer", 0, 255},  {"ms_5_slider_light_off", 0, 255},
        {"ms_5_slider_key_debounce", 0, 255},
    };
    for (int k = 1; k <= 8; ++k) {
        ranges.push_back({QStringLiteral("ms_5_slider_dpi_%1").arg(k), 1, 520});  // 50..26,000
    }
    for (const Range& range : ranges) {
        auto* slider = window_.Find<QSlider>(range.slider);
        ASSERT_NE(slider, nullptr) << range.slider.toStdString();
        EXPECT_EQ(slider->minimum(), range.minimum) << range.slider.toStdString();
        EXPECT_EQ(slider->maximum(), range.maximum) << range.slider.toStdString();
        EXPECT_GE(slider->singleStep(), 1);
    }
    auto* battery = window_.Find<QProgressBar>(QStringLiteral("ms_5_progress_power"));
    EXPECT_EQ(battery->minimum(), 0);
    EXPECT_EQ(battery->maximum(), 100);
}

TEST_F(MainLayoutTest, DpiEditsTakeAtMostFiveDigits) {
    for (int k = 1; k <= 8; ++k) {
        auto* edit = window_.Find<QLineEdit>(QStringLiteral("ms_5_edit_dpi_%1").arg(k));
        ASSERT_NE(edit, nullptr);
        EXPECT_EQ(edit->maxLength(), 5);  // 26000
    }
}

TEST_F(MainLayoutTest, LightModesFitTheFieldAndHaveTextsInEveryLanguage) {
    auto* combo = window_.Find<QComboBox>(QStringLiteral("ms_5_combo_light"));
    const QStringList keys = combo->property("langItemKeys").toStringList();
    EXPECT_EQ(combo->count(), keys.size());
    EXPECT_GT(keys.size(), 12);  // the default mode is 12
    EXPECT_LE(keys.size(), 16);  // four bits on the wire
    for (const char* file : {"EN.xml", "CN.xml", "PL.xml", "YUENAN.xml"}) {
        toolkit::LanguageFile language;
        ASSERT_TRUE(language.Load(ResDir() + QStringLiteral("lan/") + QLatin1String(file)));
        for (const QString& key : keys) {
            EXPECT_TRUE(language.Contains(key)) << file << ": " << key.toStdString();
        }
    }
}

TEST_F(MainLayoutTest, DevicePagesSitAtTheirTabNumbers) {
    auto* stack = window_.Find<QStackedWidget>(QStringLiteral("device_tab_switch"));
    ASSERT_GE(stack->count(), 6);
    EXPECT_EQ(stack->currentIndex(), 0);
    EXPECT_TRUE(stack->widget(0)->isAncestorOf(Get(QStringLiteral("no_mouse_label"))));
    EXPECT_EQ(stack->widget(5), Get(QStringLiteral("ms_5_page")));
    // The tab shows only while a mouse is connected.
    EXPECT_TRUE(Get(QStringLiteral("option_device_5"))->isHidden());
}

TEST_F(MainLayoutTest, SectionsOpenAsTheirCheckBoxesSayAndScrollInTheColumn) {
    const std::vector<std::pair<const char*, const char*>> sections = {
        {"ms_5_check_button", "ms_5_hor_button"},
        {"ms_5_check_dpi", "ms_5_ver_dpi"},
        {"ms_5_check_light", "ms_5_ver_light"},
        {"ms_5_check_mouse_attribute", "ms_5_ver_mouse_attribute"},
        {"ms_5_check_power_setting", "ms_5_ver_power_setting"},
        {"ms_5_check_lift_of_distance", "ms_5_hor_lift_of_distance"},
        {"ms_5_check_key_debounce", "ms_5_hor_key_debounce"},
        {"ms_5_check_ripple_control", "ms_5_hor_ripple_control"},
        {"ms_5_check_angle_snap", "ms_5_hor_angle_snap"},
        {"ms_5_check_motion_sync", "ms_5_hor_motion_sync"},
    };
    for (const auto& [check_name, container_name] : sections) {
        const QString check = QString::fromLatin1(check_name);
        const QString container = QString::fromLatin1(container_name);
        EXPECT_EQ(window_.Find<QCheckBox>(check)->isChecked(), !Get(container)->isHidden())
            << check_name;
        EXPECT_TRUE(IsInside(container, QStringLiteral("ms_5_ver_setting"))) << container_name;
        EXPECT_TRUE(IsInside(check, QStringLiteral("ms_5_ver_setting"))) << check_name;
    }
    for (const char* name : {"ms_5_check_profile", "ms_5_check_power"}) {
        EXPECT_TRUE(window_.Find<QCheckBox>(QString::fromLatin1(name))->isChecked()) << name;
    }
    // Polling rates: the page opens the group that fits the link.
    EXPECT_FALSE(window_.Find<QCheckBox>(QStringLiteral("ms_5_check_prate"))->isChecked());
    EXPECT_TRUE(Get(QStringLiteral("ms_5_ver_prate"))->isHidden());
    EXPECT_TRUE(Get(QStringLiteral("ms_5_ver_prate_hs"))->isHidden());
    EXPECT_TRUE(IsInside(QStringLiteral("ms_5_ver_prate_hs"), QStringLiteral("ms_5_ver_setting")));
}

TEST_F(MainLayoutTest, LightRowsHoldTheirControlsAndStartHidden) {
    EXPECT_TRUE(
        IsInside(QStringLiteral("ms_5_slider_brightness"), QStringLiteral("ms_5_ver_brightness")));
    EXPECT_TRUE(IsInside(QStringLiteral("ms_5_slider_breathspeed"),
                         QStringLiteral("ms_5_ver_breathspeed")));
    EXPECT_TRUE(
        IsInside(QStringLiteral("ms_5_btn_light_color"), QStringLiteral("ms_5_hor_light_color")));
    // The default effect shows none of them.
    for (const char* row :
         {"ms_5_ver_brightness", "ms_5_ver_breathspeed", "ms_5_hor_light_color"}) {
        EXPECT_TRUE(Get(QString::fromLatin1(row))->isHidden()) << row;
    }
}

TEST_F(MainLayoutTest, StatusControlsStartHidden) {
    for (const char* name :
         {"ms_5_wired", "ms_5_wireless", "ms_5_wireless_4k", "ms_5_BLE", "apply_ring", "query_ring",
          "ms_5_low_power_label", "ms_5_sleep_label"}) {
        EXPECT_TRUE(Get(QString::fromLatin1(name))->isHidden()) << name;
    }
    for (const char* name : {"ms_5_wired", "ms_5_wireless", "ms_5_wireless_4k", "ms_5_BLE"}) {
        auto* indicator = window_.Find<QLabel>(QString::fromLatin1(name));
        EXPECT_FALSE(indicator->pixmap().isNull()) << name;
        EXPECT_FALSE(indicator->toolTip().isEmpty()) << name;
    }
}

TEST(MainLayoutFiles, EveryImageTheLayoutsAndTheMacroRowsNameExists) {
    QStringList images = {
        "skins/app_icon.png", "skins/mouse.png",        "skins/keyboard_key_action.png",
        "skins/move.png",     "skins/macro_key_up.png", "skins/macro_key_down.png"};
    QFile layout(ResDir() + QStringLiteral("main.xml"));
    ASSERT_TRUE(layout.open(QIODevice::ReadOnly));
    static const QRegularExpression reference(
        QStringLiteral("<(?:pixmap|normaloff)>([^<]+)</(?:pixmap|normaloff)>"));
    auto matches = reference.globalMatch(QString::fromUtf8(layout.readAll()));
    int from_layout = 0;
    while (matches.hasNext()) {
        images << matches.next().captured(1);
        ++from_layout;
    }
    EXPECT_GT(from_layout, 0);
    for (const QString& image : images) {
        const QImage loaded(ResDir() + image);
        EXPECT_FALSE(loaded.isNull()) << image.toStdString();
    }
    EXPECT_EQ(QImage(ResDir() + QStringLiteral("skins/app_icon.png")).size(), QSize(256, 256));
}

}  // namespace
}  // namespace talvik::layout::test
