#pragma once

#include <memory>

#include "device/usb/hid_backend.h"

struct udev;

namespace talvik::device {

// hidapi enumeration, with the instance id taken from libudev: the sysfs path of the USB device
// above the hidraw node.
class HidapiBackend final : public HidBackend {
public:
    // Starts hidapi; null when it cannot start (then no receiver can be reached).
    static std::unique_ptr<HidapiBackend> Create();
    HidapiBackend();
    ~HidapiBackend() override;
    HidapiBackend(const HidapiBackend&) = delete;
    HidapiBackend& operator=(const HidapiBackend&) = delete;

    std::vector<HidInterfaceInfo> Enumerate(uint16_t vendor_id, uint16_t product_id) override;
    std::shared_ptr<platform::HidDevice> Open(const std::string& path) override;

    // The sysfs path of the USB device above the hidraw node `devnode` ("/dev/hidrawN"); empty
    // when the node is unknown or sits on no USB device.
    std::string InstanceIdOf(const std::string& devnode) const;

private:
    struct udev* udev_;
};

}  // namespace talvik::device
