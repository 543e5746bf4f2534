#include "device/usb/reader_thread.h"

#include "platform/trace.h"

namespace talvik::device {

ReaderThread::ReaderThread(std::shared_ptr<platform::HidDevice> input, int timeout_ms,
                           Deliver deliver, Ended ended)
    : input_(std::move(input)),
      timeout_ms_(timeout_ms),
      deliver_(std::move(deliver)),
      ended_(std::move(ended)),
      thread_([this] { Run(); }) {}

ReaderThread::~ReaderThread() {
    RequestStop();
    if (thread_.joinable()) {
        thread_.join();
    }
}

void ReaderThread::RequestStop() {
    stop_requested_.store(true, std::memory_order_release);
    std::lock_guard lock(gate_);
    stopped_ = true;
}

void ReaderThread::Run() {
    ReadReport report;
    int failures = 0;
    while (!stop_requested_.load(std::memory_order_acquire)) {
        report.bytes.fill(0);
        const std::optional<size_t> got = input_->Read(report.bytes, timeout_ms_);
        if (!got) {
            // A signal or a hiccup fails one read; a receiver that was pulled out fails every
            // read at once, so only a run of failures ends the thread.
            if (++failures < kReadFailuresForGone) {
                std::this_thread::sleep_for(kReadRetryPause);
                continue;
            }
            platform::Trace("reader: read failed, input interface gone\n");
            std::lock_guard lock(gate_);
            if (!stopped_ && ended_) {
                ended_();
            }
            break;
        }
        failures = 0;
        if (*got == 0) {
            continue;
        }
        report.length = std::min(*got, report.bytes.size());
        report.read_at = std::chrono::steady_clock::now();
        std::lock_guard lock(gate_);
        if (stopped_) {
            break;
        }
        deliver_(report);
    }
    // The interface closes here unless someone else still holds it.
    input_.reset();
    finished_.store(true, std::memory_order_release);
}

}  // namespace talvik::device
