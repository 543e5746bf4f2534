#include "protocol/macro_packet.h"

#include <gtest/gtest.h>

#include <vector>

#include "profile/profile_defaults.h"
#include "protocol/hex.h"
#include "protocol/key_packet.h"

namespace talvik::protocol {
namespace {

using macro::MacroAction;
constexpr std::uint8_t kPress = 1;
constexpr std::uint8_t kRelease = 2;

MacroAction Key(std::uint8_t code, std::uint8_t kind, std::uint16_t delay) {
    return {0, code, kind, 0, delay, 0, 0, 0};
}

MacroAction Move(int x, int y, std::uint16_t delay) {
    return {0, macro::kCodeMove, 0, 0, delay, 0, x, y};
}

std::vector<std::uint8_t> Encoded(const MacroAction& a) {
    const EncodedAction e = EncodeMacroAction(a);
    return {e.bytes, e.bytes + e.size};
}

void SetActions(profile::ButtonAssign& b, const std::vector<MacroAction>& actions) {
    b.function = kFunctionMacro;
    b.macro_event_count = static_cast<std::uint16_t>(actions.size());
    std::copy(actions.begin(), actions.end(), b.macro_actions);
}

TEST(MacroEncoding, GoldenBytes) {
    const std::pair<MacroAction, const char*> cases[] = {
        {Key(0x04, kPress, 50), "32 04"},
        {Key(0x04, kPress, 250), "32 04 02 03"},
        {Key(0x04, kPress, 200), "01 04 02 03"},
        {Key(0x04, kPress, 0), "01 04"},
        {Key(0x04, kPress, 127), "7F 04"},
        {Key(0x04, kPress, 128), "1C 04 01 03"},
        {Key(0x04, kPress, 25000), "01 04 FA 03"},
        {Key(0x2C, kRelease, 0), "81 2C"},
        {Key(0xF1, kRelease, 300), "81 F1 03 03"},
        {Move(-2, 300, 5), "05 F6 FF FE 01 2C"},
        {Move(1, 1, 1000), "01 F6 00 01 00 01 0A 03"},
    };
    for (const auto& [action, hex] : cases) {
        EXPECT_EQ(FormatHex(Encoded(action)), hex);
    }
}

TEST(MacroPacket, FirstPacketHeaderAndButtonOneExample) {
    auto p = profile::CreateProfile();
    profile::ButtonAssign& b = p->buttons[1];
    SetActions(b, {Key(0x04, kPress, 250)});
    b.macro_loop_mode = 2;
    b.reserved_1084[0] = 0xAA;
    b.reserved_1084[2] = 0xBB;
    const MacroPacket mp = BuildMacroPacket(b, 5, 0);
    EXPECT_FALSE(mp.more);
    EXPECT_EQ(mp.packet.length, 111u);
    EXPECT_EQ(FormatHex(std::span(mp.packet.bytes).first(14)),
              "09 6F 05 02 AA 00 BB 01 02 32 04 02 03 00");
    EXPECT_EQ(BuildMacroPacket(b, 5, 1).packet.bytes[7], 0) << "header only in the first packet";
}

// Walks the action areas of a macro's packets and returns the bytes of its actions.
std::vector<std::uint8_t> ActionBytes(const std::vector<CommandPacket>& packets) {
    std::vector<std::uint8_t> out;
    for (const CommandPacket& c : packets) {
        const auto& b = c.bytes;
        std::size_t pos = kMacroActionArea;
        for (int unit = 0; unit < b[kMacroUnitCountByte]; ++unit, pos += 2) {
            if (b[pos + 1] == kContinuationMarker) {
                EXPECT_EQ(b[pos], b[2] + 1);
                EXPECT_EQ(unit + 1, b[kMacroUnitCountByte]) << "continuation ends the packet";
                continue;
            }
            out.insert(out.end(), {b[pos], b[pos + 1]});
        }
        EXPECT_LE(pos, kMacroActionArea + kMacroActionAreaSize);
    }
    return out;
}

// Whatever the mix of action sizes and wherever the last one falls, packets hold whole actions,
// never write past their 111 bytes, and carry every action exactly once.
TEST(MacroPacket, NeverWritesPastThePacketWhereverTheLastActionFalls) {
    const MacroAction tails[] = {Move(7, -7, 4000), Move(7, -7, 4), Key(0x06, kRelease, 999)};
    for (int shorts = 0; shorts <= 52; ++shorts) {
        for (const MacroAction& tail : tails) {  // 8, 6 and 4 bytes
            std::vector<MacroAction> actions(shorts, Key(0x05, kPress, 20));
            actions.insert(actions.end(), 3, tail);
            auto p = profile::CreateProfile();
            SetActions(p->buttons[2], actions);
            std::vector<std::uint8_t> expected;
            for (const auto& a : actions) {
                const auto e = Encoded(a);
                expected.insert(expected.end(), e.begin(), e.end());
            }
            const auto packets = BuildMacroPackets(*p, 2);
            ASSERT_TRUE(packets) << shorts;
            EXPECT_EQ(ActionBytes(*packets), expected) << shorts << " " << FormatHex(Encoded(tail));
        }
    }
}

TEST(MacroPacket, SlotRangesBoundTheMacro) {
    profile::ButtonAssign capped{};
    capped.macro_event_count = 60000;
    EXPECT_EQ(MacroActionCount(capped), 190);
    auto p = profile::CreateProfile();
    // 190 long movements need 16 packets: more than the four slots of button 0.
    SetActions(p->buttons[0], std::vector<MacroAction>(190, Move(1, 1, 500)));
    EXPECT_FALSE(BuildMacroPackets(*p, 0));
    // A four-packet macro on button 6 uses slots 25..28.
    SetActions(p->buttons[6], std::vector<MacroAction>(190, Key(0x04, kPress, 1)));
    const auto packets = BuildMacroPackets(*p, 6);
    ASSERT_TRUE(packets);
    ASSERT_EQ(packets->size(), 4u);
    EXPECT_EQ((*packets)[3].bytes[2], 28);
}

}  // namespace
}  // namespace talvik::protocol
