#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace talvik::protocol {

// Two upper-case hex digits per byte, separated by single spaces.
std::string FormatHex(std::span<const std::uint8_t> bytes);

// Hex digits in pairs, spaces allowed between bytes; nothing on any other character or an odd
// digit count.
std::optional<std::vector<std::uint8_t>> ParseHex(std::string_view text);

}  // namespace talvik::protocol
