// Recognising the mouse by its device id.
#include "device/ble/mouse_modalias.h"

#include <gtest/gtest.h>

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

}  // namespace
}  // namespace talvik::device
