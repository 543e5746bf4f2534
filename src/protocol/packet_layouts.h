#pragma once

#include <cstddef>

#include "protocol/command_packet.h"

namespace talvik::protocol {

// Where each field sits in the settings packets. The encoder, the read-back decoder (a block
// reply has the same layout as the packet that writes it) and the virtual mouse all read these,
// so a field has one offset in the whole program.
namespace sensor_layout {
inline constexpr std::size_t kLiftOffRipple = 3;  // lift-off distance << 4 | ripple control
inline constexpr std::size_t kSnapSync = 4;       // angle snap << 4 | motion sync
inline constexpr std::size_t kEnabled = 5;        // bit k: stage k enabled
inline constexpr std::size_t kHighRange = 6;      // bit k: stage k counts its upper range
inline constexpr std::size_t kDpiLow = 8;         // 8 low bytes, one per stage
inline constexpr std::size_t kDpiHigh = 16;       // 8 high bytes, one per stage
inline constexpr std::size_t kStage = 24;         // current stage + 1
inline constexpr std::size_t kColors = 25;        // 8 × red, green, blue
inline constexpr std::size_t kLastPayload = 49;   // checked by the sum after it
}  // namespace sensor_layout

namespace light_layout {
inline constexpr std::size_t kMode = 3;            // light mode << 4
inline constexpr std::size_t kSleepHighSpeed = 4;  // sleep timer high nibble | 9 − breath speed
inline constexpr std::size_t kSleepLowBright = 5;  // sleep timer low nibble | brightness
inline constexpr std::size_t kColor = 6;           // red, green, blue
inline constexpr std::size_t kOffTime = 9;
inline constexpr std::size_t kDebounce = 10;
inline constexpr std::size_t kLastPayload = 10;
}  // namespace light_layout

namespace polling_layout {
inline constexpr std::size_t kRates = 3;  // (high-speed rate + 1) << 4 | (rate + 1)
inline constexpr std::size_t kCheck = 4;  // the complement of kRates
}  // namespace polling_layout

}  // namespace talvik::protocol
