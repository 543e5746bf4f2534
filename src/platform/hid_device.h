#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

namespace talvik::platform {

// One opened HID interface. Calls block the calling thread; one thread uses a device at a time.
// Every call gives the number of bytes moved, or nothing when the device reported an error
// (for instance after it was unplugged).
class HidDevice {
public:
    virtual ~HidDevice() = default;

    // Writes one output report, report id first.
    virtual std::optional<std::size_t> Write(std::span<const std::uint8_t> report) = 0;

    // Reads one input report into `buffer`, waiting at most `timeout_ms` (negative: without a
    // limit); 0 when none arrived in time.
    virtual std::optional<std::size_t> Read(std::span<std::uint8_t> buffer, int timeout_ms) = 0;

    // Callable from any thread: makes a Read blocked in another thread return soon. Devices read
    // through a file descriptor need nothing here: their reader is woken by a signal instead.
    virtual void InterruptRead() {}

    // Sends a feature report, report id first.
    virtual std::optional<std::size_t> SendFeatureReport(std::span<const std::uint8_t> report) = 0;

    // Reads the feature report whose id the caller put in buffer[0].
    virtual std::optional<std::size_t> GetFeatureReport(std::span<std::uint8_t> buffer) = 0;
};

}  // namespace talvik::platform
