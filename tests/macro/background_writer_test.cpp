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

TEST(BackgroundWriter, LaterContentWinsAndEveryCallerHearsTheOutcome) {
    test::TempFolder folder;
    const auto path = folder.path() / "new-folder" / "file.data";
    std::atomic<int> succeeded{0};
    {
        BackgroundWriter writer;
        for (int i = 0; i < 20; ++i) {
            writer.Submit(path, Bytes("content " + std::to_string(i)),
                          [&succeeded](const FileStatus& status) {
                              if (status.ok()) {
                                  ++succeeded;
                              }
                          });
        }
        writer.WaitUntilIdle();
        EXPECT_EQ(succeeded.load(), 20);
        EXPECT_EQ(test::ReadBytes(path), Bytes("content 19"));
        // The written buffer comes back for the next content.
        EXPECT_GE(writer.TakeBuffer().capacity(), 10u);
        EXPECT_EQ(writer.TakeBuffer().capacity(), 0u);
    }
    EXPECT_EQ(test::FolderEntries(path.parent_path()), std::vector<std::string>{"file.data"});
}

TEST(BackgroundWriter, FinishesQueuedWritesBeforeItEnds) {
    test::TempFolder folder;
    {
        BackgroundWriter writer;
        for (int i = 0; i < 5; ++i) {
            writer.Submit(folder.path() / ("f" + std::to_string(i)), Bytes(std::to_string(i)));
        }
    }
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(test::ReadBytes(folder.path() / ("f" + std::to_string(i))),
                  Bytes(std::to_string(i)));
    }
}

TEST(BackgroundWriter, ReportsAFailedWrite) {
    test::TempFolder folder;
    test::WriteBytes(folder.path() / "plain", "x", 1);
    FileError error = FileError::kNone;
    BackgroundWriter writer;
    writer.Submit(folder.path() / "plain" / "file.data", Bytes("lost"),
                  [&error](const FileStatus& status) { error = status.error; });
    writer.WaitUntilIdle();
    EXPECT_EQ(error, FileError::kCannotCreate);
}

}  // namespace
}  // namespace talvik::macro
