#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

#include "profile/profile_record.h"
#include "protocol/apply.h"
#include "protocol/clock.h"
#include "protocol/device_events.h"
#include "protocol/links.h"
#include "protocol/read_back.h"

namespace talvik::protocol {

// What a job needs, copied on the UI thread when the job starts.
struct JobInput {
    JobKind kind = JobKind::kApply;
    std::unique_ptr<profile::ProfileInfo> current;
    std::unique_ptr<profile::ProfileInfo> applied;
    bool force_full_apply = false;
    Links links;
};

// What a job did, handed back to the UI thread.
struct JobResult {
    JobKind kind = JobKind::kApply;
    // The copy the job worked on: for an apply what was sent, for a read-back the profile as it
    // was when the job started.
    std::unique_ptr<profile::ProfileInfo> profile;
    ApplyReport apply;
    ReadBackResult read;
};

// The UI side of the worker.
class WorkerHost {
public:
    virtual ~WorkerHost() = default;
    // Any thread: runs `task` on the UI thread, in posting order. Tasks posted after the host
    // is gone must be dropped.
    virtual void RunOnUiThread(std::function<void()> task) = 0;
    // UI thread: the copy for a job starting now; nothing drops the job (no link is up).
    virtual std::optional<JobInput> BeginJob(JobKind kind) = 0;
    // UI thread: records the result of a finished job.
    virtual void FinishJob(JobResult result) = 0;
};

// The device page's worker thread: runs one apply or read-back at a time from its own queue of
// TM_MS5_WORK jobs; all command packets are sent from here.
class Worker {
public:
    Worker(WorkerHost& host, Clock& clock);
    ~Worker();
    Worker(const Worker&) = delete;
    Worker& operator=(const Worker&) = delete;

    // Any thread: queues TM_MS5_WORK. wParam 0 asks for an apply, anything else for a read-back.
    void Post(std::uintptr_t wparam, std::intptr_t lparam);

    // UI thread: ends the thread. Queued jobs are dropped; a job that is sending abandons its
    // remaining packets (within about a read timeout); a job still waiting for its copy from the
    // UI thread is abandoned, so this cannot deadlock. The page saves its profiles itself: what
    // the mouse got no longer matters once the program ends.
    void Stop();

    // Runs one job on the calling thread with the given input (the worker's own body). Raising
    // `abandon` ends it early.
    static JobResult RunJob(JobInput input, Clock& clock,
                            const std::atomic<bool>* abandon = nullptr);

private:
    struct Shared;
    void Loop();

    WorkerHost& host_;
    Clock& clock_;
    std::shared_ptr<Shared> shared_;
    std::thread thread_;
};

}  // namespace talvik::protocol
