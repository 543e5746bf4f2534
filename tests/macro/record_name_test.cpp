#include "macro/record_name.h"

#include <gtest/gtest.h>

#include "macro/macro_record.h"
#include "macro/macro_store.h"

namespace talvik::macro {
namespace {

MacroList Named(std::initializer_list<std::u16string_view> names) {
    MacroList list;
    for (auto name : names) {
        list.push_back(std::make_unique<MacroInfo>());
        WriteName(list.back()->name, name);
    }
    return list;
}

TEST(RecordName, WriteCutsTerminatesAndClearsTheRest) {
    char16_t field[6];
    std::fill(std::begin(field), std::end(field), u'x');
    WriteName(field, u"abcdefgh");
    EXPECT_EQ(ReadName(field), u"abcde");
    EXPECT_EQ(field[5], u'\0');
    WriteName(field, u"ab");
    EXPECT_EQ(field[2], u'\0');
    EXPECT_EQ(field[4], u'\0');
}

TEST(RecordName, CuttingNeverSplitsASurrogatePair) {
    const std::u16string name = u"abc\U0001F600";  // 3 units + a pair
    EXPECT_EQ(CutName(name, 4), u"abc");
    EXPECT_EQ(CutName(name, 5), name);
}

TEST(RecordName, TerminateEndsAFieldWithoutZero) {
    char16_t field[4] = {u'a', u'b', u'c', u'd'};
    EXPECT_TRUE(TerminateName(field));
    EXPECT_EQ(ReadName(field), u"abc");
    EXPECT_FALSE(TerminateName(field));
}

TEST(RecordName, CaseIsIgnoredForLatinGreekAndCyrillicLetters) {
    EXPECT_TRUE(NamesEqualIgnoringCase(u"Work", u"wORK"));
    EXPECT_TRUE(NamesEqualIgnoringCase(u"Łódź Żółć", u"łÓDŹ żÓŁĆ"));
    EXPECT_TRUE(NamesEqualIgnoringCase(u"Straße Ÿ", u"STRAßE ÿ"));
    EXPECT_TRUE(NamesEqualIgnoringCase(u"Мышь Ёж", u"мЫШЬ ёЖ"));
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

TEST(UniqueName, NumbersTakenNamesWithoutRegardToCase) {
    MacroList list = Named({u"M1", u"Macro", u"macro_1"});
    EXPECT_TRUE(ContainsName(list, u"m1"));
    EXPECT_FALSE(ContainsName(list, u"M2"));
    EXPECT_EQ(MakeUniqueName(list, u"M2"), u"M2");
    EXPECT_EQ(MakeUniqueName(list, u"m1"), u"m1_1");
    EXPECT_EQ(MakeUniqueName(list, u"MACRO"), u"MACRO_2");
}

TEST(UniqueName, LongNamesAreCutSoTheNumberFits) {
    const std::u16string full(23, u'A');
    MacroList list = Named({full});
    const std::u16string first = MakeUniqueName(list, full);
    EXPECT_EQ(first, std::u16string(21, u'A') + u"_1");
    list.push_back(std::make_unique<MacroInfo>());
    WriteName(list.back()->name, first);
    EXPECT_EQ(MakeUniqueName(list, full + u"BBB"), std::u16string(21, u'A') + u"_2");
    // A name longer than the field is cut first and only numbered when the cut name is taken.
    EXPECT_EQ(MakeUniqueName(list, std::u16string(22, u'A') + u"C"),
              std::u16string(22, u'A') + u"C");
    for (int n = 2; n <= 9; ++n) {
        list.push_back(std::make_unique<MacroInfo>());
        WriteName(list.back()->name,
                  std::u16string(21, u'A') + u"_" + static_cast<char16_t>(u'0' + n));
    }
    const std::u16string tenth = MakeUniqueName(list, full);
    EXPECT_EQ(tenth, std::u16string(20, u'A') + u"_10");
    EXPECT_LE(tenth.size(), 23u);
}

}  // namespace
}  // namespace talvik::macro
