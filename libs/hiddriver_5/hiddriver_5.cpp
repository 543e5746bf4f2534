// libhiddriver_5.so: the wired mouse as a feature-report device, and a monitor that tells the
// program when it comes and goes and what it reports. The program calls the entry points from
// its UI thread and its worker thread, so the library's state is locked.

#include <hidapi.h>

#include <cstdint>
#include <memory>
#include <mutex>
#include <span>

#include "device_monitor.h"
#include "platform/hidapi_device.h"
#include "protocol/hiddriver_api.h"

namespace {

using talvik::hiddriver::DeviceMonitor;
using talvik::hiddriver::MonitorEvents;

// Vendor-defined usage pages start here; that interface carries the feature reports.
constexpr unsigned short kVendorUsagePage = 0xFF00;

struct Driver {
    std::mutex mutex;
    int vendor_id = 0x331A;
    int product_id = 0x503C;
    std::unique_ptr<talvik::platform::HidapiDevice> device;
    std::unique_ptr<DeviceMonitor> monitor;
};

Driver& State() {
    static Driver driver;
    return driver;
}

// Opens the mouse's feature interface: the first vendor-defined one, else its first interface.
std::unique_ptr<talvik::platform::HidapiDevice> OpenDevice(int vendor_id, int product_id) {
    if (hid_init() != 0) {
        return nullptr;
    }
    hid_device_info* list = hid_enumerate(static_cast<unsigned short>(vendor_id),
                                          static_cast<unsigned short>(product_id));
    const hid_device_info* chosen = nullptr;
    for (const hid_device_info* info = list; info != nullptr; info = info->next) {
        if (info->usage_page >= kVendorUsagePage) {
            chosen = info;
            break;
        }
        if (chosen == nullptr) {
            chosen = info;
        }
    }
    std::unique_ptr<talvik::platform::HidapiDevice> device;
    if (chosen != nullptr && chosen->path != nullptr) {
        device = talvik::platform::HidapiDevice::Open(chosen->path);
    }
    hid_free_enumeration(list);
    return device;
}

}  // namespace

#define TALVIK_EXPORT extern "C" __attribute__((visibility("default")))

TALVIK_EXPORT void Set_VIDPID(int vendor_id, int product_id) {
    Driver& d = State();
    std::lock_guard lock(d.mutex);
    d.vendor_id = vendor_id;
    d.product_id = product_id;
}

TALVIK_EXPORT void Open_DevMonitor(const TalvikWindowHandle* window, uint32_t data_message,
                                   uint32_t plug_message) {
    if (window == nullptr) {
        return;
    }
    Driver& d = State();
    std::lock_guard lock(d.mutex);
    d.monitor.reset();
    d.monitor = DeviceMonitor::Start(d.vendor_id, d.product_id,
                                     MonitorEvents(*window, data_message, plug_message));
}

TALVIK_EXPORT int Open_FeatureDevice(void) {
    Driver& d = State();
    std::lock_guard lock(d.mutex);
    if (d.device == nullptr) {
        d.device = OpenDevice(d.vendor_id, d.product_id);
    }
    return d.device != nullptr ? 1 : 0;
}

TALVIK_EXPORT int SetFeature(const unsigned char* buffer, int length) {
    if (buffer == nullptr || length <= 0) {
        return 0;
    }
    Driver& d = State();
    std::lock_guard lock(d.mutex);
    if (d.device == nullptr) {
        return 0;
    }
    const auto n = d.device->SendFeatureReport(std::span(buffer, static_cast<std::size_t>(length)));
    return n.has_value() ? 1 : 0;
}

TALVIK_EXPORT int GetFeature(unsigned char* buffer, int length) {
    if (buffer == nullptr || length <= 0) {
        return 0;
    }
    Driver& d = State();
    std::lock_guard lock(d.mutex);
    if (d.device == nullptr) {
        return 0;
    }
    const auto n = d.device->GetFeatureReport(std::span(buffer, static_cast<std::size_t>(length)));
    return n.has_value() && *n > 0 ? 1 : 0;
}

TALVIK_EXPORT void Close_FeatureDevice(void) {
    Driver& d = State();
    std::lock_guard lock(d.mutex);
    d.device.reset();
}

TALVIK_EXPORT void Close_DevMonitor(void) {
    Driver& d = State();
    std::unique_ptr<DeviceMonitor> monitor;
    {
        std::lock_guard lock(d.mutex);
        monitor = std::move(d.monitor);
    }
    // Joined outside the lock: the monitor's thread posts, and a post may call back.
    monitor.reset();
}
