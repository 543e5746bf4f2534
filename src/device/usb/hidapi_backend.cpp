#include "device/usb/hidapi_backend.h"

#include <hidapi.h>
#include <libudev.h>

#include "platform/hidapi_device.h"

namespace talvik::device {

std::unique_ptr<HidapiBackend> HidapiBackend::Create() {
    if (hid_init() != 0) {
        return nullptr;
    }
    return std::make_unique<HidapiBackend>();
}

HidapiBackend::HidapiBackend() : udev_(udev_new()) {}

HidapiBackend::~HidapiBackend() {
    if (udev_ != nullptr) {
        udev_unref(udev_);
    }
}

std::vector<HidInterfaceInfo> HidapiBackend::Enumerate(uint16_t vendor_id, uint16_t product_id) {
    std::vector<HidInterfaceInfo> found;
    hid_device_info* list = hid_enumerate(vendor_id, product_id);
    for (const hid_device_info* info = list; info != nullptr; info = info->next) {
        if (info->path == nullptr) {
            continue;
        }
        found.push_back({info->path, {info->usage_page, info->usage}, InstanceIdOf(info->path)});
    }
    hid_free_enumeration(list);
    return found;
}

std::shared_ptr<platform::HidDevice> HidapiBackend::Open(const std::string& path) {
    return platform::HidapiDevice::Open(path);
}

std::string HidapiBackend::InstanceIdOf(const std::string& devnode) const {
    if (udev_ == nullptr) {
        return {};
    }
    const size_t slash = devnode.rfind('/');
    const std::string sysname = slash == std::string::npos ? devnode : devnode.substr(slash + 1);
    if (sysname.empty()) {
        return {};
    }
    udev_device* raw = udev_device_new_from_subsystem_sysname(udev_, "hidraw", sysname.c_str());
    if (raw == nullptr) {
        return {};
    }
    std::string id;
    // The parent belongs to `raw` and is freed with it.
    if (udev_device* usb = udev_device_get_parent_with_subsystem_devtype(raw, "usb", "usb_device");
        usb != nullptr) {
        if (const char* syspath = udev_device_get_syspath(usb); syspath != nullptr) {
            id = syspath;
        }
    }
    udev_device_unref(raw);
    return id;
}

}  // namespace talvik::device
