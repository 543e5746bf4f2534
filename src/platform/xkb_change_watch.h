#pragma once

// Tells when the X server's keymap or active layout group changes, so that what was built from
// the keymap (key names, the hook's virtual keys) can be built again. Plain Xlib; the Display*
// and XEvent* are passed as void* to keep Xlib's macros out of the includers.
namespace talvik::platform {

class XkbChangeWatch {
public:
    // Asks `display` for new-keymap, keymap and group-change notifications of the core keyboard.
    // False when the server has no XKB extension.
    bool Select(void* display);
    // Whether `event`, read from that display, reports a keymap or group change.
    bool IsChange(const void* event) const;

private:
    int event_base_ = -1;
};

}  // namespace talvik::platform
