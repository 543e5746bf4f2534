#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "platform/keyboard_layout_xkb.h"

namespace talvik::platform {
namespace {

TEST(XkbLayoutOnX11, FallsBackToTheEnvironmentWithoutADisplay) {
    ::setenv("DISPLAY", ":9999", 1);  // no server there
    ::setenv("XKB_DEFAULT_LAYOUT", "de", 1);
    std::string error;
    EXPECT_EQ(XkbKeyboardLayout::FromX11(&error), nullptr);
    EXPECT_FALSE(error.empty());
    const auto de = XkbKeyboardLayout::Active(&error);
    ASSERT_NE(de, nullptr) << error;
    EXPECT_EQ(de->VirtualKeyToScanCode('Y'), 0x2C);
}

}  // namespace
}  // namespace talvik::platform
