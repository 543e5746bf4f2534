#pragma once

#include <QObject>
#include <memory>

#include "device/usb/report_sink.h"

namespace talvik::device {

// Runs tasks posted from any thread on the thread that owns the queue (the UI thread), in posting
// order. Each task travels as an event in that thread's one event queue, the queue the windows'
// messages (the vendor library's, the input hook's) travel in too, so everything from every link
// keeps a single arrival order. The poster stays safe to call after the queue is gone: its tasks
// are then dropped.
class UiTaskQueue : public QObject {
    Q_OBJECT
public:
    explicit UiTaskQueue(QObject* parent = nullptr);
    ~UiTaskQueue() override;

    UiPoster poster() const;
    // Runs what is queued now (tests and shutdown).
    void RunPending();

protected:
    void customEvent(QEvent* event) override;

private:
    struct State;
    std::shared_ptr<State> state_;
};

}  // namespace talvik::device
