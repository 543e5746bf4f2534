#include "macro/macro_files.h"

#include <gtest/gtest.h>

#include <cstring>

#include "test_support.h"

namespace talvik::macro {
namespace {

using test::ReadBytes;
using test::WriteBytes;

class MacroFilesTest : public ::testing::Test {
protected:
    MacroInfo& Add(std::u16string_view name) {
        list.push_back(std::make_unique<MacroInfo>());
        WriteName(list.back()->name, name);
        return *list.back();
    }

    test::TempFolder folder;
    test::FakeTexts texts;
    MacroStore store{folder.path(), texts};
    MacroList list;
};

TEST_F(MacroFilesTest, ExportWritesTheRecordImportingItAgainNumbersItsName) {
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
    EXPECT_EQ(std::filesystem::file_size(store.FilePath()), 3 * 3096u);
}

TEST_F(MacroFilesTest, FilesOfTheWrongSizeAreRefusedAndNothingChanges) {
    Add(u"kept");
    ASSERT_TRUE(store.SaveMacros(list).ok());
    const std::vector<unsigned char> stored = ReadBytes(store.FilePath());
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
    EXPECT_EQ(ReadBytes(store.FilePath()), stored);
}

TEST_F(MacroFilesTest, ImportedRecordsAreRepairedAndAnEmptyNameTakesTheFileName) {
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

}  // namespace
}  // namespace talvik::macro
