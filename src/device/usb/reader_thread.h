#pragma once

#include <array>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

#include "device/usb/receiver_family.h"
#include "platform/hid_device.h"

namespace talvik::device {

// One input report as read, with the moment the read returned.
struct ReadReport {
    std::array<uint8_t, kReportSize> bytes{};
    size_t length = 0;
    std::chrono::steady_clock::time_point read_at;
};

// A thread blocking on one input interface. Each report goes to `deliver` on this thread, which
// must only queue it for the UI thread. A stop request interrupts the read under way (a signal to
// the thread, and the device's InterruptRead), so an idle reader needs no periodic wake-up to see
// it; once RequestStop returned, `deliver` is not called again. A single failed read (an
// interrupted call) counts as an empty one; kReadFailuresForGone failed reads in a row (the
// receiver was pulled out) end the thread after one call of `ended`.
class ReaderThread {
public:
    static constexpr int kReadFailuresForGone = 3;
    static constexpr std::chrono::milliseconds kReadRetryPause{5};

    using Deliver = std::function<void(const ReadReport& report)>;
    using Ended = std::function<void()>;

    ReaderThread(std::shared_ptr<platform::HidDevice> input, int timeout_ms, Deliver deliver,
                 Ended ended);
    // Requests the stop and waits for the thread.
    ~ReaderThread();
    ReaderThread(const ReaderThread&) = delete;
    ReaderThread& operator=(const ReaderThread&) = delete;

    void RequestStop();
    bool finished() const { return finished_.load(std::memory_order_acquire); }

private:
    void Run();
    // Wakes the thread from the read it is blocked in, if it still runs.
    void Interrupt();

    std::shared_ptr<platform::HidDevice> input_;
    const int timeout_ms_;
    Deliver deliver_;
    Ended ended_;
    // Held while handing a report on, so a stop cannot cross a delivery, and while `input_` is
    // interrupted or released.
    std::mutex gate_;
    bool stopped_ = false;
    std::atomic<bool> stop_requested_{false};
    std::atomic<bool> finished_{false};
    std::thread thread_;
};

}  // namespace talvik::device
