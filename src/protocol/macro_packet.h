#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "macro/macro_record.h"
#include "profile/profile_record.h"
#include "protocol/command_packet.h"

namespace talvik::protocol {

// Offsets inside a MACRO_DATA packet.
inline constexpr std::size_t kMacroUnitCountByte = 8;
inline constexpr std::size_t kMacroActionArea = 9;
inline constexpr std::size_t kMacroActionAreaSize = 100;
// Actions may fill this much of a packet that continues into the next slot; the continuation
// unit takes the last two bytes.
inline constexpr std::size_t kMacroContinuedFill = 98;
inline constexpr std::uint8_t kContinuationMarker = 0xFE;
// Largest encoded action: a movement with a long delay.
inline constexpr std::size_t kMaxEncodedAction = 8;

// One action in the mouse's two-byte units.
struct EncodedAction {
    std::uint8_t bytes[kMaxEncodedAction]{};
    std::size_t size = 0;  // bytes used: 2, 4, 6 or 8
    int units() const { return static_cast<int>(size / 2); }
};

EncodedAction EncodeMacroAction(const macro::MacroAction& action);

struct MacroPacket {
    CommandPacket packet;
    int next = 0;       // first action of the following packet when `more`
    bool more = false;  // the macro continues in slot + 1
};

// Fills one MACRO_DATA packet for `assign`'s actions from `start` on, for device slot `slot`.
// An action never straddles two packets, and nothing is written past the packet.
MacroPacket BuildMacroPacket(const profile::ButtonAssign& assign, std::uint8_t slot, int start);

// The valid action count of an assignment: a stored count beyond the record's capacity is capped.
int MacroActionCount(const profile::ButtonAssign& assign);

// Device slots the macro of each button may use: four from its start slot. Buttons without a
// start slot of their own (7..17) have none, so their macros are not sent.
inline constexpr int kMacroSlotsPerButton = 4;

// All packets of the macro of button `button`, or nothing when the button has no slot range or
// the macro needs more slots than its range holds (it would overwrite another button's macro).
std::optional<std::vector<CommandPacket>> BuildMacroPackets(const profile::ProfileInfo& profile,
                                                            int button);

}  // namespace talvik::protocol
