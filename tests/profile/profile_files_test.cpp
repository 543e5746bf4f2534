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

constexpr std::uint8_t kMacro = static_cast<std::uint8_t>(ButtonFunction::kMacro);

class ProfileFilesTest : public ::testing::Test {
protected:
    ProfileInfo& Add(std::u16string_view name) {
        profiles.push_back(CreateProfile());
        macro::WriteName(profiles.back()->name, name);
        return *profiles.back();
    }
    ImportedProfile Import(const std::string& file) {
        return ImportProfile(folder.path() / file, profiles, macros, macro_store);
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
    ASSERT_TRUE(ExportProfile(folder.path() / "g.pro", p).ok());
    const std::vector<unsigned char> bytes = ReadBytes(folder.path() / "g.pro");
    ASSERT_EQ(bytes.size(), 101540u);
    EXPECT_EQ(std::memcmp(bytes.data(), &p, sizeof(p)), 0);
    macro::WriteName(profiles[0]->name, u"game");

    const ImportedProfile first = Import("g.pro");
    ASSERT_TRUE(first.status.ok()) << first.status.detail;
    EXPECT_EQ(first.index, 1);
    EXPECT_EQ(first.record, profiles[1].get());
    EXPECT_EQ(ReadName(first.record->name), u"GAME_1");
    EXPECT_EQ(first.record->dpi_value[2], 77);
    EXPECT_EQ(first.macros_added, 0);
    EXPECT_FALSE(std::filesystem::exists(macro_store.FilePath()));
}

// Each button running a macro brings a copy of it into the macro list, numbered when taken.
TEST_F(ProfileFilesTest, ImportReCreatesTheMacrosOfItsButtons) {
    macros.push_back(std::make_unique<macro::MacroInfo>());
    macro::WriteName(macros[0]->name, u"M");
    ProfileInfo& p = Add(u"Macros");
    for (const auto& [b, count, repeat] : {std::tuple{3, 3, 5}, std::tuple{7, 190, 0}}) {
        ButtonAssign& button = p.buttons[b];
        button.function = kMacro;
        macro::WriteName(button.macro_name, u"M");
        button.macro_event_count = static_cast<std::uint16_t>(count);
        button.macro_repeat = repeat;
        button.macro_index = 0;
        for (int i = 0; i < count; ++i) {
            button.macro_actions[i] = {0, static_cast<std::uint8_t>(4 + i), 1, 0, 100, 0, 0, 0};
        }
    }
    p.buttons[9].macro_event_count = 4;  // a copy without the macro function stays as it is
    ASSERT_TRUE(ExportProfile(folder.path() / "m.pro", p).ok());

    const ImportedProfile imported = Import("m.pro");
    ASSERT_TRUE(imported.status.ok());
    EXPECT_EQ(imported.macros_added, 2);
    EXPECT_TRUE(imported.save.ok());
    ASSERT_EQ(macros.size(), 3u);
    const ButtonAssign* buttons = imported.record->buttons;
    EXPECT_EQ(std::tuple(ReadName(buttons[3].macro_name), buttons[3].macro_index),
              std::tuple(u"M_1", 1));
    EXPECT_EQ(std::tuple(ReadName(buttons[7].macro_name), buttons[7].macro_index),
              std::tuple(u"M_2", 2));
    EXPECT_EQ(buttons[9].macro_index, -1);
    EXPECT_EQ(std::tuple(macros[1]->repeat, macros[1]->action_count), std::tuple(5, 3));
    EXPECT_EQ(macros[2]->action_count, 190);
    EXPECT_EQ(std::memcmp(macros[2]->actions, buttons[7].macro_actions, 3040), 0);
    const std::vector<unsigned char> stored = ReadBytes(macro_store.FilePath());
    ASSERT_EQ(stored.size(), 3 * 3096u);
    EXPECT_EQ(std::memcmp(stored.data() + 2 * 3096, macros[2].get(), 3096), 0);
}

TEST_F(ProfileFilesTest, DamagedCountsAndNamesAreRepairedEmptyNamesTakeTheFiles) {
    auto raw = CreateProfile();
    std::fill(std::begin(raw->name), std::end(raw->name), u'R');
    raw->buttons[2].function = kMacro;
    std::fill(std::begin(raw->buttons[2].macro_name), std::end(raw->buttons[2].macro_name), u'x');
    raw->buttons[2].macro_event_count = 999;
    WriteBytes(folder.path() / "raw.pro", raw.get(), sizeof(ProfileInfo));
    const ImportedProfile imported = Import("raw.pro");
    ASSERT_TRUE(imported.status.ok());
    EXPECT_EQ(ReadName(imported.record->name), std::u16string(99, u'R'));
    EXPECT_EQ(imported.record->buttons[2].macro_event_count, 190);
    ASSERT_EQ(macros.size(), 1u);
    EXPECT_EQ(macros[0]->action_count, 190);
    EXPECT_EQ(ReadName(macros[0]->name), std::u16string(23, u'x'));
    ASSERT_TRUE(ExportProfile(folder.path() / "Evening.pro", *CreateProfile()).ok());
    EXPECT_EQ(ReadName(Import("Evening.pro").record->name), u"Evening");
}

TEST_F(ProfileFilesTest, AFileOfTheWrongSizeIsRefusedAndNothingChanges) {
    Add(u"kept");
    auto p = CreateProfile();
    p->buttons[0].function = kMacro;
    WriteBytes(folder.path() / "short.pro", p.get(), sizeof(ProfileInfo) - 1);
    const ImportedProfile refused = Import("short.pro");
    EXPECT_EQ(refused.status.error, FileError::kTooShort);
    EXPECT_EQ(refused.record, nullptr);
    EXPECT_EQ(refused.macros_added, 0);
    EXPECT_EQ(profiles.size(), 1u);
    EXPECT_TRUE(macros.empty());
    EXPECT_FALSE(std::filesystem::exists(macro_store.FilePath()));
}

}  // namespace
}  // namespace talvik::profile
