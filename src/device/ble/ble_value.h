#pragma once

#include <cstddef>
#include <cstdint>

namespace talvik::device {

// What a value from the notification characteristic carries, decided by its first byte.
enum class BleValueKind {
    kEmpty,          // no data at all; dropped
    kReadBackReply,  // 0xA0: the answer to a read-back request
    kIgnored,        // 0xA2, 0xA9: acknowledgements nobody waits for
    kDeviceReport,   // anything else: a report the mouse sends by itself
};

BleValueKind ClassifyBleValue(const uint8_t* data, size_t length);

}  // namespace talvik::device
