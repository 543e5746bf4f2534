// The button labels on the real main window, and the macro dialog on its real layout (the
// menu, the key-combination dialog and a macro choice are driven end to end on Xvfb).
#include <gtest/gtest.h>

#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QtTest/QTest>

#include "../toolkit/test_support.h"
#include "app/app_settings.h"
#include "page/select_macro_dialog.h"
#include "page_fakes.h"
#include "session_rig.h"

namespace talvik::page {
namespace {

TEST(ButtonWindows, LabelsShowAssignmentsAndFollowTheLanguage) {
    testing::FakeButtonDialogs buttons;
    test::SessionRig rig;
    rig.buttons = &buttons;
    rig.Build(sim::SimLink::kWired);
    ASSERT_TRUE(rig.session);
    auto label = [&rig](int button) {
        return rig.window->Find<QPushButton>(QStringLiteral("ms_5_btn_key_%1").arg(button))->text();
    };
    const QString english_click = label(1);
    EXPECT_EQ(english_click, rig.toolkit.Text(QStringLiteral("left_click_text")));
    buttons.key = KeyCombination{0x3A, profile::kModifierCtrl};
    rig.session->Controller().Notify(toolkit::NotifyType::kClick, "ms_5_btn_key_3", 0);
    rig.session->OnMenuItem(QStringLiteral("ms_5_shortcut"));
    EXPECT_EQ(label(3), QStringLiteral("Ctrl+F1"));

    rig.window->SwitchLanguage(app::kLanguagePolish);
    EXPECT_NE(label(1), english_click);
    EXPECT_EQ(label(1), rig.toolkit.Text(QStringLiteral("left_click_text")));
    EXPECT_EQ(label(3), rig.toolkit.Text(QStringLiteral("keyboard_ctrl_text")) +
                            QStringLiteral("+") + rig.toolkit.Text(QStringLiteral("key_F1")));
    rig.Destroy();
}

TEST(ButtonWindows, MacroDialogTakesDigitsOnlyCorrectsTheCountAndHidesItWhenNotRepeating) {
    toolkit::Toolkit toolkit{test::ResDir()};
    ASSERT_TRUE(toolkit.LoadLanguage(QStringLiteral("lan/EN.xml")));
    const macro::MacroList macros;
    SelectMacroDialog dialog(toolkit, macros, MacroSelection{});
    ASSERT_TRUE(dialog.Create()) << dialog.LoadError().toStdString();
    dialog.Show();
    auto* edit = dialog.Find<QLineEdit>(QStringLiteral("edit_loop_time"));
    auto* loop_time = dialog.Find<QWidget>(QStringLiteral("hor_loop_time"));
    EXPECT_EQ(edit->text(), QStringLiteral("1"));
    QTest::mouseClick(dialog.Find<QRadioButton>(QStringLiteral("repeat_2")), Qt::LeftButton);
    EXPECT_TRUE(test::WaitUntil([&] { return loop_time->isHidden(); }));
    QTest::mouseClick(dialog.Find<QRadioButton>(QStringLiteral("repeat_1")), Qt::LeftButton);
    EXPECT_TRUE(test::WaitUntil([&] { return !loop_time->isHidden(); }));
    edit->clear();
    QTest::keyClicks(edit, QStringLiteral("3a0x0"));
    EXPECT_TRUE(test::WaitUntil([&] { return edit->text() == QStringLiteral("300"); }));
    QTest::keyClick(edit, Qt::Key_Return);
    EXPECT_EQ(edit->text(), QStringLiteral("255"));  // the field shows what OK gives
}

}  // namespace
}  // namespace talvik::page
