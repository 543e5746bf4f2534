#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>

#include "../macro/test_support.h"
#include "profile/profile_defaults.h"
#include "profile/profile_store.h"

namespace talvik::profile {
namespace {

constexpr std::size_t kHeader = 507704;
constexpr std::size_t kRecord = 101540;

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
