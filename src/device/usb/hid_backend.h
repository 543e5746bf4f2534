#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "device/usb/receiver_family.h"
#include "platform/hid_device.h"

namespace talvik::device {

// One HID interface found by enumeration.
struct HidInterfaceInfo {
    std::string path;
    UsagePair usage;
    std::string instance_id;  // see DeviceRecord
};

// Enumerates and opens HID interfaces. Called on the UI thread only.
class HidBackend {
public:
    virtual ~HidBackend() = default;
    // The interfaces with these ids, in the order the system lists them.
    virtual std::vector<HidInterfaceInfo> Enumerate(uint16_t vendor_id, uint16_t product_id) = 0;
    // Opens an interface for blocking reads with a timeout; nothing when it cannot be opened.
    virtual std::shared_ptr<platform::HidDevice> Open(const std::string& path) = 0;
};

}  // namespace talvik::device
