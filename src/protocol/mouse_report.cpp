#include "protocol/mouse_report.h"

namespace talvik::protocol {

MouseReport MouseReport::FromHalves(std::uint16_t a, std::uint16_t b) {
    return {static_cast<std::uint8_t>(a), static_cast<std::uint8_t>(a >> 8),
            static_cast<std::uint8_t>(b), static_cast<std::uint8_t>(b >> 8)};
}

std::optional<MouseReport> ReportFromReceiver(std::span<const std::uint8_t> r) {
    if (r.size() < 5) {
        return std::nullopt;
    }
    return MouseReport{r[1], r[2], r[3], r[4]};
}

std::optional<MouseReport> ReportFromBle(std::span<const std::uint8_t> v) {
    if (v.size() < 4) {
        return std::nullopt;
    }
    return MouseReport{v[0], v[1], v[2], v[3]};
}

std::optional<MouseReport> ReportFromDriverEvent(std::uint32_t code) {
    const std::uint32_t upper = code >> 16;
    if (upper < 0x1000 || upper > 0x9000) {
        return std::nullopt;
    }
    return MouseReport::FromHalves(static_cast<std::uint16_t>(upper),
                                   static_cast<std::uint16_t>(code));
}

std::uint32_t DriverDataCode(std::uintptr_t wparam, std::intptr_t lparam) {
    return static_cast<std::uint32_t>((wparam << 16) ^
                                      (static_cast<std::uintptr_t>(lparam) & 0xFFFF));
}

}  // namespace talvik::protocol
