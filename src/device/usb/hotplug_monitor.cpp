#include "device/usb/hotplug_monitor.h"

#include <libudev.h>

#include <QSocketNotifier>

#include "platform/trace.h"

namespace talvik::device {

HotplugMonitor::HotplugMonitor(Handler handler, QObject* parent)
    : QObject(parent), handler_(std::move(handler)) {}

HotplugMonitor::~HotplugMonitor() {
    delete notifier_;
    if (monitor_ != nullptr) {
        udev_monitor_unref(monitor_);
    }
    if (udev_ != nullptr) {
        udev_unref(udev_);
    }
}

bool HotplugMonitor::Start() {
    if (monitor_ != nullptr) {
        return true;
    }
    udev_ = udev_new();
    if (udev_ == nullptr) {
        return false;
    }
    monitor_ = udev_monitor_new_from_netlink(udev_, "udev");
    if (monitor_ == nullptr ||
        udev_monitor_filter_add_match_subsystem_devtype(monitor_, "hidraw", nullptr) < 0 ||
        udev_monitor_filter_add_match_subsystem_devtype(monitor_, "usb", nullptr) < 0 ||
        udev_monitor_enable_receiving(monitor_) < 0) {
        platform::Trace("hot-plug monitor unavailable\n");
        if (monitor_ != nullptr) {
            udev_monitor_unref(monitor_);
            monitor_ = nullptr;
        }
        return false;
    }
    notifier_ = new QSocketNotifier(udev_monitor_get_fd(monitor_), QSocketNotifier::Read);
    connect(notifier_, &QSocketNotifier::activated, this, [this] { OnReadable(); });
    return true;
}

void HotplugMonitor::OnReadable() {
    // The socket does not block: take every queued event.
    while (udev_device* device = udev_monitor_receive_device(monitor_)) {
        const DeviceEvent event = ReadDeviceEvent(device);
        udev_device_unref(device);
        if (handler_) {
            handler_(event);
        }
    }
}

}  // namespace talvik::device
