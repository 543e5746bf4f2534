// The main layout and the look. The layout holds every control the main window and the device page
// reach by name, of the kind their code expects, with slider ranges that match the profile fields
// they edit.
#include <gtest/gtest.h>

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QScrollArea>
#include <QSlider>
#include <QStackedWidget>
#include <QTemporaryDir>

#include "../toolkit/test_support.h"
#include "app/theme.h"
#include "profile/button_function.h"

namespace talvik::test {
namespace {

enum class Kind { kButton, kOption, kCheck, kSlider, kLabel, kEdit, kList, kCombo, kOther };

// Names, space-separated; "name%1*8" stands for name1 ... name8.
const std::pair<Kind, const char*> kControls[] = {
    {Kind::kButton,
     "exit_btn min_btn about_btn btn_website skin_btn main_menu_btn ms_5_profile_add_btn "
     "ms_5_profile_delete_btn ms_5_profile_rename_btn ms_5_profile_import_btn "
     "ms_5_profile_export_btn ms_5_profile_reset_btn ms_5_btn_macro ms_5_btn_light_color "
     "ms_5_btn_mouse_attribute ms_5_apply_btn ms_5_btn_reset ms_5_btn_apply_dpi "
     "ms_5_btn_reset_dpi ms_5_btn_key_%1*18 ms_5_btn_dpi_color_%1*8"},
    {Kind::kOption,
     "option_device_5 ms_5_option_dpi_step_%1*8 ms_5_btn_prate_%1*4 ms_5_btn_prate_hs_%1*7 "
     "ms_5_option_lift_of_distance_%1*2 ms_5_option_ripple_control_%1*2 "
     "ms_5_option_angle_snap_%1*2 ms_5_option_motion_sync_%1*2"},
    {Kind::kCheck,
     "check_startup ms_5_check_movemode ms_5_check_button ms_5_check_profile ms_5_check_power "
     "ms_5_check_dpi ms_5_check_light ms_5_check_prate ms_5_check_mouse_attribute "
     "ms_5_check_power_setting ms_5_check_lift_of_distance ms_5_check_key_debounce "
     "ms_5_check_ripple_control ms_5_check_angle_snap ms_5_check_motion_sync"},
    {Kind::kSlider,
     "ms_5_slider_brightness ms_5_slider_breathspeed ms_5_slider_sleep_timer "
     "ms_5_slider_light_off ms_5_slider_key_debounce ms_5_slider_dpi_%1*8"},
    {Kind::kLabel,
     "ms_5_label_prate ms_5_label_sleep_timer ms_5_label_light_off ms_5_label_key_debounce "
     "ms_5_wired ms_5_wireless ms_5_wireless_4k ms_5_BLE ms_5_label_power ms_5_low_power_label "
     "ms_5_sleep_label ms_5_label_dpi_%1*8"},
    {Kind::kEdit, "ms_5_edit_dpi_%1*8"},
    {Kind::kList, "ms_5_list_profile"},
    {Kind::kCombo, "combo_lan ms_5_combo_light"},
    {Kind::kOther,
     "ms_5_page ms_5_ver_brightness ms_5_ver_breathspeed ms_5_hor_light_color apply_ring "
     "query_ring ms_5_hor_button ms_5_ver_profile ms_5_ver_power ms_5_ver_dpi ms_5_ver_light "
     "ms_5_ver_prate ms_5_ver_prate_hs ms_5_ver_mouse_attribute ms_5_ver_power_setting "
     "ms_5_hor_lift_of_distance ms_5_hor_key_debounce ms_5_hor_ripple_control "
     "ms_5_hor_angle_snap ms_5_hor_motion_sync"},
};

QStringList Expand(const QString& names) {
    QStringList out;
    for (const QString& name : names.split(' ', Qt::SkipEmptyParts)) {
        const qsizetype star = name.indexOf('*');
        if (star < 0) {
            out << name;
            continue;
        }
        for (int n = 1; n <= name.mid(star + 1).toInt(); ++n) {
            out << name.left(star).arg(n);
        }
    }
    return out;
}

bool IsKind(QWidget* control, Kind kind) {
    auto* button = qobject_cast<QAbstractButton*>(control);
    switch (kind) {
        case Kind::kButton:
            return qobject_cast<QPushButton*>(control) && !button->isCheckable();
        case Kind::kOption:
            return button && button->isCheckable() && !qobject_cast<QCheckBox*>(control) &&
                   button->group() && button->group()->exclusive();
        case Kind::kCheck:
            return qobject_cast<QCheckBox*>(control);
        case Kind::kSlider:
            return qobject_cast<QSlider*>(control);
        case Kind::kLabel:
            return qobject_cast<QLabel*>(control);
        case Kind::kEdit:
            return qobject_cast<QLineEdit*>(control);
        case Kind::kList:
            return qobject_cast<QListWidget*>(control);
        case Kind::kCombo:
            return qobject_cast<QComboBox*>(control);
        case Kind::kOther:
            break;
    }
    return control;
}

class MainLayoutTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(app::ApplyTheme(*qApp, ResDir()));  // the look changes the sizes
        ASSERT_TRUE(toolkit_.LoadLanguage(QStringLiteral("lan/EN.xml")));
        ASSERT_TRUE(window_.Create()) << window_.LoadError().toStdString();
    }
    template <class T = QWidget>
    T* Get(const QString& name) const {
        return window_.Find<T>(name);
    }
    bool IsInside(const QString& child, const QString& parent) const {
        return Get(parent) && Get(child) && Get(parent)->isAncestorOf(Get(child));
    }

    toolkit::Toolkit toolkit_{ResDir()};
    RecordingWindow window_{toolkit_, QStringLiteral("main.xml")};
};

// Each option pattern ("name%1*8") is one exclusive group of its own.
TEST_F(MainLayoutTest, EveryControlIsThereWithItsKindAndEachOptionSetIsAGroupOfItsOwn) {
    QSet<QButtonGroup*> groups;
    for (const auto& [kind, patterns] : kControls) {
        for (const QString& pattern :
             QString::fromLatin1(patterns).split(' ', Qt::SkipEmptyParts)) {
            const QStringList names = Expand(pattern);
            for (const QString& name : names) {
                EXPECT_TRUE(IsKind(Get(name), kind)) << name.toStdString() << " " << int(kind);
            }
            auto* first = Get<QAbstractButton>(names.front());
            if (kind == Kind::kOption && first != nullptr && first->group() != nullptr) {
                EXPECT_FALSE(groups.contains(first->group())) << pattern.toStdString();
                groups.insert(first->group());
                EXPECT_EQ(first->group()->buttons().size(), names.size()) << pattern.toStdString();
            }
        }
    }
    EXPECT_NE(Get<QStackedWidget>(QStringLiteral("device_tab_switch")), nullptr);
    EXPECT_NE(Get<QScrollArea>(QStringLiteral("ms_5_ver_setting")), nullptr);
    EXPECT_NE(Get<QProgressBar>(QStringLiteral("ms_5_progress_power")), nullptr);
}

TEST_F(MainLayoutTest, SliderAndEditRangesAreTheFieldRanges) {
    std::vector<std::tuple<QString, int, int>> ranges = {
        {"ms_5_slider_brightness", 0, 15},    {"ms_5_slider_breathspeed", 0, 9},
        {"ms_5_slider_sleep_timer", 0, 255},  {"ms_5_slider_light_off", 0, 255},
        {"ms_5_slider_key_debounce", 0, 255},
    };
    for (const QString& name : Expand("ms_5_slider_dpi_%1*8")) {
        ranges.emplace_back(name, 1, 520);  // 50..26,000
    }
    for (const auto& [name, minimum, maximum] : ranges) {
        auto* slider = Get<QSlider>(name);
        ASSERT_NE(slider, nullptr) << name.toStdString();
        EXPECT_EQ(slider->minimum(), minimum) << name.toStdString();
        EXPECT_EQ(slider->maximum(), maximum) << name.toStdString();
    }
    EXPECT_EQ(Get<QProgressBar>(QStringLiteral("ms_5_progress_power"))->maximum(), 100);
    for (const QString& name : Expand("ms_5_edit_dpi_%1*8")) {
        EXPECT_EQ(Get<QLineEdit>(name)->maxLength(), 5) << name.toStdString();  // 26000
    }
    // Light modes: beyond the default 12, within the four bits on the wire.
    const int modes = Get<QComboBox>(QStringLiteral("ms_5_combo_light"))->count();
    EXPECT_GT(modes, 12);
    EXPECT_LE(modes, 16);
}

TEST_F(MainLayoutTest, StartStateShowsNoMouseAndOpensTheSectionsTheBoxesSay) {
    auto* stack = Get<QStackedWidget>(QStringLiteral("device_tab_switch"));
    ASSERT_GE(stack->count(), 6);
    EXPECT_EQ(stack->currentIndex(), 0);
    EXPECT_TRUE(stack->widget(0)->isAncestorOf(Get(QStringLiteral("no_mouse_label"))));
    EXPECT_EQ(stack->widget(5), Get(QStringLiteral("ms_5_page")));
    for (const char* name : {"option_device_5", "ms_5_wired", "ms_5_wireless", "ms_5_wireless_4k",
                             "ms_5_BLE", "apply_ring", "query_ring", "ms_5_low_power_label",
                             "ms_5_sleep_label", "ms_5_ver_brightness", "ms_5_ver_breathspeed",
                             "ms_5_hor_light_color", "ms_5_ver_prate", "ms_5_ver_prate_hs"}) {
        EXPECT_TRUE(Get(QString::fromLatin1(name))->isHidden()) << name;
    }
    for (const char* name : {"ms_5_wired", "ms_5_wireless", "ms_5_wireless_4k", "ms_5_BLE"}) {
        auto* indicator = Get<QLabel>(QString::fromLatin1(name));
        EXPECT_FALSE(indicator->pixmap().isNull()) << name;
        EXPECT_FALSE(indicator->toolTip().isEmpty()) << name;
    }
    for (const QString& section : Expand("button dpi light mouse_attribute power_setting "
                                         "lift_of_distance key_debounce ripple_control "
                                         "angle_snap motion_sync profile power")) {
        const QString check = "ms_5_check_" + section;
        const QString container =
            (Get("ms_5_ver_" + section) ? "ms_5_ver_" : "ms_5_hor_") + section;
        EXPECT_EQ(Get<QCheckBox>(check)->isChecked(), !Get(container)->isHidden())
            << check.toStdString();
        EXPECT_TRUE(section == "profile" || section == "power" ||
                    IsInside(container, QStringLiteral("ms_5_ver_setting")))
            << container.toStdString();
    }
    EXPECT_TRUE(Get<QCheckBox>(QStringLiteral("ms_5_check_profile"))->isChecked());
    EXPECT_FALSE(Get<QCheckBox>(QStringLiteral("ms_5_check_prate"))->isChecked());
    EXPECT_TRUE(
        IsInside(QStringLiteral("ms_5_slider_brightness"), QStringLiteral("ms_5_ver_brightness")));
    EXPECT_TRUE(
        IsInside(QStringLiteral("ms_5_btn_light_color"), QStringLiteral("ms_5_hor_light_color")));
}

TEST(MainLayoutFiles, EveryImageTheLayoutsTheStyleSheetAndTheMacroRowsNameExists) {
    QStringList images = {"skins/mouse.png", "skins/keyboard_key_action.png", "skins/move.png",
                          "skins/macro_key_up.png", "skins/macro_key_down.png"};
    QFile layout(ResDir() + QStringLiteral("main.xml"));
    ASSERT_TRUE(layout.open(QIODevice::ReadOnly));
    const QRegularExpression reference(
        QStringLiteral("<(?:pixmap|normaloff)>([^<]+)</(?:pixmap|normaloff)>"));
    auto matches = reference.globalMatch(QString::fromUtf8(layout.readAll()));
    EXPECT_TRUE(matches.hasNext());
    while (matches.hasNext()) {
        images << matches.next().captured(1);
    }
    for (const QString& image : images) {
        EXPECT_FALSE(QImage(ResDir() + image).isNull()) << image.toStdString();
    }
    EXPECT_EQ(QImage(ResDir() + QStringLiteral("skins/app_icon.png")).size(), QSize(256, 256));

    // The style sheet's images, found through the skins path.
    ASSERT_TRUE(app::ApplyTheme(*qApp, ResDir()));
    auto urls =
        QRegularExpression(QStringLiteral(R"(url\(([^)]*)\))")).globalMatch(qApp->styleSheet());
    EXPECT_TRUE(urls.hasNext());
    while (urls.hasNext()) {
        const QString image = urls.next().captured(1);
        EXPECT_TRUE(image.startsWith(QStringLiteral("skins:"))) << image.toStdString();
        EXPECT_FALSE(QImage(image).isNull()) << image.toStdString();
    }
}

// A missing sheet leaves a usable, readable look.
TEST(Theme, AMissingSheetIsReportedAndTheReadablePaletteStays) {
    QTemporaryDir empty;
    qApp->setStyleSheet(QString());
    EXPECT_FALSE(app::ApplyTheme(*qApp, empty.path()));
    EXPECT_TRUE(qApp->styleSheet().isEmpty());
    const QPalette palette = QApplication::palette();
    EXPECT_EQ(palette.color(QPalette::Window), app::ThemePalette().color(QPalette::Window));
    // Dark backgrounds, light texts, far apart in lightness.
    for (const auto& [back, fore] : {std::pair{QPalette::Window, QPalette::WindowText},
                                     std::pair{QPalette::Base, QPalette::Text},
                                     std::pair{QPalette::Button, QPalette::ButtonText},
                                     std::pair{QPalette::ToolTipBase, QPalette::ToolTipText}}) {
        EXPECT_GT(palette.color(fore).lightnessF() - palette.color(back).lightnessF(), 0.6)
            << back << " " << fore;
    }
    EXPECT_NE(palette.color(QPalette::Disabled, QPalette::Text),
              palette.color(QPalette::Active, QPalette::Text));
}

// Every language fits the main window at its design size: no text is cut, nothing forces the
// window or the settings column wider than designed.
constexpr QSize kDesignSize(800, 572);

class MainLayoutFitTest : public ::testing::TestWithParam<const char*> {
protected:
    void SetUp() override {
        ASSERT_TRUE(app::ApplyTheme(*qApp, ResDir()));
        ASSERT_TRUE(toolkit_.LoadLanguage(QStringLiteral("lan/") + QLatin1String(GetParam())));
        ASSERT_TRUE(window_.Create());
        // What the page shows with a mouse connected, every section and indicator shown.
        window_.Find<QStackedWidget>(QStringLiteral("device_tab_switch"))->setCurrentIndex(5);
        for (QCheckBox* check : window_.Widget()->findChildren<QCheckBox*>()) {
            check->setChecked(true);
        }
        for (QWidget* hidden : window_.Widget()->findChildren<QWidget*>()) {
            const QString name = hidden->objectName();
            if (hidden->isHidden() && (name.startsWith(QStringLiteral("ms_5_")) ||
                                       name == QStringLiteral("option_device_5") ||
                                       name.endsWith(QStringLiteral("_ring")))) {
                hidden->setVisible(true);
            }
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
    RecordingWindow window_{toolkit_, QStringLiteral("main.xml")};
};

TEST_P(MainLayoutFitTest, EveryTextFitsAtTheDesignSize) {
    EXPECT_LE(window_.Widget()->minimumSizeHint().width(), kDesignSize.width());
    EXPECT_LE(window_.Widget()->minimumSizeHint().height(), kDesignSize.height());
    auto* column = window_.Find<QScrollArea>(QStringLiteral("ms_5_ver_setting"));
    EXPECT_LE(column->widget()->minimumSizeHint().width(), column->viewport()->width());

    int checked = 0;
    for (QWidget* control : window_.Widget()->findChildren<QWidget*>()) {
        auto* label = qobject_cast<QLabel*>(control);
        auto* button = qobject_cast<QAbstractButton*>(control);
        const bool one_line_text = (label && !label->wordWrap() && !label->text().isEmpty()) ||
                                   (button && !button->text().isEmpty());
        if (!control->isVisible() || !one_line_text) {
            continue;
        }
        ++checked;
        EXPECT_LE(control->sizeHint().width(), control->width())
            << GetParam() << ": " << control->objectName().toStdString();
    }
    EXPECT_GT(checked, 50);

    // The texts the page puts on the button labels.
    auto* label = window_.Find<QAbstractButton>(QStringLiteral("ms_5_btn_key_1"));
    for (int code = 0; code < 256; ++code) {
        const std::string_view key = profile::ButtonFunctionTextKey(static_cast<uint8_t>(code));
        if (!key.empty()) {
            label->setText(toolkit_.Text(QString::fromLatin1(key.data(), key.size())));
            EXPECT_LE(label->sizeHint().width(), label->width()) << GetParam() << ": " << key;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Languages, MainLayoutFitTest,
                         ::testing::Values("EN.xml", "CN.xml", "PL.xml", "YUENAN.xml"));

}  // namespace
}  // namespace talvik::test
