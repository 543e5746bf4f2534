#pragma once

#include <functional>

#include "page/page_state.h"
#include "page/page_view.h"
#include "protocol/worker.h"

namespace talvik::protocol {

// The UI thread's side of the worker: hands each job a copy of the page's data and records
// what the job did. The page owns one and gives it to its Worker.
class PageJobs final : public WorkerHost {
public:
    using UiRunner = std::function<void(std::function<void()>)>;
    // `run_on_ui` queues a task for the UI thread (callable from any thread) and drops tasks
    // once the page is gone.
    PageJobs(page::PageState& state, page::PageView& view, UiRunner run_on_ui);

    void RunOnUiThread(std::function<void()> task) override;
    // Stops the link watchdogs and shows the busy ring. An apply takes over force_full_apply,
    // so that a profile switch during the apply sets it again for the next one.
    std::optional<JobInput> BeginJob(JobKind kind) override;
    // Apply: restarts the watchdogs, saves the store, records the copy that was sent as applied
    // (a failed packet makes the next apply a full one), hides the ring. Read-back: stores the
    // blocks read into the active profile and the applied copy, refreshes the page, saves.
    void FinishJob(JobResult result) override;

private:
    void RestartWatchdogs();

    page::PageState& state_;
    page::PageView& view_;
    UiRunner run_on_ui_;
};

}  // namespace talvik::protocol
