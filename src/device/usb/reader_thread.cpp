#include "device/usb/reader_thread.h"

#include <pthread.h>

#include <csignal>

#include "platform/trace.h"

namespace talvik::device {

namespace {

// Interrupts a reader's blocking read: ignored by default, so nothing else in the process minds
// it, but with a handler installed it ends the poll or read a reader is blocked in (EINTR).
constexpr int kWakeSignal = SIGURG;

void OnWakeSignal(int) {}

void InstallWakeHandler() {
    static std::once_flag once;
    std::call_once(once, [] {
        struct sigaction action {};
        action.sa_handler = OnWakeSignal;
        sigemptyset(&action.sa_mask);
        action.sa_flags = 0;  // no SA_RESTART: the blocked call must return
        sigaction(kWakeSignal, &action, nullptr);
    });
}

// How often a stopping reader is signalled again, for a signal that came just before it blocked.
constexpr std::chrono::milliseconds kWakeRepeat{2};

}  // namespace

ReaderThread::ReaderThread(std::shared_ptr<platform::HidDevice> input, int timeout_ms,
                           Deliver deliver, Ended ended)
    : input_(std::move(input)),
      timeout_ms_(timeout_ms),
      deliver_(std::move(deliver)),
      ended_(std::move(ended)),
      thread_((InstallWakeHandler(), [this] { Run(); })) {}

ReaderThread::~ReaderThread() {
    RequestStop();
    while (!finished()) {
        std::this_thread::sleep_for(kWakeRepeat);
        Interrupt();
    }
    if (thread_.joinable()) {
        thread_.join();
    }
}

void ReaderThread::RequestStop() {
    stop_requested_.store(true, std::memory_order_release);
    {
        std::lock_guard lock(gate_);
        stopped_ = true;
    }
    Interrupt();
}

void ReaderThread::Interrupt() {
    std::lock_guard lock(gate_);
    if (!input_) {
        return;  // the thread is past its reads
    }
    input_->InterruptRead();
    pthread_kill(thread_.native_handle(), kWakeSignal);
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
    std::shared_ptr<platform::HidDevice> input;
    {
        std::lock_guard lock(gate_);
        input = std::move(input_);
    }
    input.reset();
    finished_.store(true, std::memory_order_release);
}

}  // namespace talvik::device
