#include "device/usb/device_event.h"

#include <gtest/gtest.h>

namespace talvik::device {
namespace {

TEST(DeviceIds, ReadsTheUsbProductProperty) {
    EXPECT_EQ(ParseProductProperty("1d57/fa60/100"),
              (std::pair<uint16_t, uint16_t>{0x1D57, 0xFA60}));
    EXPECT_EQ(ParseProductProperty("331a/5043/0"), (std::pair<uint16_t, uint16_t>{0x331A, 0x5043}));
    EXPECT_EQ(ParseProductProperty(""), std::nullopt);
    EXPECT_EQ(ParseProductProperty("1d57/fa60"), std::nullopt);
    EXPECT_EQ(ParseProductProperty("1d57/fa60/100/1"), std::nullopt);
    EXPECT_EQ(ParseProductProperty("1d57//100"), std::nullopt);
    EXPECT_EQ(ParseProductProperty("11d57/fa60/100"), std::nullopt);  // beyond 16 bits
    EXPECT_EQ(ParseProductProperty("1d5g/fa60/100"), std::nullopt);
}

TEST(DeviceIds, ReadsTheHidId) {
    EXPECT_EQ(ParseHidId("0003:00001D57:0000FA65"),
              (std::pair<uint16_t, uint16_t>{0x1D57, 0xFA65}));
    EXPECT_EQ(ParseHidId("0003:00001D57"), std::nullopt);
    EXPECT_EQ(ParseHidId("0003:00011D57:0000FA65"), std::nullopt);
    EXPECT_EQ(ParseHidId("0003::0000FA65"), std::nullopt);
    EXPECT_EQ(ParseHidId("0003:00001D57:0000FA65:1"), std::nullopt);
}

}  // namespace
}  // namespace talvik::device
