#include "protocol/macro_packet.h"

#include <algorithm>
#include <cstring>

#include "profile/profile_defaults.h"

namespace talvik::protocol {

namespace {

constexpr std::uint8_t kReleaseBit = 0x80;
constexpr std::uint8_t kLongDelayTag = 0x03;
constexpr int kShortDelayMax = 127;

void Put(EncodedAction& out, std::uint8_t value) {
    out.bytes[out.size++] = value;
}

}  // namespace

EncodedAction EncodeMacroAction(const macro::MacroAction& a) {
    EncodedAction out;
    const int delay = a.delay;
    const bool long_delay = delay > kShortDelayMax;
    int first = long_delay ? delay % 100 : delay;
    if (first == 0) {
        first = 1;
    }
    auto lead = static_cast<std::uint8_t>(first);
    const auto kind = static_cast<macro::ActionKind>(a.kind);
    if (kind == macro::ActionKind::kMove) {
        Put(out, lead);
        Put(out, macro::kCodeMove);
        Put(out, static_cast<std::uint8_t>(a.x >> 8));
        Put(out, static_cast<std::uint8_t>(a.x));
        Put(out, static_cast<std::uint8_t>(a.y >> 8));
        Put(out, static_cast<std::uint8_t>(a.y));
    } else {
        if (kind != macro::ActionKind::kPress) {
            lead |= kReleaseBit;
        }
        Put(out, lead);
        Put(out, a.code);
    }
    if (long_delay) {
        Put(out, static_cast<std::uint8_t>(delay / 100));
        Put(out, kLongDelayTag);
    }
    return out;
}

int MacroActionCount(const profile::ButtonAssign& assign) {
    return std::min<int>(assign.macro_event_count, macro::kMaxMacroActions);
}

MacroPacket BuildMacroPacket(const profile::ButtonAssign& a, std::uint8_t slot, int start) {
    MacroPacket out;
    out.packet = StartPacket(CommandId::kMacroData, kMacroPacketLength, slot);
    auto& b = out.packet.bytes;
    if (start == 0) {
        b[3] = static_cast<std::uint8_t>(a.macro_loop_mode);
        std::memcpy(&b[4], a.reserved_1084, sizeof a.reserved_1084);
        const auto repeat = static_cast<std::uint8_t>(a.macro_repeat);
        b[7] = repeat == 0 ? 1 : repeat;
    }
    const int count = MacroActionCount(a);
    std::size_t pos = 0;
    int units = 0;
    for (int i = std::max(start, 0); i < count; ++i) {
        const EncodedAction enc = EncodeMacroAction(a.macro_actions[i]);
        if (pos + enc.size > kMacroContinuedFill) {
            // Does not fit: the continuation unit points the mouse at the next slot. Checked
            // before writing, so a long last action cannot run into the sum or past the packet.
            b[kMacroActionArea + pos] = static_cast<std::uint8_t>(slot + 1);
            b[kMacroActionArea + pos + 1] = kContinuationMarker;
            units += 1;
            out.next = i;
            out.more = true;
            break;
        }
        std::memcpy(&b[kMacroActionArea + pos], enc.bytes, enc.size);
        pos += enc.size;
        units += enc.units();
    }
    b[kMacroUnitCountByte] = static_cast<std::uint8_t>(units);
    WritePacketSum(out.packet, kMacroActionArea + kMacroActionAreaSize - 1);
    return out;
}

std::optional<std::vector<CommandPacket>> BuildMacroPackets(const profile::ProfileInfo& p,
                                                            int button) {
    if (button < 0 || button >= profile::kUsedButtons) {
        return std::nullopt;
    }
    const int first_slot = profile::macro_start_slot[button];
    if (first_slot <= 0) {
        return std::nullopt;
    }
    const profile::ButtonAssign& assign = p.buttons[button];
    std::vector<CommandPacket> packets;
    int start = 0;
    for (int slot = first_slot; slot < first_slot + kMacroSlotsPerButton; ++slot) {
        MacroPacket mp = BuildMacroPacket(assign, static_cast<std::uint8_t>(slot), start);
        packets.push_back(mp.packet);
        if (!mp.more) {
            return packets;
        }
        start = mp.next;
    }
    return std::nullopt;
}

}  // namespace talvik::protocol
