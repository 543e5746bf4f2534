#include "device/usb/reader_thread.h"

#include <gtest/gtest.h>
#include <poll.h>
#include <unistd.h>

#include <condition_variable>
#include <deque>
#include <mutex>

namespace talvik::device {
namespace {

// Plays back scripted reads: a report, a failed read, or (when the script is over) timeouts.
class ScriptedInput final : public platform::HidDevice {
public:
    explicit ScriptedInput(std::deque<std::optional<uint8_t>> script)
        : script_(std::move(script)) {}

    std::optional<std::size_t> Read(std::span<std::uint8_t> buffer, int) override {
        std::lock_guard lock(mutex_);
        if (script_.empty()) {
            return forever_failing_ ? std::nullopt : std::optional<std::size_t>(0);
        }
        const std::optional<uint8_t> next = script_.front();
        script_.pop_front();
        if (!next) {
            return std::nullopt;
        }
        buffer[0] = *next;
        return 1;
    }
    std::optional<std::size_t> Write(std::span<const std::uint8_t>) override { return 0; }
    std::optional<std::size_t> SendFeatureReport(std::span<const std::uint8_t>) override {
        return 0;
    }
    std::optional<std::size_t> GetFeatureReport(std::span<std::uint8_t>) override { return 0; }

    void FailForever() {
        std::lock_guard lock(mutex_);
        forever_failing_ = true;
    }

private:
    std::mutex mutex_;
    std::deque<std::optional<uint8_t>> script_;
    bool forever_failing_ = false;
};

struct Received {
    std::mutex mutex;
    std::condition_variable changed;
    std::vector<uint8_t> reports;
    int ended = 0;

    template <typename Pred>
    bool WaitFor(Pred pred) {
        std::unique_lock lock(mutex);
        return changed.wait_for(lock, std::chrono::seconds(10), pred);
    }
};

TEST(ReaderThread, AnInterruptedReadIsNotTheEndButAGoneDeviceIs) {
    auto input = std::make_shared<ScriptedInput>(
        std::deque<std::optional<uint8_t>>{1, std::nullopt, 2, std::nullopt, 3});
    Received got;
    ReaderThread reader(
        input, 10,
        [&](const ReadReport& r) {
            std::lock_guard lock(got.mutex);
            got.reports.push_back(r.bytes[0]);
            got.changed.notify_all();
        },
        [&] {
            std::lock_guard lock(got.mutex);
            ++got.ended;
            got.changed.notify_all();
        });
    ASSERT_TRUE(got.WaitFor([&] { return got.reports.size() == 3; }));
    EXPECT_EQ(got.reports, (std::vector<uint8_t>{1, 2, 3}));
    EXPECT_EQ(got.ended, 0);

    input->FailForever();
    ASSERT_TRUE(got.WaitFor([&] { return got.ended == 1; }));
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
