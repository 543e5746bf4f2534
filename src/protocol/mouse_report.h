#pragma once

#include <cstdint>
#include <optional>
#include <span>

namespace talvik::protocol {

// What the mouse reports by itself: a marker, a type and two value bytes.
struct MouseReport {
    std::uint8_t marker = 0;
    std::uint8_t type = 0;
    std::uint8_t val_lo = 0;
    std::uint8_t val_hi = 0;

    // The two 16-bit halves the report handlers take: marker | type << 8, val_lo | val_hi << 8.
    std::uint16_t a() const { return static_cast<std::uint16_t>(marker | type << 8); }
    std::uint16_t b() const { return static_cast<std::uint16_t>(val_lo | val_hi << 8); }
    static MouseReport FromHalves(std::uint16_t a, std::uint16_t b);
};

inline constexpr std::uint8_t kReportMarker = 0xC5;
inline constexpr std::uint8_t kTypeDpiStage = 0x10;
inline constexpr std::uint8_t kTypePollingRate = 0x20;
inline constexpr std::uint8_t kBatteryBit = 0x40;
inline constexpr std::uint8_t kTypeSaveOnly = 0x80;
inline constexpr std::uint8_t kBatteryFull = 2;
inline constexpr std::uint8_t kBatteryCharging = 3;

// Report id of the mouse's own reports on the receivers' input interfaces.
inline constexpr std::uint8_t kInputReportId = 3;

// The receivers' input reports: marker at byte 1 through val_hi at byte 4.
std::optional<MouseReport> ReportFromReceiver(std::span<const std::uint8_t> report);

// A Bluetooth LE notification: marker at byte 0.
std::optional<MouseReport> ReportFromBle(std::span<const std::uint8_t> value);

// The vendor library's data event as the main window hands it on: (wParam << 16) ^ (lParam &
// 0xFFFF), i.e. type << 8 | marker in the upper and the value bytes in the lower half. Nothing
// when the upper half lies outside 0x1000..0x9000.
std::optional<MouseReport> ReportFromDriverEvent(std::uint32_t code);

// The code the vendor library's data message yields for the page's driver-event handler.
std::uint32_t DriverDataCode(std::uintptr_t wparam, std::intptr_t lparam);

}  // namespace talvik::protocol
