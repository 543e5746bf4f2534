// The profile store, its safety against crashes and bad files, and profile files.
#include "profile/profile_store.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>

#include "../macro/test_support.h"
#include "macro/record_name.h"
#include "profile/button_function.h"
#include "profile/profile_defaults.h"
#include "profile/profile_files.h"

namespace talvik::profile {
namespace {

using macro::FileError;
using macro::ReadName;
using test::ReadBytes;
using test::WriteBytes;

constexpr std::size_t kHeader = 507704;
constexpr std::size_t kRecord = 101540;
constexpr std::uint8_t kMacro = static_cast<std::uint8_t>(ButtonFunction::kMacro);

class ProfileStoreTest : public ::testing::Test {
protected:
    std::filesystem::path File() const { return folder.path() / "ms_5" / "pro.data"; }

    ProfileInfo& Add(std::u16string_view name) {
        profiles.push_back(CreateProfile());
        macro::WriteName(profiles.back()->name, name);
        return *profiles.back();
    }
    ImportedProfile Import(const std::string& file) {
        return ImportProfile(folder.path() / file, profiles, macros, macro_store);
    }

    // Writes a store file of `names` with the given index, plus `extra` trailing bytes.
    std::vector<unsigned char> WriteStore(std::initializer_list<std::u16string_view> names,
                                          std::int32_t index, std::size_t extra = 0) {
        std::vector<unsigned char> bytes(kHeader + names.size() * kRecord + extra, 0);
        std::memcpy(bytes.data(), &index, 4);
        std::size_t at = kHeader;
        for (auto name : names) {
            auto p = CreateProfile();
            macro::WriteName(p->name, name);
            std::memcpy(bytes.data() + at, p.get(), kRecord);
            at += kRecord;
        }
        WriteBytes(File(), bytes.data(), bytes.size());
        return bytes;
    }

    test::TempFolder folder;
    test::FakeTexts texts{{{"add_profile_text", "Profile"}}};
    ProfileStore store{folder.path(), texts};
    ProfileList profiles;
    ProfileStoreHeader header;
    macro::MacroStore macro_store{folder.path(), texts};
    macro::MacroList macros;
};

TEST_F(ProfileStoreTest, FirstStartCreatesTheFolderAndOneDefaultProfile) {
    header.active_profile_index = 9;
    const LoadReport report = store.Load(profiles, header);
    EXPECT_TRUE(report.file_missing);
    EXPECT_FALSE(report.damaged);
    EXPECT_TRUE(report.save.ok()) << report.save.detail;
    ASSERT_EQ(profiles.size(), 1u);
    EXPECT_EQ(ReadName(profiles[0]->name), u"Profile1");
    EXPECT_EQ(header.active_profile_index, 0);

    const std::vector<unsigned char> bytes = ReadBytes(File());
    ASSERT_EQ(bytes.size(), kHeader + kRecord);
    EXPECT_TRUE(std::all_of(bytes.begin(), bytes.begin() + kHeader, [](auto b) { return b == 0; }));
    EXPECT_EQ(std::memcmp(bytes.data() + kHeader, profiles[0].get(), kRecord), 0);

    // An empty file is replaced in the same way, without a copy; a header alone is damage.
    WriteBytes(File(), "", 0);
    ProfileList again;
    EXPECT_FALSE(store.Load(again, header).damaged);
    EXPECT_EQ(again.size(), 1u);
    EXPECT_EQ(std::filesystem::file_size(File()), kHeader + kRecord);
    EXPECT_EQ(test::FolderEntries(File().parent_path()), std::vector<std::string>{"pro.data"});
    WriteStore({}, 0);
    ProfileList from_header;
    EXPECT_TRUE(store.Load(from_header, header).damaged);
    EXPECT_EQ(from_header.size(), 1u);
    EXPECT_EQ(std::filesystem::file_size(File()), kHeader + kRecord);
}

TEST_F(ProfileStoreTest, ThreeProfilesComeBackInOrderWithTheActiveOne) {
    Add(u"Office");
    Add(u"Game").dpi_value[0] = 400;
    Add(u"Night");
    header.active_profile_index = 2;
    ASSERT_TRUE(store.Save(profiles, header).ok());
    EXPECT_EQ(std::filesystem::file_size(File()), 812324u);
    const std::vector<unsigned char> bytes = ReadBytes(File());
    EXPECT_EQ(bytes[0], 2);

    ProfileStore restarted(folder.path(), texts);
    ProfileList loaded;
    ProfileStoreHeader loaded_header;
    const LoadReport report = restarted.Load(loaded, loaded_header);
    EXPECT_FALSE(report.damaged);
    EXPECT_FALSE(report.moved_to.has_value());
    ASSERT_EQ(loaded.size(), 3u);
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(std::memcmp(loaded[i].get(), profiles[i].get(), kRecord), 0) << i;
    }
    EXPECT_EQ(loaded_header.active_profile_index, 2);
    // Loading a sound file does not rewrite it.
    EXPECT_EQ(ReadBytes(File()), bytes);
}

TEST_F(ProfileStoreTest, DefaultNamesAreNumberedWhenTaken) {
    Add(u"profile2");
    EXPECT_EQ(ReadName(store.AddDefaultProfile(profiles).name), u"Profile2_1");
    EXPECT_EQ(ReadName(store.AddDefaultProfile(profiles).name), u"Profile3");
    EXPECT_EQ(profiles[1]->dpi_value[0], 16);
    Add(std::u16string(99, u'p'));
    EXPECT_EQ(MakeUniqueName(profiles, std::u16string(99, u'P') + u"tail"),
              std::u16string(97, u'P') + u"_1");
}

TEST_F(ProfileStoreTest, AFileShorterThanItsHeaderIsMovedAsideAndReplaced) {
    const std::vector<unsigned char> junk(1000, 0x11);
    WriteBytes(File(), junk.data(), junk.size());
    const LoadReport report = store.Load(profiles, header);
    EXPECT_TRUE(report.damaged);
    EXPECT_EQ(report.read.error, FileError::kTooShort);
    ASSERT_TRUE(report.moved_to.has_value());
    EXPECT_EQ(*report.moved_to, File().string() + ".bad");
    EXPECT_EQ(ReadBytes(*report.moved_to), junk);
    ASSERT_EQ(profiles.size(), 1u);
    EXPECT_EQ(ReadName(profiles[0]->name), u"Profile1");
    EXPECT_EQ(std::filesystem::file_size(File()), kHeader + kRecord);
}

TEST_F(ProfileStoreTest, AFileEndingInsideARecordKeepsTheWholeRecordsRepaired) {
    std::vector<unsigned char> bytes = WriteStore({u"A", u"B"}, 1, 5000);
    ProfileInfo* second = reinterpret_cast<ProfileInfo*>(bytes.data() + kHeader + kRecord);
    std::fill(std::begin(second->name), std::end(second->name), u'Z');
    second->buttons[6].macro_event_count = 60000;
    WriteBytes(File(), bytes.data(), bytes.size());
    const LoadReport report = store.Load(profiles, header);
    EXPECT_TRUE(report.damaged);
    EXPECT_EQ(report.read.error, FileError::kTooShort);
    EXPECT_EQ(report.records_loaded, 2);
    EXPECT_EQ(report.records_repaired, 1);
    ASSERT_EQ(profiles.size(), 2u);
    EXPECT_EQ(ReadName(profiles[1]->name), std::u16string(99, u'Z'));
    EXPECT_EQ(profiles[1]->buttons[6].macro_event_count, 190);
    EXPECT_EQ(header.active_profile_index, 1);
    ASSERT_TRUE(report.moved_to.has_value());
    EXPECT_EQ(ReadBytes(*report.moved_to), bytes);
    EXPECT_TRUE(report.save.ok());
    EXPECT_EQ(std::filesystem::file_size(File()), kHeader + 2 * kRecord);
    // Records needing repair are damage on their own too.
    WriteBytes(File(), bytes.data(), kHeader + 2 * kRecord);
    ProfileList again;
    EXPECT_TRUE(store.Load(again, header).moved_to.has_value());
}

TEST_F(ProfileStoreTest, AnActiveIndexOutsideTheListIsClamped) {
    for (const auto& [stored, clamped] : {std::pair{2, 1}, std::pair{-1, 0}}) {
        WriteStore({u"A", u"B"}, stored);
        ProfileList loaded;
        const LoadReport report = ProfileStore(folder.path(), texts).Load(loaded, header);
        EXPECT_TRUE(report.damaged && report.moved_to);
        EXPECT_EQ(header.active_profile_index, clamped);
        EXPECT_EQ(ReadBytes(File())[0], clamped);
    }
}

TEST_F(ProfileStoreTest, AnUnreadableFileIsMovedAsideNotOverwritten) {
    std::filesystem::create_directories(File());  // cannot be read as a file
    WriteBytes(File() / "inside", "keep", 4);
    const LoadReport report = store.Load(profiles, header);
    EXPECT_TRUE(report.damaged);
    EXPECT_EQ(report.read.error, FileError::kCannotOpen);
    ASSERT_TRUE(report.moved_to.has_value());
    EXPECT_TRUE(std::filesystem::exists(*report.moved_to / "inside"));
    EXPECT_EQ(profiles.size(), 1u);
    EXPECT_TRUE(std::filesystem::is_regular_file(File()));
}

TEST_F(ProfileStoreTest, SavingFollowsASymbolicLink) {
    Add(u"A");
    std::filesystem::create_directories(File().parent_path());
    const auto real = folder.path() / "elsewhere.data";
    WriteBytes(real, "old", 3);
    std::filesystem::create_symlink(real, File());
    ASSERT_TRUE(store.Save(profiles, header).ok());
    EXPECT_TRUE(std::filesystem::is_symlink(File()));
    EXPECT_EQ(std::filesystem::file_size(real), kHeader + kRecord);
}

TEST_F(ProfileStoreTest, BackgroundSavesKeepTheirOrderWithOtherSaves) {
    Add(u"A");
    ASSERT_TRUE(store.SaveInBackground(profiles, header).ok());
    Add(u"B");
    ASSERT_TRUE(store.Save(profiles, header).ok());  // waits for the background save first
    EXPECT_EQ(std::filesystem::file_size(File()), kHeader + 2 * kRecord);

    Add(u"C");
    header.active_profile_index = 2;
    macro::FileError outcome = FileError::kCannotWrite;
    ASSERT_TRUE(store
                    .SaveInBackground(profiles, header,
                                      [&outcome](const FileStatus& s) { outcome = s.error; })
                    .ok());
    Add(u"not saved");
    ProfileList loaded;
    ProfileStoreHeader loaded_header;
    store.Load(loaded, loaded_header);  // waits as well
    EXPECT_EQ(outcome, FileError::kNone);
    ASSERT_EQ(loaded.size(), 3u);
    EXPECT_EQ(ReadName(loaded[2]->name), u"C");
    EXPECT_EQ(loaded_header.active_profile_index, 2);
    EXPECT_EQ(std::memcmp(loaded[1].get(), profiles[1].get(), kRecord), 0);
}

TEST_F(ProfileStoreTest, ExportWritesTheRecordImportNumbersATakenName) {
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
TEST_F(ProfileStoreTest, ImportReCreatesTheMacrosOfItsButtons) {
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

TEST_F(ProfileStoreTest, DamagedCountsAndNamesAreRepairedEmptyNamesTakeTheFiles) {
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

TEST_F(ProfileStoreTest, AProfileFileOfTheWrongSizeIsRefusedAndNothingChanges) {
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

// Saves round after round, 2 or 3 profiles whose DPI value tells the round; reports each finished
// save with one byte on `done`.
[[noreturn]] void SaveForever(const std::filesystem::path& data_dir, int done) {
    test::FakeTexts texts;
    ProfileStore store(data_dir, texts);
    ProfileList profiles;
    ProfileStoreHeader header;
    for (std::int32_t round = 1; round < 100000; ++round) {
        profiles.resize(2 + round % 2);
        for (auto& p : profiles) {
            if (!p) {
                p = CreateProfile();
            }
            p->dpi_value[0] = round;
        }
        header.active_profile_index = round % 2;
        if (!store.Save(profiles, header).ok()) {
            _exit(2);
        }
        const char byte = 1;
        if (::write(done, &byte, 1) != 1) {
            _exit(3);
        }
    }
    _exit(0);
}

TEST(ProfileStoreCrash, AProcessKilledWhileSavingLeavesAWholeStore) {
    test::TempFolder folder;
    const std::filesystem::path file = folder.path() / "ms_5" / "pro.data";
    for (int kill_after = 1; kill_after <= 6; ++kill_after) {
        int fds[2];
        ASSERT_EQ(::pipe(fds), 0);
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            ::close(fds[0]);
            SaveForever(folder.path(), fds[1]);
        }
        ::close(fds[1]);
        // Kill as soon as `kill_after` saves are finished: the child is then inside the next.
        for (int i = 0; i < kill_after; ++i) {
            char byte;
            ASSERT_EQ(::read(fds[0], &byte, 1), 1) << "the saving process stopped early";
        }
        ::kill(child, SIGKILL);
        int status = 0;
        ::waitpid(child, &status, 0);
        ::close(fds[0]);
        ASSERT_TRUE(WIFSIGNALED(status));

        const std::vector<unsigned char> bytes = test::ReadBytes(file);
        ASSERT_GE(bytes.size(), kHeader + 2 * kRecord);
        const std::size_t count = (bytes.size() - kHeader) / kRecord;
        ASSERT_EQ(bytes.size(), kHeader + count * kRecord) << "a record was cut";
        std::int32_t round;
        std::memcpy(&round, bytes.data() + kHeader + offsetof(ProfileInfo, dpi_value), 4);
        ASSERT_GE(round, kill_after);
        EXPECT_EQ(count, 2u + static_cast<std::size_t>(round % 2));
        EXPECT_EQ(bytes[0], round % 2);
        for (std::size_t k = 0; k < count; ++k) {
            std::int32_t value;
            std::memcpy(&value,
                        bytes.data() + kHeader + k * kRecord + offsetof(ProfileInfo, dpi_value), 4);
            EXPECT_EQ(value, round) << "record " << k << " is from another save";
        }
    }
    // The next start finds a sound store and clears what the killed saves left behind.
    test::FakeTexts texts;
    ProfileStore store(folder.path(), texts);
    ProfileList profiles;
    ProfileStoreHeader header;
    const macro::LoadReport report = store.Load(profiles, header);
    EXPECT_FALSE(report.damaged);
    EXPECT_GE(profiles.size(), 2u);
    EXPECT_EQ(test::FolderEntries(file.parent_path()), std::vector<std::string>{"pro.data"});
}

}  // namespace
}  // namespace talvik::profile
