#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace talvik::device {

inline constexpr uint16_t kBleMouseVendorId = 0x331A;
inline constexpr uint16_t kBleMouseProductId = 0x5044;

struct ModaliasIds {
    uint16_t vendor = 0;
    uint16_t product = 0;
};

// Vendor and product of a device id string such as "usb:v331Ap5044d0001" or
// "bluetooth:v331Ap5044d0001" (any letter case); nothing for other forms.
std::optional<ModaliasIds> ParseModalias(std::string_view modalias);

// True when the id string names the mouse.
bool IsMouseModalias(std::string_view modalias);

}  // namespace talvik::device
