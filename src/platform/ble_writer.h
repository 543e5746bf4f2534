#pragma once

#include <cstdint>
#include <span>

namespace talvik::platform {

// Writes values to the mouse's Bluetooth LE command characteristic (0xFEE3). Called from the
// worker thread; blocks until the write is acknowledged or failed.
class BleWriter {
public:
    virtual ~BleWriter() = default;

    // True when the value was written.
    virtual bool Write(std::span<const std::uint8_t> value) = 0;
};

}  // namespace talvik::platform
