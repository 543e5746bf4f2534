#include "device/usb/ui_task_queue.h"

#include <QCoreApplication>
#include <QEvent>
#include <mutex>

namespace talvik::device {

namespace {

const QEvent::Type kTaskEvent = static_cast<QEvent::Type>(QEvent::registerEventType());

class TaskEvent final : public QEvent {
public:
    explicit TaskEvent(std::function<void()> task) : QEvent(kTaskEvent), task(std::move(task)) {}
    std::function<void()> task;
};

}  // namespace

struct UiTaskQueue::State {
    std::mutex mutex;
    UiTaskQueue* owner = nullptr;  // null once the queue is gone
};

UiTaskQueue::UiTaskQueue(QObject* parent) : QObject(parent), state_(std::make_shared<State>()) {
    state_->owner = this;
}

UiTaskQueue::~UiTaskQueue() {
    // Under the lock: once this returns no task can be posted to us; Qt discards the queued ones.
    std::lock_guard lock(state_->mutex);
    state_->owner = nullptr;
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
            QCoreApplication::postEvent(state->owner, new TaskEvent(std::move(task)));
        }
    };
}

void UiTaskQueue::RunPending() {
    QCoreApplication::sendPostedEvents(this, kTaskEvent);
}

void UiTaskQueue::customEvent(QEvent* event) {
    if (event->type() == kTaskEvent) {
        static_cast<TaskEvent*>(event)->task();
    }
}

}  // namespace talvik::device
