#include "macro/record_name.h"

#include <gtest/gtest.h>

#include "macro/macro_store.h"

namespace talvik::macro {
namespace {

TEST(RecordName, WriteCutsWithoutSplittingAPairAndClearsTheRest) {
    char16_t field[6];
    std::fill(std::begin(field), std::end(field), u'x');
    WriteName(field, u"abcdefgh");
    EXPECT_EQ(ReadName(field), u"abcde");
    WriteName(field, u"ab");
    EXPECT_EQ(std::u16string(field, 6), std::u16string(u"ab\0\0\0\0", 6));
    const std::u16string name = u"abc\U0001F600";  // 3 units + a pair
    EXPECT_EQ(CutName(name, 4), u"abc");
    EXPECT_EQ(CutName(name, 5), name);
}

TEST(RecordName, CaseIsIgnoredForLatinGreekAndCyrillicLetters) {
    EXPECT_TRUE(NamesEqualIgnoringCase(u"Łódź Żółć Straße Ÿ", u"łÓDŹ żÓŁĆ STRAßE ÿ"));
    EXPECT_TRUE(NamesEqualIgnoringCase(u"Мышь Ёж Я", u"мЫШЬ ёЖ я"));
    EXPECT_FALSE(NamesEqualIgnoringCase(u"Work", u"Work "));
    EXPECT_FALSE(NamesEqualIgnoringCase(u"a", u"b"));
    EXPECT_EQ(ToUpperCase(u"ąę-ß;é"), u"ĄĘ-ß;É");
}

TEST(RecordName, Utf8ConversionsRoundTripAndReplaceMalformedInput) {
    const std::u16string text = u"Profil ł€\U0001F600";
    EXPECT_EQ(Utf8ToUtf16(Utf16ToUtf8(text)), text);
    EXPECT_EQ(Utf16ToUtf8(u"Ä"), "\xC3\x84");
    EXPECT_EQ(Utf8ToUtf16("a\xFF"
                          "b"),
              u"a\uFFFDb");
    EXPECT_EQ(Utf8ToUtf16("\xC3"), u"\uFFFD");      // cut short
    EXPECT_EQ(Utf8ToUtf16("\xC0\x80"), u"\uFFFD");  // overlong
    EXPECT_EQ(Utf16ToUtf8(std::u16string(1, 0xD800)), "\xEF\xBF\xBD");
    EXPECT_FALSE(IsWellFormedUtf16(std::u16string(1, 0xDC00)));
    EXPECT_TRUE(IsWellFormedUtf16(text));
}

// Taken names are numbered without regard to case; the name is cut so that the number fits.
TEST(UniqueName, NumbersTakenNamesAndCutsLongOnesSoTheNumberFits) {
    MacroList list;
    const auto add = [&list](std::u16string_view name) {
        list.push_back(std::make_unique<MacroInfo>());
        WriteName(list.back()->name, name);
    };
    const std::u16string full(23, u'A');
    for (std::u16string_view name : {u"m1", u"Macro", u"macro_1"}) {
        add(name);
    }
    add(full);
    EXPECT_EQ(MakeUniqueName(list, u"M2"), u"M2");
    EXPECT_EQ(MakeUniqueName(list, u"M1"), u"M1_1");
    EXPECT_EQ(MakeUniqueName(list, u"MACRO"), u"MACRO_2");
    EXPECT_EQ(MakeUniqueName(list, full + u"BBB"), std::u16string(21, u'A') + u"_1");
    // A long name is only numbered when its cut form is taken.
    EXPECT_EQ(MakeUniqueName(list, std::u16string(22, u'A') + u"CD"),
              std::u16string(22, u'A') + u"C");
    for (int n = 1; n <= 9; ++n) {
        add(std::u16string(21, u'A') + u"_" + static_cast<char16_t>(u'0' + n));
    }
    EXPECT_EQ(MakeUniqueName(list, full), std::u16string(20, u'A') + u"_10");
}

}  // namespace
}  // namespace talvik::macro
