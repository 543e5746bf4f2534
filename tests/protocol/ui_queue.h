#pragma once

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>

namespace talvik::protocol::testing {

// The UI thread's task queue, pumped by the test thread, which plays the UI thread.
class UiQueue {
public:
    void Push(std::function<void()> task) {
        {
            std::lock_guard lock(mutex_);
            tasks_.push_back(std::move(task));
        }
        ready_.notify_all();
    }

    // Runs one task, waiting for it to be posted; false when none came (a hang would be a
    // failure, not a wait without end).
    bool RunOne() {
        std::function<void()> task;
        {
            std::unique_lock lock(mutex_);
            if (!ready_.wait_for(lock, std::chrono::seconds(20), [&] { return !tasks_.empty(); })) {
                return false;
            }
            task = std::move(tasks_.front());
            tasks_.pop_front();
        }
        task();
        return true;
    }

    std::size_t size() {
        std::lock_guard lock(mutex_);
        return tasks_.size();
    }

    // Runs whatever is queued now, without waiting.
    void RunPending() {
        while (size() > 0) {
            RunOne();
        }
    }

private:
    std::mutex mutex_;
    std::condition_variable ready_;
    std::deque<std::function<void()>> tasks_;
};

}  // namespace talvik::protocol::testing
