#include "page/input_route.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QWidget>
#include <QWindow>

#include "platform/hook_messages.h"
#include "platform/live_keyboard_layout.h"

namespace talvik::page {

namespace {

// Native scan codes of key events are X (xkb) key codes: evdev key codes plus 8.
constexpr quint32 kEvdevOffset = 8;

// The X button number of a Qt button, as the hook reads it.
int XButton(Qt::MouseButton button) {
    switch (button) {
        case Qt::LeftButton:
            return 1;
        case Qt::MiddleButton:
            return 2;
        case Qt::RightButton:
            return 3;
        case Qt::BackButton:
            return 8;
        case Qt::ForwardButton:
            return 9;
        default:
            return 0;
    }
}

}  // namespace

InputRoute::InputRoute(const platform::HookFunctions& hooks, TalvikWindowHandle* target,
                       const platform::LiveKeyboardLayout& layout)
    : hooks_(hooks), target_(target), layout_(layout) {}

InputRoute::~InputRoute() {
    Stop();
}

InputRoute::Mode InputRoute::Start(Purpose purpose, QWidget* window, Sink sink) {
    Stop();
    ++session_;
    purpose_ = purpose;
    mouse_ = false;
    sink_ = std::move(sink);
    if (hooks_.CanRecord() && hooks_.installhook(target_) != 0) {
        hooks_.enablehook(1);
        if (hooks_.enablemousehook != nullptr) {
            hooks_.enablemousehook(0);
        }
        if (purpose == Purpose::kRecording && hooks_.mousewheelenable != nullptr) {
            hooks_.mousewheelenable(0);
        }
        SetMode(Mode::kGlobal);
        return mode_;
    }
    if (window == nullptr) {
        sink_ = {};
        return mode_;
    }
    // Key and mouse events reach the window's QWindow once, before any widget sees them.
    QWidget* top = window->window();
    QObject* watched = top->windowHandle() != nullptr ? static_cast<QObject*>(top->windowHandle())
                                                      : static_cast<QObject*>(top);
    watched->installEventFilter(this);
    watched_ = watched;
    SetMode(Mode::kWindow);
    return mode_;
}

void InputRoute::Stop() {
    if (mode_ == Mode::kGlobal) {
        auto call = [](auto fn, auto... args) {
            if (fn != nullptr) {
                fn(args...);
            }
        };
        call(hooks_.removehook);
        if (purpose_ == Purpose::kRecording) {
            call(hooks_.removemousehook);
            call(hooks_.enablemousehook, 0);
        }
        call(hooks_.enablehook, 0);
        if (purpose_ == Purpose::kRecording) {
            call(hooks_.mousewheelenable, 0);
        }
    }
    if (watched_ != nullptr) {
        watched_->removeEventFilter(this);
        watched_ = nullptr;
    }
    sink_ = {};
    mouse_ = false;
    SetMode(Mode::kOff);
}

void InputRoute::Stop(unsigned session) {
    if (session == session_) {
        Stop();
    }
}

void InputRoute::EnableMouse(bool on) {
    mouse_ = on;
    if (mode_ == Mode::kGlobal && hooks_.enablemousehook != nullptr) {
        hooks_.enablemousehook(on ? 1 : 0);
    }
}

QString InputRoute::ModeTextKey(Mode mode) {
    switch (mode) {
        case Mode::kGlobal:
            return QStringLiteral("input_mode_global_text");
        case Mode::kWindow:
            return QStringLiteral("input_mode_window_text");
        default:
            return {};
    }
}

void InputRoute::OnHookInput(std::uintptr_t wparam, std::intptr_t lparam) {
    // Messages the hook posted before it was removed arrive late; they are dropped.
    if (mode_ == Mode::kGlobal) {
        Deliver(wparam, lparam);
    }
}

bool InputRoute::eventFilter(QObject* watched, QEvent* event) {
    if (mode_ != Mode::kWindow || watched != watched_) {
        return false;
    }
    switch (event->type()) {
        case QEvent::KeyPress:
        case QEvent::KeyRelease: {
            const auto* key = static_cast<QKeyEvent*>(event);
            const quint32 code = key->nativeScanCode();
            const auto layout = layout_.Current();
            if (key->isAutoRepeat() || code <= kEvdevOffset || layout == nullptr) {
                break;
            }
            const int vk = layout->ScanCodeToVirtualKey(static_cast<int>(code - kEvdevOffset));
            if (vk != 0) {
                const auto m = platform::KeyMessage(vk, event->type() == QEvent::KeyPress);
                Deliver(m.wparam, m.lparam);
            }
            break;
        }
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick:  // the second press of a double click
        case QEvent::MouseButtonRelease: {
            if (purpose_ != Purpose::kRecording || !mouse_) {
                break;
            }
            const auto* mouse = static_cast<QMouseEvent*>(event);
            const auto m = platform::ButtonMessage(XButton(mouse->button()),
                                                   event->type() != QEvent::MouseButtonRelease);
            if (m.has_value()) {
                Deliver(m->wparam, m->lparam);
            }
            break;
        }
        default:
            break;
    }
    return false;
}

void InputRoute::SetMode(Mode mode) {
    if (mode_ != mode) {
        mode_ = mode;
        emit modeChanged(mode);
    }
}

void InputRoute::Deliver(std::uintptr_t wparam, std::intptr_t lparam) {
    if (sink_) {
        const Sink sink = sink_;  // the sink may stop the route
        sink(wparam, lparam);
    }
}

}  // namespace talvik::page
