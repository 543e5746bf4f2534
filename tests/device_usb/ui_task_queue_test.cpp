#include "device/usb/ui_task_queue.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <thread>
#include <vector>

#include "../app/qt_wait.h"

namespace talvik::device {
namespace {

// Stands for a window: its messages travel as posted events too.
class Recorder final : public QObject {
public:
    explicit Recorder(std::vector<int>& seen) : seen_(seen) {}

protected:
    void customEvent(QEvent*) override { seen_.push_back(-1); }

private:
    std::vector<int>& seen_;
};

TEST(UiTaskQueue, TasksFromAnyThreadRunOnItsOwnInOneArrivalOrderWithWindowMessages) {
    UiTaskQueue queue;
    const UiPoster post = queue.poster();
    std::vector<int> seen;  // task numbers, -1 for the window's message
    Recorder window(seen);
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
    QCoreApplication::postEvent(&window, new QEvent(QEvent::User));
    post([&] { seen.push_back(2000); });
    EXPECT_TRUE(seen.empty());  // nothing runs before the owner's event loop does
    ASSERT_TRUE(test::WaitUntil([&] { return seen.size() == 2002; }));
    EXPECT_FALSE(foreign_thread);
    for (int i = 0; i < 2000; ++i) {
        ASSERT_EQ(seen[i], i);
    }
    EXPECT_EQ(seen[2000], -1);
    EXPECT_EQ(seen[2001], 2000);
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
