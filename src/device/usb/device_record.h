#pragma once

#include <memory>
#include <string>

#include "platform/hid_device.h"

namespace talvik::device {

// One opened HID interface of a receiver. Handles are shared: a reader thread, the worker or the
// page may still hold one after the set dropped it, and the interface closes when the last
// holder lets go.
struct DeviceRecord {
    std::shared_ptr<platform::HidDevice> command;
    std::shared_ptr<platform::HidDevice> input;
    std::string path;  // hidapi path (the hidraw node)
    // The physical USB device above the interface (its sysfs path): equal for the command and
    // the input interface of one receiver; empty when it could not be found.
    std::string instance_id;

    bool empty() const { return !command && !input && path.empty(); }
};

}  // namespace talvik::device
