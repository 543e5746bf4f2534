// What controls tell their window: one notification per user action, none for code, one at a
// time, and to the virtual window that holds the control.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QTest>
#include <memory>

#include "test_support.h"

namespace talvik::test {
namespace {

using toolkit::Notification;
using toolkit::NotifyType;

class NotificationsTest : public ::testing::Test {
protected:
    void SetUp() override {
        window_ = std::make_unique<RecordingWindow>(toolkit_, QStringLiteral("controls.xml"));
        ASSERT_TRUE(window_->Create()) << window_->LoadError().toStdString();
        window_->Show();
        window_->Widget()->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window_->Widget()));
        window_->notifications.clear();
    }

    template <class T = QWidget>
    T* Get(const char* name) {
        T* control = window_->Find<T>(QString::fromLatin1(name));
        EXPECT_NE(control, nullptr) << name;
        return control;
    }
    QStringList Of(NotifyType type) const { return window_->Of(type); }
    // On the indicator: a stretched box has no text beside its middle.
    static void ClickBox(QAbstractButton* box) {
        QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(6, box->height() / 2));
    }

    TestToolkit toolkit_;
    std::unique_ptr<RecordingWindow> window_;
};

TEST_F(NotificationsTest, UserActionsRaiseOneNotificationOfTheirType) {
    QTest::mouseClick(Get<QPushButton>("btn"), Qt::LeftButton);
    ClickBox(Get<QCheckBox>("check"));
    ClickBox(Get<QCheckBox>("check"));
    // Only the option that becomes selected speaks; clicking it again says nothing.
    for (const char* option : {"opt_2", "opt_2", "opt_1"}) {
        ClickBox(Get<QRadioButton>(option));
    }
    auto* combo = Get<QComboBox>("combo");
    combo->setFocus();
    for (int i = 0; i < 3; ++i) {
        QTest::keyClick(combo, Qt::Key_Down);  // the third is past the last item: no change
    }
    emit combo->activated(2);  // the current item chosen again in the list: no change
    auto* list = Get<QListWidget>("list");
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                      list->visualItemRect(list->item(2)).center());
    QTest::keyClick(list, Qt::Key_Up);
    // Keys, wheel and groove clicks all go through the slider's actions: keys stand for all.
    auto* slider = Get<QSlider>("slider");
    slider->setFocus();
    for (Qt::Key key : {Qt::Key_Right, Qt::Key_PageUp, Qt::Key_Home, Qt::Key_Home}) {
        QTest::keyClick(slider, key);  // the second Home changes nothing
    }
    auto* btn = Get<QPushButton>("btn");
    QEnterEvent enter(QPointF(2, 2), QPointF(2, 2), btn->mapToGlobal(QPointF(2, 2)));
    QApplication::sendEvent(btn, &enter);
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(btn, &leave);
    QTest::mouseClick(Get<TestPalette>("palette"), Qt::LeftButton);
    auto* edit = Get<QLineEdit>("edit");
    edit->setFocus();
    QTest::keyClicks(edit, QStringLiteral("ab"));
    QTest::keyClick(edit, Qt::Key_Return);
    QTest::keyClick(edit, Qt::Key_Enter);  // the keypad's Enter counts too
    Get<QLineEdit>("edit2")->setFocus();

    EXPECT_EQ(Of(NotifyType::kClick), QStringList{"btn=0"});
    EXPECT_EQ(Of(NotifyType::kCheckClick), (QStringList{"check=1", "check=0"}));
    EXPECT_EQ(Of(NotifyType::kSelectChanged), (QStringList{"opt_2=1", "opt_1=1"}));
    EXPECT_EQ(Of(NotifyType::kItemSelect), (QStringList{"combo=1", "combo=2", "list=2", "list=1"}));
    EXPECT_EQ(Of(NotifyType::kValueChanged), (QStringList{"slider=1", "slider=11", "slider=0"}));
    EXPECT_EQ(Of(NotifyType::kMouseEnter), QStringList{"btn=0"});
    EXPECT_EQ(Of(NotifyType::kMouseLeave), QStringList{"btn=0"});
    EXPECT_EQ(Of(NotifyType::kColorChanged), QStringList{"palette=0"});
    EXPECT_EQ(Of(NotifyType::kColorChangedButtonUp), QStringList{"palette=0"});
    EXPECT_EQ(Of(NotifyType::kTextChanged), (QStringList{"edit=0", "edit=0"}));
    EXPECT_EQ(Of(NotifyType::kReturn), (QStringList{"edit=0", "edit=0"}));
    EXPECT_EQ(Of(NotifyType::kKillFocus).last(), QStringLiteral("edit=0"));
    EXPECT_EQ(Of(NotifyType::kSetFocus).last(), QStringLiteral("edit2=0"));
    EXPECT_EQ(window_->notifications.back().type, NotifyType::kSetFocus) << "focus leaves first";
}

TEST_F(NotificationsTest, ChangesByCodeRaiseNothingUnlessAsked) {
    Get<QCheckBox>("check")->setChecked(true);
    Get<QRadioButton>("opt_2")->setChecked(true);
    Get<QListWidget>("list")->setCurrentRow(2);
    Get<QSlider>("slider")->setValue(40);
    Get<QLineEdit>("edit")->setText(QStringLiteral("set by code"));
    auto* combo = Get<QComboBox>("combo");
    combo->setCurrentIndex(2);
    EXPECT_TRUE(window_->notifications.empty());
    // A later user choice of the item that code selected is not a change either.
    combo->setFocus();
    QTest::keyClick(combo, Qt::Key_Up);
    EXPECT_EQ(Of(NotifyType::kItemSelect), QStringList{"combo=1"});

    auto* option = Get<QRadioButton>("opt_2");
    window_->SetOptionSelected(option, false, false);
    window_->SetOptionSelected(option, true, true);
    window_->SetOptionSelected(option, true, true);  // no change: nothing to tell
    window_->SetOptionSelected(option, false, true);
    EXPECT_EQ(Of(NotifyType::kSelectChanged), (QStringList{"opt_2=1", "opt_2=0"}));
    EXPECT_FALSE(option->isChecked());
}

TEST_F(NotificationsTest, VirtualWindowGetsItsControlsNotificationsOfItsTypes) {
    QStringList page_seen;
    toolkit::NotifyTable table;
    auto record = [&](const Notification& n) {
        page_seen << n.virtual_window + ':' + n.sender_name;
    };
    table[NotifyType::kClick] = record;
    table[NotifyType::kKillFocus] = record;
    window_->RegisterVirtualWindow(QStringLiteral("MS_5_Page"), Get("page"), table);

    QTest::mouseClick(Get<QPushButton>("page_btn"), Qt::LeftButton);
    auto* page_edit = Get<QLineEdit>("page_edit");
    page_edit->setFocus();
    QTest::keyClicks(page_edit, QStringLiteral("x"));  // "textchanged" is not in the table
    Get<QLineEdit>("edit")->setFocus();
    QTest::mouseClick(Get<QPushButton>("btn"), Qt::LeftButton);
    // The click, then the focus leaving the button and the edit.
    EXPECT_EQ(page_seen,
              (QStringList{"MS_5_Page:page_btn", "MS_5_Page:page_btn", "MS_5_Page:page_edit"}));
    for (const Notification& n : window_->notifications) {
        EXPECT_FALSE(n.sender_name.startsWith(QStringLiteral("page_")));
    }

    window_->UnregisterVirtualWindow(QStringLiteral("MS_5_Page"));
    QTest::mouseClick(Get<QPushButton>("page_btn"), Qt::LeftButton);
    EXPECT_EQ(page_seen.size(), 3);
    EXPECT_EQ(Of(NotifyType::kClick), (QStringList{"btn=0", "page_btn=0"}));

    // A dying window delivers nothing: the focused edit dies with it.
    window_->RegisterVirtualWindow(QStringLiteral("MS_5_Page"), Get("page"), table);
    page_edit->setFocus();
    const qsizetype seen = page_seen.size();
    window_.reset();
    EXPECT_EQ(page_seen.size(), seen);
}

TEST_F(NotificationsTest, NotificationsAreDeliveredOneAtATimeInOrder) {
    int depth = 0;
    int max_depth = 0;
    size_t delivered_inside = 99;
    window_->on_notify = [&](const Notification& n) {
        max_depth = std::max(max_depth, ++depth);
        if (n.type == NotifyType::kClick) {
            // More user actions while the handler runs: they wait for it to return.
            const size_t before = window_->notifications.size();
            ClickBox(Get<QCheckBox>("check"));
            window_->SetOptionSelected(Get<QRadioButton>("opt_2"), true, true);
            delivered_inside = window_->notifications.size() - before;
        }
        --depth;
    };
    QTest::mouseClick(Get<QPushButton>("btn"), Qt::LeftButton);
    EXPECT_EQ(max_depth, 1);
    EXPECT_EQ(delivered_inside, 0u);
    std::vector<NotifyType> kinds;
    for (const Notification& n : window_->notifications) {
        if (n.type != NotifyType::kKillFocus && n.type != NotifyType::kSetFocus) {
            kinds.push_back(n.type);
        }
    }
    EXPECT_EQ(kinds, (std::vector<NotifyType>{NotifyType::kClick, NotifyType::kCheckClick,
                                              NotifyType::kSelectChanged}));
}

}  // namespace
}  // namespace talvik::test
