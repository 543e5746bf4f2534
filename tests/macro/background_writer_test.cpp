#include "macro/background_writer.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>

#include "test_support.h"

namespace talvik::macro {
namespace {

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
    EXPECT_EQ(test::ReadBytes(path), Bytes("content 19"));
    EXPECT_EQ(test::FolderEntries(path.parent_path()), std::vector<std::string>{"file.data"});
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(test::ReadBytes(folder.path() / ("f" + std::to_string(i))),
                  Bytes(std::to_string(i)));
    }
}

}  // namespace
}  // namespace talvik::macro
