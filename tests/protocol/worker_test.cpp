#include "protocol/worker.h"

#include <gtest/gtest.h>

#include <cstring>

#include "fake_events.h"
#include "profile/profile_defaults.h"
#include "protocol/device_reports.h"
#include "protocol/session_jobs.h"
#include "sim_rig.h"
#include "ui_queue.h"

namespace talvik::protocol {
namespace {

using sim::SimLink;
using testing::FakeEvents;
using testing::Ids;
using testing::SimRig;
using testing::UiQueue;

// A page with one default profile, its jobs host and worker, and a virtual mouse.
struct WorkerRig {
    explicit WorkerRig(SimLink link) : sim(link) {
        state.profiles.push_back(profile::CreateProfile());
        state.current_profile = state.profiles[0].get();
        state.links.Assign(sim.links.flags);
        state.handles = sim.links.handles;
    }

    // Pumps UI tasks until `done` holds.
    template <typename Pred>
    void PumpUntil(Pred done) {
        while (!done()) {
            ASSERT_TRUE(ui.RunOne()) << "the worker stopped answering";
        }
    }

    SimRig sim;
    SessionState state;
    FakeEvents events;
    UiQueue ui;
    SessionJobs jobs{state, events, [this](std::function<void()> t) { ui.Push(std::move(t)); }};
    Worker worker{jobs, sim.clock};
};

TEST(Worker, ApplySendsRecordsAppliedSavesAndHidesTheRing) {
    WorkerRig rig(SimLink::k4kB);
    rig.worker.Post(0, 0);
    rig.PumpUntil([&] { return rig.events.Count("finish apply") == 1; });
    EXPECT_EQ(Ids(rig.sim.mouse->Commands()),
              (std::vector<std::uint8_t>{0x0C, 0x04, 0x05, 0x06, 0x08}));
    EXPECT_EQ(std::memcmp(rig.state.applied_profile.get(), rig.state.current_profile,
                          sizeof(profile::ProfileInfo)),
              0);
    EXPECT_FALSE(rig.state.force_full_apply);
    EXPECT_EQ(rig.events.Count("save"), 1);
    EXPECT_EQ(rig.events.timers.at(DeviceTimer::kWatchdog4kB), kWatchdogMs);
    // The ring was shown and the watchdogs stopped before anything was sent.
    const auto& log = rig.events.log;
    EXPECT_LT(std::find(log.begin(), log.end(), "stop timer 2"),
              std::find(log.begin(), log.end(), "start apply"));
}

TEST(Worker, AnEditMadeDuringAnApplyIsSentByTheNextApply) {
    WorkerRig rig(SimLink::kWired);
    rig.worker.Post(0, 0);
    ASSERT_TRUE(rig.ui.RunOne());  // the job takes its copy
    // The user moves the brightness slider while the packets are on their way.
    rig.state.current_profile->light_mode = 1;
    rig.state.current_profile->brightness = 2;
    rig.worker.Post(0, 0);
    rig.PumpUntil([&] { return rig.events.Count("save") == 2; });
    const auto commands = rig.sim.mouse->Commands();
    ASSERT_EQ(commands.size(), 7u);
    EXPECT_EQ(Ids(commands), (std::vector<std::uint8_t>{0x0C, 0x04, 0x05, 0x06, 0x08, 0x0C, 0x05}));
    EXPECT_EQ(commands.back().bytes[5] & 0x0F, 2) << "the second apply carries the edit";
    EXPECT_EQ(rig.state.applied_profile->brightness, 2);
}

// What the mouse may not hold makes the next apply full: another profile selected while an
// apply runs, and packets that were not delivered.
TEST(Worker, ProfileSwitchDuringAnApplyAndFailedPacketsKeepTheNextApplyFull) {
    WorkerRig rig(SimLink::kWired);
    rig.worker.Post(0, 0);
    ASSERT_TRUE(rig.ui.RunOne());
    EXPECT_FALSE(rig.state.force_full_apply) << "the running apply took it";
    rig.state.force_full_apply = true;
    rig.PumpUntil([&] { return rig.events.Count("save") == 1; });
    EXPECT_TRUE(rig.state.force_full_apply);

    rig.sim.mouse->SetPlugged(false);
    rig.state.force_full_apply = false;
    const std::uint64_t before = rig.sim.clock.slept_ms();
    rig.worker.Post(0, 0);
    rig.PumpUntil([&] { return rig.events.Count("finish apply") == 2; });
    EXPECT_TRUE(rig.state.force_full_apply);
    EXPECT_GT(rig.sim.clock.slept_ms(), before);
}

// Raises the abandon flag at its third pause, as Stop does from the UI thread while a job sends.
class AbandoningClock final : public Clock {
public:
    explicit AbandoningClock(std::atomic<bool>& abandon) : abandon_(abandon) {}
    void Sleep(int) override {
        if (++sleeps == 3) {
            abandon_ = true;
        }
    }
    std::uint64_t NowMs() override { return 0; }
    int sleeps = 0;

private:
    std::atomic<bool>& abandon_;
};

TEST(Worker, AnAbandonedApplySendsNothingMore) {
    SimRig sim(SimLink::kWired);
    sim.mouse->SetPlugged(false);  // every packet would be tried five times
    std::atomic<bool> abandon{false};
    AbandoningClock clock(abandon);
    JobInput input;
    input.current = profile::CreateProfile();
    input.applied = profile::CreateProfile();
    input.force_full_apply = true;
    input.links = sim.links;
    const JobResult result = Worker::RunJob(std::move(input), clock, &abandon);
    EXPECT_EQ(clock.sleeps, 3);
    EXPECT_EQ(result.apply.sent, 0);
    EXPECT_EQ(result.apply.failed, 5) << "every packet counts as not delivered";
}

TEST(Worker, ReadBackStoresTheBlocksAndRefreshesThePage) {
    WorkerRig rig(SimLink::k24g);
    // The mouse holds other settings than the profile.
    auto other = profile::CreateProfile();
    other->light_color = profile::MakeColor(1, 2, 3);
    other->dpi_value[0] = 99;
    other->polling_rate = 0;
    testing::ApplyThroughCable(rig.sim.mouse, *other);
    rig.worker.Post(1, 0);
    rig.PumpUntil([&] { return rig.events.Count("finish read") == 1; });
    const profile::ProfileInfo& current = *rig.state.current_profile;
    EXPECT_EQ(current.light_color, other->light_color);
    EXPECT_EQ(current.dpi_value[0], 99);
    EXPECT_EQ(current.polling_rate, 0);
    EXPECT_EQ(rig.events.Count("read back"), 1);
    EXPECT_EQ(rig.events.Count("save"), 1);
    EXPECT_EQ(rig.state.applied_profile->dpi_value[0], 99);
    EXPECT_FALSE(rig.state.force_full_apply);
}

TEST(Worker, BluetoothReadBackLeavesTheRingForTheNotification) {
    WorkerRig rig(SimLink::kBle);
    std::vector<std::vector<std::uint8_t>> notes;
    rig.sim.mouse->SetNotificationSink([&](std::vector<std::uint8_t> v) { notes.push_back(v); });
    rig.worker.Post(7, 0);
    rig.PumpUntil([&] { return rig.events.Running(DeviceTimer::kWatchdog24g); });
    EXPECT_EQ(notes.size(), 1u);
    EXPECT_EQ(rig.events.Count("start read"), 1);
    EXPECT_EQ(rig.events.Count("finish read"), 0);
    EXPECT_EQ(rig.events.Count("save"), 0);
}

TEST(Worker, RequestsAreDroppedWhileNoLinkIsUpAndAfterTheStop) {
    WorkerRig rig(SimLink::k4kB);
    rig.state.links.Assign({});
    rig.worker.Post(0, 0);
    rig.worker.Post(1, 0);
    ASSERT_TRUE(rig.ui.RunOne());
    ASSERT_TRUE(rig.ui.RunOne());
    EXPECT_TRUE(rig.state.force_full_apply);
    rig.state.links.Assign(rig.sim.links.flags);
    rig.worker.Post(0, 0);
    // The UI thread stops the worker before it ever ran the hand-off task: no deadlock.
    rig.worker.Stop();
    rig.ui.RunPending();
    rig.worker.Post(0, 0);
    EXPECT_EQ(rig.ui.size(), 0u);
    EXPECT_TRUE(rig.sim.mouse->Received().empty());
    EXPECT_EQ(rig.events.Count("start apply") + rig.events.Count("save"), 0);
}

}  // namespace
}  // namespace talvik::protocol
