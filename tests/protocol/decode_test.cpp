// Decoding the blocks the mouse reads back, and what is refused before it reaches a profile.
#include <gtest/gtest.h>

#include "profile/profile_defaults.h"
#include "protocol/mouse_report.h"
#include "protocol/settings_decode.h"
#include "protocol/settings_packets.h"

namespace talvik::protocol {
namespace {

std::array<std::uint8_t, 56> SensorReply() {
    std::array<std::uint8_t, 56> r{};
    r[0] = 4;
    r[1] = 56;
    r[24] = 1;
    return r;
}

TEST(DecodeSensor, DpiCountsFromZeroInFiftyDpiUnitsFlaggedStagesAbove300) {
    auto r = SensorReply();
    r[8] = 0x0F;
    EXPECT_EQ(DecodeSensorBlock(r)->dpi_value[0], 16);
    EXPECT_EQ(DecodeSensorBlock(r)->dpi_value_y[0], 16);
    r[6] = 0x01;
    r[8] = 0x2B;
    r[16] = 0x01;
    EXPECT_EQ(DecodeSensorBlock(r)->dpi_value[0], 300);
    r[8] = 0x2C;
    EXPECT_EQ(DecodeSensorBlock(r)->dpi_value[0], 601);
    EXPECT_EQ(DecodeSensorBlock(r)->dpi_value_y[0], 301);
    r[6] = 0x00;
    EXPECT_EQ(DecodeSensorBlock(r)->dpi_value[0], 301);
    EXPECT_FALSE(DecodeSensorBlock(std::span(r).first(48)));
    EXPECT_TRUE(DecodeSensorBlock(std::span(r).first(49)));
}

TEST(DecodeSensor, OptionsStageEnabledBitsAndColours) {
    auto r = SensorReply();
    r[3] = 0x10;
    r[4] = 0x01;
    r[5] = 0x81;
    r[24] = 8;
    r[46] = 0x11;
    r[47] = 0x22;
    r[48] = 0x33;
    const auto s = DecodeSensorBlock(r);
    EXPECT_EQ((std::array{s->lift_off_distance, s->ripple_control, s->angle_snap, s->motion_sync}),
              (std::array{1, 0, 0, 1}));
    EXPECT_EQ(s->dpi_enabled, (std::array<int, 8>{1, 0, 0, 0, 0, 0, 0, 1}));
    EXPECT_EQ(s->current_dpi_stage, 7);
    EXPECT_EQ(s->dpi_color[7], 0x332211u);
}

TEST(StoreSensor, OutOfRangeValuesKeepTheProfile) {
    auto r = SensorReply();
    r[3] = 0x23;  // lift-off 2, ripple 3: beyond two options each
    r[24] = 0;    // no stage 0
    r[9] = 0xFF;  // stage 1: 0xFFFF + 1 units
    r[17] = 0xFF;
    r[10] = 0x07;  // stage 2: 0x208 = 520 units, the largest
    r[18] = 0x02;
    auto p = profile::CreateProfile();
    p->dpi_value[1] = 77;
    p->dpi_value_y[1] = 78;
    EXPECT_EQ(StoreSensorSettings(*DecodeSensorBlock(r), *p), 4);
    EXPECT_EQ(p->lift_off_distance, 0);
    EXPECT_EQ(p->ripple_control, 1);
    EXPECT_EQ(p->current_dpi_stage, 1);
    EXPECT_EQ(p->dpi_value[1], 77);
    EXPECT_EQ(p->dpi_value_y[1], 78);
    EXPECT_EQ(p->dpi_value[2], 520);
    r[24] = 9;
    EXPECT_GT(StoreSensorSettings(*DecodeSensorBlock(r), *p), 0);
    EXPECT_EQ(p->current_dpi_stage, 1);
}

TEST(DecodeLight, ExampleIgnoredHeaderAndRejectedValues) {
    std::array<std::uint8_t, 15> r{0xEE, 0xEE, 0, 0xC0, 0xA3, 0x58, 1, 2, 3, 4, 5};
    const auto s = DecodeLightBlock(r);
    ASSERT_TRUE(s);
    EXPECT_EQ((std::array{s->light_mode, s->breath_speed, s->brightness, s->sleep_timer,
                          s->light_off_time, s->key_debounce}),
              (std::array{12, 6, 8, 0xA5, 4, 5}));
    EXPECT_EQ(s->light_color, 0x030201u);
    EXPECT_FALSE(DecodeLightBlock(std::span(r).first(10)));

    r = {5, 15, 0, 0x20, 0x0F, 0x58};  // breath speed 15
    auto p = profile::CreateProfile();
    EXPECT_EQ(StoreLightSettings(*DecodeLightBlock(r), *p), 1);
    EXPECT_EQ(p->breath_speed, 6);
    EXPECT_EQ(p->light_mode, 2);
    r[3] = 0xD0;  // effects 13..15 fit the nibble but are no item of the list
    r[4] = 0x03;
    EXPECT_EQ(StoreLightSettings(*DecodeLightBlock(r), *p), 1);
    EXPECT_EQ(p->light_mode, 2);
}

TEST(DecodePolling, NibblesAreIndexPlusOne) {
    auto q = profile::CreateProfile();
    q->polling_rate = 1;
    q->polling_rate_hs = 6;
    auto p = profile::CreateProfile();
    EXPECT_EQ(StorePollingSettings(*DecodePollingBlock(BuildPollingPacket(*q).bytes), *p), 0);
    EXPECT_EQ(p->polling_rate, 1);
    EXPECT_EQ(p->polling_rate_hs, 6);
    const std::array<std::uint8_t, 9> bad{6, 9, 0, 0x80};  // rate 0 - 1, high speed 8 - 1
    EXPECT_EQ(StorePollingSettings(*DecodePollingBlock(bad), *p), 2);
    EXPECT_EQ(p->polling_rate, 1);
    EXPECT_EQ(p->polling_rate_hs, 6);
    EXPECT_FALSE(DecodePollingBlock(std::span(bad).first(3)));
}

TEST(DecodeBle, PollingCodeSensorAndLightOffsets) {
    std::array<std::uint8_t, 61> v{};
    v[0] = 0xA0;
    v[1] = 4;
    v[8] = 0x0F;
    v[24] = 3;
    v[53] = 0x50;
    v[54] = 0x03;
    const auto s = DecodeBleReply(v);
    ASSERT_TRUE(s && s->polling && s->sensor && s->light);
    EXPECT_EQ(s->polling->polling_rate, 1);
    EXPECT_FALSE(s->polling->polling_rate_hs);
    EXPECT_EQ(s->sensor->dpi_value[0], 16);
    EXPECT_EQ(s->sensor->current_dpi_stage, 2);
    EXPECT_EQ(s->light->light_mode, 5);
    EXPECT_EQ(s->light->breath_speed, 6);
    EXPECT_EQ(
        (std::array{BlePollingCodeToRate(8), BlePollingCodeToRate(1), BlePollingCodeToRate(2)}),
        (std::array{0, 3, 2}));
    const auto partial = DecodeBleReply(std::span(v).first(50));
    ASSERT_TRUE(partial);
    EXPECT_TRUE(partial->sensor && !partial->light);
    v[0] = 0xA2;
    EXPECT_FALSE(DecodeBleReply(v));
}

TEST(MouseReports, EverySourceForm) {
    const std::array<std::uint8_t, 5> in{3, 0xC5, 0x10, 4, 0};
    EXPECT_EQ(ReportFromReceiver(in)->a(), 0x10C5);
    EXPECT_EQ(ReportFromReceiver(in)->b(), 0x0004);
    EXPECT_FALSE(ReportFromReceiver(std::span(in).first(4)));
    const std::array<std::uint8_t, 4> ble{0xC5, 0x40, 5, 57};
    EXPECT_EQ(ReportFromBle(ble)->val_hi, 57);
    EXPECT_FALSE(ReportFromBle(std::span(ble).first(3)));
    // Driver data: wParam = type << 8 | marker, lParam = value bytes.
    const std::uint32_t code = DriverDataCode(0x40C5, 0x3905);
    EXPECT_EQ(code, 0x40C53905u);
    const auto d = ReportFromDriverEvent(code);
    ASSERT_TRUE(d);
    EXPECT_EQ((std::array{d->marker, d->type, d->val_lo, d->val_hi}),
              (std::array<std::uint8_t, 4>{0xC5, 0x40, 5, 0x39}));
    EXPECT_FALSE(ReportFromDriverEvent(0x0FFF0000));
    EXPECT_FALSE(ReportFromDriverEvent(0x90010000));
    EXPECT_TRUE(ReportFromDriverEvent(0x90000000));
}

}  // namespace
}  // namespace talvik::protocol
