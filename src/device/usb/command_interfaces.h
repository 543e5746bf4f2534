#pragma once

#include <memory>
#include <string>
#include <vector>

#include "device/usb/hid_backend.h"
#include "device/usb/receiver_family.h"

namespace talvik::device {

// A receiver's command interface, opened for a one-off exchange (the command-line tool); the
// program keeps its receivers open through ReceiverSets instead.
struct CommandInterface {
    ReceiverFamily family;
    std::string path;
    std::shared_ptr<platform::HidDevice> device;
};

// The first command interface of each receiver family that can be opened, in family order.
std::vector<CommandInterface> OpenCommandInterfaces(HidBackend& backend);

}  // namespace talvik::device
