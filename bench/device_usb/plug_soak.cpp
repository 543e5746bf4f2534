// Plug cycles of the virtual mouse's 2.4G receiver in one process, with reports flowing: the
// real receiver sets, reader threads and UI task queue on a Qt event loop, behind the virtual
// mouse's SimHidBackend. Each cycle pulls the receiver out (removal event of its USB device),
// waits for the link to end and the reader to finish, plugs it in again (arrival event, re-open
// timer) and waits for reports to flow on the new reader.
//   talvik_plug_soak [CYCLES, default 1000] [BEAT ms, default 1]
// Prints open files, threads and resident memory after the first cycle and at the end; exit 1
// when a cycle did not come back.
#include <dirent.h>

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <set>
#include <string>

#include "device/usb/receiver_family.h"
#include "device/usb/receiver_sets.h"
#include "device/usb/ui_task_queue.h"
#include "process_figures.h"
#include "sim/sim_devices.h"
#include "sim/virtual_mouse.h"

namespace {

using talvik::bench::CountEntries;
using talvik::bench::RssKb;

using talvik::device::ReceiverFamily;
using Clock = std::chrono::steady_clock;

class Window final : public talvik::platform::MessageTarget {
public:
    void Post(uint32_t, uintptr_t, intptr_t) override {}
    void SetTimer(int id, int) override { running.insert(id); }
    void KillTimer(int id) override { running.erase(id); }
    std::set<int> running;
};

class Sink final : public talvik::device::ReportSink {
public:
    void OnReceiverLive(ReceiverFamily, std::shared_ptr<talvik::platform::HidDevice>,
                        std::shared_ptr<talvik::platform::HidDevice>) override {
        ++live;
    }
    void OnHeartbeat(ReceiverFamily) override {}
    void OnReport(ReceiverFamily, std::span<const uint8_t>) override { ++reports; }
    void OnReceiverRemoved(ReceiverFamily) override { ++removed; }

    long live = 0;
    long removed = 0;
    long reports = 0;
};

// Runs the event loop, as the program's UI thread would, until `done` holds or 5 s passed.
bool RunUntil(const std::function<bool()>& done) {
    const Clock::time_point deadline = Clock::now() + std::chrono::seconds(5);
    QEventLoop loop;
    QTimer check;
    QObject::connect(&check, &QTimer::timeout, &loop, [&] {
        if (done() || Clock::now() > deadline) {
            loop.quit();
        }
    });
    check.start(1);
    if (!done()) {
        loop.exec();
    }
    return done();
}

struct Figures {
    int fds;
    int threads;
    long rss_kb;
};

Figures Measure() {
    return {CountEntries("/proc/self/fd"), CountEntries("/proc/self/task"), RssKb()};
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int cycles = argc > 1 ? std::atoi(argv[1]) : 1000;
    const int beat_ms = argc > 2 ? std::atoi(argv[2]) : 1;
    if (cycles <= 0 || beat_ms <= 0) {
        std::fprintf(stderr, "usage: %s [CYCLES] [BEAT ms]\n", argv[0]);
        return 2;
    }
    std::setvbuf(stdout, nullptr, _IOLBF, 0);

    talvik::sim::VirtualMouse::Options options;
    options.link = talvik::sim::SimLink::k24g;
    auto mouse = talvik::sim::VirtualMouse::Create(options);
    talvik::sim::SimHidBackend backend(mouse, talvik::sim::SimLink::k24g);
    talvik::device::UiTaskQueue ui;
    Window window;
    Sink sink;
    talvik::device::ReceiverEnv env;
    env.backend = &backend;
    env.window = &window;
    env.sink = &sink;
    env.post = ui.poster();
    env.read_timeout_ms = 200;
    talvik::device::ReceiverSets sets(env);
    sets.OpenAll();
    mouse->SetHeartbeatPeriod(beat_ms);

    const auto& traits = talvik::device::Traits(ReceiverFamily::k24g);
    talvik::device::DeviceEvent removal;
    removal.action = talvik::device::DeviceEvent::Action::kRemove;
    removal.subsystem = "usb";
    removal.syspath = removal.usb_syspath = "sim:receiver";
    talvik::device::DeviceEvent arrival;
    arrival.action = talvik::device::DeviceEvent::Action::kAdd;
    arrival.subsystem = "usb";
    arrival.syspath = arrival.usb_syspath = "sim:receiver";
    arrival.vendor_id = traits.vendor_id;
    arrival.product_id = traits.product_id;

    int failures = 0;
    Figures first{};
    long rss_max = 0;
    const Clock::time_point started = Clock::now();
    const long reports_at_start = sink.reports;
    for (int cycle = 0; cycle < cycles; ++cycle) {
        // Plugged in with reports flowing on the live link.
        const long reports = sink.reports;
        failures += RunUntil([&] { return sink.live > 0 && sink.reports >= reports + 20; }) ? 0 : 1;

        const long removed = sink.removed;
        mouse->SetPlugged(false);
        sets.OnDeviceEvent(removal);
        failures +=
            RunUntil([&] { return sink.removed == removed + 1 && sets.running_readers() == 0; })
                ? 0
                : 1;

        const long live = sink.live;
        mouse->SetPlugged(true);
        sets.OnDeviceEvent(arrival);
        failures += window.running.count(talvik::msg::TIMER_REOPEN_24G) > 0 ? 0 : 1;
        window.running.erase(talvik::msg::TIMER_REOPEN_24G);
        sets.OnTimer(talvik::msg::TIMER_REOPEN_24G);  // the re-open delay expired
        failures += RunUntil([&] { return sink.live == live + 1; }) ? 0 : 1;

        const Figures now = Measure();
        rss_max = std::max(rss_max, now.rss_kb);
        if (cycle == 0) {
            first = now;
        }
        if (cycle == 0 || (cycle + 1) % 100 == 0) {
            std::printf("cycle %4d: open files %d, threads %d, rss %.1f MB, failures %d\n",
                        cycle + 1, now.fds, now.threads, now.rss_kb / 1024.0, failures);
        }
    }
    const Figures last = Measure();
    const double took = std::chrono::duration<double>(Clock::now() - started).count();
    std::printf(
        "plug cycles %d in %.1f s, %ld reports handled: failures %d; open files %d -> %d, "
        "threads %d -> %d, rss %.1f -> %.1f MB (max %.1f)\n",
        cycles, took, sink.reports - reports_at_start, failures, first.fds, last.fds, first.threads,
        last.threads, first.rss_kb / 1024.0, last.rss_kb / 1024.0, rss_max / 1024.0);
    mouse->SetHeartbeatPeriod(0);
    sets.StopReaders();
    return failures == 0 ? 0 : 1;
}
