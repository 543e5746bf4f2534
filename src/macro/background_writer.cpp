#include "macro/background_writer.h"

#include <algorithm>
#include <utility>

namespace talvik::macro {

BackgroundWriter::BackgroundWriter() : thread_([this] { Loop(); }) {}

BackgroundWriter::~BackgroundWriter() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stop_ = true;
    }
    wake_.notify_one();
    thread_.join();
}

void BackgroundWriter::Submit(std::filesystem::path path, std::vector<unsigned char> content,
                              Done done) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        const auto queued = std::find_if(queue_.begin(), queue_.end(),
                                         [&path](const Job& job) { return job.path == path; });
        if (queued != queue_.end()) {
            queued->content = std::move(content);
            if (done) {
                queued->done.push_back(std::move(done));
            }
        } else {
            Job job{std::move(path), std::move(content), {}};
            if (done) {
                job.done.push_back(std::move(done));
            }
            queue_.push_back(std::move(job));
        }
    }
    wake_.notify_one();
}

std::vector<unsigned char> BackgroundWriter::TakeBuffer() {
    std::lock_guard<std::mutex> lock(mutex_);
    std::vector<unsigned char> buffer = std::move(spare_);
    spare_ = {};
    buffer.clear();
    return buffer;
}

void BackgroundWriter::WaitUntilIdle() {
    std::unique_lock<std::mutex> lock(mutex_);
    idle_.wait(lock, [this] { return queue_.empty() && !busy_; });
}

void BackgroundWriter::Loop() {
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        wake_.wait(lock, [this] { return stop_ || !queue_.empty(); });
        if (queue_.empty()) {
            return;  // stopping, nothing left to write
        }
        Job job = std::move(queue_.front());
        queue_.pop_front();
        busy_ = true;
        lock.unlock();

        FileStatus status;
        if (job.path.has_parent_path()) {
            status = EnsureFolder(job.path.parent_path());
        }
        if (status.ok()) {
            status = WriteFileAtomically(job.path, {{job.content.data(), job.content.size()}});
        }
        for (const Done& done : job.done) {
            done(status);
        }

        lock.lock();
        if (job.content.capacity() > spare_.capacity()) {
            spare_ = std::move(job.content);
        }
        busy_ = false;
        if (queue_.empty()) {
            idle_.notify_all();
        }
    }
}

}  // namespace talvik::macro
