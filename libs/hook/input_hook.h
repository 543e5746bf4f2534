#pragma once

#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

#include "platform/messages.h"

namespace talvik::hook {

// The global keyboard and mouse-button listener behind libHook.so. While installed it owns an X
// connection and a thread that blocks on that connection and a wake pipe; it reads XInput2 raw
// key and button events of all master devices and posts WM_MS5_HOOK_INPUT to its target. Input
// is read only while installed, and only the kinds that are enabled are selected at the server.
//
// Install, Remove and the Enable calls come from the program's UI thread; the posts come from
// the hook thread.
class InputHook {
public:
    // Who installed the listener: it runs while either holds it.
    enum Holder : unsigned { kKeyHolder = 1, kMouseHolder = 2 };
    using TraceFn = std::function<void(const std::string& line)>;

    explicit InputHook(TraceFn trace);
    ~InputHook();
    InputHook(const InputHook&) = delete;
    InputHook& operator=(const InputHook&) = delete;

    // Starts listening for `holder` and posts to `target` from now on. 1 on success (also when
    // already listening); 0 without an X display with XInput 2.2.
    int Install(const TalvikWindowHandle& target, Holder holder);
    // Ends `holder`'s hold; the last one stops the thread and closes the connection before
    // returning, so nothing is posted after that. Harmless when not held.
    void Remove(Holder holder);

    // Both return once the server selects accordingly: input after the call is read (or not).
    void EnableKeys(bool on);
    void EnableMouse(bool on);
    // Kept for the interface; the wheel is never reported.
    void EnableWheel(bool on) { wheel_.store(on); }

    // The hook thread's X connection and wake pipe (opaque).
    struct Connection;

private:
    void Run(Connection* connection);
    // Has the hook thread select what the flags ask for, and waits until the server has it.
    void Reselect();
    bool Post(std::uintptr_t wparam, std::intptr_t lparam);

    TraceFn trace_;
    std::atomic<bool> keys_{false};
    std::atomic<bool> mouse_{false};
    std::atomic<bool> wheel_{false};

    std::mutex install_mutex_;  // Install / Remove, from the UI thread
    unsigned holders_ = 0;
    Connection* connection_ = nullptr;
    std::thread thread_;

    std::mutex select_mutex_;  // the hook thread reports applied selections
    std::condition_variable selected_;
    unsigned select_requested_ = 0;
    unsigned select_applied_ = 0;

    std::mutex target_mutex_;  // the target is read by the hook thread
    TalvikWindowHandle target_{nullptr, nullptr};
};

}  // namespace talvik::hook
