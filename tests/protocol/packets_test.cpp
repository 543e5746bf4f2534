// The settings and key packets byte for byte.
#include <gtest/gtest.h>

#include "profile/profile_defaults.h"
#include "protocol/hex.h"
#include "protocol/key_packet.h"
#include "protocol/settings_packets.h"

namespace talvik::protocol {
namespace {

std::string Hex(const CommandPacket& p) {
    return FormatHex(p.view());
}

TEST(SettingsPackets, GoldenBytes) {
    auto p = profile::CreateProfile();
    EXPECT_EQ(Hex(BuildApplyBegin()), "0C 0A 01 FE 01 FE 00 00 00 00");
    EXPECT_EQ(Hex(BuildSensorPacket(*p)),
              "04 38 01 01 01 3F 01 00 20 B0 40 60 80 A0 00 00 03 04 06 09 0C 0F 00 00 02 FF 00 "
              "00 00 FF 00 00 00 FF 00 FF FF FF FF 00 FF FF 00 FF 40 00 FF FF FF 02 10 3A 00 00 "
              "00 00");
    EXPECT_EQ(Hex(BuildPollingPacket(*p)), "06 09 01 44 BB 00 00 00 00");
    EXPECT_EQ(Hex(BuildKeyPacket(*p)),
              "08 3B 01 02 00 00 03 00 00 04 00 00 0D 00 00 06 00 00 05 00 00 01 00 00 01 00 00 "
              "01 00 00 01 00 00 01 00 00 01 00 00 01 00 00 01 00 00 01 00 00 01 00 00 09 00 00 "
              "0A 00 00 00 3E");
    p->polling_rate = 0;
    p->polling_rate_hs = 6;
    EXPECT_EQ(Hex(BuildPollingPacket(*p)), "06 09 01 71 8E 00 00 00 00");
    EXPECT_EQ(Hex(BuildLightPacket(*p)), "05 0F 01 C0 03 A8 00 FF 00 02 04 02 70 00 00");
}

TEST(SettingsPackets, SensorOptionsStagesNegativeDpiAndChecksum) {
    auto p = profile::CreateProfile();
    p->lift_off_distance = 1;
    p->ripple_control = 0;
    p->angle_snap = 1;
    p->motion_sync = 0;
    p->dpi_enabled[7] = 1;
    p->dpi_enabled[0] = 0;
    p->dpi_value[1] = 520;  // 26,000 DPI = 0x6590
    p->dpi_value[2] = -3;   // sent as zero
    p->current_dpi_stage = 7;
    const CommandPacket s = BuildSensorPacket(*p);
    const std::uint16_t sum = ByteSum(s.bytes, 3, 49);
    const std::pair<int, int> bytes[] = {{3, 0x10},      {4, 0x10},       {5, 0xBE},  {9, 0x90},
                                         {17, 0x65},     {10, 0x00},      {18, 0x00}, {24, 8},
                                         {50, sum >> 8}, {51, sum & 0xFF}};
    for (const auto& [at, value] : bytes) {
        EXPECT_EQ(s.bytes[at], value) << "byte " << at;
    }
}

TEST(SettingsPackets, LightBrightnessOnlyForItsModes) {
    auto p = profile::CreateProfile();
    p->brightness = 3;
    p->sleep_timer = 0xA5;
    for (int mode : {1, 5, 2}) {
        p->light_mode = mode;
        const CommandPacket l = BuildLightPacket(*p);
        EXPECT_EQ(l.bytes[5], mode == 2 ? 0x58 : 0x53) << mode;
        EXPECT_EQ(l.bytes[4] >> 4, 0xA) << mode;
    }
}

TEST(KeyPacket, CombinationsMacroSlotsAndUnknownCodes) {
    auto p = profile::CreateProfile();
    p->buttons[2].function = kFunctionKeyCombination;
    p->buttons[2].modifiers = profile::kModifierCtrl | profile::kModifierAlt;
    p->buttons[2].key_code = 0x04;
    p->buttons[6].function = kFunctionMacro;
    p->buttons[9].function = kFunctionMacro;
    const CommandPacket k = BuildKeyPacket(*p);
    EXPECT_EQ(FormatHex(std::span(k.bytes).subspan(3 + 3 * 2, 3)), "11 05 04");
    EXPECT_EQ(FormatHex(std::span(k.bytes).subspan(3 + 3 * 6, 3)), "12 00 19");
    EXPECT_EQ(FormatHex(std::span(k.bytes).subspan(3 + 3 * 9, 3)), "12 00 00");

    profile::ButtonAssign a{};
    a.modifiers = 0x0F;  // only the key-combination code carries the assignment's own bytes
    a.key_code = 0x2C;
    const std::pair<std::uint8_t, ButtonWireCode> codes[] = {
        {32, {17, 1, 27}},   // cut
        {43, {17, 4, 43}},   // swap windows
        {42, {17, 4, 61}},   // close window
        {50, {17, 10, 22}},  // screen capture
        {22, {16, 0, 3}},   {115, {20, 0, 0}}, {51, {0, 0, 0}},
        {255, {0, 0, 0}},   {1, {2, 0, 0}},    {16, {17, 0x0F, 0x2C}}};
    for (const auto& [function, wire] : codes) {
        a.function = function;
        EXPECT_EQ(EncodeButton(a, 0), wire) << int(function);
    }
}

}  // namespace
}  // namespace talvik::protocol
