// The macro store, macro files and the writer thread behind both.
#include "macro/macro_store.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>

#include "macro/macro_files.h"
#include "macro/macro_units.h"
#include "test_support.h"

namespace talvik::macro {
namespace {

using test::ReadBytes;
using test::WriteBytes;

class MacroStoreTest : public ::testing::Test {
protected:
    std::filesystem::path File() const { return store.FilePath(); }
    MacroInfo& Add(std::u16string_view name) {
        list.push_back(std::make_unique<MacroInfo>());
        WriteName(list.back()->name, name);
        return *list.back();
    }

    test::TempFolder folder;
    test::FakeTexts texts{{{"add_macro_text", "M"}}};
    MacroStore store{folder.path(), texts};
    MacroList list;
};

TEST_F(MacroStoreTest, RecordOfAKeyPressAndReleaseMatchesItsBytes) {
    MacroInfo& m = Add(u"M1");
    m.actions[0] = {0, 0x04, 1, 0, 300, 0, 0, 0};
    m.actions[1] = {0, 0x04, 2, 0, 1, 0, 0, 0};
    m.action_count = 2;
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
    EXPECT_EQ(std::memcmp(loaded[0].get(), &m, sizeof(MacroInfo)), 0);
}

TEST_F(MacroStoreTest, AMissingFileLoadsNothingAnEmptyListSavesAnEmptyFileWhereAFolderCanBe) {
    EXPECT_TRUE(store.LoadMacros(list).file_missing);
    EXPECT_FALSE(std::filesystem::exists(folder.path() / "ms_5"));
    ASSERT_TRUE(store.SaveMacros({}).ok());
    EXPECT_EQ(std::filesystem::file_size(File()), 0u);
    const LoadReport empty = store.LoadMacros(list);
    EXPECT_TRUE(list.empty());
    EXPECT_FALSE(empty.damaged || empty.file_missing);
    std::filesystem::remove_all(folder.path() / "ms_5");
    WriteBytes(folder.path() / "ms_5", "x", 1);  // a file where the folder belongs
    EXPECT_EQ(store.SaveMacros({}).error, FileError::kCannotCreate);
}

TEST_F(MacroStoreTest, NewMacrosAreNamedByTheTextAndTheNextNumber) {
    Add(u"M1");
    Add(u"M3");
    const MacroStore::Added added = store.AddNewMacro(list);
    EXPECT_TRUE(added.save.ok());
    EXPECT_EQ(ReadName(added.record.name), u"M3_1");
    EXPECT_EQ(&added.record, list.back().get());
    EXPECT_EQ(ReadName(store.AddNewMacro(list).record.name), u"M4");
    EXPECT_EQ(std::filesystem::file_size(File()), 4 * 3096u);
    texts.Set("add_macro_text", std::string(30, 'x'));  // a long text keeps the number whole
    for (int i = 0; i < 5; ++i) {
        Add(u"other");
    }
    EXPECT_EQ(ReadName(store.AddNewMacro(list).record.name), std::u16string(21, u'x') + u"10");
}

TEST(MacroUnits, CountsTheMouseBudget) {
    MacroAction actions[kMaxMacroActions];
    std::fill(std::begin(actions), std::end(actions), MacroAction{0, 0x04, 1, 0, 127, 0, 0, 0});
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

    const LoadReport report = store.LoadMacros(list);
    EXPECT_TRUE(report.damaged);
    EXPECT_EQ(report.read.error, FileError::kTooShort);
    EXPECT_EQ(report.records_repaired, 2);
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[0]->action_count, 0);
    EXPECT_EQ(list[1]->action_count, 190);
    EXPECT_EQ(ReadName(list[1]->name), std::u16string(23, u'N'));
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

// A damaged file that cannot be moved aside is the only copy of what survived: no save replaces it.
TEST_F(MacroStoreTest, ADamagedFileThatCannotBeMovedAsideIsNeverReplaced) {
    const std::vector<unsigned char> bytes(3096 + 10, 0x5A);
    WriteBytes(File(), bytes.data(), bytes.size());
    // Every name a copy could take is in use.
    for (int n = 0; n < 1000; ++n) {
        std::filesystem::create_symlink(
            "x", File().string() + (n == 0 ? ".bad" : ".bad." + std::to_string(n)));
    }
    const LoadReport report = store.LoadMacros(list);
    EXPECT_TRUE(report.damaged);
    EXPECT_FALSE(report.moved_to.has_value());
    EXPECT_EQ(report.move.error, FileError::kCannotWrite);
    EXPECT_EQ(list.size(), 1u);
    EXPECT_FALSE(store.SaveMacros(list).ok());
    EXPECT_FALSE(store.SaveMacrosInBackground(list).ok());
    store.WaitForSaves();
    EXPECT_EQ(ReadBytes(File()), bytes);
}

TEST_F(MacroStoreTest, SavingLeavesNoTemporaryFileAndLoadingRemovesStaleOnes) {
    Add(u"a");
    ASSERT_TRUE(store.SaveMacros(list).ok());
    const auto folder_path = File().parent_path();
    EXPECT_EQ(test::FolderEntries(folder_path), std::vector<std::string>{"macro.data"});
    WriteBytes(folder_path / ".macro.data.Ab12Cd", "x", 1);
    WriteBytes(folder_path / ".macro.data.note", "x", 1);  // not one of ours
    store.LoadMacros(list);
    EXPECT_EQ(test::FolderEntries(folder_path),
              (std::vector<std::string>{".macro.data.note", "macro.data"}));
}

TEST_F(MacroStoreTest, ABackgroundSaveWritesTheListAsHandedOverAndReportsTheOutcome) {
    Add(u"first");
    FileError outcome = FileError::kCannotWrite;
    ASSERT_TRUE(
        store.SaveMacrosInBackground(list, [&outcome](const FileStatus& s) { outcome = s.error; })
            .ok());
    Add(u"later");  // after the hand-over: not in this save
    store.WaitForSaves();
    EXPECT_EQ(outcome, FileError::kNone);
    EXPECT_EQ(std::filesystem::file_size(File()), 3096u);
}

TEST_F(MacroStoreTest, ExportWritesTheRecordImportingItAgainNumbersItsName) {
    MacroInfo& m = Add(u"Jump");
    m.repeat = 3;
    m.action_count = 2;
    m.actions[1] = {0, 0x2C, 1, 0, 77, 0, 0, 0};
    const auto path = folder.path() / "other-file-name.macro";
    ASSERT_TRUE(ExportMacro(path, m).ok());
    const std::vector<unsigned char> bytes = ReadBytes(path);
    ASSERT_EQ(bytes.size(), 3096u);
    EXPECT_EQ(std::memcmp(bytes.data(), &m, sizeof(m)), 0);
    EXPECT_EQ(ExportMacro(folder.path() / "no-such-folder" / "x.macro", m).error,
              FileError::kCannotWrite);

    const ImportedMacro first = ImportMacro(path, list, store);
    ASSERT_TRUE(first.status.ok()) << first.status.detail;
    EXPECT_TRUE(first.save.ok());
    EXPECT_EQ(first.index, 1);
    EXPECT_EQ(ReadName(first.record->name), u"Jump_1");  // the stored name, not the file's
    EXPECT_EQ(std::memcmp(&first.record->repeat, &m.repeat,
                          sizeof(MacroInfo) - offsetof(MacroInfo, repeat)),
              0);
    EXPECT_EQ(ReadName(ImportMacro(path, list, store).record->name), u"Jump_2");
    EXPECT_EQ(list.size(), 3u);
    EXPECT_EQ(std::filesystem::file_size(File()), 3 * 3096u);
}

TEST_F(MacroStoreTest, MacroFilesOfTheWrongSizeAreRefusedAndNothingChanges) {
    Add(u"kept");
    ASSERT_TRUE(store.SaveMacros(list).ok());
    const std::vector<unsigned char> stored = ReadBytes(File());
    const std::vector<unsigned char> bytes(3097, 'A');
    const auto short_path = folder.path() / "short.macro";
    WriteBytes(short_path, bytes.data(), 3095);
    const ImportedMacro refused = ImportMacro(short_path, list, store);
    EXPECT_EQ(refused.status.error, FileError::kTooShort);
    EXPECT_NE(refused.status.detail.find("short.macro"), std::string::npos);
    EXPECT_EQ(refused.record, nullptr);
    const auto long_path = folder.path() / "long.macro";
    WriteBytes(long_path, bytes.data(), 3097);
    EXPECT_EQ(ImportMacro(long_path, list, store).status.error, FileError::kWrongSize);
    EXPECT_EQ(ImportMacro(folder.path() / "missing.macro", list, store).status.error,
              FileError::kNotFound);
    EXPECT_EQ(list.size(), 1u);
    EXPECT_EQ(ReadBytes(File()), stored);
}

TEST_F(MacroStoreTest, ImportedRecordsAreRepairedAndAnEmptyNameTakesTheFileName) {
    MacroInfo raw{};
    std::fill(std::begin(raw.name), std::end(raw.name), u'Q');
    raw.action_count = 191;
    WriteBytes(folder.path() / "raw.macro", &raw, sizeof(raw));
    const ImportedMacro imported = ImportMacro(folder.path() / "raw.macro", list, store);
    ASSERT_TRUE(imported.status.ok());
    EXPECT_EQ(imported.record->action_count, 190);
    EXPECT_EQ(ReadName(imported.record->name), std::u16string(23, u'Q'));

    const MacroInfo unnamed{};
    WriteBytes(folder.path() / "Sprint.macro", &unnamed, sizeof(unnamed));
    EXPECT_EQ(ReadName(ImportMacro(folder.path() / "Sprint.macro", list, store).record->name),
              u"Sprint");
}

std::vector<unsigned char> Bytes(const std::string& text) {
    return {text.begin(), text.end()};
}

TEST(BackgroundWriter, LaterContentWinsEveryCallerHearsTheOutcomeAndQueuedWritesFinish) {
    test::TempFolder folder;
    const auto path = folder.path() / "new-folder" / "file.data";
    std::atomic<int> succeeded{0};
    FileError failed = FileError::kNone;
    {
        BackgroundWriter writer;
        for (int i = 0; i < 20; ++i) {
            writer.Submit(path, Bytes("content " + std::to_string(i)),
                          [&succeeded](const FileStatus& s) { succeeded += s.ok(); });
        }
        writer.Submit(path / "below-a-file", Bytes("lost"),
                      [&failed](const FileStatus& s) { failed = s.error; });
        writer.WaitUntilIdle();
        EXPECT_EQ(succeeded.load(), 20);
        EXPECT_EQ(failed, FileError::kCannotCreate);
        EXPECT_GE(writer.TakeBuffer().capacity(), 10u) << "the written buffer comes back";
        for (int i = 0; i < 5; ++i) {  // still queued when the writer ends
            writer.Submit(folder.path() / ("f" + std::to_string(i)), Bytes(std::to_string(i)));
        }
    }
    EXPECT_EQ(ReadBytes(path), Bytes("content 19"));
    EXPECT_EQ(test::FolderEntries(path.parent_path()), std::vector<std::string>{"file.data"});
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(ReadBytes(folder.path() / ("f" + std::to_string(i))), Bytes(std::to_string(i)));
    }
}

}  // namespace
}  // namespace talvik::macro
