#include "platform/keyboard_layout_xkb.h"

#include <gtest/gtest.h>

#include "../macro/test_support.h"
#include "macro/key_codes.h"

namespace talvik::platform {
namespace {

using macro::KeyCodeName;
using macro::KeyCodeRow;
using macro::KeyCodeTable;
using macro::VirtualKeyToKeyCode;

std::unique_ptr<XkbKeyboardLayout> Layout(const std::string& name,
                                          const std::string& variant = "") {
    std::string error;
    XkbKeyboardLayout::Names names;
    names.layout = name;
    names.variant = variant;
    auto layout = XkbKeyboardLayout::FromNames(names, &error);
    EXPECT_NE(layout, nullptr) << error;
    return layout;
}

test::FakeTexts Texts() {
    test::FakeTexts texts;
    texts.Set("key_Enter", "Enter");
    texts.Set("key_F1", "F1");
    return texts;
}

TEST(XkbLayout, UsFollowsTheScanCodesOfTheTable) {
    const auto us = Layout("us");
    ASSERT_NE(us, nullptr);
    for (const KeyCodeRow& row : KeyCodeTable) {
        EXPECT_EQ(VirtualKeyToKeyCode(row.virtual_key, *us), row.key_code)
            << "virtual key " << row.virtual_key;
        if (row.scan_code != 0 && row.virtual_key != 0xDF) {  // no US key types OEM 8
            EXPECT_EQ(us->VirtualKeyToScanCode(row.virtual_key), row.scan_code)
                << "virtual key " << row.virtual_key;
            EXPECT_EQ(us->ScanCodeToVirtualKey(row.scan_code), row.virtual_key)
                << "scan code " << row.scan_code;
        }
    }
    const test::FakeTexts texts = Texts();
    EXPECT_EQ(KeyCodeName(0x04, *us, texts), "A");
    EXPECT_EQ(KeyCodeName(0x1E, *us, texts), "1");
    EXPECT_EQ(KeyCodeName(0x2D, *us, texts), "-");
    EXPECT_EQ(KeyCodeName(0x38, *us, texts), "/");
    EXPECT_EQ(KeyCodeName(0x35, *us, texts), "`");
    EXPECT_EQ(KeyCodeName(0x28, *us, texts), "Enter");
    EXPECT_EQ(KeyCodeName(0x3A, *us, texts), "F1");
}

TEST(XkbLayout, FrenchKeysFollowTheirPosition) {
    const auto fr = Layout("fr");
    ASSERT_NE(fr, nullptr);
    EXPECT_EQ(fr->VirtualKeyToScanCode('A'), 0x10);
    EXPECT_EQ(VirtualKeyToKeyCode('A', *fr), 0x14);
    EXPECT_EQ(VirtualKeyToKeyCode('Q', *fr), 0x04);
    EXPECT_EQ(VirtualKeyToKeyCode('Z', *fr), 0x1A);
    EXPECT_EQ(VirtualKeyToKeyCode('W', *fr), 0x1D);
    EXPECT_EQ(VirtualKeyToKeyCode('M', *fr), 0x33);
    // The digit row types digits with Shift only and still gives the digit keys.
    EXPECT_EQ(VirtualKeyToKeyCode('1', *fr), 0x1E);
    EXPECT_EQ(VirtualKeyToKeyCode('0', *fr), 0x27);
    const test::FakeTexts texts = Texts();
    EXPECT_EQ(KeyCodeName(0x04, *fr, texts), "Q");
    EXPECT_EQ(KeyCodeName(0x14, *fr, texts), "A");
    EXPECT_EQ(KeyCodeName(0x1E, *fr, texts), "&");
    EXPECT_EQ(KeyCodeName(0x1F, *fr, texts), "\xC3\x89");  // é in upper case
    EXPECT_EQ(KeyCodeName(0x2F, *fr, texts), "^");         // a dead key shows its accent
    EXPECT_EQ(KeyCodeName(0x10, *fr, texts), ",");
}

TEST(XkbLayout, GermanKeysFollowTheirPosition) {
    const auto de = Layout("de");
    ASSERT_NE(de, nullptr);
    EXPECT_EQ(VirtualKeyToKeyCode('Y', *de), 0x1D);
    EXPECT_EQ(VirtualKeyToKeyCode('Z', *de), 0x1C);
    EXPECT_EQ(VirtualKeyToKeyCode(0xBD, *de), 0x38);  // minus sits where the US slash is
    const test::FakeTexts texts = Texts();
    EXPECT_EQ(KeyCodeName(0x1C, *de, texts), "Z");
    EXPECT_EQ(KeyCodeName(0x1D, *de, texts), "Y");
    EXPECT_EQ(KeyCodeName(0x33, *de, texts), "\xC3\x96");  // Ö
    EXPECT_EQ(KeyCodeName(0x2D, *de, texts), "\xC3\x9F");  // ß has no capital here
    EXPECT_EQ(KeyCodeName(0x2E, *de, texts), "\xC2\xB4");  // the acute dead key
    EXPECT_EQ(KeyCodeName(0x38, *de, texts), "-");
}

TEST(XkbLayout, PolishKeepsTheUsPositions) {
    const auto pl = Layout("pl");
    ASSERT_NE(pl, nullptr);
    const test::FakeTexts texts = Texts();
    for (const KeyCodeRow& row : KeyCodeTable) {
        if (row.key_code >= 0x04 && row.key_code <= 0x27) {
            EXPECT_EQ(VirtualKeyToKeyCode(row.virtual_key, *pl), row.key_code) << row.virtual_key;
        }
    }
    EXPECT_EQ(KeyCodeName(0x04, *pl, texts), "A");
    EXPECT_EQ(KeyCodeName(0x1D, *pl, texts), "Z");
}

TEST(XkbLayout, EveryKeyKeepsAVirtualKeyOfItsOwn) {
    for (const char* name : {"us", "fr", "de", "pl"}) {
        const auto layout = Layout(name);
        ASSERT_NE(layout, nullptr);
        int mapped = 0;
        for (int scan = 1; scan <= XkbKeyboardLayout::kMaxScanCode; ++scan) {
            const int vk = layout->ScanCodeToVirtualKey(scan);
            if (vk != 0) {
                ++mapped;
                EXPECT_EQ(layout->VirtualKeyToScanCode(vk), scan) << name << " scan " << scan;
            }
        }
        // Every key of the table's layout-dependent rows is found.
        EXPECT_GE(mapped, 60) << name;
        EXPECT_EQ(layout->ScanCodeToVirtualKey(0), 0);
        EXPECT_EQ(layout->ScanCodeToVirtualKey(500), 0);
        EXPECT_EQ(layout->VirtualKeyToScanCode(-1), 0);
        EXPECT_EQ(layout->KeyText(0x1C), u"");  // Enter types no character
    }
}

TEST(XkbLayout, UnknownLayoutsAreReported) {
    std::string error;
    XkbKeyboardLayout::Names names;
    names.layout = "no-such-layout";
    EXPECT_EQ(XkbKeyboardLayout::FromNames(names, &error), nullptr);
    EXPECT_NE(error.find("no-such-layout"), std::string::npos);
}

TEST(XkbLayout, WithoutADisplayTheEnvironmentNamesTheLayout) {
    ::unsetenv("DISPLAY");
    ::setenv("XKB_DEFAULT_LAYOUT", "fr", 1);
    std::string error;
    auto fr = XkbKeyboardLayout::Active(&error);
    ASSERT_NE(fr, nullptr) << error;
    EXPECT_EQ(fr->VirtualKeyToScanCode('A'), 0x10);
    ::unsetenv("XKB_DEFAULT_LAYOUT");
    auto us = XkbKeyboardLayout::Active(&error);
    ASSERT_NE(us, nullptr) << error;
    EXPECT_EQ(us->VirtualKeyToScanCode('A'), 0x1E);
}

}  // namespace
}  // namespace talvik::platform
