#include "input_hook.h"

#include <X11/Xlib.h>
#include <X11/extensions/XInput2.h>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <memory>

#include "platform/hook_messages.h"
#include "platform/keyboard_layout_xkb.h"
#include "platform/xkb_change_watch.h"

namespace talvik::hook {

namespace {

// X key codes are evdev key codes plus 8.
constexpr int kEvdevOffset = 8;
constexpr char kWakeStop = 's';
constexpr char kWakeSelect = 'u';
// A server that takes longer than this to select is not waited for.
constexpr auto kSelectWait = std::chrono::seconds(1);

}  // namespace

// The hook thread's X connection and wake pipe. Opened by Install on the UI thread, then used
// only by the hook thread until Remove has joined it.
struct InputHook::Connection {
    Display* display = nullptr;
    int xi_opcode = 0;
    int wake_read = -1;
    int wake_write = -1;
    std::atomic<bool> stop{false};
    std::atomic<bool> ended{false};
    bool lost = false;
    bool layout_stale = false;
    platform::XkbChangeWatch keymap_watch;
    std::unique_ptr<platform::XkbKeyboardLayout> layout;

    ~Connection() {
        if (display != nullptr) {
            XCloseDisplay(display);
        }
        if (wake_read >= 0) {
            close(wake_read);
            close(wake_write);
        }
    }
};

namespace {

// Called instead of exit() when the server goes away: the hook thread ends, the program lives.
void OnConnectionLost(Display*, void* user_data) {
    static_cast<InputHook::Connection*>(user_data)->lost = true;
}

std::string Format(const char* format, const char* argument) {
    char line[256];
    std::snprintf(line, sizeof line, format, argument);
    return line;
}

void SelectInput(Display* display, bool keys, bool buttons) {
    unsigned char bits[XIMaskLen(XI_LASTEVENT)] = {};
    if (keys) {
        XISetMask(bits, XI_RawKeyPress);
        XISetMask(bits, XI_RawKeyRelease);
    }
    if (buttons) {
        XISetMask(bits, XI_RawButtonPress);
        XISetMask(bits, XI_RawButtonRelease);
    }
    XIEventMask mask{XIAllMasterDevices, static_cast<int>(sizeof bits), bits};
    XISelectEvents(display, DefaultRootWindow(display), &mask, 1);
    XSync(display, False);
}

std::unique_ptr<platform::XkbKeyboardLayout> ActiveLayout() {
    std::string error;
    return platform::XkbKeyboardLayout::Active(&error);
}

}  // namespace

InputHook::InputHook(TraceFn trace) : trace_(std::move(trace)) {}

InputHook::~InputHook() {
    Remove(kKeyHolder);
    Remove(kMouseHolder);
}

int InputHook::Install(const TalvikWindowHandle& target, Holder holder) {
    if (target.post == nullptr) {
        return 0;
    }
    std::lock_guard lock(install_mutex_);
    {
        std::lock_guard target_lock(target_mutex_);
        target_ = target;
    }
    if (connection_ != nullptr && !connection_->ended.load()) {
        holders_ |= holder;
        return 1;
    }
    if (connection_ != nullptr) {  // the server went away: start over
        thread_.join();
        delete connection_;
        connection_ = nullptr;
    }
    auto connection = std::make_unique<Connection>();
    connection->display = XOpenDisplay(nullptr);
    if (connection->display == nullptr) {
        trace_("input hook: no X display; keyboard and mouse input are not captured\n");
        return 0;
    }
    int event_base = 0;
    int error_base = 0;
    int major = 2;
    int minor = 2;
    if (!XQueryExtension(connection->display, "XInputExtension", &connection->xi_opcode,
                         &event_base, &error_base) ||
        XIQueryVersion(connection->display, &major, &minor) != Success ||
        (major == 2 && minor < 2)) {
        trace_(
            "input hook: the X display has no XInput 2.2; keyboard and mouse input are not "
            "captured\n");
        return 0;
    }
    int wake[2];
    if (pipe2(wake, O_CLOEXEC | O_NONBLOCK) != 0) {
        trace_("input hook: cannot create the wake pipe\n");
        return 0;
    }
    connection->wake_read = wake[0];
    connection->wake_write = wake[1];
    XSetIOErrorExitHandler(connection->display, &OnConnectionLost, connection.get());
    connection->keymap_watch.Select(connection->display);
    connection->layout = ActiveLayout();
    SelectInput(connection->display, keys_.load(), keys_.load() && mouse_.load());

    trace_(Format("input hook: listening to keyboard and mouse-button input on display %s\n",
                  DisplayString(connection->display)));
    holders_ |= holder;
    connection_ = connection.release();
    thread_ = std::thread(&InputHook::Run, this, connection_);
    return 1;
}

void InputHook::Remove(Holder holder) {
    std::lock_guard lock(install_mutex_);
    holders_ &= ~static_cast<unsigned>(holder);
    if (holders_ != 0 || connection_ == nullptr) {
        return;
    }
    connection_->stop.store(true);
    const char byte = kWakeStop;
    [[maybe_unused]] const ssize_t n = write(connection_->wake_write, &byte, 1);
    thread_.join();  // the hook thread never takes install_mutex_
    delete connection_;
    connection_ = nullptr;
    trace_("input hook: stopped listening\n");
}

void InputHook::EnableKeys(bool on) {
    keys_.store(on);
    Reselect();
}

void InputHook::EnableMouse(bool on) {
    mouse_.store(on);
    Reselect();
}

void InputHook::Reselect() {
    std::lock_guard lock(install_mutex_);  // the hook thread never takes it
    if (connection_ == nullptr || connection_->ended.load()) {
        return;
    }
    unsigned wanted = 0;
    {
        std::lock_guard select_lock(select_mutex_);
        wanted = ++select_requested_;
    }
    const char byte = kWakeSelect;
    [[maybe_unused]] const ssize_t n = write(connection_->wake_write, &byte, 1);
    std::unique_lock select_lock(select_mutex_);
    const Connection* c = connection_;
    selected_.wait_for(select_lock, kSelectWait,
                       [&] { return select_applied_ >= wanted || c->ended.load(); });
}

bool InputHook::Post(std::uintptr_t wparam, std::intptr_t lparam) {
    TalvikWindowHandle target;
    {
        std::lock_guard lock(target_mutex_);
        target = target_;
    }
    if (target.post == nullptr) {
        return false;
    }
    target.post(target.context, msg::WM_MS5_HOOK_INPUT, wparam, lparam);
    return true;
}

void InputHook::Run(Connection* c) {
    Display* display = c->display;
    for (;;) {
        while (!c->lost && XPending(display) > 0) {
            XEvent event;
            XNextEvent(display, &event);
            if (c->keymap_watch.IsChange(&event)) {
                c->layout_stale = true;
                continue;
            }
            XGenericEventCookie* cookie = &event.xcookie;
            if (cookie->type != GenericEvent || cookie->extension != c->xi_opcode ||
                !XGetEventData(display, cookie)) {
                continue;
            }
            const auto* raw = static_cast<const XIRawEvent*>(cookie->data);
            const bool pressed =
                cookie->evtype == XI_RawKeyPress || cookie->evtype == XI_RawButtonPress;
            if (cookie->evtype == XI_RawKeyPress || cookie->evtype == XI_RawKeyRelease) {
                if (c->layout_stale) {
                    c->layout = ActiveLayout();
                    c->layout_stale = false;
                }
                const int vk = c->layout != nullptr
                                   ? c->layout->ScanCodeToVirtualKey(raw->detail - kEvdevOffset)
                                   : 0;
                if (keys_.load() && vk != 0 && (raw->flags & XIKeyRepeat) == 0) {
                    const platform::HookMessage m = platform::KeyMessage(vk, pressed);
                    Post(m.wparam, m.lparam);
                }
            } else if (cookie->evtype == XI_RawButtonPress ||
                       cookie->evtype == XI_RawButtonRelease) {
                const auto m = platform::ButtonMessage(raw->detail, pressed);
                if (keys_.load() && mouse_.load() && m.has_value()) {
                    Post(m->wparam, m->lparam);
                }
            }
            XFreeEventData(display, cookie);
        }
        if (c->lost) {
            trace_("input hook: the X display went away; stopped listening\n");
            break;
        }
        pollfd fds[2] = {{ConnectionNumber(display), POLLIN, 0}, {c->wake_read, POLLIN, 0}};
        if (poll(fds, 2, -1) < 0) {
            if (errno == EINTR) {
                continue;
            }
            break;
        }
        if ((fds[1].revents & POLLIN) != 0) {
            char bytes[64];
            while (read(c->wake_read, bytes, sizeof bytes) > 0) {
            }
            if (c->stop.load()) {
                break;
            }
            unsigned wanted = 0;
            {
                std::lock_guard lock(select_mutex_);
                wanted = select_requested_;
            }
            SelectInput(display, keys_.load(), keys_.load() && mouse_.load());
            {
                std::lock_guard lock(select_mutex_);
                select_applied_ = wanted;
            }
            selected_.notify_all();
        }
    }
    {
        std::lock_guard lock(select_mutex_);
        c->ended.store(true);
    }
    selected_.notify_all();
}

}  // namespace talvik::hook
