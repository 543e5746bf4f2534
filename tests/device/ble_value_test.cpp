// Recognising the mouse by its device id and sorting its notification values.
#include "device/ble/ble_value.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "device/ble/mouse_modalias.h"

namespace talvik::device {
namespace {

TEST(MouseModaliasTest, AcceptsBothSourcesInAnyCaseAndNothingElse) {
    for (const char* ours : {"usb:v331Ap5044d0001", "bluetooth:v331Ap5044d0001",
                             "USB:V331AP5044D0203", "bluetooth:v331ap5044"}) {
        EXPECT_TRUE(IsMouseModalias(ours)) << ours;
    }
    for (const char* other :
         {"", "usb:v331Ap5043d0001", "usb:v1D57p5044d0001", "pci:v331Ap5044d0001", "usb:p5044v331A",
          "usb:v331Ap504", "usb:v331Gp5044d0001", "v331Ap5044", "usb:xv331Ap5044"}) {
        EXPECT_FALSE(IsMouseModalias(other)) << other;
    }
}

TEST(BleValueTest, FirstByteDecidesTheHandler) {
    const std::pair<std::vector<uint8_t>, BleValueKind> cases[] = {
        {{0xA0, 0x01}, BleValueKind::kReadBackReply},
        {{0xA2}, BleValueKind::kIgnored},
        {{0xA9, 0x00}, BleValueKind::kIgnored},
        {{0xA1}, BleValueKind::kDeviceReport},
        {{0xC5, 0x02, 0x64, 0x00}, BleValueKind::kDeviceReport},
        {{}, BleValueKind::kEmpty}};
    for (const auto& [value, kind] : cases) {
        EXPECT_EQ(ClassifyBleValue(value.data(), value.size()), kind)
            << int(value.empty() ? -1 : value[0]);
    }
    EXPECT_EQ(ClassifyBleValue(nullptr, 4), BleValueKind::kEmpty);
}

}  // namespace
}  // namespace talvik::device
