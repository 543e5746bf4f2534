// The button labels on the real main window, and the macro dialog on its real layout (the
// key-combination dialog is driven end to end on Xvfb).
#include <gtest/gtest.h>

#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QtTest/QTest>

#include "../macro/test_support.h"
#include "../toolkit/test_support.h"
#include "app/app_settings.h"
#include "button_fakes.h"
#include "macro/macro_store.h"
#include "macro/record_name.h"
#include "page/select_macro_dialog.h"
#include "session_rig.h"

namespace talvik::page {
namespace {

macro::MacroList Macros(std::initializer_list<const char16_t*> names) {
    macro::MacroList list;
    for (const char16_t* name : names) {
        auto m = std::make_unique<macro::MacroInfo>();
        macro::WriteName(m->name, name);
        list.push_back(std::move(m));
    }
    return list;
}

QString Label(test::SessionRig& rig, int button) {
    return rig.window->Find<QPushButton>(QStringLiteral("ms_5_btn_key_%1").arg(button))->text();
}

TEST(ButtonWindows, LabelsShowAssignmentsAndFollowTheLanguage) {
    testing::FakeButtonDialogs buttons;
    test::SessionRig rig;
    rig.buttons = &buttons;
    rig.Build(sim::SimLink::kWired, [&rig](DeviceSession&) {
        test::FakeTexts texts;
        macro::MacroStore store(rig.DataDir(), texts);
        ASSERT_TRUE(store.SaveMacros(Macros({u"Burst"})).ok());
    });
    ASSERT_TRUE(rig.session);
    toolkit::Toolkit& toolkit = rig.toolkit;
    EXPECT_EQ(Label(rig, 1), toolkit.Text(QStringLiteral("left_click_text")));

    buttons.key = KeyCombination{0x3A, profile::kModifierCtrl};
    rig.session->Controller().Notify(toolkit::NotifyType::kClick, "ms_5_btn_key_3", 0);
    rig.session->OnMenuItem(QStringLiteral("ms_5_shortcut"));
    EXPECT_EQ(Label(rig, 3), QStringLiteral("Ctrl+F1"));
    buttons.macro = MacroSelection{0, 0, 5};
    rig.session->Controller().Notify(toolkit::NotifyType::kClick, "ms_5_btn_key_4", 0);
    rig.session->OnMenuItem(QStringLiteral("ms_5_select_macro"));
    EXPECT_EQ(Label(rig, 4), QStringLiteral("Macro: Burst"));

    const QString english_click = Label(rig, 1);
    rig.window->SwitchLanguage(app::kLanguagePolish);
    EXPECT_NE(Label(rig, 1), english_click);
    EXPECT_EQ(Label(rig, 1), toolkit.Text(QStringLiteral("left_click_text")));
    EXPECT_EQ(Label(rig, 3), toolkit.Text(QStringLiteral("keyboard_ctrl_text")) +
                                 QStringLiteral("+") + toolkit.Text(QStringLiteral("key_F1")));
    EXPECT_EQ(Label(rig, 4), QStringLiteral("Makro: Burst"));
    rig.Destroy();
}

TEST(ButtonWindows, MacroDialogTakesDigitsOnlyAndCorrectsTheCount) {
    test::SessionRig rig;
    rig.Build(sim::SimLink::kWired);
    ASSERT_TRUE(rig.window);
    const macro::MacroList macros = Macros({u"One", u"Two"});
    {
        SelectMacroDialog dialog(rig.toolkit, macros, MacroSelection{});
        ASSERT_TRUE(dialog.Create(rig.window.get())) << dialog.LoadError().toStdString();
        dialog.Show();
        auto* list = dialog.Find<QListWidget>(QStringLiteral("list_macro"));
        auto* edit = dialog.Find<QLineEdit>(QStringLiteral("edit_loop_time"));
        auto* loop_time = dialog.Find<QWidget>(QStringLiteral("hor_loop_time"));
        ASSERT_EQ(list->count(), 2);
        EXPECT_EQ(list->currentRow(), -1);
        EXPECT_EQ(edit->text(), QStringLiteral("1"));
        EXPECT_FALSE(loop_time->isHidden());

        QTest::mouseClick(dialog.Find<QRadioButton>(QStringLiteral("repeat_2")), Qt::LeftButton);
        EXPECT_TRUE(test::WaitUntil([&] { return loop_time->isHidden(); }));
        QTest::mouseClick(dialog.Find<QRadioButton>(QStringLiteral("repeat_1")), Qt::LeftButton);
        EXPECT_TRUE(test::WaitUntil([&] { return !loop_time->isHidden(); }));

        list->setFocus();
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                          list->visualItemRect(list->item(1)).center());
        edit->clear();
        QTest::keyClicks(edit, QStringLiteral("3a0x0"));
        EXPECT_TRUE(test::WaitUntil([&] { return edit->text() == QStringLiteral("300"); }));
        QTest::mouseClick(dialog.Find<QPushButton>(QStringLiteral("btn_ok")), Qt::LeftButton);
        test::WaitUntil([&] { return edit->text() == QStringLiteral("255"); }, 500);
        EXPECT_EQ(edit->text(), QStringLiteral("255"));
        EXPECT_EQ(dialog.Value().repeat, 255);
        EXPECT_EQ(dialog.Value().index, 1);
        EXPECT_EQ(dialog.Value().loop_mode, 0);
    }
    rig.Destroy();
}

}  // namespace
}  // namespace talvik::page
