#pragma once

#include <QObject>
#include <memory>

#include "platform/keyboard_layout_xkb.h"
#include "platform/xkb_change_watch.h"

class QSocketNotifier;

namespace talvik::platform {

// The keyboard layout that is active now. Built at start and built again whenever the X server
// reports a new keymap or another active group, so key names follow a layout switch made while
// the program runs. Without an X display it keeps the layout of the environment (or "us").
// UI thread; the layouts it hands out are immutable and may be kept by other threads.
class LiveKeyboardLayout : public QObject {
    Q_OBJECT
public:
    explicit LiveKeyboardLayout(QObject* parent = nullptr);
    ~LiveKeyboardLayout() override;

    std::shared_ptr<const XkbKeyboardLayout> Current() const { return layout_; }

signals:
    void changed();

private:
    void Rebuild();
    void OnReadable();

    void* display_ = nullptr;  // Display*
    XkbChangeWatch watch_;
    QSocketNotifier* notifier_ = nullptr;
    std::shared_ptr<const XkbKeyboardLayout> layout_;
};

}  // namespace talvik::platform
