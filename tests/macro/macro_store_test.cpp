#include "macro/macro_store.h"

#include <gtest/gtest.h>

#include <cstring>

#include "macro/macro_units.h"
#include "test_support.h"

namespace talvik::macro {
namespace {

using test::ReadBytes;
using test::WriteBytes;

MacroAction Key(std::uint8_t code, ActionKind kind, std::uint16_t delay) {
    return {0, code, static_cast<std::uint8_t>(kind), 0, delay, 0, 0, 0};
}

std::unique_ptr<MacroInfo> MakeMacro(std::u16string_view name, int actions = 0) {
    auto m = std::make_unique<MacroInfo>();
    WriteName(m->name, name);
    for (int i = 0; i < actions; ++i) {
        m->actions[i] = Key(static_cast<std::uint8_t>(0x04 + i), ActionKind::kPress, 10);
    }
    m->action_count = actions;
    return m;
}

class MacroStoreTest : public ::testing::Test {
protected:
    std::filesystem::path File() const { return store.FilePath(); }

    test::TempFolder folder;
    test::FakeTexts texts{{{"add_macro_text", "M"}}};
    MacroStore store{folder.path(), texts};
};

TEST_F(MacroStoreTest, RecordOfAKeyPressAndReleaseMatchesItsBytes) {
    MacroList list;
    list.push_back(MakeMacro(u"M1"));
    list[0]->actions[0] = Key(0x04, ActionKind::kPress, 300);
    list[0]->actions[1] = Key(0x04, ActionKind::kRelease, 1);
    list[0]->action_count = 2;
    ASSERT_TRUE(store.SaveMacros(list).ok());
    EXPECT_EQ(File(), folder.path() / "ms_5" / "macro.data");
    std::vector<unsigned char> expected(3096, 0);
    const unsigned char head[] = {0x4D, 0, 0x31, 0};
    const unsigned char press[] = {0x00, 0x04, 0x01, 0x00, 0x2C, 0x01};
    const unsigned char release[] = {0x00, 0x04, 0x02, 0x00, 0x01, 0x00};
    std::memcpy(expected.data(), head, sizeof(head));
    expected[52] = 2;
    std::memcpy(expected.data() + 56, press, sizeof(press));
    std::memcpy(expected.data() + 72, release, sizeof(release));
    EXPECT_EQ(ReadBytes(File()), expected);
    MacroList loaded;
    EXPECT_FALSE(store.LoadMacros(loaded).damaged);
    ASSERT_EQ(loaded.size(), 1u);
    EXPECT_EQ(std::memcmp(loaded[0].get(), list[0].get(), sizeof(MacroInfo)), 0);
}

TEST_F(MacroStoreTest, AMissingFileLoadsNothingAnEmptyListSavesAnEmptyFile) {
    MacroList list;
    EXPECT_TRUE(store.LoadMacros(list).file_missing);
    EXPECT_FALSE(std::filesystem::exists(folder.path() / "ms_5"));
    ASSERT_TRUE(store.SaveMacros({}).ok());
    EXPECT_EQ(std::filesystem::file_size(File()), 0u);
    const LoadReport empty = store.LoadMacros(list);
    EXPECT_TRUE(list.empty());
    EXPECT_FALSE(empty.damaged || empty.file_missing);
}

TEST_F(MacroStoreTest, NewMacrosAreNamedByTheTextAndTheNextNumber) {
    MacroList list;
    list.push_back(MakeMacro(u"M1"));
    list.push_back(MakeMacro(u"M3"));
    const MacroStore::Added added = store.AddNewMacro(list);
    EXPECT_TRUE(added.save.ok());
    EXPECT_EQ(ReadName(added.record.name), u"M3_1");
    EXPECT_EQ(&added.record, list.back().get());
    EXPECT_EQ(ReadName(store.AddNewMacro(list).record.name), u"M4");
    EXPECT_EQ(std::filesystem::file_size(File()), 4 * 3096u);
    texts.Set("add_macro_text", std::string(30, 'x'));  // a long text keeps the number whole
    for (int i = 0; i < 5; ++i) {
        list.push_back(MakeMacro(u"other"));
    }
    EXPECT_EQ(ReadName(store.AddNewMacro(list).record.name), std::u16string(21, u'x') + u"10");
}

TEST(MacroUnits, CountsTheMouseBudget) {
    MacroAction actions[kMaxMacroActions];
    std::fill(std::begin(actions), std::end(actions), Key(0x04, ActionKind::kPress, 127));
    EXPECT_EQ(MacroUnits(actions, 190), 190);
    actions[17].delay = 128;
    EXPECT_EQ(MacroUnits(actions, 190), 191);
    actions[3].kind = static_cast<std::uint8_t>(ActionKind::kMove);
    EXPECT_EQ(MacroUnits(actions, 190), 193);
    actions[3].delay = 200;
    EXPECT_EQ(MacroUnits(actions, 190), 194);
    // Counts outside the record never read past it.
    EXPECT_EQ(MacroUnits(actions, 1000), 194);
    EXPECT_EQ(MacroUnits(actions, -5), 0);
}

// The whole records of a file cut inside one are kept, mended where their count or name is
// damaged, and the original is moved aside.
TEST_F(MacroStoreTest, AFileCutInsideARecordKeepsTheWholeOnesRepairedAndIsMovedAside) {
    MacroInfo raw[2]{};
    raw[0].action_count = -3;
    std::fill(std::begin(raw[1].name), std::end(raw[1].name), u'N');
    raw[1].action_count = 500;
    std::vector<unsigned char> bytes(sizeof(raw) + 100, 0x5A);
    std::memcpy(bytes.data(), raw, sizeof(raw));
    WriteBytes(File(), bytes.data(), bytes.size());

    MacroList loaded;
    const LoadReport report = store.LoadMacros(loaded);
    EXPECT_TRUE(report.damaged);
    EXPECT_EQ(report.read.error, FileError::kTooShort);
    EXPECT_EQ(report.records_repaired, 2);
    ASSERT_EQ(loaded.size(), 2u);
    EXPECT_EQ(loaded[0]->action_count, 0);
    EXPECT_EQ(loaded[1]->action_count, 190);
    EXPECT_EQ(ReadName(loaded[1]->name), std::u16string(23, u'N'));
    ASSERT_TRUE(report.moved_to.has_value());
    EXPECT_EQ(*report.moved_to, File().string() + ".bad");
    EXPECT_EQ(ReadBytes(*report.moved_to), bytes);
    EXPECT_TRUE(report.save.ok());
    EXPECT_EQ(std::filesystem::file_size(File()), 2 * 3096u);

    // Records needing repair are damage too; the second copy does not replace the first.
    WriteBytes(File(), raw, sizeof(raw));
    MacroList again;
    const LoadReport second = store.LoadMacros(again);
    ASSERT_TRUE(second.moved_to.has_value());
    EXPECT_EQ(*second.moved_to, File().string() + ".bad.1");
    EXPECT_EQ(ReadBytes(File().string() + ".bad"), bytes);
    EXPECT_EQ(again.size(), 2u);
}

TEST_F(MacroStoreTest, SavingLeavesNoTemporaryFileAndLoadingRemovesStaleOnes) {
    MacroList list;
    list.push_back(MakeMacro(u"a"));
    ASSERT_TRUE(store.SaveMacros(list).ok());
    const auto folder_path = File().parent_path();
    EXPECT_EQ(test::FolderEntries(folder_path), std::vector<std::string>{"macro.data"});
    WriteBytes(folder_path / ".macro.data.Ab12Cd", "x", 1);
    WriteBytes(folder_path / ".macro.data.note", "x", 1);  // not one of ours
    store.LoadMacros(list);
    EXPECT_EQ(test::FolderEntries(folder_path),
              (std::vector<std::string>{".macro.data.note", "macro.data"}));
}

}  // namespace
}  // namespace talvik::macro
