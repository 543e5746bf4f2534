#include "platform/xkb_change_watch.h"

#include <X11/XKBlib.h>
#include <X11/Xlib.h>

namespace talvik::platform {

bool XkbChangeWatch::Select(void* display_ptr) {
    auto* display = static_cast<Display*>(display_ptr);
    int opcode = 0;
    int error_base = 0;
    int major = XkbMajorVersion;
    int minor = XkbMinorVersion;
    if (!XkbQueryExtension(display, &opcode, &event_base_, &error_base, &major, &minor)) {
        event_base_ = -1;
        return false;
    }
    constexpr unsigned long kKeymap = XkbNewKeyboardNotifyMask | XkbMapNotifyMask;
    XkbSelectEvents(display, XkbUseCoreKbd, kKeymap, kKeymap);
    XkbSelectEventDetails(display, XkbUseCoreKbd, XkbStateNotify, XkbGroupStateMask,
                          XkbGroupStateMask);
    return true;
}

bool XkbChangeWatch::IsChange(const void* event_ptr) const {
    const auto* event = static_cast<const XEvent*>(event_ptr);
    if (event_base_ < 0 || event->type != event_base_) {
        return false;
    }
    const auto* xkb = reinterpret_cast<const XkbEvent*>(event);
    switch (xkb->any.xkb_type) {
        case XkbNewKeyboardNotify:
        case XkbMapNotify:
            return true;
        case XkbStateNotify:
            return (xkb->state.changed & XkbGroupStateMask) != 0;
        default:
            return false;
    }
}

}  // namespace talvik::platform
