#include "protocol/worker.h"

#include "protocol/exchange.h"

namespace talvik::protocol {

// State shared with tasks that may still sit in the UI thread's queue after the worker is gone.
struct Worker::Shared {
    std::mutex mutex;
    std::condition_variable wake;
    std::deque<JobKind> queue;
    bool stop = false;
    // The job waiting for its copy, and the copy once the UI thread made it.
    std::uint64_t waiting_for = 0;
    bool delivered = false;
    std::optional<JobInput> input;
    // Raised by Stop: the running job sends nothing more.
    std::atomic<bool> abandon{false};
};

Worker::Worker(WorkerHost& host, Clock& clock)
    : host_(host), clock_(clock), shared_(std::make_shared<Shared>()) {
    thread_ = std::thread([this] { Loop(); });
}

Worker::~Worker() {
    Stop();
}

void Worker::Post(std::uintptr_t wparam, std::intptr_t) {
    {
        std::lock_guard lock(shared_->mutex);
        if (shared_->stop) {
            return;
        }
        shared_->queue.push_back(wparam == 0 ? JobKind::kApply : JobKind::kReadBack);
    }
    shared_->wake.notify_all();
}

void Worker::Stop() {
    {
        std::lock_guard lock(shared_->mutex);
        shared_->stop = true;
        shared_->queue.clear();
    }
    shared_->abandon.store(true, std::memory_order_release);
    shared_->wake.notify_all();
    if (thread_.joinable()) {
        thread_.join();
    }
}

JobResult Worker::RunJob(JobInput input, Clock& clock, const std::atomic<bool>* abandon) {
    JobResult result;
    result.kind = input.kind;
    Exchange exchange(input.links, clock, abandon);
    if (input.kind == JobKind::kApply) {
        const ApplyPlan plan = PlanApply(*input.current, *input.applied, input.force_full_apply);
        result.apply = SendApply(exchange, plan);
    } else {
        result.read = RunReadBack(exchange, clock, input.links);
    }
    result.profile = std::move(input.current);
    return result;
}

void Worker::Loop() {
    std::uint64_t job_id = 0;
    for (;;) {
        JobKind kind;
        {
            std::unique_lock lock(shared_->mutex);
            shared_->wake.wait(lock, [&] { return shared_->stop || !shared_->queue.empty(); });
            if (shared_->stop) {
                return;
            }
            kind = shared_->queue.front();
            shared_->queue.pop_front();
            shared_->waiting_for = ++job_id;
            shared_->delivered = false;
            shared_->input.reset();
        }
        // The copy is taken on the UI thread, which owns the page's data.
        host_.RunOnUiThread([shared = shared_, host = &host_, kind, id = job_id] {
            {
                std::lock_guard lock(shared->mutex);
                if (shared->stop || shared->waiting_for != id) {
                    return;
                }
            }
            std::optional<JobInput> input = host->BeginJob(kind);
            {
                std::lock_guard lock(shared->mutex);
                if (shared->waiting_for != id) {
                    return;
                }
                shared->input = std::move(input);
                shared->delivered = true;
            }
            shared->wake.notify_all();
        });
        std::optional<JobInput> input;
        {
            std::unique_lock lock(shared_->mutex);
            shared_->wake.wait(lock, [&] { return shared_->stop || shared_->delivered; });
            if (!shared_->delivered) {
                return;  // stopped while waiting for the UI thread
            }
            input = std::move(shared_->input);
            shared_->input.reset();
        }
        if (!input) {
            continue;  // no link was up: the request is dropped
        }
        auto result =
            std::make_shared<JobResult>(RunJob(std::move(*input), clock_, &shared_->abandon));
        host_.RunOnUiThread([host = &host_, result] { host->FinishJob(std::move(*result)); });
    }
}

}  // namespace talvik::protocol
