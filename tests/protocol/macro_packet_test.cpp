#include "protocol/macro_packet.h"

#include <gtest/gtest.h>

#include <vector>

#include "profile/profile_defaults.h"
#include "protocol/hex.h"
#include "protocol/key_packet.h"

namespace talvik::protocol {
namespace {

macro::MacroAction Key(std::uint8_t code, macro::ActionKind kind, std::uint16_t delay) {
    macro::MacroAction a{};
    a.code = code;
    a.kind = static_cast<std::uint8_t>(kind);
    a.delay = delay;
    return a;
}

macro::MacroAction Move(int x, int y, std::uint16_t delay) {
    macro::MacroAction a{};
    a.code = macro::kCodeMove;
    a.kind = static_cast<std::uint8_t>(macro::ActionKind::kMove);
    a.delay = delay;
    a.x = x;
    a.y = y;
    return a;
}

std::string Encoded(const macro::MacroAction& a) {
    const EncodedAction e = EncodeMacroAction(a);
    return FormatHex(std::span(e.bytes, e.size));
}

void SetActions(profile::ButtonAssign& b, const std::vector<macro::MacroAction>& actions) {
    b.function = kFunctionMacro;
    b.macro_event_count = static_cast<std::uint16_t>(actions.size());
    for (std::size_t i = 0; i < actions.size(); ++i) {
        b.macro_actions[i] = actions[i];
    }
}

TEST(MacroEncoding, GoldenBytes) {
    using macro::ActionKind;
    const std::pair<macro::MacroAction, const char*> cases[] = {
        {Key(0x04, ActionKind::kPress, 50), "32 04"},
        {Key(0x04, ActionKind::kPress, 250), "32 04 02 03"},
        {Key(0x04, ActionKind::kPress, 200), "01 04 02 03"},
        {Key(0x04, ActionKind::kPress, 0), "01 04"},
        {Key(0x04, ActionKind::kPress, 127), "7F 04"},
        {Key(0x04, ActionKind::kPress, 128), "1C 04 01 03"},
        {Key(0x04, ActionKind::kPress, 25000), "01 04 FA 03"},
        {Key(0x2C, ActionKind::kRelease, 0), "81 2C"},
        {Key(0xF1, ActionKind::kRelease, 300), "81 F1 03 03"},
        {Move(-2, 300, 5), "05 F6 FF FE 01 2C"},
        {Move(1, 1, 1000), "01 F6 00 01 00 01 0A 03"},
    };
    for (const auto& [action, hex] : cases) {
        EXPECT_EQ(Encoded(action), hex);
    }
}

TEST(MacroPacket, FirstPacketHeaderAndButtonOneExample) {
    auto p = profile::CreateProfile();
    profile::ButtonAssign& b = p->buttons[1];
    SetActions(b, {Key(0x04, macro::ActionKind::kPress, 250)});
    b.macro_loop_mode = 2;
    b.reserved_1084[0] = 0xAA;
    b.reserved_1084[2] = 0xBB;
    const MacroPacket mp = BuildMacroPacket(b, 5, 0);
    const auto& x = mp.packet.bytes;
    EXPECT_FALSE(mp.more);
    EXPECT_EQ(mp.packet.length, 111u);
    EXPECT_EQ(FormatHex(std::span(x).first(14)), "09 6F 05 02 AA 00 BB 01 02 32 04 02 03 00");
    const std::uint16_t sum = ByteSum(x, 3, 108);
    EXPECT_EQ(x[109], sum >> 8);
    EXPECT_EQ(x[110], sum & 0xFF);
    EXPECT_EQ(BuildMacroPacket(b, 5, 1).packet.bytes[7], 0) << "header only in the first packet";
}

// Walks the action areas of a macro's packets and returns the bytes of its actions.
std::vector<std::uint8_t> ActionBytes(const std::vector<CommandPacket>& packets) {
    std::vector<std::uint8_t> out;
    for (std::size_t n = 0; n < packets.size(); ++n) {
        const auto& b = packets[n].bytes;
        std::size_t pos = kMacroActionArea;
        for (int unit = 0; unit < b[kMacroUnitCountByte]; ++unit, pos += 2) {
            if (b[pos + 1] == kContinuationMarker) {
                EXPECT_EQ(b[pos], b[2] + 1);
                EXPECT_EQ(unit + 1, b[kMacroUnitCountByte]) << "continuation ends the packet";
                continue;
            }
            out.push_back(b[pos]);
            out.push_back(b[pos + 1]);
        }
        EXPECT_LE(pos, kMacroActionArea + kMacroActionAreaSize);
    }
    return out;
}

// Whatever the mix of action sizes and wherever the last one falls, packets hold whole actions,
// never write past their 111 bytes, and carry every action exactly once.
TEST(MacroPacket, NeverWritesPastThePacketWhereverTheLastActionFalls) {
    for (int shorts = 0; shorts <= 52; ++shorts) {
        for (int tail_kind = 0; tail_kind < 3; ++tail_kind) {
            auto p = profile::CreateProfile();
            std::vector<macro::MacroAction> actions;
            for (int i = 0; i < shorts; ++i) {
                actions.push_back(Key(0x05, macro::ActionKind::kPress, 20));
            }
            for (int i = 0; i < 3; ++i) {
                if (tail_kind == 0) {
                    actions.push_back(Move(7, -7, 4000));  // 8 bytes
                } else if (tail_kind == 1) {
                    actions.push_back(Move(7, -7, 4));  // 6 bytes
                } else {
                    actions.push_back(Key(0x06, macro::ActionKind::kRelease, 999));  // 4 bytes
                }
            }
            SetActions(p->buttons[2], actions);
            std::vector<std::uint8_t> expected;
            for (const auto& a : actions) {
                const EncodedAction e = EncodeMacroAction(a);
                expected.insert(expected.end(), e.bytes, e.bytes + e.size);
            }
            const auto packets = BuildMacroPackets(*p, 2);
            ASSERT_TRUE(packets) << shorts;
            for (const CommandPacket& c : *packets) {
                ASSERT_EQ(c.length, kMacroPacketLength);
                const std::uint16_t sum = ByteSum(c.bytes, 3, 108);
                EXPECT_EQ(c.bytes[109], sum >> 8);
                EXPECT_EQ(c.bytes[110], sum & 0xFF);
            }
            EXPECT_EQ(ActionBytes(*packets), expected) << shorts << " " << tail_kind;
        }
    }
}

TEST(MacroPacket, SlotRangesBoundTheMacro) {
    profile::ButtonAssign capped{};
    capped.macro_event_count = 60000;
    EXPECT_EQ(MacroActionCount(capped), 190);
    auto p = profile::CreateProfile();
    // 190 long movements need 16 packets: more than the four slots of button 0.
    std::vector<macro::MacroAction> moves(190, Move(1, 1, 500));
    SetActions(p->buttons[0], moves);
    EXPECT_FALSE(BuildMacroPackets(*p, 0));
    // Buttons 7..17 have no slots of their own.
    SetActions(p->buttons[8], {Key(0x04, macro::ActionKind::kPress, 1)});
    EXPECT_FALSE(BuildMacroPackets(*p, 8));
    // A four-packet macro on button 6 uses slots 25..28.
    std::vector<macro::MacroAction> keys(190, Key(0x04, macro::ActionKind::kPress, 1));
    SetActions(p->buttons[6], keys);
    const auto packets = BuildMacroPackets(*p, 6);
    ASSERT_TRUE(packets);
    ASSERT_EQ(packets->size(), 4u);
    EXPECT_EQ((*packets)[3].bytes[2], 28);
}

}  // namespace
}  // namespace talvik::protocol
