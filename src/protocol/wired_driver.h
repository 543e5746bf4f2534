#pragma once

#include <cstdint>
#include <span>

namespace talvik::protocol {

// The wired link's feature-report calls, as the vendor library offers them.
class WiredDriver {
public:
    virtual ~WiredDriver() = default;
    // Sends `report` (report id first); true when it went out.
    virtual bool SetFeature(std::span<const std::uint8_t> report) = 0;
    // Fills `buffer` with the feature report whose id is in buffer[0]; true when it was read.
    virtual bool GetFeature(std::span<std::uint8_t> buffer) = 0;
};

}  // namespace talvik::protocol
