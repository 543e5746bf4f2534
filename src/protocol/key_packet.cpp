#include "protocol/key_packet.h"

#include "profile/profile_defaults.h"

namespace talvik::protocol {

namespace {

struct WireRow {
    std::uint8_t code;
    ButtonWireCode wire;
};

// Code 16 and 17 carry their own c1, c2 (filled in below); c0 = 17 is the mouse's key-combination
// form, so the office and window functions go out as fixed combinations.
constexpr WireRow kWireTable[] = {
    {0, {1, 0, 0}},    {1, {2, 0, 0}},    {2, {3, 0, 0}},     {3, {4, 0, 0}},    {4, {6, 0, 0}},
    {5, {5, 0, 0}},    {9, {7, 0, 0}},    {10, {8, 0, 0}},    {11, {9, 0, 0}},   {12, {10, 0, 0}},
    {13, {11, 0, 0}},  {14, {12, 0, 0}},  {6, {13, 0, 0}},    {7, {14, 0, 0}},   {8, {15, 0, 0}},
    {16, {17, 0, 0}},  {17, {18, 0, 0}},  {115, {20, 0, 0}},  {22, {16, 0, 3}},  {23, {41, 0, 3}},
    {54, {52, 0, 0}},  {55, {53, 0, 0}},  {56, {54, 0, 0}},   {52, {60, 0, 0}},  {64, {21, 0, 0}},
    {67, {22, 0, 0}},  {68, {23, 0, 0}},  {65, {24, 0, 0}},   {66, {25, 0, 0}},  {71, {26, 0, 0}},
    {69, {27, 0, 0}},  {70, {28, 0, 0}},  {88, {29, 0, 0}},   {87, {30, 0, 0}},  {19, {19, 0, 0}},
    {21, {43, 0, 0}},  {81, {17, 3, 18}}, {82, {32, 0, 0}},   {83, {33, 0, 0}},  {84, {34, 0, 0}},
    {89, {35, 0, 0}},  {85, {36, 0, 0}},  {80, {37, 0, 0}},   {86, {38, 0, 0}},  {32, {17, 1, 27}},
    {33, {17, 1, 6}},  {34, {17, 1, 25}}, {35, {17, 1, 18}},  {47, {17, 1, 17}}, {36, {17, 1, 22}},
    {41, {17, 1, 19}}, {37, {17, 1, 9}},  {38, {17, 1, 28}},  {39, {17, 1, 29}}, {40, {17, 1, 4}},
    {48, {17, 1, 46}}, {49, {17, 1, 45}}, {43, {17, 4, 43}},  {44, {17, 8, 7}},  {42, {17, 4, 61}},
    {45, {17, 8, 21}}, {46, {17, 8, 15}}, {50, {17, 10, 22}},
};
static_assert(std::size(kWireTable) == 63);

}  // namespace

ButtonWireCode EncodeButton(const profile::ButtonAssign& assign, std::uint8_t macro_slot) {
    ButtonWireCode wire{0, 0, 0};
    for (const WireRow& row : kWireTable) {
        if (row.code == assign.function) {
            wire = row.wire;
        }
    }
    if (assign.function == kFunctionKeyCombination) {
        wire[1] = assign.modifiers;
        wire[2] = assign.key_code;
    } else if (assign.function == kFunctionMacro) {
        wire[1] = 0;
        wire[2] = macro_slot;
    }
    return wire;
}

CommandPacket BuildKeyPacket(const profile::ProfileInfo& p) {
    CommandPacket packet = StartPacket(CommandId::kKeyAssignment, kKeyPacketLength);
    for (int b = 0; b < profile::kUsedButtons; ++b) {
        const ButtonWireCode wire =
            EncodeButton(p.buttons[b], static_cast<std::uint8_t>(profile::macro_start_slot[b]));
        for (int i = 0; i < 3; ++i) {
            packet.bytes[3 + 3 * b + i] = wire[i];
        }
    }
    WritePacketSum(packet, 56);
    return packet;
}

}  // namespace talvik::protocol
