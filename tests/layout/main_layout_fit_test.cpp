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

#include "../toolkit/test_support.h"
#include "app/theme.h"
#include "profile/button_function.h"

namespace talvik::test {
namespace {

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
