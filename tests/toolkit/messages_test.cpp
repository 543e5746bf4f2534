// Window messages and timers cross from any thread to the UI thread; modal windows; pop-up menus
// and the tray icon post to their owner.
#include <gtest/gtest.h>

#include <QAction>
#include <QGuiApplication>
#include <QMenu>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <memory>
#include <thread>

#include "app/toolkit/menu_command.h"
#include "app/toolkit/popup_menu.h"
#include "app/toolkit/tray_icon.h"
#include "test_support.h"

namespace talvik::test {
namespace {

constexpr uint32_t kTestMessage = 0x600;

class MessagesTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(toolkit_.LoadLanguage(QStringLiteral("lan/EN.xml")));
        window_ = std::make_unique<RecordingWindow>(toolkit_, QStringLiteral("msg.xml"));
        ASSERT_TRUE(window_->Create()) << window_->LoadError().toStdString();
    }

    toolkit::Toolkit toolkit_{ResDir()};
    std::unique_ptr<RecordingWindow> window_;
};

TEST_F(MessagesTest, PostsFromAnotherThreadArriveInOrderOnTheUiThread) {
    constexpr int kCount = 500;
    TalvikWindowHandle* handle = window_->Handle();
    std::thread([&] {
        for (int i = 0; i < kCount; ++i) {
            window_->Post(kTestMessage, static_cast<uintptr_t>(i), -i);
        }
        handle->post(handle->context, kTestMessage, kCount, 8);  // the libraries' way in
    }).join();
    EXPECT_TRUE(window_->messages.empty()) << "posts are queued, not handled on the poster";
    ASSERT_TRUE(WaitUntil([&] { return window_->messages.size() == kCount + 1; }, 5000));
    for (int i = 0; i <= kCount; ++i) {
        EXPECT_EQ(window_->messages[i].wparam, static_cast<uintptr_t>(i));
        EXPECT_TRUE(window_->messages[i].on_ui_thread);
    }
    EXPECT_EQ(window_->messages[kCount].lparam, 8);

    // A queued post dies with the window; a late post through the handle goes nowhere.
    window_->Post(kTestMessage, 1, 1);
    window_.reset();
    std::thread([handle] { handle->post(handle->context, kTestMessage, 9, 9); }).join();
    QCoreApplication::processEvents();
}

TEST_F(MessagesTest, TimersSetAndKilledFromAnyThreadRunOnTheUiThreadInPostingOrder) {
    std::vector<int>& ticks = window_->timer_ticks;
    std::thread([&] { window_->SetTimer(42, 1); }).join();
    ASSERT_TRUE(WaitUntil([&] { return ticks.size() >= 2; }));  // it repeats
    EXPECT_EQ(ticks[0], 42);
    // Set and kill from one thread keep their order: 43 never runs.
    std::thread([&] {
        window_->KillTimer(42);
        window_->SetTimer(43, 0);
        window_->KillTimer(43);
        window_->Post(kTestMessage, 2, 0);
    }).join();
    ASSERT_TRUE(WaitUntil([&] { return window_->messages.size() == 1; }));
    const size_t before = ticks.size();
    QTest::qWait(20);
    EXPECT_EQ(ticks.size(), before);
    EXPECT_FALSE(window_->HasTimer(42) || window_->HasTimer(43));
    EXPECT_EQ(std::count(ticks.begin(), ticks.end(), 43), 0);

    // Killed inside its own handler, a timer fires once; a running id is restarted, not doubled.
    window_->on_timer = [&](int id) { window_->KillTimer(id); };
    window_->SetTimer(52, 0);
    window_->SetTimer(52, 1);
    ASSERT_TRUE(WaitUntil([&] { return ticks.size() > before; }));
    QTest::qWait(10);
    EXPECT_EQ(ticks.size(), before + 1);
    EXPECT_FALSE(window_->HasTimer(52));
}

TEST_F(MessagesTest, CenteredModalLoopKeepsMessagesFlowingAndReturnsTheCloseCode) {
    window_->Widget()->resize(300, 200);
    window_->CenterWindow();
    const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
    const QPoint offset = window_->Widget()->frameGeometry().center() - area.center();
    EXPECT_LE(offset.manhattanLength(), 2);

    std::vector<int> closed;
    QObject::connect(window_.get(), &toolkit::Window::closed,
                     [&](int code) { closed.push_back(code); });
    QTimer::singleShot(0, [&] {
        window_->Post(kTestMessage, 11, 0);
        QTimer::singleShot(0, [&] { window_->Close(1); });
    });
    EXPECT_EQ(window_->ShowModal(), 1);
    EXPECT_FALSE(window_->Widget()->isVisible());
    EXPECT_EQ(window_->messages.size(), 1u);

    QTimer::singleShot(0, [&] { window_->Widget()->close(); });  // by the window manager
    EXPECT_EQ(window_->ShowModal(), 0);
    EXPECT_EQ(closed, (std::vector<int>{1, 0}));
    window_->Close(1);  // a code given outside the modal loop does not stick
    QTimer::singleShot(0, [&] { QTest::keyClick(window_->Widget(), Qt::Key_Escape); });  // a dialog
    EXPECT_EQ(window_->ShowModal(), 0);
}

TEST_F(MessagesTest, MenuChoicesAndTrayClicksArePostedToTheOwnerWhileItLives) {
    QStringList chosen;
    window_->on_message = [&](const Message& m) {
        // The record lives only during the handler, and only its own message names it.
        EXPECT_EQ(window_->DeliveredMenuCommand(m.wparam + 1), nullptr);
        if (const auto* command = window_->DeliveredMenuCommand(m.wparam)) {
            chosen << command->name;
        }
    };
    toolkit::PopupMenu menu(*window_);
    ASSERT_TRUE(menu.Load(QStringLiteral("traymenu.xml"))) << menu.Error().toStdString();
    EXPECT_EQ(menu.Item(QStringLiteral("configuration"))->text(), QStringLiteral("Configuration"));
    menu.Open(QPoint(100, 120));
    ASSERT_TRUE(QTest::qWaitForWindowExposed(menu.Menu()));
    EXPECT_EQ(menu.Menu()->pos(), QPoint(100, 120));
    menu.Item(QStringLiteral("exit"))->trigger();
    EXPECT_TRUE(chosen.empty()) << "the choice is posted, not sent";
    EXPECT_TRUE(WaitUntil([&] { return !chosen.empty(); }));
    EXPECT_EQ(chosen, QStringList{"exit"});

    toolkit::TrayIcon tray(*window_, QIcon(), QStringLiteral("Tip"), msg::WM_MS5_TRAYICON);
    emit tray.Native()->activated(QSystemTrayIcon::Trigger);
    emit tray.Native()->activated(QSystemTrayIcon::Context);
    ASSERT_TRUE(WaitUntil([&] { return window_->messages.size() == 3; }));
    EXPECT_EQ(window_->messages[1].message, msg::WM_MS5_TRAYICON);
    EXPECT_EQ(window_->messages[1].lparam, 0x202);
    EXPECT_EQ(window_->messages[2].lparam, 0x205);

    menu.Item(QStringLiteral("configuration"))->trigger();  // queued for the owner ...
    window_.reset();                                        // ... which dies before handling it
    menu.Item(QStringLiteral("configuration"))->trigger();
    emit tray.Native()->activated(QSystemTrayIcon::Trigger);
    QCoreApplication::processEvents();
    EXPECT_EQ(chosen, QStringList{"exit"});
}

}  // namespace
}  // namespace talvik::test
