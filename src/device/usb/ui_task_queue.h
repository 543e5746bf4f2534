#pragma once

#include <QObject>
#include <memory>

#include "device/usb/report_sink.h"

class QSocketNotifier;

namespace talvik::device {

// Runs tasks posted from any thread on the thread that owns the queue (the UI thread), in posting
// order. The tasks wait in a locked list and an event descriptor in the event loop wakes the
// owner once per batch, so a flood of reports costs one wake-up per batch, not one per report.
// The poster stays safe to call after the queue is gone: its tasks are then dropped.
class UiTaskQueue : public QObject {
    Q_OBJECT
public:
    explicit UiTaskQueue(QObject* parent = nullptr);
    ~UiTaskQueue() override;

    UiPoster poster() const;
    // Runs what is queued now (tests and shutdown).
    void RunPending();

private:
    struct State;
    std::shared_ptr<State> state_;
    QSocketNotifier* notifier_ = nullptr;
};

}  // namespace talvik::device
