// Measures the receiver sets on the real hidapi and libudev against emulated receivers.
#include <dirent.h>
#include <hidapi.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "device/usb/hidapi_backend.h"
#include "device/usb/hotplug_monitor.h"
#include "device/usb/receiver_sets.h"
#include "device/usb/ui_task_queue.h"
#include "process_figures.h"
#include "usb_testbed.h"

namespace {

using talvik::bench::CountEntries;

using Clock = std::chrono::steady_clock;
using talvik::device::ReceiverFamily;

class Window final : public talvik::platform::MessageTarget {
public:
    void Post(uint32_t, uintptr_t, intptr_t) override {}
    void SetTimer(int id, int) override { running[id] = true; }
    void KillTimer(int id) override { running.erase(id); }
    std::map<int, bool> running;
};

class Sink final : public talvik::device::ReportSink {
public:
    void OnReceiverLive(ReceiverFamily, std::shared_ptr<talvik::platform::HidDevice>,
                        std::shared_ptr<talvik::platform::HidDevice>) override {
        ++live;
    }
    void OnHeartbeat(ReceiverFamily) override {}
    void OnReport(ReceiverFamily, std::span<const uint8_t> report) override {
        const auto now = Clock::now();
        const uint32_t seq = report[3] | report[4] << 8 | report[5] << 16;
        if (set != nullptr) {
            read_to_handler.push_back(now - set->current_read_at());
        }
        if (seq < queued_at.size()) {
            queue_to_handler.push_back(now - queued_at[seq]);
        }
        if (seq != next) {
            ++out_of_order;
        }
        next = seq + 1;
        ++count;
    }
    void OnReceiverRemoved(ReceiverFamily) override { ++removed; }

    talvik::device::ReceiverSet* set = nullptr;
    std::vector<Clock::time_point> queued_at;
    std::vector<Clock::duration> read_to_handler;
    std::vector<Clock::duration> queue_to_handler;
    uint32_t next = 0;
    int out_of_order = 0;
    size_t count = 0;
    int live = 0;
    int removed = 0;
};

// Runs the event loop, as the program's UI thread would, until `done` holds.
bool RunUntil(const std::function<bool()>& done, int timeout_ms) {
    QEventLoop loop;
    QDeadlineTimer deadline(timeout_ms);
    QTimer check;
    QObject::connect(&check, &QTimer::timeout, &loop, [&] {
        if (done() || deadline.hasExpired()) {
            loop.quit();
        }
    });
    check.start(10);
    if (!done()) {
        loop.exec();
    }
    return done();
}

long VoluntarySwitches(std::map<std::string, long>* per_thread) {
    long total = 0;
    DIR* dir = opendir("/proc/self/task");
    while (dirent* entry = readdir(dir)) {
        if (entry->d_name[0] == '.') {
            continue;
        }
        const std::string base = std::string("/proc/self/task/") + entry->d_name;
        std::ifstream status(base + "/status");
        std::string line;
        std::string name;
        long value = 0;
        while (std::getline(status, line)) {
            if (line.rfind("Name:", 0) == 0) {
                name = line.substr(6);
            }
            if (line.rfind("voluntary_ctxt_switches:", 0) == 0) {
                value = std::stol(line.substr(24));
            }
        }
        total += value;
        if (per_thread != nullptr) {
            (*per_thread)[std::string(entry->d_name) + " " + name] = value;
        }
    }
    closedir(dir);
    return total;
}

// Open files of the process, without the pseudo-terminal masters the testbed keeps for every
// node it ever emulated (umockdev does not close them when a device is removed).
int CountOpenFiles() {
    int count = 0;
    DIR* dir = opendir("/proc/self/fd");
    while (dirent* entry = readdir(dir)) {
        if (entry->d_name[0] == '.') {
            continue;
        }
        char target[256] = {};
        const std::string link = std::string("/proc/self/fd/") + entry->d_name;
        const ssize_t n = readlink(link.c_str(), target, sizeof target - 1);
        count += n > 0 && std::strcmp(target, "/dev/ptmx") == 0 ? 0 : 1;
    }
    closedir(dir);
    return count;
}

struct Rig {
    Rig(int read_timeout_ms) {
        hid_init();
        talvik::device::ReceiverEnv env;
        env.backend = &backend;
        env.window = &window;
        env.sink = &sink;
        env.post = ui.poster();
        env.read_timeout_ms = read_timeout_ms;
        sets = std::make_unique<talvik::device::ReceiverSets>(env);
        sink.set = &sets->set(ReceiverFamily::k24g);
    }
    talvik::test::UsbTestbed bed;
    talvik::device::UiTaskQueue ui;
    Window window;
    Sink sink;
    talvik::device::HidapiBackend backend;
    std::unique_ptr<talvik::device::ReceiverSets> sets;
};

const std::vector<talvik::test::InterfaceSpec> kReceiver = {{0x000B, 0x0000}, {0x000A, 0x0000}};

void Idle(int seconds, int read_timeout_ms) {
    Rig rig(read_timeout_ms);
    const int rx = rig.bed.AddReceiver(0x1D57, 0xFA60, kReceiver);
    talvik::device::HotplugMonitor monitor(
        [&](const talvik::device::DeviceEvent& e) { rig.sets->OnDeviceEvent(e); });
    monitor.Start();
    rig.sets->OpenAll();
    rig.bed.node(rx, 1).QueueReport({3, 0xC5, 0x80, 0, 0, 0});
    RunUntil([&] { return rig.sink.count == 1; }, 5000);
    std::map<std::string, long> before;
    std::map<std::string, long> after;
    const long start = VoluntarySwitches(&before);
    // The UI thread blocks in the event loop as the program's would.
    QEventLoop loop;
    QTimer::singleShot(seconds * 1000, &loop, &QEventLoop::quit);
    loop.exec();
    const long end = VoluntarySwitches(&after);
    std::printf("idle %d s, read timeout %d ms: %ld voluntary switches, %.2f/s (all threads)\n",
                seconds, read_timeout_ms, end - start, double(end - start) / seconds);
    for (const auto& [thread, value] : after) {
        std::printf("  %-32s %ld\n", thread.c_str(), value - before[thread]);
    }
}

double Percentile(std::vector<Clock::duration> values, double p) {
    if (values.empty()) {
        return 0;
    }
    std::sort(values.begin(), values.end());
    const size_t at = std::min(values.size() - 1, static_cast<size_t>(p * values.size()));
    return std::chrono::duration<double, std::milli>(values[at]).count();
}

void Latency(int rate, int seconds) {
    Rig rig(200);
    const int rx = rig.bed.AddReceiver(0x1D57, 0xFA60, kReceiver);
    rig.sets->OpenAll();
    const size_t total = static_cast<size_t>(rate) * seconds;
    rig.sink.queued_at.resize(total);
    talvik::test::HidrawNode& node = rig.bed.node(rx, 1);
    std::thread producer([&] {
        const auto start = Clock::now();
        for (size_t i = 0; i < total; ++i) {
            std::this_thread::sleep_until(start +
                                          std::chrono::nanoseconds(1'000'000'000LL * i / rate));
            rig.sink.queued_at[i] = Clock::now();
            node.QueueReport({3, 0xC5, 0x80, uint8_t(i), uint8_t(i >> 8), uint8_t(i >> 16)});
        }
    });
    const auto started = Clock::now();
    RunUntil([&] { return rig.sink.count >= total; }, (seconds + 30) * 1000);
    const double took = std::chrono::duration<double>(Clock::now() - started).count();
    producer.join();
    RunUntil([&] { return false; }, 300);  // stragglers
    std::printf(
        "flood %d/s for %d s: queued %zu, handled %zu, lost %zu, out of order %d, %.1f s\n"
        "  read -> handler   p50 %.3f ms  p99 %.3f ms  max %.3f ms\n"
        "  queued -> handler p50 %.3f ms  p99 %.3f ms  max %.3f ms\n",
        rate, seconds, total, rig.sink.count, total - std::min(total, rig.sink.count),
        rig.sink.out_of_order, took, Percentile(rig.sink.read_to_handler, 0.5),
        Percentile(rig.sink.read_to_handler, 0.99), Percentile(rig.sink.read_to_handler, 1.0),
        Percentile(rig.sink.queue_to_handler, 0.5), Percentile(rig.sink.queue_to_handler, 0.99),
        Percentile(rig.sink.queue_to_handler, 1.0));
}

void Plug(int cycles) {
    Rig rig(200);
    talvik::device::HotplugMonitor monitor(
        [&](const talvik::device::DeviceEvent& e) { rig.sets->OnDeviceEvent(e); });
    monitor.Start();
    rig.sets->OpenAll();
    int fds_first = 0;
    int threads_first = 0;
    int failures = 0;
    for (int cycle = 0; cycle < cycles; ++cycle) {
        const int rx = rig.bed.AddReceiver(0x1D57, 0xFA60, kReceiver);
        RunUntil([&] { return rig.window.running.count(54) > 0; }, 5000);
        RunUntil([] { return false; }, 20);  // the rest of the burst
        rig.sets->OnTimer(54);
        const int live = rig.sink.live;
        rig.bed.node(rx, 1).QueueReport({3, 0xC5, 0x80, 0, 0, 0});
        failures += RunUntil([&] { return rig.sink.live == live + 1; }, 5000) ? 0 : 1;
        const int removed = rig.sink.removed;
        rig.bed.Unplug(rx);
        failures += RunUntil([&] { return rig.sink.removed == removed + 1; }, 5000) ? 0 : 1;
        RunUntil([&] { return rig.sets->running_readers() == 0; }, 5000);
        rig.bed.Release(rx);
        const int fds = CountOpenFiles();
        const int threads = CountEntries("/proc/self/task");
        if (cycle == 0) {
            fds_first = fds;
            threads_first = threads;
        }
        if (cycle == 0 || cycle + 1 == cycles || (cycle + 1) % 50 == 0) {
            std::printf("cycle %3d: open files %d (without testbed pty masters), threads %d\n",
                        cycle + 1, fds, threads);
        }
    }
    std::printf("plug cycles %d: failures %d, open files %d -> %d, threads %d -> %d\n", cycles,
                failures, fds_first, CountOpenFiles(), threads_first,
                CountEntries("/proc/self/task"));
}

}  // namespace

int main(int argc, char** argv) {
    if (!talvik::test::EnsureUmockdevPreload(argc, argv)) {
        std::fprintf(stderr, "umockdev is not installed\n");
        return 77;
    }
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    QCoreApplication app(argc, argv);
    const std::string what = argc > 1 ? argv[1] : "all";
    const int timeout = argc > 2 ? std::atoi(argv[2]) : 2000;
    if (what == "idle" || what == "all") {
        Idle(10, timeout);
    }
    if (what == "latency" || what == "all") {
        Latency(1000, 10);
        Latency(8000, 10);
    }
    if (what == "latency1k") {
        Latency(1000, argc > 2 ? std::atoi(argv[2]) : 10);
    }
    if (what == "latency8k") {
        Latency(8000, argc > 2 ? std::atoi(argv[2]) : 10);
    }
    if (what == "plug" || what == "all") {
        Plug(200);
    }
    return 0;
}
