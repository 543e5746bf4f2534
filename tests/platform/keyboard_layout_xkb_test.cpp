// Real xkb layouts: key codes follow the key's position, names its character.
#include "platform/keyboard_layout_xkb.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <set>

#include "../macro/test_support.h"
#include "macro/key_codes.h"
#include "platform/trace.h"

namespace talvik::platform {
namespace {

using macro::KeyCodeName;
using macro::KeyCodeTable;
using macro::VirtualKeyToKeyCode;

std::unique_ptr<XkbKeyboardLayout> Layout(const char* name, std::string* error = nullptr) {
    std::string ignored;
    XkbKeyboardLayout::Names names;
    names.layout = name;
    return XkbKeyboardLayout::FromNames(names, error != nullptr ? error : &ignored);
}

TEST(XkbLayout, UsFollowsTheKeyTableWhichHoldsEachVirtualKeyOnce) {
    const auto us = Layout("us");
    ASSERT_NE(us, nullptr);
    EXPECT_EQ(KeyCodeTable.size(), 112u);
    std::set<int> seen;
    for (const macro::KeyCodeRow& row : KeyCodeTable) {
        EXPECT_TRUE(seen.insert(row.virtual_key).second) << row.virtual_key;
        // Keys up to F12 follow the layout; the others keep the row's code.
        EXPECT_EQ(row.scan_code != 0, row.key_code >= 0x04 && row.key_code <= 0x45)
            << row.virtual_key;
        EXPECT_EQ(VirtualKeyToKeyCode(row.virtual_key, *us), row.key_code) << row.virtual_key;
        if (row.scan_code != 0 && row.virtual_key != 0xDF) {  // no US key types OEM 8
            EXPECT_EQ(us->VirtualKeyToScanCode(row.virtual_key), row.scan_code) << row.virtual_key;
            EXPECT_EQ(us->ScanCodeToVirtualKey(row.scan_code), row.virtual_key) << row.scan_code;
        }
    }
    EXPECT_EQ(seen.count(0x10) + seen.count(0x11) + seen.count(0x12), 0u) << "only their sides";
    EXPECT_EQ(VirtualKeyToKeyCode(0x10, *us), std::nullopt);
}

struct LayoutCase {
    const char* layout;
    std::vector<std::pair<int, int>> key_codes;          // virtual key, key code
    std::vector<std::pair<int, std::string>> key_names;  // key code, name
};

TEST(XkbLayout, KeysFollowTheirPositionAndShowTheirCharacter) {
    test::FakeTexts texts;
    texts.Set("key_Enter", "Enter");
    const LayoutCase cases[] = {
        {"us",
         {{'A', 0x04}},
         {{0x04, "A"}, {0x1E, "1"}, {0x38, "/"}, {0x35, "`"}, {0x28, "Enter"}}},
        {"fr",
         {{'A', 0x14},
          {'Q', 0x04},
          {'Z', 0x1A},
          {'W', 0x1D},
          {'M', 0x33},
          {'1', 0x1E},
          {'0', 0x27}},
         {{0x04, "Q"}, {0x14, "A"}, {0x1E, "&"}, {0x1F, "\xC3\x89"}, {0x2F, "^"}, {0x10, ","}}},
        {"de",
         {{'Y', 0x1D}, {'Z', 0x1C}, {0xBD, 0x38}},
         {{0x1C, "Z"}, {0x33, "\xC3\x96"}, {0x2D, "\xC3\x9F"}, {0x2E, "\xC2\xB4"}, {0x38, "-"}}},
    };
    for (const LayoutCase& c : cases) {
        SCOPED_TRACE(c.layout);
        const auto layout = Layout(c.layout);
        ASSERT_NE(layout, nullptr);
        for (const auto& [vk, code] : c.key_codes) {
            EXPECT_EQ(VirtualKeyToKeyCode(vk, *layout), code) << vk;
        }
        for (const auto& [code, name] : c.key_names) {
            EXPECT_EQ(KeyCodeName(code, *layout, texts), name) << code;
        }
        for (int scan = 1; scan <= XkbKeyboardLayout::kMaxScanCode; ++scan) {
            if (const int vk = layout->ScanCodeToVirtualKey(scan); vk != 0) {
                EXPECT_EQ(layout->VirtualKeyToScanCode(vk), scan) << "scan " << scan;
            }
        }
        EXPECT_EQ(layout->ScanCodeToVirtualKey(500), 0);
        EXPECT_EQ(layout->VirtualKeyToScanCode(-1), 0);
        EXPECT_EQ(layout->KeyText(0x1C), u"") << "Enter types no character";
    }
}

TEST(XkbLayout, UnknownLayoutsAreReportedWithoutADisplayTheEnvironmentNamesTheLayout) {
    std::string error;
    EXPECT_EQ(Layout("no-such-layout", &error), nullptr);
    EXPECT_NE(error.find("no-such-layout"), std::string::npos);

    ::setenv("DISPLAY", ":9999", 1);  // no server there
    ::setenv("XKB_DEFAULT_LAYOUT", "fr", 1);
    EXPECT_EQ(XkbKeyboardLayout::FromX11(&error), nullptr);
    EXPECT_FALSE(error.empty());
    auto fr = XkbKeyboardLayout::Active(&error);  // falls back to the environment
    ASSERT_NE(fr, nullptr) << error;
    EXPECT_EQ(fr->VirtualKeyToScanCode('A'), 0x10);
    ::unsetenv("DISPLAY");
    ::unsetenv("XKB_DEFAULT_LAYOUT");
    auto us = XkbKeyboardLayout::Active(&error);
    ASSERT_NE(us, nullptr) << error;
    EXPECT_EQ(us->VirtualKeyToScanCode('A'), 0x1E);
}

TEST(KeyCodeName, LayoutKeysByTheirCharacterOthersByTextEachTraced) {
    test::FakeTexts texts;
    for (const char* key : {"key_Num_Enter", "L_Button", "key_Enter", "key_F1", "key_\\",
                            "key_Caplk", "key_Space", "`", "key_RWin"}) {
        texts.Set(key, std::string("<") + key + ">");
    }
    std::vector<std::string> lines;
    SetTraceSink([&lines](std::string_view line) { lines.emplace_back(line); });
    const auto us = Layout("us");
    ASSERT_NE(us, nullptr);
    std::string names;
    const int codes[] = {0x04, 0x2D, 0x28, 0x39, 0x3A, 0x58, 0x64, 0xDD, 0xE7,
                         0xF1, 0x00, 0x32, 0x66, 0x81, 0xE8, 0xF0, 0xF6, 0xFF};
    for (const int code : codes) {
        names += KeyCodeName(code, *us, texts) + '|';
    }
    EXPECT_EQ(names,
              "A|-|<key_Enter>|<key_Caplk>|<key_F1>|<key_Num_Enter>|<key_\\>|<`>|<key_RWin>|"
              "<L_Button>|||||||||");
    SetTraceSink({});
    ASSERT_EQ(lines.size(), std::size(codes));
    EXPECT_EQ(lines[0], "m_key = A\r\n");
    EXPECT_EQ(lines[10], "m_key = \r\n");
    EXPECT_EQ(macro::VirtualKeyName(0x20, *us, texts), "<key_Space>");
    EXPECT_EQ(macro::VirtualKeyName(0xF0, *us, texts), "<key_Caplk>");
    EXPECT_EQ(macro::VirtualKeyName('Z', *us, texts), "Z");
    EXPECT_EQ(macro::VirtualKeyName(0, *us, texts), "");
    EXPECT_EQ(macro::VirtualKeyNameKey(0x10), "key_LShift");
}

TEST(FilterDigits, KeepsOnlyDigitsAndReportsWhetherItChangedAnything) {
    const std::pair<const char*, std::optional<std::string>> cases[] = {
        {"9a0b3", "903"},   {"ab", ""},  {"42", std::nullopt},
        {"", std::nullopt}, {"-1", "1"}, {"4\xC2\xB2", "4"}};  // a superscript two is not a digit
    for (const auto& [text, filtered] : cases) {
        EXPECT_EQ(macro::FilterDigits(text), filtered) << text;
    }
}

}  // namespace
}  // namespace talvik::platform
