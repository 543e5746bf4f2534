// libHook.so on a private Xvfb: the CPU time its thread takes while the hook is installed and
// nothing happens (it must block, not poll), the delay from an injected key to the posted
// message, and how long removehook takes to end the thread. Usage: talvik_hook_bench [idle seconds,
// default 10] [events, default 200]
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <thread>
#include <vector>

#include "../../tests/hook/x_server.h"
#include "platform/hook_library.h"

namespace {

using Clock = std::chrono::steady_clock;

struct Inbox {
    std::mutex mutex;
    std::condition_variable arrived;
    int count = 0;
    Clock::time_point last;

    static void Post(void* context, uint32_t, uintptr_t, intptr_t) {
        auto* self = static_cast<Inbox*>(context);
        {
            std::lock_guard lock(self->mutex);
            ++self->count;
            self->last = Clock::now();
        }
        self->arrived.notify_all();
    }
};

double Seconds(const timeval& t) {
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6;
}

}  // namespace

int main(int argc, char** argv) {
    const int idle_seconds = argc > 1 ? std::atoi(argv[1]) : 10;
    const int events = argc > 2 ? std::atoi(argv[2]) : 200;
    talvik::test::XServer server;
    if (!server.Running()) {
        std::fprintf(stderr, "Xvfb did not start\n");
        return 1;
    }
    talvik::platform::HookLibrary library;
    if (!library.Load(HOOK_LIBRARY_PATH)) {
        std::fprintf(stderr, "cannot load %s\n", HOOK_LIBRARY_PATH);
        return 1;
    }
    const auto& hooks = library.Functions();
    Inbox inbox;
    TalvikWindowHandle handle{&inbox, &Inbox::Post};
    if (hooks.installhook(&handle) != 1) {
        std::fprintf(stderr, "installhook refused\n");
        return 1;
    }
    hooks.enablehook(1);
    hooks.enablemousehook(1);

    // Idle: only the hook thread could run while this one sleeps.
    rusage before{};
    rusage after{};
    getrusage(RUSAGE_SELF, &before);
    std::this_thread::sleep_for(std::chrono::seconds(idle_seconds));
    getrusage(RUSAGE_SELF, &after);
    const double cpu = Seconds(after.ru_utime) - Seconds(before.ru_utime) +
                       Seconds(after.ru_stime) - Seconds(before.ru_stime);
    std::printf("idle %d s with the hook installed: cpu %.4f s (%.3f %%), %ld context switches\n",
                idle_seconds, cpu, 100.0 * cpu / idle_seconds,
                after.ru_nvcsw + after.ru_nivcsw - before.ru_nvcsw - before.ru_nivcsw);

    // Delay from an XTEST key event to the message.
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) {
        return 1;
    }
    constexpr unsigned kKeyA = 38;
    std::vector<double> delays;
    for (int i = 0; i < events; ++i) {
        std::unique_lock lock(inbox.mutex);
        const int seen = inbox.count;
        lock.unlock();
        const Clock::time_point sent = Clock::now();
        XTestFakeKeyEvent(display, kKeyA, (i % 2) == 0 ? True : False, CurrentTime);
        XFlush(display);
        lock.lock();
        if (!inbox.arrived.wait_for(lock, std::chrono::seconds(2),
                                    [&] { return inbox.count > seen; })) {
            std::fprintf(stderr, "event %d never arrived\n", i);
            return 1;
        }
        delays.push_back(std::chrono::duration<double, std::milli>(inbox.last - sent).count());
    }
    XCloseDisplay(display);
    const Clock::time_point removing = Clock::now();
    hooks.removehook();
    const double remove_ms =
        std::chrono::duration<double, std::milli>(Clock::now() - removing).count();
    std::sort(delays.begin(), delays.end());
    auto at = [&](double q) { return delays[static_cast<size_t>(q * (delays.size() - 1))]; };
    std::printf(
        "inject -> post over %d key events: min %.3f ms, median %.3f ms, p95 %.3f ms, "
        "max %.3f ms\n",
        events, delays.front(), at(0.5), at(0.95), delays.back());
    std::printf("removehook (thread joined, connection closed): %.3f ms\n", remove_ms);
    return 0;
}
