#pragma once

#include <map>
#include <memory>
#include <string>
#include <thread>

#include "monitor_events.h"

struct udev;
struct udev_monitor;
struct udev_device;

namespace talvik::hiddriver {

// Watches the hidraw nodes of one USB device on its own thread: their arrival and removal, and
// the reports the mouse sends on them.
class DeviceMonitor {
public:
    // Nothing when udev cannot be set up.
    static std::unique_ptr<DeviceMonitor> Start(int vendor_id, int product_id,
                                                MonitorEvents events);
    ~DeviceMonitor();
    DeviceMonitor(const DeviceMonitor&) = delete;
    DeviceMonitor& operator=(const DeviceMonitor&) = delete;

private:
    DeviceMonitor(int vendor_id, int product_id, MonitorEvents events);
    bool Init();
    void Run();
    bool IsOurs(udev_device* device) const;
    void Add(udev_device* device, bool announce);
    void Remove(const std::string& syspath);

    int vendor_id_;
    int product_id_;
    MonitorEvents events_;
    udev* udev_ = nullptr;
    udev_monitor* monitor_ = nullptr;
    int wake_[2] = {-1, -1};
    // Open hidraw nodes of the mouse, by sysfs path, for reading its reports.
    std::map<std::string, int> readers_;
    std::thread thread_;
};

}  // namespace talvik::hiddriver
