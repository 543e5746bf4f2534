#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

struct udev_device;

namespace talvik::device {

// One hot-plug event of the hidraw or usb subsystem, as far as the receivers care.
struct DeviceEvent {
    enum class Action { kAdd, kRemove, kOther };
    Action action = Action::kOther;
    std::string subsystem;
    std::string devnode;      // "/dev/hidrawN" for hidraw nodes, else empty
    std::string syspath;      // the device's own sysfs path
    std::string usb_syspath;  // the USB device above it (itself for a usb_device), if known
    std::optional<uint16_t> vendor_id;
    std::optional<uint16_t> product_id;
};

// Reads an event from a device handed out by a udev monitor. Ids come from the event's own
// properties (PRODUCT of usb devices, HID_ID of the hid parent) and, while the device is still
// in sysfs, from the USB device's attributes.
DeviceEvent ReadDeviceEvent(udev_device* device);

// "1d57/fa60/100" (PRODUCT of usb devices and interfaces) -> vendor, product.
std::optional<std::pair<uint16_t, uint16_t>> ParseProductProperty(std::string_view text);
// "0003:00001D57:0000FA60" (HID_ID of hid devices) -> vendor, product.
std::optional<std::pair<uint16_t, uint16_t>> ParseHidId(std::string_view text);

}  // namespace talvik::device
