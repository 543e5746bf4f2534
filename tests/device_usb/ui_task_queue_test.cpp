#include "device/usb/ui_task_queue.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <thread>
#include <vector>

#include "usb_fixture.h"

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
    ASSERT_TRUE(test::WaitFor([&] { return seen.size() == 2000; }));
    EXPECT_FALSE(foreign_thread);
    for (int i = 0; i < 2000; ++i) {
        ASSERT_EQ(seen[i], i);
    }
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
