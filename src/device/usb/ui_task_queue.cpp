#include "device/usb/ui_task_queue.h"

#include <sys/eventfd.h>
#include <unistd.h>

#include <QSocketNotifier>
#include <deque>
#include <mutex>

namespace talvik::device {

struct UiTaskQueue::State {
    ~State() {
        if (wake_fd >= 0) {
            close(wake_fd);
        }
    }
    std::mutex mutex;
    std::deque<std::function<void()>> tasks;
    bool wake_pending = false;
    bool open = true;
    int wake_fd = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
};

UiTaskQueue::UiTaskQueue(QObject* parent) : QObject(parent), state_(std::make_shared<State>()) {
    if (state_->wake_fd >= 0) {
        notifier_ = new QSocketNotifier(state_->wake_fd, QSocketNotifier::Read, this);
        connect(notifier_, &QSocketNotifier::activated, this, [this] { RunPending(); });
    }
}

UiTaskQueue::~UiTaskQueue() {
    std::lock_guard lock(state_->mutex);
    state_->open = false;
    state_->tasks.clear();
}

UiPoster UiTaskQueue::poster() const {
    std::weak_ptr<State> weak = state_;
    return [weak](std::function<void()> task) {
        const auto state = weak.lock();
        if (!state) {
            return;
        }
        std::lock_guard lock(state->mutex);
        if (!state->open) {
            return;
        }
        state->tasks.push_back(std::move(task));
        if (!state->wake_pending) {
            state->wake_pending = true;
            const uint64_t one = 1;
            if (write(state->wake_fd, &one, sizeof one) != sizeof one) {
                state->wake_pending = false;  // retried by the next post
            }
        }
    };
}

void UiTaskQueue::RunPending() {
    std::deque<std::function<void()>> batch;
    {
        std::lock_guard lock(state_->mutex);
        uint64_t count = 0;
        if (read(state_->wake_fd, &count, sizeof count) < 0) {
            count = 0;  // nothing signalled: a direct call
        }
        state_->wake_pending = false;
        batch.swap(state_->tasks);
    }
    for (auto& task : batch) {
        task();
    }
}

}  // namespace talvik::device
