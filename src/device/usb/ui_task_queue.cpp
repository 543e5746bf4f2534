#include "device/usb/ui_task_queue.h"

#include <QCoreApplication>
#include <QEvent>
#include <deque>
#include <mutex>

namespace talvik::device {

namespace {

const QEvent::Type kTaskEvent = static_cast<QEvent::Type>(QEvent::registerEventType());

}  // namespace

// The tasks wait here under our own lock; each posted event only says "one more task", so the
// task crosses threads through the lock and the event queue fixes its turn.
struct UiTaskQueue::State {
    std::mutex mutex;
    std::deque<std::function<void()>> tasks;
    UiTaskQueue* owner = nullptr;  // null once the queue is gone
};

UiTaskQueue::UiTaskQueue(QObject* parent) : QObject(parent), state_(std::make_shared<State>()) {
    state_->owner = this;
}

UiTaskQueue::~UiTaskQueue() {
    // Under the lock: once this returns no task can be posted to us; Qt discards the queued events.
    std::lock_guard lock(state_->mutex);
    state_->owner = nullptr;
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
        if (state->owner != nullptr) {
            state->tasks.push_back(std::move(task));
            QCoreApplication::postEvent(state->owner, new QEvent(kTaskEvent));
        }
    };
}

void UiTaskQueue::RunPending() {
    QCoreApplication::sendPostedEvents(this, kTaskEvent);
}

// Only the queue's own events reach it; each runs the oldest waiting task.
void UiTaskQueue::customEvent(QEvent*) {
    std::function<void()> task;
    {
        std::lock_guard lock(state_->mutex);
        if (state_->tasks.empty()) {
            return;
        }
        task = std::move(state_->tasks.front());
        state_->tasks.pop_front();
    }
    task();
}

}  // namespace talvik::device
