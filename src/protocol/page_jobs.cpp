#include "protocol/page_jobs.h"

#include "platform/trace.h"
#include "protocol/page_timers.h"

namespace talvik::protocol {

namespace {

constexpr char kApplyRing[] = "apply_ring";
constexpr char kQueryRing[] = "query_ring";
constexpr int kWatchdogs[] = {kTimerWatchdog24g, kTimerWatchdog4k, kTimerWatchdog4kB};

// Stores every block the read-back fetched; rejected values keep the profile's own.
void StoreBlocks(const ReadBackResult& read, profile::ProfileInfo& profile) {
    if (read.polling) {
        StorePollingSettings(*read.polling, profile);
    }
    if (read.sensor) {
        StoreSensorSettings(*read.sensor, profile);
    }
    if (read.light) {
        StoreLightSettings(*read.light, profile);
    }
}

}  // namespace

PageJobs::PageJobs(page::PageState& state, page::PageView& view, UiRunner run_on_ui)
    : state_(state), view_(view), run_on_ui_(std::move(run_on_ui)) {}

void PageJobs::RunOnUiThread(std::function<void()> task) {
    run_on_ui_(std::move(task));
}

std::optional<JobInput> PageJobs::BeginJob(JobKind kind) {
    if (!state_.links.AnyUp() || state_.current_profile == nullptr) {
        return std::nullopt;
    }
    for (int id : kWatchdogs) {
        view_.KillTimer(id);
    }
    view_.SetVisible(kind == JobKind::kApply ? kApplyRing : kQueryRing, true);
    JobInput input;
    input.kind = kind;
    input.current = std::make_unique<profile::ProfileInfo>(*state_.current_profile);
    input.applied = std::make_unique<profile::ProfileInfo>(*state_.applied_profile);
    input.force_full_apply = state_.force_full_apply;
    input.links = {state_.links, state_.handles};
    if (kind == JobKind::kApply) {
        state_.force_full_apply = false;
    }
    return input;
}

void PageJobs::RestartWatchdogs() {
    for (int id : kWatchdogs) {
        view_.SetTimer(id, kWatchdogMs);
    }
}

void PageJobs::FinishJob(JobResult result) {
    if (result.kind == JobKind::kApply) {
        RestartWatchdogs();
        view_.SaveStore();
        const ApplyReport& report = result.apply;
        if (report.failed > 0) {
            // Not what the mouse holds: the next apply sends everything again.
            platform::Trace("apply failed: %d of %d packets not delivered%s", report.failed,
                            report.sent + report.failed + report.skipped,
                            report.sent == 0 ? " (no usable link)" : "");
            state_.force_full_apply = true;
        } else if (result.profile) {
            *state_.applied_profile = *result.profile;
        }
        view_.SetVisible(kApplyRing, false);
        return;
    }
    const ReadBackResult& read = result.read;
    if (read.over_ble) {
        // The settings arrive as a notification and the ring stays until then; a request that
        // could not be written brings nothing, so the ring goes.
        if (!read.ble_requested) {
            view_.SetVisible(kQueryRing, false);
        }
        RestartWatchdogs();
        return;
    }
    if (state_.current_profile != nullptr) {
        StoreBlocks(read, *state_.current_profile);
        // What the mouse holds: the profile as it was sent before, with the blocks just read.
        // Edits made while the job ran are left for the next apply to find.
        if (result.profile) {
            StoreBlocks(read, *result.profile);
            *state_.applied_profile = *result.profile;
        }
        view_.RefreshFromProfile();
        view_.SaveStore();
        state_.force_full_apply = false;
    }
    view_.SetVisible(kQueryRing, false);
    RestartWatchdogs();
}

}  // namespace talvik::protocol
