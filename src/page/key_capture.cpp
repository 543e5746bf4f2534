#include "page/key_capture.h"

#include <QEvent>
#include <QWidget>

#include "macro/key_codes.h"
#include "platform/hook_messages.h"
#include "platform/live_keyboard_layout.h"

namespace talvik::page {

KeyCapture::KeyCapture(InputRoute& route, const platform::LiveKeyboardLayout& layout)
    : route_(route), layout_(layout) {}

KeyCapture::~KeyCapture() {
    if (active_ != nullptr) {
        End(active_);
    }
    for (const auto& [control, receiver] : receivers_) {
        control->removeEventFilter(this);
    }
}

void KeyCapture::Attach(QWidget* control, Receiver receiver) {
    if (control == nullptr) {
        return;
    }
    const bool known = receivers_.count(control) != 0;
    receivers_[control] = std::move(receiver);
    if (!known) {
        control->installEventFilter(this);
        connect(control, &QObject::destroyed, this, [this](QObject* gone) {
            receivers_.erase(gone);
            if (active_ == gone) {
                active_ = nullptr;
                route_.Stop(session_);
            }
        });
    }
    if (control->hasFocus()) {
        Begin(control);
    }
}

void KeyCapture::Detach(QWidget* control) {
    if (receivers_.erase(control) == 0) {
        return;
    }
    control->removeEventFilter(this);
    disconnect(control, &QObject::destroyed, this, nullptr);
    if (active_ == control) {
        End(control);
    }
}

bool KeyCapture::eventFilter(QObject* watched, QEvent* event) {
    auto* control = qobject_cast<QWidget*>(watched);
    if (control == nullptr || receivers_.count(watched) == 0) {
        return false;
    }
    switch (event->type()) {
        case QEvent::FocusIn:
            Begin(control);
            return false;
        case QEvent::FocusOut:
            End(control);
            return false;
        case QEvent::ShortcutOverride:
            event->accept();  // a captured Ctrl+Q is a key, not the window's shortcut
            return true;
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
            return true;  // the key arrives through the route; the field types nothing
        default:
            return false;
    }
}

void KeyCapture::Begin(QWidget* control) {
    if (active_ == control && route_.Session() == session_ &&
        route_.CurrentMode() != InputRoute::Mode::kOff) {
        return;
    }
    active_ = control;
    route_.Start(InputRoute::Purpose::kKeyCapture, control,
                 [this](std::uintptr_t wparam, std::intptr_t lparam) { OnInput(wparam, lparam); });
    session_ = route_.Session();
}

void KeyCapture::End(QWidget* control) {
    if (active_ != control) {
        return;
    }
    active_ = nullptr;
    route_.Stop(session_);
}

void KeyCapture::OnInput(std::uintptr_t wparam, std::intptr_t lparam) {
    if (active_ == nullptr || platform::IsButtonMessage(wparam)) {
        return;
    }
    const auto it = receivers_.find(active_);
    const auto layout = layout_.Current();
    if (it == receivers_.end() || layout == nullptr) {
        return;
    }
    const int vk = static_cast<int>(wparam);
    const Receiver receiver = it->second;  // the receiver may detach its control
    receiver(Key{vk, macro::VirtualKeyToKeyCode(vk, *layout), lparam == 0});
}

}  // namespace talvik::page
