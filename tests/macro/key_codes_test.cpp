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

TEST(KeyCodeTable, HoldsTheRowsInTheirOrder) {
    EXPECT_EQ(KeyCodeTable.size(), 112u);
    EXPECT_EQ(KeyCodeTable[0].virtual_key, 'A');
    EXPECT_EQ(KeyCodeTable[0].scan_code, 0x1E);
    EXPECT_EQ(KeyCodeTable[35].virtual_key, '0');
    EXPECT_EQ(KeyCodeTable[35].key_code, 0x27);
    EXPECT_EQ(KeyCodeTable[84].virtual_key, 0x6C);
    EXPECT_EQ(KeyCodeTable[84].key_code, 0x58);
    EXPECT_EQ(KeyCodeTable[111].virtual_key, 0xF8);
    std::set<int> seen;
    for (const KeyCodeRow& row : KeyCodeTable) {
        EXPECT_TRUE(seen.insert(row.virtual_key).second)
            << "virtual key twice: " << row.virtual_key;
        EXPECT_EQ(row.scan_code != 0, row.key_code >= 0x04 && row.key_code <= 0x45)
            << "row of virtual key " << row.virtual_key;
    }
    // The generic modifiers have no row, only their sides.
    EXPECT_EQ(seen.count(0x10) + seen.count(0x11) + seen.count(0x12), 0u);
}

TEST(VirtualKeyToKeyCode, FollowsTheKeyPositionOfTheLayout) {
    FakeLayout us = FakeLayout::Us();
    EXPECT_EQ(VirtualKeyToKeyCode(0x41, us), 0x04);
    EXPECT_EQ(VirtualKeyToKeyCode(0xBD, us), 0x2D);
    EXPECT_EQ(VirtualKeyToKeyCode(0xDF, us), 0x38);  // no key on this layout: the row's code
    EXPECT_EQ(VirtualKeyToKeyCode(0x10, us), std::nullopt);

    FakeLayout french = us;
    std::swap(french.scan_by_vk['A'], french.scan_by_vk['Q']);
    EXPECT_EQ(VirtualKeyToKeyCode('A', french), 0x14);
    EXPECT_EQ(VirtualKeyToKeyCode('Q', french), 0x04);
}

TEST(VirtualKeyToKeyCode, KeysBeyondF12DoNotAskTheLayout) {
    FakeLayout us = FakeLayout::Us();
    EXPECT_EQ(VirtualKeyToKeyCode(0xA2, us), 0xE0);
    EXPECT_EQ(VirtualKeyToKeyCode(0xF1, us), 0xF1);
    EXPECT_EQ(VirtualKeyToKeyCode(0x6C, us), 0x58);
    EXPECT_EQ(us.calls, 0);
    EXPECT_EQ(VirtualKeyToKeyCode(0x7B, us), 0x45);  // F12 does
    EXPECT_EQ(us.calls, 1);
}

TEST(KeyCodeName, NamesLayoutKeysByTheirCharacterAndOthersByText) {
    const FakeLayout us = FakeLayout::Us();
    const test::FakeTexts texts = Texts();
    EXPECT_EQ(KeyCodeName(0x04, us, texts), "A");
    EXPECT_EQ(KeyCodeName(0x2D, us, texts), "-");
    EXPECT_EQ(KeyCodeName(0x28, us, texts), "<key_Enter>");
    EXPECT_EQ(KeyCodeName(0x39, us, texts), "<key_Caplk>");
    EXPECT_EQ(KeyCodeName(0x3A, us, texts), "<key_F1>");
    EXPECT_EQ(KeyCodeName(0x58, us, texts), "<key_Num_Enter>");
    EXPECT_EQ(KeyCodeName(0x64, us, texts), "<key_\\>");
    EXPECT_EQ(KeyCodeName(0xDD, us, texts), "<`>");
    EXPECT_EQ(KeyCodeName(0xE7, us, texts), "<key_RWin>");
    EXPECT_EQ(KeyCodeName(0xF1, us, texts), "<L_Button>");
    for (int empty : {0x00, 0x32, 0x66, 0x81, 0xE8, 0xF0, 0xF6, 0xFF}) {
        EXPECT_EQ(KeyCodeName(empty, us, texts), "") << empty;
    }
    EXPECT_EQ(KeyCodeNameKey(0x64), "key_\\");
    EXPECT_EQ(KeyCodeNameKey(0x64).size(), 5u);

    FakeLayout french = us;
    std::swap(french.scan_by_vk['A'], french.scan_by_vk['Q']);
    std::swap(french.text_by_scan[0x1E], french.text_by_scan[0x10]);
    EXPECT_EQ(KeyCodeName(0x04, french, texts), "Q");
}

TEST(KeyCodeName, TracesEachName) {
    std::vector<std::string> lines;
    platform::SetTraceSink([&lines](std::string_view line) { lines.emplace_back(line); });
    const FakeLayout us = FakeLayout::Us();
    KeyCodeName(0x05, us, Texts());
    KeyCodeName(0x66, us, Texts());
    platform::SetTraceSink({});
    EXPECT_EQ(lines, (std::vector<std::string>{"m_key = B\r\n", "m_key = \r\n"}));
}

TEST(VirtualKeyName, UsesTheNameTableBeforeTheLayout) {
    const FakeLayout us = FakeLayout::Us();
    const test::FakeTexts texts = Texts();
    EXPECT_EQ(VirtualKeyName(0x20, us, texts), "<key_Space>");
    EXPECT_EQ(VirtualKeyName(0xF0, us, texts), "<key_Caplk>");
    EXPECT_EQ(VirtualKeyName('Z', us, texts), "Z");
    EXPECT_EQ(VirtualKeyName(0, us, texts), "");
    EXPECT_EQ(VirtualKeyNameKey(0x10), "key_LShift");
    EXPECT_EQ(VirtualKeyNameKey(0x41), "");
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
