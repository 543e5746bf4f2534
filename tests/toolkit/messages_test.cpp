#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QGuiApplication>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <atomic>
#include <memory>
#include <thread>

#include "test_support.h"

namespace talvik::toolkit::test {
namespace {

constexpr uint32_t kTestMessage = 0x600;

class MessagesTest : public ::testing::Test {
protected:
    void SetUp() override {
        toolkit_.SetResourceDir(SourceDir() + QStringLiteral("/res"));
        ASSERT_TRUE(toolkit_.LoadLanguage(QStringLiteral("lan/EN.xml")));
        window_ = std::make_unique<RecordingWindow>(toolkit_, QStringLiteral("msg.xml"),
                                                    QStringList{"btn_ok", "btn_cancel"},
                                                    QStringLiteral("MsgWnd"));
        ASSERT_TRUE(window_->Create()) << window_->LoadError().toStdString();
    }

    Toolkit toolkit_;
    std::unique_ptr<RecordingWindow> window_;
};

TEST_F(MessagesTest, PostsFromAnotherThreadArriveInOrderOnTheUiThread) {
    constexpr int kCount = 500;
    std::thread poster([&] {
        for (int i = 0; i < kCount; ++i) {
            window_->Post(kTestMessage, static_cast<uintptr_t>(i), -i);
        }
    });
    poster.join();
    EXPECT_TRUE(window_->messages.empty()) << "posts are queued, not handled on the poster";
    QTRY_COMPARE_WITH_TIMEOUT(window_->messages.size(), size_t{kCount}, 5000);
    for (int i = 0; i < kCount; ++i) {
        EXPECT_EQ(window_->messages[i].wparam, static_cast<uintptr_t>(i));
        EXPECT_EQ(window_->messages[i].lparam, -i);
        EXPECT_TRUE(window_->messages[i].on_ui_thread);
    }
}

TEST_F(MessagesTest, HandlePostsFromAnyThreadAndDropsPostsAfterTheWindowIsGone) {
    TalvikWindowHandle* handle = window_->Handle();
    ASSERT_NE(handle, nullptr);
    std::thread poster([handle] { handle->post(handle->context, kTestMessage, 7, 8); });
    poster.join();
    QTRY_COMPARE_WITH_TIMEOUT(window_->messages.size(), size_t{1}, 2000);
    EXPECT_EQ(window_->messages[0].wparam, 7u);
    EXPECT_EQ(window_->messages[0].lparam, 8);

    // A queued post dies with the window; a late post through the handle goes nowhere.
    window_->Post(kTestMessage, 1, 1);
    window_.reset();
    std::thread late([handle] { handle->post(handle->context, kTestMessage, 9, 9); });
    late.join();
    QCoreApplication::processEvents();
}

TEST_F(MessagesTest, SendIsSynchronousOnTheUiThreadAndRefusedElsewhere) {
    EXPECT_TRUE(window_->Send(kTestMessage, 3, 4));
    ASSERT_EQ(window_->messages.size(), 1u);
    EXPECT_EQ(window_->messages[0].wparam, 3u);

    std::atomic<bool> result{true};
    std::thread sender([&] { result = window_->Send(kTestMessage, 5, 6); });
    sender.join();
    QCoreApplication::processEvents();
    EXPECT_FALSE(result.load());
    EXPECT_EQ(window_->messages.size(), 1u);
}

TEST_F(MessagesTest, TimersSetAndKilledFromAnotherThreadRunOnTheUiThread) {
    std::thread setter([&] { window_->SetTimer(42, 1); });
    setter.join();
    QTRY_VERIFY_WITH_TIMEOUT(window_->timer_ticks.size() >= 2, 2000);  // it repeats
    EXPECT_EQ(window_->timer_ticks[0], 42);
    EXPECT_TRUE(window_->HasTimer(42));

    std::thread killer([&] { window_->KillTimer(42); });
    killer.join();
    QTRY_VERIFY_WITH_TIMEOUT(!window_->HasTimer(42), 2000);
    const size_t ticks = window_->timer_ticks.size();
    QTest::qWait(20);
    EXPECT_EQ(window_->timer_ticks.size(), ticks);

    // Set and kill from one thread keep their order: the timer never runs.
    std::thread both([&] {
        window_->Post(kTestMessage, 1, 0);
        window_->SetTimer(43, 0);
        window_->KillTimer(43);
        window_->Post(kTestMessage, 2, 0);
    });
    both.join();
    QTRY_COMPARE_WITH_TIMEOUT(window_->messages.size(), size_t{2}, 2000);
    QCoreApplication::processEvents();
    EXPECT_FALSE(window_->HasTimer(43));
    EXPECT_EQ(std::count(window_->timer_ticks.begin(), window_->timer_ticks.end(), 43), 0);
}

TEST_F(MessagesTest, TimerKilledInsideItsOwnHandlerFiresOnce) {
    window_->on_timer = [&](int id) { window_->KillTimer(id); };
    window_->SetTimer(52, 0);
    window_->SetTimer(52, 1);  // a running id is restarted, not doubled
    QTRY_COMPARE_WITH_TIMEOUT(window_->timer_ticks.size(), size_t{1}, 2000);
    QTest::qWait(10);
    EXPECT_EQ(window_->timer_ticks.size(), 1u);
    EXPECT_FALSE(window_->HasTimer(52));
}

TEST_F(MessagesTest, ShowModalReturnsTheCloseCode) {
    window_->on_notify = [&](const Notification& n) {
        if (n.type != NotifyType::kClick) {
            return;
        }
        window_->Close(n.sender_name == QLatin1String("btn_ok") ? 1 : 0);
    };
    std::vector<int> closed;
    QObject::connect(window_.get(), &Window::closed, [&](int code) { closed.push_back(code); });

    QTimer::singleShot(0, [&] {
        window_->Post(kTestMessage, 11, 0);  // messages keep flowing during the modal loop
        QTimer::singleShot(0, [&] {
            QTest::mouseClick(window_->Find<QPushButton>(QStringLiteral("btn_ok")), Qt::LeftButton);
        });
    });
    EXPECT_EQ(window_->ShowModal(), 1);
    EXPECT_FALSE(window_->Widget()->isVisible());
    ASSERT_EQ(window_->messages.size(), 1u);

    QTimer::singleShot(0, [&] {
        QTest::mouseClick(window_->Find<QPushButton>(QStringLiteral("btn_cancel")), Qt::LeftButton);
    });
    EXPECT_EQ(window_->ShowModal(), 0);
    EXPECT_EQ(closed, (std::vector<int>{1, 0}));
}

TEST_F(MessagesTest, ClosingAModalWindowAnyOtherWayReturnsZero) {
    // Closed by the window manager.
    std::vector<int> closed;
    QObject::connect(window_.get(), &Window::closed, [&](int code) { closed.push_back(code); });
    QTimer::singleShot(0, [&] { window_->Widget()->close(); });
    EXPECT_EQ(window_->ShowModal(), 0);
    EXPECT_EQ(closed, std::vector<int>{0});

    // Escape in a dialog.
    window_->Close(1);  // a code given outside the modal loop does not stick
    QTimer::singleShot(0, [&] { QTest::keyClick(window_->Widget(), Qt::Key_Escape); });
    EXPECT_EQ(window_->ShowModal(), 0);
}

TEST_F(MessagesTest, CenterWindowCentresOnTheScreen) {
    window_->Widget()->resize(300, 200);
    window_->CenterWindow();
    const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
    const QRect frame = window_->Widget()->frameGeometry();
    EXPECT_LE(std::abs(frame.center().x() - area.center().x()), 1);
    EXPECT_LE(std::abs(frame.center().y() - area.center().y()), 1);
}

}  // namespace
}  // namespace talvik::toolkit::test
