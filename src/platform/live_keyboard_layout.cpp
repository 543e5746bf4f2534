#include "platform/live_keyboard_layout.h"

#include <X11/Xlib.h>

#include <QSocketNotifier>
#include <cstdlib>

#include "platform/trace.h"

namespace talvik::platform {

LiveKeyboardLayout::LiveKeyboardLayout(QObject* parent) : QObject(parent) {
    Rebuild();
    const char* name = std::getenv("DISPLAY");
    if (name == nullptr || *name == '\0') {
        return;
    }
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) {
        return;
    }
    if (!watch_.Select(display)) {
        XCloseDisplay(display);
        return;
    }
    XFlush(display);
    display_ = display;
    notifier_ = new QSocketNotifier(ConnectionNumber(display), QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, &LiveKeyboardLayout::OnReadable);
}

LiveKeyboardLayout::~LiveKeyboardLayout() {
    delete notifier_;
    if (display_ != nullptr) {
        XCloseDisplay(static_cast<Display*>(display_));
    }
}

void LiveKeyboardLayout::Rebuild() {
    std::string error;
    std::shared_ptr<const XkbKeyboardLayout> layout = XkbKeyboardLayout::Active(&error);
    if (layout == nullptr) {
        Trace("keyboard layout unavailable: %s\n", error.c_str());
        return;  // keep the one we had
    }
    layout_ = std::move(layout);
}

void LiveKeyboardLayout::OnReadable() {
    auto* display = static_cast<Display*>(display_);
    bool changed_now = false;
    // One rebuild for a burst: a layout switch reports several changes at once.
    while (XPending(display) > 0) {
        XEvent event;
        XNextEvent(display, &event);
        changed_now = watch_.IsChange(&event) || changed_now;
    }
    if (changed_now) {
        Rebuild();
        emit changed();
    }
}

}  // namespace talvik::platform
