#pragma once

#include <array>
#include <cstdint>

#include "profile/profile_record.h"
#include "protocol/command_packet.h"

namespace talvik::protocol {

// The three bytes that tell the mouse what a button does.
using ButtonWireCode = std::array<std::uint8_t, 3>;

inline constexpr std::uint8_t kFunctionKeyCombination = 16;
inline constexpr std::uint8_t kFunctionMacro = 17;

// The wire code of one assignment; `macro_slot` is the first device slot of its macro. A code
// the mouse does not know is sent as 0, 0, 0.
ButtonWireCode EncodeButton(const profile::ButtonAssign& assign, std::uint8_t macro_slot);

// All 18 buttons of `profile`.
CommandPacket BuildKeyPacket(const profile::ProfileInfo& profile);

}  // namespace talvik::protocol
