#include "device/usb/device_event.h"

#include <libudev.h>

#include <algorithm>
#include <charconv>
#include <cstring>

namespace talvik::device {

namespace {

std::optional<uint32_t> ParseHex(std::string_view text, uint32_t max) {
    if (text.empty() || text.size() > 8) {
        return std::nullopt;
    }
    uint32_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, 16);
    if (error != std::errc() || end != text.data() + text.size() || value > max) {
        return std::nullopt;
    }
    return value;
}

std::optional<std::pair<uint16_t, uint16_t>> IdPair(std::string_view vendor,
                                                    std::string_view product) {
    const auto v = ParseHex(vendor, 0xFFFF);
    const auto p = ParseHex(product, 0xFFFF);
    if (!v || !p) {
        return std::nullopt;
    }
    return std::pair{static_cast<uint16_t>(*v), static_cast<uint16_t>(*p)};
}

std::string_view Field(std::string_view text, char separator, int index) {
    for (int i = 0; i < index; ++i) {
        const size_t at = text.find(separator);
        if (at == std::string_view::npos) {
            return {};
        }
        text.remove_prefix(at + 1);
    }
    return text.substr(0, text.find(separator));
}

std::string Text(const char* value) {
    return value != nullptr ? value : "";
}

}  // namespace

std::optional<std::pair<uint16_t, uint16_t>> ParseProductProperty(std::string_view text) {
    if (std::count(text.begin(), text.end(), '/') != 2) {
        return std::nullopt;
    }
    return IdPair(Field(text, '/', 0), Field(text, '/', 1));
}

std::optional<std::pair<uint16_t, uint16_t>> ParseHidId(std::string_view text) {
    if (std::count(text.begin(), text.end(), ':') != 2) {
        return std::nullopt;
    }
    const auto v = ParseHex(Field(text, ':', 1), 0xFFFF);
    const auto p = ParseHex(Field(text, ':', 2), 0xFFFF);
    if (!v || !p) {
        return std::nullopt;
    }
    return std::pair{static_cast<uint16_t>(*v), static_cast<uint16_t>(*p)};
}

DeviceEvent ReadDeviceEvent(udev_device* device) {
    DeviceEvent event;
    const std::string action = Text(udev_device_get_action(device));
    event.action = action == "add"      ? DeviceEvent::Action::kAdd
                   : action == "remove" ? DeviceEvent::Action::kRemove
                                        : DeviceEvent::Action::kOther;
    event.subsystem = Text(udev_device_get_subsystem(device));
    event.syspath = Text(udev_device_get_syspath(device));
    std::optional<std::pair<uint16_t, uint16_t>> ids;
    if (event.subsystem == "hidraw") {
        event.devnode = Text(udev_device_get_devnode(device));
        if (udev_device* hid =
                udev_device_get_parent_with_subsystem_devtype(device, "hid", nullptr);
            hid != nullptr) {
            ids = ParseHidId(Text(udev_device_get_property_value(hid, "HID_ID")));
        }
    } else if (event.subsystem == "usb") {
        ids = ParseProductProperty(Text(udev_device_get_property_value(device, "PRODUCT")));
        if (Text(udev_device_get_devtype(device)) == "usb_device") {
            event.usb_syspath = event.syspath;
        }
    }
    if (event.usb_syspath.empty()) {
        if (udev_device* usb =
                udev_device_get_parent_with_subsystem_devtype(device, "usb", "usb_device");
            usb != nullptr) {
            event.usb_syspath = Text(udev_device_get_syspath(usb));
            if (!ids) {
                ids = IdPair(Text(udev_device_get_sysattr_value(usb, "idVendor")),
                             Text(udev_device_get_sysattr_value(usb, "idProduct")));
            }
        }
    }
    if (ids) {
        event.vendor_id = ids->first;
        event.product_id = ids->second;
    }
    return event;
}

}  // namespace talvik::device
