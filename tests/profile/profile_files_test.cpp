#include "profile/profile_files.h"

#include <gtest/gtest.h>

#include <cstring>

#include "../macro/test_support.h"
#include "macro/record_name.h"
#include "profile/button_function.h"
#include "profile/profile_defaults.h"
#include "profile/profile_store.h"

namespace talvik::profile {
namespace {

using macro::FileError;
using macro::ReadName;
using test::ReadBytes;
using test::WriteBytes;

class ProfileFilesTest : public ::testing::Test {
protected:
    ProfileInfo& Add(std::u16string_view name) {
        profiles.push_back(CreateProfile());
        macro::WriteName(profiles.back()->name, name);
        return *profiles.back();
    }

    static void AssignMacro(ButtonAssign& button, std::u16string_view name, int actions,
                            int repeat) {
        button.function = static_cast<std::uint8_t>(ButtonFunction::kMacro);
        macro::WriteName(button.macro_name, name);
        button.macro_event_count = static_cast<std::uint16_t>(actions);
        button.macro_repeat = repeat;
        button.macro_index = 0;
        for (int i = 0; i < actions; ++i) {
            button.macro_actions[i].code = static_cast<std::uint8_t>(0x04 + i);
            button.macro_actions[i].kind = 1;
            button.macro_actions[i].delay = static_cast<std::uint16_t>(100 + i);
        }
    }

    test::TempFolder folder;
    test::FakeTexts texts;
    macro::MacroStore macro_store{folder.path(), texts};
    ProfileList profiles;
    macro::MacroList macros;
};

TEST_F(ProfileFilesTest, ExportWritesTheRecordImportNumbersATakenName) {
    ProfileInfo& p = Add(u"GAME");
    p.dpi_value[2] = 77;
    const auto path = folder.path() / "g.pro";
    ASSERT_TRUE(ExportProfile(path, p).ok());
    const std::vector<unsigned char> bytes = ReadBytes(path);
    ASSERT_EQ(bytes.size(), 101540u);
    EXPECT_EQ(std::memcmp(bytes.data(), &p, sizeof(p)), 0);
    macro::WriteName(profiles[0]->name, u"game");

    const ImportedProfile first = ImportProfile(path, profiles, macros, macro_store);
    ASSERT_TRUE(first.status.ok()) << first.status.detail;
    EXPECT_EQ(first.index, 1);
    EXPECT_EQ(first.record, profiles[1].get());
    EXPECT_EQ(ReadName(first.record->name), u"GAME_1");
    EXPECT_EQ(first.record->dpi_value[2], 77);
    EXPECT_EQ(first.macros_added, 0);
    EXPECT_FALSE(std::filesystem::exists(macro_store.FilePath()));
}

TEST_F(ProfileFilesTest, ImportReCreatesTheMacrosOfItsButtons) {
    macros.push_back(std::make_unique<macro::MacroInfo>());
    macro::WriteName(macros[0]->name, u"M");
    ProfileInfo& p = Add(u"Macros");
    AssignMacro(p.buttons[3], u"M", 3, 5);
    AssignMacro(p.buttons[7], u"M", 190, 0);
    p.buttons[9].macro_event_count = 4;  // a copy without the macro function stays as it is
    const auto path = folder.path() / "m.pro";
    ASSERT_TRUE(ExportProfile(path, p).ok());

    const ImportedProfile imported = ImportProfile(path, profiles, macros, macro_store);
    ASSERT_TRUE(imported.status.ok());
    EXPECT_EQ(imported.macros_added, 2);
    EXPECT_TRUE(imported.save.ok());
    ASSERT_EQ(macros.size(), 3u);
    const ButtonAssign& b3 = imported.record->buttons[3];
    const ButtonAssign& b7 = imported.record->buttons[7];
    EXPECT_EQ(ReadName(b3.macro_name), u"M_1");
    EXPECT_EQ(b3.macro_index, 1);
    EXPECT_EQ(ReadName(b7.macro_name), u"M_2");
    EXPECT_EQ(b7.macro_index, 2);
    EXPECT_EQ(imported.record->buttons[9].macro_index, -1);
    EXPECT_EQ(macros[1]->repeat, 5);
    EXPECT_EQ(macros[1]->action_count, 3);
    EXPECT_EQ(macros[2]->action_count, 190);
    EXPECT_EQ(std::memcmp(macros[2]->actions, b7.macro_actions, sizeof(b7.macro_actions)), 0);
    // The macro store holds the three macros.
    const std::vector<unsigned char> stored = ReadBytes(macro_store.FilePath());
    ASSERT_EQ(stored.size(), 3 * 3096u);
    EXPECT_EQ(std::memcmp(stored.data() + 2 * 3096, macros[2].get(), 3096), 0);
}

TEST_F(ProfileFilesTest, DamagedCountsAndNamesAreRepairedEmptyNamesTakeTheFiles) {
    auto raw = CreateProfile();
    std::fill(std::begin(raw->name), std::end(raw->name), u'R');
    raw->buttons[2].function = static_cast<std::uint8_t>(ButtonFunction::kMacro);
    std::fill(std::begin(raw->buttons[2].macro_name), std::end(raw->buttons[2].macro_name), u'x');
    raw->buttons[2].macro_event_count = 999;
    const auto path = folder.path() / "raw.pro";
    WriteBytes(path, raw.get(), sizeof(ProfileInfo));
    const ImportedProfile imported = ImportProfile(path, profiles, macros, macro_store);
    ASSERT_TRUE(imported.status.ok());
    EXPECT_EQ(ReadName(imported.record->name), std::u16string(99, u'R'));
    EXPECT_EQ(imported.record->buttons[2].macro_event_count, 190);
    ASSERT_EQ(macros.size(), 1u);
    EXPECT_EQ(macros[0]->action_count, 190);
    EXPECT_EQ(ReadName(macros[0]->name), std::u16string(23, u'x'));
    // An empty name takes the file's.
    const auto evening = folder.path() / "Evening.pro";
    ASSERT_TRUE(ExportProfile(evening, *CreateProfile()).ok());
    EXPECT_EQ(ReadName(ImportProfile(evening, profiles, macros, macro_store).record->name),
              u"Evening");
}

TEST_F(ProfileFilesTest, FilesOfTheWrongSizeAreRefusedAndNothingChanges) {
    Add(u"kept");
    ASSERT_TRUE(macro_store.SaveMacros(macros).ok());
    auto p = CreateProfile();
    p->buttons[0].function = static_cast<std::uint8_t>(ButtonFunction::kMacro);
    const auto short_path = folder.path() / "short.pro";
    WriteBytes(short_path, p.get(), sizeof(ProfileInfo) - 1);
    const ImportedProfile refused = ImportProfile(short_path, profiles, macros, macro_store);
    EXPECT_EQ(refused.status.error, FileError::kTooShort);
    EXPECT_EQ(refused.record, nullptr);
    EXPECT_EQ(refused.macros_added, 0);
    EXPECT_EQ(profiles.size(), 1u);
    EXPECT_TRUE(macros.empty());
    EXPECT_EQ(std::filesystem::file_size(macro_store.FilePath()), 0u);
}

}  // namespace
}  // namespace talvik::profile
