// A receiver flooding the real reader thread and UI hand-off: a fake 2.4G receiver behind the
// HidBackend seam produces timestamped reports at a fixed rate; the real receiver sets read them
// on their reader thread and post them through the UiTaskQueue onto this program's Qt event
// loop, where the sink checks their order and takes the read -> handler latency.
//   report_flood [RATE per second, default 8000] [SECONDS, default 10]
// Exit status 1 when a report was lost, duplicated or reordered, or reached the sink off the UI
// thread; the latency figures are printed, not judged.
#include <sys/resource.h>

#include <QCoreApplication>
#include <QTimer>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>

#include "device/usb/hid_backend.h"
#include "device/usb/receiver_sets.h"
#include "device/usb/ui_task_queue.h"

namespace {

using Clock = std::chrono::steady_clock;
using talvik::device::ReceiverFamily;
using Bytes = std::vector<std::uint8_t>;

// Report id 3, heartbeat marker, a type without effect, then the sequence number (4 bytes) and
// the moment the report was produced (8 bytes, steady-clock nanoseconds).
constexpr std::size_t kSeqAt = 3;
constexpr std::size_t kStampAt = 7;
constexpr std::size_t kFloodReportSize = 15;

Bytes MakeReport(std::uint32_t seq, Clock::time_point at) {
    Bytes r(kFloodReportSize, 0);
    r[0] = 3;
    r[1] = 0xC5;
    r[2] = 0x80;
    std::memcpy(&r[kSeqAt], &seq, sizeof seq);
    const std::int64_t ns = at.time_since_epoch().count();
    std::memcpy(&r[kStampAt], &ns, sizeof ns);
    return r;
}

// The receiver's input interface: blocking reads of what the producer queued.
class FloodInput final : public talvik::platform::HidDevice {
public:
    void Push(Bytes report) {
        {
            std::lock_guard lock(mutex_);
            queue_.push_back(std::move(report));
        }
        ready_.notify_one();
    }
    std::optional<std::size_t> Read(std::span<std::uint8_t> buffer, int timeout_ms) override {
        std::unique_lock lock(mutex_);
        const auto ready = [&] { return !queue_.empty(); };
        if (timeout_ms < 0) {
            ready_.wait(lock, ready);
        } else if (!ready_.wait_for(lock, std::chrono::milliseconds(timeout_ms), ready)) {
            return 0;
        }
        const Bytes report = std::move(queue_.front());
        queue_.pop_front();
        lock.unlock();
        const std::size_t n = std::min(report.size(), buffer.size());
        std::fill(buffer.begin(), buffer.end(), 0);
        std::copy_n(report.begin(), n, buffer.begin());
        return n;
    }
    std::optional<std::size_t> Write(std::span<const std::uint8_t> r) override { return r.size(); }
    std::optional<std::size_t> SendFeatureReport(std::span<const std::uint8_t> r) override {
        return r.size();
    }
    std::optional<std::size_t> GetFeatureReport(std::span<std::uint8_t> b) override {
        return b.size();
    }

private:
    std::mutex mutex_;
    std::condition_variable ready_;
    std::deque<Bytes> queue_;
};

// One 2.4G receiver: its command interface (never read here) and the flooding input.
class FloodBackend final : public talvik::device::HidBackend {
public:
    explicit FloodBackend(std::shared_ptr<FloodInput> input) : input_(std::move(input)) {}

    std::vector<talvik::device::HidInterfaceInfo> Enumerate(uint16_t vendor_id,
                                                            uint16_t product_id) override {
        const auto& traits = talvik::device::Traits(ReceiverFamily::k24g);
        if (vendor_id != traits.vendor_id || product_id != traits.product_id) {
            return {};
        }
        return {{"flood:command", traits.command, "flood"}, {"flood:input", traits.input, "flood"}};
    }
    std::shared_ptr<talvik::platform::HidDevice> Open(const std::string& path) override {
        if (path == "flood:input") {
            return input_;
        }
        return path == "flood:command" ? std::make_shared<FloodInput>() : nullptr;
    }

private:
    std::shared_ptr<FloodInput> input_;
};

class Window final : public talvik::platform::MessageTarget {
public:
    void Post(uint32_t, uintptr_t, intptr_t) override {}
    void SetTimer(int, int) override {}
    void KillTimer(int) override {}
};

class Sink final : public talvik::device::ReportSink {
public:
    void OnReceiverLive(ReceiverFamily, std::shared_ptr<talvik::platform::HidDevice>,
                        std::shared_ptr<talvik::platform::HidDevice>) override {}
    void OnHeartbeat(ReceiverFamily) override {}
    void OnReport(ReceiverFamily, std::span<const uint8_t> report) override {
        const Clock::time_point now = Clock::now();
        if (std::this_thread::get_id() != ui_thread) {
            ++off_thread;
        }
        std::uint32_t seq = 0;
        std::int64_t stamp = 0;
        std::memcpy(&seq, &report[kSeqAt], sizeof seq);
        std::memcpy(&stamp, &report[kStampAt], sizeof stamp);
        if (seq < next) {
            ++reordered;  // repeated or overtaken
        } else {
            gaps += seq - next;
            next = seq + 1;
        }
        ++handled;
        read_to_handler.push_back(now - set->current_read_at());
        produced_to_handler.push_back(now - Clock::time_point(Clock::duration(stamp)));
    }
    void OnReceiverRemoved(ReceiverFamily) override {}

    std::thread::id ui_thread = std::this_thread::get_id();
    talvik::device::ReceiverSet* set = nullptr;
    std::uint32_t next = 0;
    std::uint64_t gaps = 0;
    std::uint64_t reordered = 0;
    std::uint64_t off_thread = 0;
    std::uint64_t handled = 0;
    std::vector<Clock::duration> read_to_handler;
    std::vector<Clock::duration> produced_to_handler;
};

double Ms(Clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

double Percentile(std::vector<Clock::duration>& values, double p) {
    if (values.empty()) {
        return 0;
    }
    const std::size_t at = std::min(values.size() - 1, static_cast<std::size_t>(p * values.size()));
    std::nth_element(values.begin(), values.begin() + static_cast<std::ptrdiff_t>(at),
                     values.end());
    return Ms(values[at]);
}

double ThreadCpuSeconds() {
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) / 1e9;
}

double ProcessCpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto seconds = [](const timeval& t) {
        return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6;
    };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int rate = argc > 1 ? std::atoi(argv[1]) : 8000;
    const int seconds = argc > 2 ? std::atoi(argv[2]) : 10;
    if (rate <= 0 || seconds <= 0) {
        std::fprintf(stderr, "usage: %s [RATE per second] [SECONDS]\n", argv[0]);
        return 2;
    }
    const std::uint64_t total = static_cast<std::uint64_t>(rate) * seconds;

    auto input = std::make_shared<FloodInput>();
    FloodBackend backend(input);
    talvik::device::UiTaskQueue ui;
    Window window;
    Sink sink;
    sink.read_to_handler.reserve(total);
    sink.produced_to_handler.reserve(total);
    talvik::device::ReceiverEnv env;
    env.backend = &backend;
    env.window = &window;
    env.sink = &sink;
    env.post = ui.poster();
    talvik::device::ReceiverSets sets(env);
    sink.set = &sets.set(ReceiverFamily::k24g);
    sets.OpenAll();

    std::atomic<bool> stop{false};
    std::thread producer([&] {
        const Clock::time_point start = Clock::now();
        for (std::uint64_t i = 0; i < total && !stop; ++i) {
            std::this_thread::sleep_until(
                start +
                std::chrono::nanoseconds(1'000'000'000LL * static_cast<long long>(i) / rate));
            input->Push(MakeReport(static_cast<std::uint32_t>(i), Clock::now()));
        }
    });

    const Clock::time_point started = Clock::now();
    const double ui_cpu_start = ThreadCpuSeconds();
    const double process_cpu_start = ProcessCpuSeconds();
    // Done when everything arrived; a lost report ends the wait at the deadline instead.
    const Clock::time_point deadline = started + std::chrono::seconds(seconds + 10);
    QTimer check;
    QObject::connect(&check, &QTimer::timeout, &app, [&] {
        if (sink.handled + sink.reordered >= total || Clock::now() > deadline) {
            app.quit();
        }
    });
    check.start(50);
    app.exec();
    const double wall = std::chrono::duration<double>(Clock::now() - started).count();
    const double ui_cpu = ThreadCpuSeconds() - ui_cpu_start;
    const double process_cpu = ProcessCpuSeconds() - process_cpu_start;
    stop = true;
    producer.join();
    sets.StopReaders();

    const std::uint64_t lost = total - std::min(total, sink.handled);
    std::printf(
        "%d reports/s for %d s: produced %llu, handled %llu, lost %llu, gaps %llu, "
        "reordered %llu, off the UI thread %llu, %.2f s\n",
        rate, seconds, static_cast<unsigned long long>(total),
        static_cast<unsigned long long>(sink.handled), static_cast<unsigned long long>(lost),
        static_cast<unsigned long long>(sink.gaps), static_cast<unsigned long long>(sink.reordered),
        static_cast<unsigned long long>(sink.off_thread), wall);
    std::printf("  read -> handler     p50 %.3f ms  p99 %.3f ms  max %.3f ms\n",
                Percentile(sink.read_to_handler, 0.5), Percentile(sink.read_to_handler, 0.99),
                Percentile(sink.read_to_handler, 1.0));
    std::printf("  produced -> handler p50 %.3f ms  p99 %.3f ms  max %.3f ms\n",
                Percentile(sink.produced_to_handler, 0.5),
                Percentile(sink.produced_to_handler, 0.99),
                Percentile(sink.produced_to_handler, 1.0));
    std::printf("  UI thread CPU %.2f s of %.2f s (%.1f %%); whole process %.2f s (%.1f %%)\n",
                ui_cpu, wall, 100 * ui_cpu / wall, process_cpu, 100 * process_cpu / wall);
    return lost == 0 && sink.gaps == 0 && sink.reordered == 0 && sink.off_thread == 0 ? 0 : 1;
}
