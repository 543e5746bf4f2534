// The pop-up menu and the tray icon post their choices to the owning window.
#include <gtest/gtest.h>

#include <QAction>
#include <QMenu>
#include <QTest>
#include <memory>

#include "app/toolkit/menu_command.h"
#include "app/toolkit/popup_menu.h"
#include "app/toolkit/tray_icon.h"
#include "test_support.h"

namespace talvik::test {
namespace {

using toolkit::PopupMenu;

class MenuTest : public ::testing::Test {
protected:
    void SetUp() override {
        UseTestLayouts(toolkit_);
        owner_ = std::make_unique<RecordingWindow>(toolkit_, QStringLiteral("controls.xml"));
        ASSERT_TRUE(owner_->Create());
        owner_->on_message = [this](const Message& m) {
            if (m.message != msg::WM_MS5_MENU_CLICK) {
                return;
            }
            // The record lives only during the handler: copy it.
            const toolkit::MenuCommand* command = owner_->DeliveredMenuCommand(m.wparam);
            ASSERT_NE(command, nullptr);
            received_ << command->name + '|' + command->user_data + '|' + command->text;
        };
    }

    toolkit::Toolkit toolkit_;
    std::unique_ptr<RecordingWindow> owner_;
    QStringList received_;
};

TEST_F(MenuTest, ChosenItemIsPostedToTheOwnerWithNameUserDataAndText) {
    PopupMenu menu(*owner_);
    ASSERT_TRUE(menu.Load(QStringLiteral("menu.xml"))) << menu.Error().toStdString();
    EXPECT_EQ(menu.Item(QStringLiteral("first"))->text(), QStringLiteral("Hello"));
    menu.Open(QPoint(100, 120));
    ASSERT_TRUE(QTest::qWaitForWindowExposed(menu.Menu()));
    EXPECT_EQ(menu.Menu()->pos(), QPoint(100, 120));
    QAction* second = menu.Item(QStringLiteral("second"));
    QTest::mouseClick(menu.Menu(), Qt::LeftButton, {},
                      menu.Menu()->actionGeometry(second).center());
    EXPECT_TRUE(received_.empty()) << "the choice is posted, not sent";
    EXPECT_TRUE(WaitUntil([&] { return !received_.empty(); }));
    EXPECT_EQ(received_, QStringList{"second|data-2|Literal"});
    EXPECT_FALSE(menu.Menu()->isVisible());
}

TEST_F(MenuTest, ChoiceAfterTheOwnerIsGoneIsDropped) {
    auto menu = std::make_unique<PopupMenu>(*owner_);
    ASSERT_TRUE(menu->Load(QStringLiteral("menu.xml")));
    menu->Item(QStringLiteral("first"))->trigger();  // queued for the owner ...
    owner_.reset();                                  // ... which dies before handling it
    menu->Item(QStringLiteral("first"))->trigger();
    QCoreApplication::processEvents();
    EXPECT_TRUE(received_.empty());
}

TEST_F(MenuTest, TrayClicksArePostedAsMouseMessagesAndNoTrayIsFine) {
    toolkit::TrayIcon tray(*owner_, QIcon(), QStringLiteral("Tip"), msg::WM_MS5_TRAYICON);
    EXPECT_EQ(tray.Native()->toolTip(), QStringLiteral("Tip"));
    emit tray.Native()->activated(QSystemTrayIcon::Trigger);
    emit tray.Native()->activated(QSystemTrayIcon::Context);
    ASSERT_TRUE(WaitUntil([&] { return owner_->messages.size() == 2; }));
    EXPECT_EQ(owner_->messages[0].message, msg::WM_MS5_TRAYICON);
    EXPECT_EQ(owner_->messages[0].lparam, 0x202);
    EXPECT_EQ(owner_->messages[1].lparam, 0x205);
}

}  // namespace
}  // namespace talvik::test
