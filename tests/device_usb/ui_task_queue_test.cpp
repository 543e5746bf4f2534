#include "device/usb/ui_task_queue.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <string>
#include <thread>
#include <vector>

#include "../app/qt_wait.h"

namespace talvik::device {
namespace {

TEST(UiTaskQueue, RunsTasksFromOtherThreadsOnItsOwnThreadInPostingOrder) {
    UiTaskQueue queue;
    const UiPoster post = queue.poster();
    std::vector<int> seen;
    bool foreign_thread = false;
    const auto owner = std::this_thread::get_id();
    std::thread producer([&] {
        for (int i = 0; i < 2000; ++i) {
            post([&, i] {
                foreign_thread = foreign_thread || std::this_thread::get_id() != owner;
                seen.push_back(i);
            });
        }
    });
    producer.join();
    EXPECT_TRUE(seen.empty());  // nothing runs before the owner's event loop does
    ASSERT_TRUE(test::WaitUntil([&] { return seen.size() == 2000; }));
    EXPECT_FALSE(foreign_thread);
    for (int i = 0; i < 2000; ++i) {
        ASSERT_EQ(seen[i], i);
    }
}

// Stands for a window: its messages travel as posted events too.
class Recorder final : public QObject {
public:
    explicit Recorder(std::vector<std::string>& seen) : seen_(seen) {}

protected:
    void customEvent(QEvent*) override { seen_.push_back("message"); }

private:
    std::vector<std::string>& seen_;
};

TEST(UiTaskQueue, TasksAndWindowMessagesKeepOneArrivalOrder) {
    UiTaskQueue queue;
    std::vector<std::string> seen;
    Recorder window(seen);
    const UiPoster post = queue.poster();
    post([&] { seen.push_back("report 1"); });
    QCoreApplication::postEvent(&window, new QEvent(QEvent::User));
    post([&] { seen.push_back("report 2"); });
    ASSERT_TRUE(test::WaitUntil([&] { return seen.size() == 3; }));
    EXPECT_EQ(seen, (std::vector<std::string>{"report 1", "message", "report 2"}));
}

TEST(UiTaskQueue, PostingAfterTheQueueIsGoneDropsTheTask) {
    UiPoster post;
    bool ran = false;
    {
        UiTaskQueue queue;
        post = queue.poster();
        post([&] { ran = true; });
    }
    post([&] { ran = true; });
    QCoreApplication::processEvents();
    EXPECT_FALSE(ran);
}

}  // namespace
}  // namespace talvik::device
