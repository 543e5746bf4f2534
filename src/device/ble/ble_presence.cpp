#include "device/ble/ble_presence.h"

#include <hidapi/hidapi.h>

#include "device/ble/mouse_modalias.h"

namespace talvik::device {

bool BleMouseListedByHid() {
    if (hid_init() != 0) {
        return false;
    }
    hid_device_info* list = hid_enumerate(kBleMouseVendorId, kBleMouseProductId);
    const bool present = list != nullptr;
    hid_free_enumeration(list);
    return present;
}

}  // namespace talvik::device
