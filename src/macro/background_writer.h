#pragma once

#include <condition_variable>
#include <deque>
#include <filesystem>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

#include "macro/record_file.h"

namespace talvik::macro {

// Writes files on a thread of its own, so that the sync a safe replacement needs does not hold up
// the thread that owns the data. The owner hands over a finished copy of the content; the writer
// thread owns it from then on. Writes of one path happen in the order they were submitted; a
// write still waiting in the queue is replaced by a newer one of the same path, as only the last
// content matters.
class BackgroundWriter {
public:
    // Runs on the writer thread once the write is done (or replaced by one that is done).
    using Done = std::function<void(const FileStatus& status)>;

    BackgroundWriter();
    // Finishes every submitted write, then ends the thread.
    ~BackgroundWriter();
    BackgroundWriter(const BackgroundWriter&) = delete;
    BackgroundWriter& operator=(const BackgroundWriter&) = delete;

    // Creates the folder of `path` when needed and replaces `path` with `content` in one step
    // (WriteFileAtomically). Any thread; typically the owner's.
    void Submit(std::filesystem::path path, std::vector<unsigned char> content, Done done = {});
    // An empty buffer for the next Submit, with the room of one already written, so that large
    // contents are not allocated afresh for every write.
    std::vector<unsigned char> TakeBuffer();
    // Blocks until every write submitted so far has finished.
    void WaitUntilIdle();

private:
    struct Job {
        std::filesystem::path path;
        std::vector<unsigned char> content;
        std::vector<Done> done;
    };
    void Loop();

    std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable idle_;
    std::deque<Job> queue_;
    std::vector<unsigned char> spare_;
    bool busy_ = false;
    bool stop_ = false;
    std::thread thread_;
};

}  // namespace talvik::macro
