#pragma once

#include <functional>

#include "protocol/device_events.h"
#include "protocol/session_state.h"
#include "protocol/worker.h"

namespace talvik::protocol {

// The UI thread's side of the worker: hands each job a copy of the session's data and records
// what the job did. The session owns one and gives it to its Worker.
class SessionJobs final : public WorkerHost {
public:
    using UiRunner = std::function<void(std::function<void()>)>;
    // `run_on_ui` queues a task for the UI thread (callable from any thread) and drops tasks
    // once the session is gone.
    SessionJobs(SessionState& state, DeviceEvents& events, UiRunner run_on_ui);

    void RunOnUiThread(std::function<void()> task) override;
    // Stops the link watchdogs and announces the job. An apply takes over force_full_apply, so
    // that a profile switch during the apply sets it again for the next one.
    std::optional<JobInput> BeginJob(JobKind kind) override;
    // Apply: restarts the watchdogs, saves, records the copy that was sent as applied (a failed
    // packet makes the next apply a full one instead). Read-back: stores the blocks read into
    // the active profile and the applied copy, announces them, saves.
    void FinishJob(JobResult result) override;

private:
    void RestartWatchdogs();

    SessionState& state_;
    DeviceEvents& events_;
    UiRunner run_on_ui_;
};

}  // namespace talvik::protocol
