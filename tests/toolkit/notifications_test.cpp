#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QStyle>
#include <QStyleOptionButton>
#include <QTest>
#include <memory>

#include "test_support.h"

namespace talvik::toolkit::test {
namespace {

class NotificationsTest : public ::testing::Test {
protected:
    void SetUp() override {
        toolkit_.SetResourceDir(TestResDir());
        toolkit_.RegisterWidgetClass(QStringLiteral("TestPalette"),
                                     [](QWidget* parent) { return new TestPalette(parent); });
        ASSERT_TRUE(toolkit_.LoadLanguage(QStringLiteral("lan/A.xml")));
        window_ = std::make_unique<RecordingWindow>(toolkit_, QStringLiteral("controls.xml"));
        ASSERT_TRUE(window_->Create()) << window_->LoadError().toStdString();
        window_->Show();
        window_->Widget()->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window_->Widget()));
        window_->notifications.clear();
    }

    template <class T>
    T* Get(const char* name) {
        T* control = window_->Find<T>(QString::fromLatin1(name));
        EXPECT_NE(control, nullptr) << name;
        return control;
    }

    // The recorded notifications of one type, as "sender=wparam".
    QStringList Of(NotifyType type) const {
        QStringList out;
        for (const Notification& n : window_->notifications) {
            if (n.type == type) {
                out << QStringLiteral("%1=%2").arg(n.sender_name).arg(n.wparam);
            }
        }
        return out;
    }

    static QPoint IndicatorCentre(QCheckBox* box) {
        QStyleOptionButton option;
        option.initFrom(box);
        return box->style()->subElementRect(QStyle::SE_CheckBoxIndicator, &option, box).center();
    }

    Toolkit toolkit_;
    std::unique_ptr<RecordingWindow> window_;
};

TEST_F(NotificationsTest, ButtonsChecksAndOptionsRaiseTheirTypes) {
    QTest::mouseClick(Get<QPushButton>("btn"), Qt::LeftButton);
    EXPECT_EQ(Of(NotifyType::kClick), QStringList{"btn=0"});

    auto* check = Get<QCheckBox>("check");
    QTest::mouseClick(check, Qt::LeftButton, {}, IndicatorCentre(check));
    QTest::mouseClick(check, Qt::LeftButton, {}, IndicatorCentre(check));
    EXPECT_EQ(Of(NotifyType::kCheckClick), (QStringList{"check=1", "check=0"}));
    EXPECT_FALSE(check->isChecked());

    // Only the option that becomes selected speaks; clicking it again says nothing.
    auto* second = Get<QRadioButton>("opt_2");
    QTest::mouseClick(second, Qt::LeftButton, {}, QPoint(6, second->height() / 2));
    QTest::mouseClick(second, Qt::LeftButton, {}, QPoint(6, second->height() / 2));
    auto* first = Get<QRadioButton>("opt_1");
    QTest::mouseClick(first, Qt::LeftButton, {}, QPoint(6, first->height() / 2));
    EXPECT_EQ(Of(NotifyType::kSelectChanged), (QStringList{"opt_2=1", "opt_1=1"}));
    EXPECT_TRUE(first->isChecked());
    EXPECT_TRUE(Of(NotifyType::kClick).size() == 1) << "options and checks raise no click";
}

TEST_F(NotificationsTest, ComboAndListRaiseItemSelectWithTheNewIndex) {
    auto* combo = Get<QComboBox>("combo");
    combo->setFocus();
    QTest::keyClick(combo, Qt::Key_Down);
    QTest::keyClick(combo, Qt::Key_Down);
    QTest::keyClick(combo, Qt::Key_Down);  // already the last item: no change, no notification
    EXPECT_EQ(Of(NotifyType::kItemSelect), (QStringList{"combo=1", "combo=2"}));

    window_->notifications.clear();
    auto* list = Get<QListWidget>("list");
    const QPoint row2 = list->visualItemRect(list->item(2)).center();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, row2);
    QTest::keyClick(list, Qt::Key_Up);
    EXPECT_EQ(Of(NotifyType::kItemSelect), (QStringList{"list=2", "list=1"}));
    EXPECT_EQ(list->currentRow(), 1);
}

TEST_F(NotificationsTest, SliderRaisesValueChangedForKeysWheelAndMouse) {
    auto* slider = Get<QSlider>("slider");
    slider->setFocus();
    QTest::keyClick(slider, Qt::Key_Right);
    QTest::keyClick(slider, Qt::Key_PageUp);
    QTest::keyClick(slider, Qt::Key_Home);
    QTest::keyClick(slider, Qt::Key_Home);  // at the minimum: nothing changes
    EXPECT_EQ(Of(NotifyType::kValueChanged), (QStringList{"slider=1", "slider=11", "slider=0"}));

    window_->notifications.clear();
    QWheelEvent wheel(QPointF(5, 5), slider->mapToGlobal(QPointF(5, 5)), QPoint(), QPoint(0, 120),
                      Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(slider, &wheel);
    ASSERT_EQ(Of(NotifyType::kValueChanged).size(), 1);
    EXPECT_EQ(window_->notifications.back().wparam, slider->value());
    EXPECT_GT(slider->value(), 0);

    // A click far right on the groove moves the slider by pages (absolute set styles jump):
    // either way the user moved it and the new value is announced.
    window_->notifications.clear();
    const int before = slider->value();
    QTest::mouseClick(slider, Qt::LeftButton, {},
                      QPoint(slider->width() - 3, slider->height() / 2));
    ASSERT_NE(slider->value(), before);
    ASSERT_FALSE(Of(NotifyType::kValueChanged).isEmpty());
    EXPECT_EQ(window_->notifications.back().wparam, slider->value());
}

TEST_F(NotificationsTest, EditsRaiseTextChangedReturnAndFocusChanges) {
    auto* edit = Get<QLineEdit>("edit");
    auto* edit2 = Get<QLineEdit>("edit2");
    edit->setFocus();
    ASSERT_TRUE(edit->hasFocus());
    window_->notifications.clear();
    QTest::keyClicks(edit, QStringLiteral("ab"));
    QTest::keyClick(edit, Qt::Key_Return);
    QTest::keyClick(edit, Qt::Key_Enter);  // the keypad's Enter counts too
    edit2->setFocus();
    EXPECT_EQ(edit->text(), QStringLiteral("ab"));
    EXPECT_EQ(Of(NotifyType::kTextChanged), (QStringList{"edit=0", "edit=0"}));
    EXPECT_EQ(Of(NotifyType::kReturn), (QStringList{"edit=0", "edit=0"}));
    EXPECT_EQ(Of(NotifyType::kKillFocus), QStringList{"edit=0"});
    EXPECT_EQ(Of(NotifyType::kSetFocus), QStringList{"edit2=0"});
    // Focus leaves edit before edit2 gets it.
    QStringList focus_order;
    for (const Notification& n : window_->notifications) {
        if (n.type == NotifyType::kKillFocus || n.type == NotifyType::kSetFocus) {
            focus_order << n.TypeName() + QLatin1Char(':') + n.sender_name;
        }
    }
    EXPECT_EQ(focus_order.mid(focus_order.size() - 2),
              (QStringList{"killfocus:edit", "setfocus:edit2"}));
}

TEST_F(NotificationsTest, PointerTimerAndColourNotifications) {
    auto* btn = Get<QPushButton>("btn");
    QEnterEvent enter(QPointF(2, 2), QPointF(2, 2), btn->mapToGlobal(QPointF(2, 2)));
    QApplication::sendEvent(btn, &enter);
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(btn, &leave);
    EXPECT_EQ(Of(NotifyType::kMouseEnter), QStringList{"btn=0"});
    EXPECT_EQ(Of(NotifyType::kMouseLeave), QStringList{"btn=0"});

    window_->SetControlTimer(btn, 7, 1);
    QTRY_VERIFY_WITH_TIMEOUT(!Of(NotifyType::kTimer).isEmpty(), 2000);
    window_->KillControlTimer(btn, 7);
    EXPECT_EQ(Of(NotifyType::kTimer).first(), QStringLiteral("btn=7"));

    auto* palette = window_->Find<TestPalette>(QStringLiteral("palette"));
    ASSERT_NE(palette, nullptr) << "registered widget class not created by the loader";
    QTest::mouseClick(palette, Qt::LeftButton);
    EXPECT_EQ(Of(NotifyType::kColorChanged), QStringList{"palette=0"});
    EXPECT_EQ(Of(NotifyType::kColorChangedButtonUp), QStringList{"palette=0"});
}

TEST_F(NotificationsTest, ProgrammaticChangesRaiseNothing) {
    Get<QCheckBox>("check")->setChecked(true);
    Get<QRadioButton>("opt_2")->setChecked(true);
    Get<QComboBox>("combo")->setCurrentIndex(2);
    Get<QListWidget>("list")->setCurrentRow(2);
    Get<QSlider>("slider")->setValue(40);
    Get<QLineEdit>("edit")->setText(QStringLiteral("set by code"));
    window_->SetOptionSelected(Get<QRadioButton>("opt_2"), false, false);
    EXPECT_FALSE(Get<QRadioButton>("opt_2")->isChecked());
    EXPECT_TRUE(window_->notifications.empty()) << window_->Seen().join(' ').toStdString();

    // A later user choice of the item that code selected is not a change either.
    auto* combo = Get<QComboBox>("combo");
    combo->setFocus();
    window_->notifications.clear();
    QTest::keyClick(combo, Qt::Key_Up);
    EXPECT_EQ(Of(NotifyType::kItemSelect), QStringList{"combo=1"});
}

TEST_F(NotificationsTest, SelectWithNotifyRaisesOnlyOnChange) {
    auto* combo = Get<QComboBox>("combo");
    auto* list = Get<QListWidget>("list");
    auto* option = Get<QRadioButton>("opt_2");
    window_->SelectWithNotify(combo, 2);
    window_->SelectWithNotify(combo, 2);
    window_->SelectWithNotify(combo, 9);  // out of range: ignored
    window_->SelectWithNotify(list, 1);
    window_->SetOptionSelected(option, true, true);
    window_->SetOptionSelected(option, false, true);
    EXPECT_EQ(Of(NotifyType::kItemSelect), (QStringList{"combo=2", "list=1"}));
    EXPECT_EQ(Of(NotifyType::kSelectChanged), (QStringList{"opt_2=1", "opt_2=0"}));
    EXPECT_EQ(combo->currentIndex(), 2);
    EXPECT_EQ(list->currentRow(), 1);
    EXPECT_FALSE(option->isChecked());
}

TEST_F(NotificationsTest, VirtualWindowGetsItsControlsNotifications) {
    std::vector<Notification> page_seen;
    NotifyTable table;
    table[NotifyType::kClick] = [&](const Notification& n) { page_seen.push_back(n); };
    table[NotifyType::kKillFocus] = [&](const Notification& n) { page_seen.push_back(n); };
    window_->RegisterVirtualWindow(QStringLiteral("MS_5_Page"), Get<QWidget>("page"), table);

    QTest::mouseClick(Get<QPushButton>("page_btn"), Qt::LeftButton);
    auto* page_edit = Get<QLineEdit>("page_edit");
    page_edit->setFocus();
    QTest::keyClicks(page_edit, QStringLiteral("x"));  // "textchanged" is not in the table
    Get<QLineEdit>("edit")->setFocus();
    QTest::mouseClick(Get<QPushButton>("btn"), Qt::LeftButton);

    ASSERT_GE(page_seen.size(), 2u);
    EXPECT_EQ(page_seen.front().type, NotifyType::kClick);
    EXPECT_EQ(page_seen.front().sender_name, QStringLiteral("page_btn"));
    EXPECT_EQ(page_seen.back().type, NotifyType::kKillFocus);
    EXPECT_EQ(page_seen.back().sender_name, QStringLiteral("page_edit"));
    for (const Notification& n : page_seen) {
        EXPECT_EQ(n.virtual_window, QStringLiteral("MS_5_Page"));
        EXPECT_TRUE(n.type == NotifyType::kClick || n.type == NotifyType::kKillFocus)
            << "types outside the table are dropped";
    }
    for (const Notification& n : window_->notifications) {
        EXPECT_TRUE(n.virtual_window.isEmpty());
        EXPECT_FALSE(n.sender_name.startsWith(QStringLiteral("page_")));
    }
    EXPECT_EQ(Of(NotifyType::kClick), QStringList{"btn=0"});

    window_->UnregisterVirtualWindow(QStringLiteral("MS_5_Page"));
    const size_t page_count = page_seen.size();
    QTest::mouseClick(Get<QPushButton>("page_btn"), Qt::LeftButton);
    EXPECT_EQ(page_seen.size(), page_count);
    EXPECT_EQ(Of(NotifyType::kClick), (QStringList{"btn=0", "page_btn=0"}));
}

TEST_F(NotificationsTest, NotificationsAreDeliveredOneAtATimeInOrder) {
    auto* check = Get<QCheckBox>("check");
    int depth = 0;
    int max_depth = 0;
    size_t delivered_inside = 99;
    window_->on_notify = [&](const Notification& n) {
        ++depth;
        max_depth = std::max(max_depth, depth);
        if (n.type == NotifyType::kClick) {
            // More user actions while the handler runs: they wait for it to return.
            const size_t before = window_->notifications.size();
            QTest::mouseClick(check, Qt::LeftButton, {}, IndicatorCentre(check));
            window_->SelectWithNotify(Get<QComboBox>("combo"), 1);
            delivered_inside = window_->notifications.size() - before;
        }
        --depth;
    };
    QTest::mouseClick(Get<QPushButton>("btn"), Qt::LeftButton);
    EXPECT_EQ(max_depth, 1);
    EXPECT_EQ(delivered_inside, 0u);
    QStringList kinds;
    for (const Notification& n : window_->notifications) {
        if (n.type == NotifyType::kClick || n.type == NotifyType::kCheckClick ||
            n.type == NotifyType::kItemSelect) {
            kinds << n.TypeName();
        }
    }
    EXPECT_EQ(kinds, (QStringList{"click", "checkclick", "itemselect"}));
}

}  // namespace
}  // namespace talvik::toolkit::test
