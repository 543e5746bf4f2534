#include "protocol/session_jobs.h"

#include "platform/trace.h"
#include "protocol/device_reports.h"

namespace talvik::protocol {

namespace {

constexpr DeviceTimer kWatchdogs[] = {DeviceTimer::kWatchdog24g, DeviceTimer::kWatchdog4k,
                                      DeviceTimer::kWatchdog4kB};

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

SessionJobs::SessionJobs(SessionState& state, DeviceEvents& events, UiRunner run_on_ui)
    : state_(state), events_(events), run_on_ui_(std::move(run_on_ui)) {}

void SessionJobs::RunOnUiThread(std::function<void()> task) {
    run_on_ui_(std::move(task));
}

std::optional<JobInput> SessionJobs::BeginJob(JobKind kind) {
    if (!state_.links.flags().AnyUp() || state_.current_profile == nullptr) {
        return std::nullopt;
    }
    for (DeviceTimer t : kWatchdogs) {
        events_.StopTimer(t);
    }
    events_.JobStarted(kind);
    JobInput input;
    input.kind = kind;
    input.current = std::make_unique<profile::ProfileInfo>(*state_.current_profile);
    input.applied = std::make_unique<profile::ProfileInfo>(*state_.applied_profile);
    input.force_full_apply = state_.force_full_apply;
    input.links = {state_.links.flags(), state_.handles};
    if (kind == JobKind::kApply) {
        state_.force_full_apply = false;
    }
    return input;
}

void SessionJobs::RestartWatchdogs() {
    for (DeviceTimer t : kWatchdogs) {
        events_.StartTimer(t, kWatchdogMs);
    }
}

void SessionJobs::FinishJob(JobResult result) {
    if (result.kind == JobKind::kApply) {
        RestartWatchdogs();
        events_.SaveProfiles();
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
        events_.JobFinished(JobKind::kApply);
        return;
    }
    const ReadBackResult& read = result.read;
    if (read.over_ble) {
        // The settings arrive as a notification and the ring stays until then; a request that
        // could not be written brings nothing, so the ring goes.
        if (!read.ble_requested) {
            events_.JobFinished(JobKind::kReadBack);
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
        events_.ProfileReadBack();
        events_.SaveProfiles();
        state_.force_full_apply = false;
    }
    events_.JobFinished(JobKind::kReadBack);
    RestartWatchdogs();
}

}  // namespace talvik::protocol
