// The packets and the frames that carry them, byte for byte; decoding what the mouse sends back,
// and what is refused before it reaches a profile.
#include <gtest/gtest.h>

#include "profile/profile_defaults.h"
#include "protocol/hex.h"
#include "protocol/key_packet.h"
#include "protocol/mouse_report.h"
#include "protocol/output_frame.h"
#include "protocol/read_request.h"
#include "protocol/settings_decode.h"
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

// Other values reach the mouse and come back whole (the worker's read-back tests).
TEST(SettingsPackets, NegativeDpiGoesAsZeroBrightnessOnlyForItsModes) {
    auto p = profile::CreateProfile();
    p->dpi_value[2] = -3;
    const CommandPacket s = BuildSensorPacket(*p);
    EXPECT_EQ(s.bytes[10] | s.bytes[18], 0);
    p->brightness = 3;
    p->sleep_timer = 0xA5;
    for (int mode : {1, 5, 2}) {
        p->light_mode = mode;
        const CommandPacket l = BuildLightPacket(*p);
        EXPECT_EQ(FormatHex(std::span(l.bytes).subspan(4, 2)), mode == 2 ? "A3 58" : "A3 53");
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

// The two checksum bytes after `end` hold the sum of the bytes before it.
void ExpectSum(std::span<const std::uint8_t> f, std::size_t end) {
    const std::uint16_t sum = ByteSum(f, 0, end);
    EXPECT_EQ(f[end + 1], sum >> 8) << end;
    EXPECT_EQ(f[end + 2], sum & 0xFF) << end;
}

TEST(OutputFrame, CommandsAndReadRequests) {
    const CommandPacket s = BuildSensorPacket(*profile::CreateProfile());
    const OutputFrame f = BuildCommandFrame(s);
    EXPECT_EQ(FormatHex(std::span(f).first(3)), "04 3D 00");
    EXPECT_TRUE(std::equal(s.bytes.begin(), s.bytes.begin() + 56, f.begin() + 3));
    ExpectSum(f, 58);
    EXPECT_TRUE(std::all_of(f.begin() + 61, f.end(), [](auto b) { return b == 0; }));
    const OutputFrame r = BuildOutputFrame(BuildOutputReadRequest(6, 9, 1));
    EXPECT_EQ(FormatHex(std::span(r).first(13)), "04 0C A0 06 09 01 00 00 00 00 00 C0 00");
    EXPECT_EQ(FormatHex(BuildFeatureReadRequest(5, 15, 1)), "A0 05 0F 00 01 00 00 00");
    EXPECT_EQ(FormatHex(BuildBleReadRequest()), "A0 08 00 00 00 00 00 00");
}

TEST(OutputFrame, MacroChunksOnTheOutputLinkAndThroughTheVendorLibrary) {
    CommandPacket m = StartPacket(CommandId::kMacroData, 111, 7);
    for (std::size_t i = 3; i < 111; ++i) {
        m.bytes[i] = static_cast<std::uint8_t>(i);
    }
    const auto out = BuildOutputMacroChunks(m);
    EXPECT_EQ(FormatHex(std::span(out[0]).first(6)), "04 40 00 09 6F 07");
    EXPECT_EQ(out[0][61], 58);
    ExpectSum(out[0], 61);
    EXPECT_EQ(FormatHex(std::span(out[1]).first(4)), "04 39 01 3B");
    EXPECT_EQ(out[1][54], 110);
    ExpectSum(out[1], 54);
    EXPECT_EQ(out[1][57], 0);

    const auto wired = BuildWiredMacroChunks(m);
    EXPECT_EQ(FormatHex(std::span(wired[0]).first(5)), "09 40 07 00 03");
    EXPECT_EQ(wired[0][63], 62);
    EXPECT_EQ(FormatHex(std::span(wired[1]).first(5)), "09 40 07 01 3F");
    EXPECT_EQ(wired[1][51], 110);  // the last packet byte
    EXPECT_EQ(wired[1][52], 0);
    EXPECT_EQ(FormatHex(std::span(wired[2]).first(5)), "09 0C 07 02 00");
    EXPECT_TRUE(std::all_of(wired[2].begin() + 4, wired[2].end(), [](auto b) { return b == 0; }));
}

TEST(OutputFrame, StatusReplies) {
    const std::pair<std::vector<std::uint8_t>, LinkStatus> replies[] = {
        {{4, 2, 0xC0, 1}, LinkStatus::kReceived},
        {{4, 2, 0xC1, 1}, LinkStatus::kExecuted},
        {{4, 2, 0xC1, 2}, LinkStatus::kNone},
        {{4, 2, 0xC2, 1}, LinkStatus::kNone},
        {{4, 2, 0xC0}, LinkStatus::kNone}};
    for (const auto& [reply, status] : replies) {
        EXPECT_EQ(ParseStatusReply(reply), status) << FormatHex(reply);
    }
}

TEST(Hex, FormatAndParse) {
    EXPECT_EQ(FormatHex(std::vector<std::uint8_t>{0x00, 0xAB, 0x0F}), "00 AB 0F");
    EXPECT_EQ(ParseHex("00 ab\t0F"), (std::vector<std::uint8_t>{0x00, 0xAB, 0x0F}));
    EXPECT_EQ(ParseHex("00AB"), (std::vector<std::uint8_t>{0x00, 0xAB}));
    for (const char* bad : {"0", "0 0", "zz"}) {
        EXPECT_FALSE(ParseHex(bad)) << bad;
    }
}

// Field offsets are checked by the read-back round trip (worker tests); here the units, the
// lengths and the values refused.
TEST(DecodeSensor, DpiCountsFromZeroInFiftyDpiUnitsFlaggedStagesAbove300) {
    std::array<std::uint8_t, 56> r{4, 56};
    r[24] = 1;
    const std::array<std::array<int, 5>, 4> cases = {{
        // high-range flags, high byte, low byte: dpi, dpi y
        {0x00, 0x00, 0x0F, 16, 16},
        {0x01, 0x01, 0x2B, 300, 300},
        {0x01, 0x01, 0x2C, 601, 301},
        {0x00, 0x01, 0x2C, 301, 301},
    }};
    for (const auto& [flags, high, low, dpi, dpi_y] : cases) {
        r[6] = flags;
        r[16] = high;
        r[8] = low;
        EXPECT_EQ(DecodeSensorBlock(r)->dpi_value[0], dpi) << low;
        EXPECT_EQ(DecodeSensorBlock(r)->dpi_value_y[0], dpi_y) << low;
    }
    EXPECT_FALSE(DecodeSensorBlock(std::span(r).first(48)));
    EXPECT_TRUE(DecodeSensorBlock(std::span(r).first(49)));
}

TEST(StoreSettings, OutOfRangeValuesKeepTheProfile) {
    std::array<std::uint8_t, 56> r{4, 56};
    r[3] = 0x23;  // lift-off 2, ripple 3: beyond two options each
    r[9] = 0xFF;  // stage 1: 0xFFFF + 1 units
    r[17] = 0xFF;
    r[10] = 0x07;  // stage 2: 0x208 = 520 units, the largest
    r[18] = 0x02;
    auto p = profile::CreateProfile();
    p->dpi_value[1] = 77;
    p->dpi_value_y[1] = 78;
    for (std::uint8_t stage : {0, 9}) {  // stages count from 1 to 8
        r[24] = stage;
        EXPECT_EQ(StoreSensorSettings(*DecodeSensorBlock(r), *p), 4);
    }
    EXPECT_EQ((std::array{p->lift_off_distance, p->ripple_control, p->current_dpi_stage}),
              (std::array{0, 1, 1}));
    EXPECT_EQ((std::array{p->dpi_value[1], p->dpi_value_y[1], p->dpi_value[2]}),
              (std::array{77, 78, 520}));

    std::array<std::uint8_t, 15> l{5, 15, 0, 0x20, 0x0F, 0x58};  // breath speed 15
    EXPECT_EQ(StoreLightSettings(*DecodeLightBlock(l), *p), 1);
    EXPECT_EQ(p->breath_speed, 6);
    EXPECT_EQ(p->light_mode, 2);
    l[3] = 0xD0;  // effects 13..15 fit the nibble but are no item of the list
    l[4] = 0x03;
    EXPECT_EQ(StoreLightSettings(*DecodeLightBlock(l), *p), 1);
    EXPECT_EQ(p->light_mode, 2);
    EXPECT_FALSE(DecodeLightBlock(std::span(l).first(10)));

    const std::array<std::uint8_t, 9> bad{6, 9, 0, 0x80};  // rate 0 - 1, high speed 8 - 1
    EXPECT_EQ(StorePollingSettings(*DecodePollingBlock(bad), *p), 2);
    EXPECT_EQ((std::array{p->polling_rate, p->polling_rate_hs}), (std::array{3, 3}));
    EXPECT_FALSE(DecodePollingBlock(std::span(bad).first(3)));
}

TEST(DecodeBle, PollingCodesAndPartialReplies) {
    std::array<std::uint8_t, 61> v{0xA0};
    const std::pair<std::uint8_t, int> codes[] = {{1, 3}, {2, 2}, {4, 1}, {8, 0}};
    for (const auto& [code, rate] : codes) {
        v[1] = code;
        EXPECT_EQ(DecodeBleReply(v)->polling->polling_rate, rate) << int(code);
    }
    const auto partial = DecodeBleReply(std::span(v).first(50));
    ASSERT_TRUE(partial);
    EXPECT_TRUE(partial->sensor && !partial->light);
    EXPECT_FALSE(DecodeBleReply(std::span(v).first(1)));
    v[0] = 0xA2;
    EXPECT_FALSE(DecodeBleReply(v));
}

// The full forms reach the page on every link (the device session tests).
TEST(MouseReports, ShortFormsAndDriverCodesOutsideTheirRange) {
    const std::uint8_t r[5] = {3, 0xC5, 0x10, 4, 0};
    EXPECT_FALSE(ReportFromReceiver(std::span(r).first(4)));
    EXPECT_FALSE(ReportFromBle(std::span(r).first(3)));
    EXPECT_FALSE(ReportFromDriverEvent(0x0FFF0000));
    EXPECT_FALSE(ReportFromDriverEvent(0x90010000));
    EXPECT_TRUE(ReportFromDriverEvent(0x90000000));
}

}  // namespace
}  // namespace talvik::protocol
