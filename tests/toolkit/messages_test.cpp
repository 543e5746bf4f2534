// Window messages and timers cross from any thread to the UI thread; modal windows.
#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <memory>
#include <thread>

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
    std::thread poster([&] {
        for (int i = 0; i < kCount; ++i) {
            window_->Post(kTestMessage, static_cast<uintptr_t>(i), -i);
        }
        handle->post(handle->context, kTestMessage, kCount, 8);  // the libraries' way in
    });
    poster.join();
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
    std::thread late([handle] { handle->post(handle->context, kTestMessage, 9, 9); });
    late.join();
    QCoreApplication::processEvents();
}

TEST_F(MessagesTest, TimersSetAndKilledFromAnotherThreadRunOnTheUiThread) {
    std::thread([&] { window_->SetTimer(42, 1); }).join();
    ASSERT_TRUE(WaitUntil([&] { return window_->timer_ticks.size() >= 2; }));  // it repeats
    EXPECT_EQ(window_->timer_ticks[0], 42);
    std::thread([&] { window_->KillTimer(42); }).join();
    ASSERT_TRUE(WaitUntil([&] { return !window_->HasTimer(42); }));
    const size_t ticks = window_->timer_ticks.size();
    QTest::qWait(20);
    EXPECT_EQ(window_->timer_ticks.size(), ticks);

    // Set and kill from one thread keep their order: the timer never runs.
    std::thread([&] {
        window_->SetTimer(43, 0);
        window_->KillTimer(43);
        window_->Post(kTestMessage, 2, 0);
    }).join();
    ASSERT_TRUE(WaitUntil([&] { return window_->messages.size() == 1; }));
    QCoreApplication::processEvents();
    EXPECT_FALSE(window_->HasTimer(43));
    EXPECT_EQ(std::count(window_->timer_ticks.begin(), window_->timer_ticks.end(), 43), 0);
}

TEST_F(MessagesTest, TimerKilledInsideItsOwnHandlerFiresOnce) {
    window_->on_timer = [&](int id) { window_->KillTimer(id); };
    window_->SetTimer(52, 0);
    window_->SetTimer(52, 1);  // a running id is restarted, not doubled
    ASSERT_TRUE(WaitUntil([&] { return !window_->timer_ticks.empty(); }));
    QTest::qWait(10);
    EXPECT_EQ(window_->timer_ticks.size(), 1u);
    EXPECT_FALSE(window_->HasTimer(52));
}

TEST_F(MessagesTest, ModalLoopKeepsMessagesFlowingAndReturnsTheCloseCode) {
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

TEST_F(MessagesTest, CenterWindowCentresOnTheScreen) {
    window_->Widget()->resize(300, 200);
    window_->CenterWindow();
    const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
    const QPoint offset = window_->Widget()->frameGeometry().center() - area.center();
    EXPECT_LE(offset.manhattanLength(), 2);
}

}  // namespace
}  // namespace talvik::test
