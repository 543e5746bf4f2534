#include "device/usb/reader_thread.h"

#include <gtest/gtest.h>
#include <poll.h>
#include <unistd.h>

#include "receiver_rig.h"

namespace talvik::device {
namespace {

TEST(ReaderThread, AFailedReadIsNotTheEndButARunOfThemIs) {
    auto input = std::make_shared<test::FakeHid>();
    input->Queue({1});
    input->QueueFailure();
    input->QueueFailure();
    input->Queue({2});
    input->QueueFailure();
    input->Queue({3});
    std::mutex mutex;
    std::vector<uint8_t> reports;
    std::atomic<int> ended = 0;
    ReaderThread reader(
        input, 10,
        [&](const ReadReport& r) {
            std::lock_guard lock(mutex);
            reports.push_back(r.bytes[0]);
        },
        [&] { ++ended; });
    ASSERT_TRUE(test::Eventually([&] {
        std::lock_guard lock(mutex);
        return reports.size() == 3;
    }));
    EXPECT_EQ(reports, (std::vector<uint8_t>{1, 2, 3}));
    EXPECT_EQ(ended, 0);

    input->Pull();
    ASSERT_TRUE(test::Eventually([&] { return reader.finished(); }));
    EXPECT_EQ(ended, 1);
}

TEST(ReaderThread, NothingIsDeliveredOnceTheStopWasRequested) {
    auto input = std::make_shared<test::FakeHid>();
    std::atomic<int> delivered = 0;
    ReaderThread* reader = nullptr;
    input->on_report = [&] { reader->RequestStop(); };  // while the read is under way
    ReaderThread thread(
        input, 10, [&](const ReadReport&) { ++delivered; }, [] {});
    reader = &thread;
    input->Queue({1});
    ASSERT_TRUE(test::Eventually([&] { return thread.finished(); }));
    EXPECT_EQ(delivered, 0);
}

// Blocks in poll() on a pipe nobody writes to, without a limit, as a quiet hidraw node does.
class QuietNode final : public platform::HidDevice {
public:
    QuietNode() { EXPECT_EQ(pipe(fds_), 0); }
    ~QuietNode() override {
        close(fds_[0]);
        close(fds_[1]);
    }
    std::optional<std::size_t> Read(std::span<std::uint8_t>, int timeout_ms) override {
        pollfd entry{fds_[0], POLLIN, 0};
        entered_.store(true);
        return poll(&entry, 1, timeout_ms) < 0 ? std::nullopt : std::optional<std::size_t>(0);
    }
    std::optional<std::size_t> Write(std::span<const std::uint8_t>) override { return 0; }
    std::optional<std::size_t> SendFeatureReport(std::span<const std::uint8_t>) override {
        return 0;
    }
    std::optional<std::size_t> GetFeatureReport(std::span<std::uint8_t>) override { return 0; }

    std::atomic<bool> entered_{false};

private:
    int fds_[2] = {-1, -1};
};

// An idle reader sleeps in its read; stopping it must not wait for a report that never comes.
TEST(ReaderThread, StoppingWakesAReadBlockedWithoutALimit) {
    auto node = std::make_shared<QuietNode>();
    auto reader = std::make_unique<ReaderThread>(
        node, -1, [](const ReadReport&) {}, [] {});
    while (!node->entered_.load()) {
        std::this_thread::yield();
    }
    reader.reset();  // returns only once the thread has left the read
    EXPECT_EQ(node.use_count(), 1);
}

}  // namespace
}  // namespace talvik::device
