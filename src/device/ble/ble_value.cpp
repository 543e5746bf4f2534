#include "device/ble/ble_value.h"

namespace talvik::device {

BleValueKind ClassifyBleValue(const uint8_t* data, size_t length) {
    if (data == nullptr || length == 0) {
        return BleValueKind::kEmpty;
    }
    switch (data[0]) {
        case 0xA0:
            return BleValueKind::kReadBackReply;
        case 0xA2:
        case 0xA9:
            return BleValueKind::kIgnored;
        default:
            return BleValueKind::kDeviceReport;
    }
}

}  // namespace talvik::device
