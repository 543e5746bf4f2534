#include "macro/key_codes.h"

#include <gtest/gtest.h>

#include <map>
#include <set>

#include "platform/trace.h"
#include "test_support.h"

namespace talvik::macro {
namespace {

// A layout that answers from a table and counts how often it was asked.
class FakeLayout : public platform::KeyboardLayout {
public:
    std::map<int, int> scan_by_vk;
    std::map<int, std::u16string> text_by_scan;
    mutable int calls = 0;

    static FakeLayout Us() {
        FakeLayout layout;
        for (const KeyCodeRow& row : KeyCodeTable) {
            if (row.scan_code != 0 && row.virtual_key != 0xDF) {
                layout.scan_by_vk[row.virtual_key] = row.scan_code;
            }
        }
        const std::u16string letters = u"abcdefghijklmnopqrstuvwxyz";
        for (int i = 0; i < 26; ++i) {
            layout.text_by_scan.emplace(layout.scan_by_vk['A' + i], letters.substr(i, 1));
        }
        layout.text_by_scan.emplace(0x0C, u"-");
        return layout;
    }

    int VirtualKeyToScanCode(int vk) const override {
        ++calls;
        const auto it = scan_by_vk.find(vk);
        return it == scan_by_vk.end() ? 0 : it->second;
    }
    int ScanCodeToVirtualKey(int scan) const override {
        ++calls;
        for (const auto& [vk, s] : scan_by_vk) {
            if (s == scan) {
                return vk;
            }
        }
        return 0;
    }
    std::u16string KeyText(int scan) const override {
        ++calls;
        const auto it = text_by_scan.find(scan);
        return it == text_by_scan.end() ? std::u16string() : it->second;
    }
};

test::FakeTexts Texts() {
    test::FakeTexts texts;
    for (const char* key : {"key_Num_Enter", "L_Button", "key_Enter", "key_F1", "key_\\",
                            "key_Caplk", "key_Space", "`", "key_RWin"}) {
        texts.Set(key, std::string("<") + key + ">");
    }
    return texts;
}

TEST(KeyCodeTable, EachVirtualKeyOnceLayoutRowsExactlyTheKeysUpToF12) {
    EXPECT_EQ(KeyCodeTable.size(), 112u);
    std::set<int> seen;
    for (const KeyCodeRow& row : KeyCodeTable) {
        EXPECT_TRUE(seen.insert(row.virtual_key).second) << row.virtual_key;
        EXPECT_EQ(row.scan_code != 0, row.key_code >= 0x04 && row.key_code <= 0x45)
            << row.virtual_key;
    }
    // The generic modifiers have no row, only their sides.
    EXPECT_EQ(seen.count(0x10) + seen.count(0x11) + seen.count(0x12), 0u);
}

TEST(VirtualKeyToKeyCode, AsksTheLayoutOnlyUpToF12) {
    FakeLayout us = FakeLayout::Us();
    const std::pair<int, std::optional<int>> beyond[] = {
        {0xA2, 0xE0}, {0xF1, 0xF1}, {0x6C, 0x58}, {0x10, std::nullopt}};
    for (const auto& [vk, code] : beyond) {
        EXPECT_EQ(VirtualKeyToKeyCode(vk, us), code) << vk;
    }
    EXPECT_EQ(us.calls, 0);
    EXPECT_EQ(VirtualKeyToKeyCode(0x7B, us), 0x45);  // F12 does
    EXPECT_EQ(VirtualKeyToKeyCode(0xBD, us), 0x2D);
    EXPECT_EQ(VirtualKeyToKeyCode(0xDF, us), 0x38);  // no key on this layout: the row's code
    EXPECT_EQ(us.calls, 3);
}

TEST(KeyCodeName, LayoutKeysByTheirCharacterOthersByTextEachTraced) {
    std::vector<std::string> lines;
    platform::SetTraceSink([&lines](std::string_view line) { lines.emplace_back(line); });
    const FakeLayout us = FakeLayout::Us();
    const test::FakeTexts texts = Texts();
    const std::pair<int, const char*> names[] = {{0x04, "A"},
                                                 {0x2D, "-"},
                                                 {0x28, "<key_Enter>"},
                                                 {0x39, "<key_Caplk>"},
                                                 {0x3A, "<key_F1>"},
                                                 {0x58, "<key_Num_Enter>"},
                                                 {0x64, "<key_\\>"},
                                                 {0xDD, "<`>"},
                                                 {0xE7, "<key_RWin>"},
                                                 {0xF1, "<L_Button>"},
                                                 {0x00, ""},
                                                 {0x32, ""},
                                                 {0x66, ""},
                                                 {0x81, ""},
                                                 {0xE8, ""},
                                                 {0xF0, ""},
                                                 {0xF6, ""},
                                                 {0xFF, ""}};
    for (const auto& [code, name] : names) {
        EXPECT_EQ(KeyCodeName(code, us, texts), name) << code;
    }
    platform::SetTraceSink({});
    ASSERT_EQ(lines.size(), std::size(names));
    EXPECT_EQ(lines[0], "m_key = A\r\n");
    EXPECT_EQ(lines[10], "m_key = \r\n");

    EXPECT_EQ(VirtualKeyName(0x20, us, texts), "<key_Space>");
    EXPECT_EQ(VirtualKeyName(0xF0, us, texts), "<key_Caplk>");
    EXPECT_EQ(VirtualKeyName('Z', us, texts), "Z");
    EXPECT_EQ(VirtualKeyName(0, us, texts), "");
    EXPECT_EQ(VirtualKeyNameKey(0x10), "key_LShift");
}

TEST(FilterDigits, KeepsOnlyDigitsAndReportsWhetherItChangedAnything) {
    EXPECT_EQ(FilterDigits("1a2b3"), "123");
    EXPECT_EQ(FilterDigits("ab"), "");
    EXPECT_EQ(FilterDigits("42"), std::nullopt);
    EXPECT_EQ(FilterDigits(""), std::nullopt);
    EXPECT_EQ(FilterDigits("-1"), "1");
    EXPECT_EQ(FilterDigits("4\xC2\xB2"), "4");  // a superscript two is not a digit
}

}  // namespace
}  // namespace talvik::macro
