#pragma once

#include <QObject>
#include <functional>

#include "device/usb/device_event.h"

class QSocketNotifier;
struct udev;
struct udev_monitor;

namespace talvik::device {

// Watches the hidraw and usb subsystems through a libudev monitor on the UI thread: the
// monitor's socket sits in the event loop, so no thread is needed.
class HotplugMonitor : public QObject {
    Q_OBJECT
public:
    using Handler = std::function<void(const DeviceEvent& event)>;

    explicit HotplugMonitor(Handler handler, QObject* parent = nullptr);
    ~HotplugMonitor() override;

    // Starts listening; false when no monitor could be set up (receivers present at start
    // still work, hot-plug does not).
    bool Start();

private:
    void OnReadable();

    Handler handler_;
    struct udev* udev_ = nullptr;
    struct udev_monitor* monitor_ = nullptr;
    QSocketNotifier* notifier_ = nullptr;
};

}  // namespace talvik::device
