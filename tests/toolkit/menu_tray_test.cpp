#include <gtest/gtest.h>

#include <QAction>
#include <QMenu>
#include <QTest>
#include <memory>

#include "app/toolkit/menu_command.h"
#include "app/toolkit/popup_menu.h"
#include "app/toolkit/tray_icon.h"
#include "test_support.h"

namespace talvik::toolkit::test {
namespace {

struct ReceivedCommand {
    uint32_t message = 0;
    QString name;
    QString user_data;
    QString text;
};

class MenuTest : public ::testing::Test {
protected:
    void SetUp() override {
        toolkit_.SetResourceDir(TestResDir());
        toolkit_.RegisterWidgetClass(QStringLiteral("TestPalette"),
                                     [](QWidget* parent) { return new TestPalette(parent); });
        ASSERT_TRUE(toolkit_.LoadLanguage(QStringLiteral("lan/A.xml")));
        owner_ = std::make_unique<RecordingWindow>(toolkit_, QStringLiteral("controls.xml"));
        ASSERT_TRUE(owner_->Create());
        owner_->on_message = [this](const Message& m) {
            if (m.message != msg::WM_MS5_MENU_CLICK) {
                return;
            }
            // The record lives only during the handler: copy it.
            const MenuCommand* command = owner_->DeliveredMenuCommand(m.wparam);
            ASSERT_NE(command, nullptr);
            received_.push_back({m.message, command->name, command->user_data, command->text});
        };
    }

    Toolkit toolkit_;
    std::unique_ptr<RecordingWindow> owner_;
    std::vector<ReceivedCommand> received_;
};

TEST_F(MenuTest, ChosenItemReachesTheOwnerWithNameUserDataAndText) {
    PopupMenu menu(*owner_);
    ASSERT_TRUE(menu.Load(QStringLiteral("menu.xml"))) << menu.Error().toStdString();
    EXPECT_EQ(menu.VisibleItemCount(), 2);
    ASSERT_NE(menu.Item(QStringLiteral("first")), nullptr);
    EXPECT_EQ(menu.Item(QStringLiteral("first"))->text(), QStringLiteral("Hello"));

    menu.Open(QPoint(100, 120));
    ASSERT_TRUE(QTest::qWaitForWindowExposed(menu.Menu()));
    EXPECT_EQ(menu.Menu()->pos(), QPoint(100, 120));
    QAction* second = menu.Item(QStringLiteral("second"));
    QTest::mouseClick(menu.Menu(), Qt::LeftButton, {},
                      menu.Menu()->actionGeometry(second).center());
    EXPECT_TRUE(received_.empty()) << "the choice is posted, not sent";
    QTRY_COMPARE_WITH_TIMEOUT(received_.size(), size_t{1}, 2000);
    EXPECT_EQ(received_[0].name, QStringLiteral("second"));
    EXPECT_EQ(received_[0].user_data, QStringLiteral("data-2"));
    EXPECT_EQ(received_[0].text, QStringLiteral("Literal"));
    EXPECT_FALSE(menu.Menu()->isVisible());
}

TEST_F(MenuTest, TrayMenuOfTheProgramHasItsTwoItems) {
    Toolkit program(SourceDir() + QStringLiteral("/res"));
    ASSERT_TRUE(program.LoadLanguage(QStringLiteral("lan/EN.xml")));
    RecordingWindow owner(program, QStringLiteral("msg.xml"));
    ASSERT_TRUE(owner.Create());
    PopupMenu menu(owner);
    ASSERT_TRUE(menu.Load(QStringLiteral("traymenu.xml")));
    EXPECT_EQ(menu.VisibleItemCount(), 2);
    ASSERT_NE(menu.Item(QStringLiteral("configuration")), nullptr);
    ASSERT_NE(menu.Item(QStringLiteral("exit")), nullptr);
    EXPECT_EQ(menu.Item(QStringLiteral("exit"))->text(), QStringLiteral("Exit"));
}

TEST_F(MenuTest, OpenMenuDumpsItsVisibleItemsWhenAsked) {
    toolkit_.SetDumpGeometry(true);
    PopupMenu menu(*owner_);
    ASSERT_TRUE(menu.Load(QStringLiteral("menu.xml")));
    testing::internal::CaptureStdout();
    menu.Open(QPoint(200, 100));
    QTest::qWait(1);
    QCoreApplication::processEvents();
    const QString out = QString::fromStdString(testing::internal::GetCapturedStdout());
    toolkit_.SetDumpGeometry(false);
    const QRect rect = menu.Menu()->actionGeometry(menu.Item(QStringLiteral("second")));
    const QPoint origin = menu.Menu()->mapToGlobal(rect.topLeft());
    EXPECT_TRUE(out.contains(QStringLiteral("GEOM menu.xml second %1 %2 %3 %4\n")
                                 .arg(origin.x())
                                 .arg(origin.y())
                                 .arg(rect.width())
                                 .arg(rect.height())))
        << out.toStdString();
    EXPECT_TRUE(out.contains(QStringLiteral("GEOM menu.xml first ")));
    EXPECT_FALSE(out.contains(QStringLiteral(" hidden "))) << out.toStdString();
}

TEST_F(MenuTest, BadMenuFilesLeaveAnEmptyMenu) {
    PopupMenu menu(*owner_);
    for (const char* file : {"menu_broken.xml", "no_such_menu.xml", "controls.xml"}) {
        EXPECT_FALSE(menu.Load(QString::fromLatin1(file))) << file;
        EXPECT_FALSE(menu.Error().isEmpty()) << file;
        EXPECT_EQ(menu.VisibleItemCount(), 0) << file;
    }
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
    TrayIcon tray(*owner_, QIcon(), QStringLiteral("Talvik Gaming Mouse"), msg::WM_MS5_TRAYICON);
    EXPECT_EQ(tray.IsShown(), QSystemTrayIcon::isSystemTrayAvailable());
    EXPECT_EQ(tray.Native()->toolTip(), QStringLiteral("Talvik Gaming Mouse"));
    emit tray.Native()->activated(QSystemTrayIcon::Trigger);
    emit tray.Native()->activated(QSystemTrayIcon::Context);
    QTRY_COMPARE_WITH_TIMEOUT(owner_->messages.size(), size_t{2}, 2000);
    EXPECT_EQ(owner_->messages[0].message, msg::WM_MS5_TRAYICON);
    EXPECT_EQ(owner_->messages[0].lparam, 0x202);
    EXPECT_EQ(owner_->messages[1].lparam, 0x205);
}

}  // namespace
}  // namespace talvik::toolkit::test
