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

TEST(SettingsPackets, ApplyBeginIsFixed) {
    EXPECT_EQ(Hex(BuildApplyBegin()), "0C 0A 01 FE 01 FE 00 00 00 00");
}

TEST(SettingsPackets, DefaultSensorPacket) {
    auto p = profile::CreateProfile();
    EXPECT_EQ(Hex(BuildSensorPacket(*p)),
              "04 38 01 01 01 3F 01 00 20 B0 40 60 80 A0 00 00 03 04 06 09 0C 0F 00 00 02 FF 00 "
              "00 00 FF 00 00 00 FF 00 FF FF FF FF 00 FF FF 00 FF 40 00 FF FF FF 02 10 3A 00 00 "
              "00 00");
}

TEST(SettingsPackets, SensorOptionsStagesAndNegativeDpi) {
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
    EXPECT_EQ(s.bytes[3], 0x10);
    EXPECT_EQ(s.bytes[4], 0x10);
    EXPECT_EQ(s.bytes[5], 0xBE);
    EXPECT_EQ(s.bytes[9], 0x90);
    EXPECT_EQ(s.bytes[17], 0x65);
    EXPECT_EQ(s.bytes[10], 0x00);
    EXPECT_EQ(s.bytes[18], 0x00);
    EXPECT_EQ(s.bytes[24], 8);
    const std::uint16_t sum = ByteSum(s.bytes, 3, 49);
    EXPECT_EQ(s.bytes[50], sum >> 8);
    EXPECT_EQ(s.bytes[51], sum & 0xFF);
}

TEST(SettingsPackets, LightExample) {
    auto p = profile::CreateProfile();
    p->light_mode = 12;
    p->breath_speed = 6;
    p->sleep_timer = 10;
    p->brightness = 8;
    p->light_color = profile::MakeColor(0, 255, 0);
    p->light_off_time = 2;
    p->key_debounce = 4;
    EXPECT_EQ(Hex(BuildLightPacket(*p)), "05 0F 01 C0 03 A8 00 FF 00 02 04 02 70 00 00");
}

TEST(SettingsPackets, LightBrightnessOnlyForItsModes) {
    auto p = profile::CreateProfile();
    p->brightness = 3;
    p->sleep_timer = 0xA5;
    for (int mode : {1, 5}) {
        p->light_mode = mode;
        const CommandPacket l = BuildLightPacket(*p);
        EXPECT_EQ(l.bytes[5], 0x53) << mode;
        EXPECT_EQ(l.bytes[4] >> 4, 0xA) << mode;
    }
    p->light_mode = 2;
    EXPECT_EQ(BuildLightPacket(*p).bytes[5], 0x58);
}

TEST(SettingsPackets, PollingExampleAndComplement) {
    auto p = profile::CreateProfile();
    EXPECT_EQ(Hex(BuildPollingPacket(*p)), "06 09 01 44 BB 00 00 00 00");
    p->polling_rate = 0;
    p->polling_rate_hs = 6;
    EXPECT_EQ(Hex(BuildPollingPacket(*p)), "06 09 01 71 8E 00 00 00 00");
}

TEST(KeyPacket, DefaultButtons) {
    auto p = profile::CreateProfile();
    EXPECT_EQ(Hex(BuildKeyPacket(*p)),
              "08 3B 01 02 00 00 03 00 00 04 00 00 0D 00 00 06 00 00 05 00 00 01 00 00 01 00 00 "
              "01 00 00 01 00 00 01 00 00 01 00 00 01 00 00 01 00 00 01 00 00 01 00 00 09 00 00 "
              "0A 00 00 00 3E");
}

TEST(KeyPacket, KeyCombinationAndMacroSlots) {
    auto p = profile::CreateProfile();
    p->buttons[2].function = kFunctionKeyCombination;
    p->buttons[2].modifiers = profile::kModifierCtrl | profile::kModifierAlt;
    p->buttons[2].key_code = 0x04;
    p->buttons[6].function = kFunctionMacro;
    p->buttons[9].function = kFunctionMacro;
    const CommandPacket k = BuildKeyPacket(*p);
    EXPECT_EQ(FormatHex(std::span(k.bytes).subspan(9, 3)), "11 05 04");
    EXPECT_EQ(FormatHex(std::span(k.bytes).subspan(3 + 3 * 6, 3)), "12 00 19");
    EXPECT_EQ(FormatHex(std::span(k.bytes).subspan(3 + 3 * 9, 3)), "12 00 00");
}

TEST(KeyPacket, FixedCombinationsAndUnknownCodes) {
    profile::ButtonAssign a{};
    const auto wire = [&](std::uint8_t code) {
        a.function = code;
        return EncodeButton(a, 0);
    };
    EXPECT_EQ(wire(32), (ButtonWireCode{17, 1, 27}));   // cut
    EXPECT_EQ(wire(43), (ButtonWireCode{17, 4, 43}));   // swap windows
    EXPECT_EQ(wire(42), (ButtonWireCode{17, 4, 61}));   // close window
    EXPECT_EQ(wire(50), (ButtonWireCode{17, 10, 22}));  // screen capture
    EXPECT_EQ(wire(22), (ButtonWireCode{16, 0, 3}));
    EXPECT_EQ(wire(115), (ButtonWireCode{20, 0, 0}));
    EXPECT_EQ(wire(51), (ButtonWireCode{0, 0, 0}));  // task view has no wire form
    EXPECT_EQ(wire(255), (ButtonWireCode{0, 0, 0}));
    a.modifiers = 0x0F;  // only the key-combination code carries the assignment's own bytes
    a.key_code = 0x2C;
    EXPECT_EQ(wire(1), (ButtonWireCode{2, 0, 0}));
    EXPECT_EQ(wire(16), (ButtonWireCode{17, 0x0F, 0x2C}));
}

}  // namespace
}  // namespace talvik::protocol
