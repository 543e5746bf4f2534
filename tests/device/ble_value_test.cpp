// Recognising the mouse by its device id and sorting its notification values.
#include "device/ble/ble_value.h"

#include <gtest/gtest.h>

#include <cstdint>

#include "device/ble/mouse_modalias.h"

namespace talvik::device {
namespace {

TEST(MouseModaliasTest, AcceptsBothSourcesInAnyCase) {
    EXPECT_TRUE(IsMouseModalias("usb:v331Ap5044d0001"));
    EXPECT_TRUE(IsMouseModalias("bluetooth:v331Ap5044d0001"));
    EXPECT_TRUE(IsMouseModalias("USB:V331AP5044D0203"));
    EXPECT_TRUE(IsMouseModalias("bluetooth:v331ap5044"));
}

TEST(MouseModaliasTest, RejectsOtherIdsAndMalformedText) {
    EXPECT_FALSE(IsMouseModalias(""));
    EXPECT_FALSE(IsMouseModalias("usb:v331Ap5043d0001"));
    EXPECT_FALSE(IsMouseModalias("usb:v1D57p5044d0001"));
    EXPECT_FALSE(IsMouseModalias("pci:v331Ap5044d0001"));
    EXPECT_FALSE(IsMouseModalias("usb:p5044v331A"));
    EXPECT_FALSE(IsMouseModalias("usb:v331Ap504"));
    EXPECT_FALSE(IsMouseModalias("usb:v331Gp5044d0001"));
    EXPECT_FALSE(IsMouseModalias("v331Ap5044"));
    // The ids must start right after the source, not somewhere inside.
    EXPECT_FALSE(IsMouseModalias("usb:xv331Ap5044"));
}

TEST(MouseModaliasTest, ParsesVendorAndProduct) {
    const auto ids = ParseModalias("bluetooth:v05ACp0265d0110");
    ASSERT_TRUE(ids);
    EXPECT_EQ(ids->vendor, 0x05AC);
    EXPECT_EQ(ids->product, 0x0265);
}

TEST(BleValueTest, FirstByteDecidesTheHandler) {
    const uint8_t reply[] = {0xA0, 0x01};
    const uint8_t ack_a2[] = {0xA2};
    const uint8_t ack_a9[] = {0xA9, 0x00};
    const uint8_t report[] = {0xC5, 0x02, 0x64, 0x00};
    const uint8_t near_miss[] = {0xA1};
    EXPECT_EQ(ClassifyBleValue(reply, sizeof reply), BleValueKind::kReadBackReply);
    EXPECT_EQ(ClassifyBleValue(ack_a2, sizeof ack_a2), BleValueKind::kIgnored);
    EXPECT_EQ(ClassifyBleValue(ack_a9, sizeof ack_a9), BleValueKind::kIgnored);
    EXPECT_EQ(ClassifyBleValue(report, sizeof report), BleValueKind::kDeviceReport);
    EXPECT_EQ(ClassifyBleValue(near_miss, sizeof near_miss), BleValueKind::kDeviceReport);
    EXPECT_EQ(ClassifyBleValue(report, 0), BleValueKind::kEmpty);
    EXPECT_EQ(ClassifyBleValue(nullptr, 4), BleValueKind::kEmpty);
}

}  // namespace
}  // namespace talvik::device
