// The worker thread's jobs from the page's side: what an apply sends and records, what a
// read-back stores, and what an edit, a switch, a failure or a stop in between does.
#include "protocol/worker.h"

#include <gtest/gtest.h>

#include <condition_variable>
#include <cstring>
#include <deque>
#include <mutex>
#include <thread>

#include "fake_events.h"
#include "profile/profile_defaults.h"
#include "protocol/device_reports.h"
#include "protocol/session_jobs.h"
#include "sim_rig.h"

namespace talvik::protocol {
namespace {

using sim::SimLink;
using testing::FakeEvents;
using testing::Ids;
using testing::SimRig;

// The UI thread's task queue; the test thread plays the UI thread.
class UiQueue {
public:
    void Push(std::function<void()> task) {
        std::lock_guard lock(mutex_);
        tasks_.push_back(std::move(task));
        ready_.notify_all();
    }
    // Runs one task, waiting up to `wait_ms` for it; false when none came (a hang fails instead of
    // waiting without end).
    bool RunOne(int wait_ms = 20000) {
        std::unique_lock lock(mutex_);
        if (!ready_.wait_for(lock, std::chrono::milliseconds(wait_ms),
                             [&] { return !tasks_.empty(); })) {
            return false;
        }
        auto task = std::move(tasks_.front());
        tasks_.pop_front();
        lock.unlock();
        task();
        return true;
    }

private:
    std::mutex mutex_;
    std::condition_variable ready_;
    std::deque<std::function<void()>> tasks_;
};

// A page with one default profile, its jobs host and worker, and a virtual mouse.
struct WorkerRig {
    explicit WorkerRig(SimLink link, Clock* clock = nullptr) : sim(link), clock(clock) {
        state.profiles.push_back(profile::CreateProfile());
        state.current_profile = state.profiles[0].get();
        state.links.Assign(sim.links.flags);
        state.handles = sim.links.handles;
    }

    template <typename Pred>
    void PumpUntil(Pred done) {
        while (!done()) {
            ASSERT_TRUE(ui.RunOne()) << "the worker stopped answering";
        }
    }

    SimRig sim;
    Clock* clock;  // the worker's, when not the virtual one
    SessionState state;
    FakeEvents events;
    UiQueue ui;
    SessionJobs jobs{state, events, [this](std::function<void()> t) { ui.Push(std::move(t)); }};
    Worker worker{jobs, clock ? *clock : sim.clock};
};

bool SameProfile(const profile::ProfileInfo& a, const profile::ProfileInfo& b) {
    return std::memcmp(&a, &b, sizeof(profile::ProfileInfo)) == 0;
}

TEST(Worker, ApplyRecordsWhatItSentAndAnEditMadeMeanwhileGoesWithTheNext) {
    WorkerRig rig(SimLink::k4kB);
    rig.worker.Post(0, 0);
    ASSERT_TRUE(rig.ui.RunOne());  // the job takes its copy
    // The user moves the brightness slider while the packets are on their way.
    rig.state.current_profile->light_mode = 1;
    rig.state.current_profile->brightness = 2;
    rig.worker.Post(0, 0);
    rig.PumpUntil([&] { return rig.events.Count("finish apply") == 2; });
    const auto commands = rig.sim.mouse->Commands();
    EXPECT_EQ(Ids(commands), (std::vector<std::uint8_t>{0x0C, 0x04, 0x05, 0x06, 0x08, 0x0C, 0x05}));
    EXPECT_EQ(commands.back().bytes[5] & 0x0F, 2) << "the second apply carries the edit";
    EXPECT_TRUE(SameProfile(*rig.state.applied_profile, *rig.state.current_profile));
    EXPECT_FALSE(rig.state.force_full_apply);
    EXPECT_EQ(rig.events.Count("save"), 2);
    EXPECT_EQ(rig.events.timers.at(DeviceTimer::kWatchdog4kB), kWatchdogMs);
    // The watchdogs stopped before the ring was shown.
    const auto& log = rig.events.log;
    EXPECT_LT(std::find(log.begin(), log.end(), "stop timer 2"),
              std::find(log.begin(), log.end(), "start apply"));
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
    rig.worker.Post(0, 0);
    rig.PumpUntil([&] { return rig.events.Count("finish apply") == 2; });
    EXPECT_TRUE(rig.state.force_full_apply);
}

// Pauses that take real time, so that the UI thread can stop the worker while a job sends.
class RealClock final : public Clock {
public:
    void Sleep(int) override {
        ++sleeps;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    std::uint64_t NowMs() override { return 0; }
    std::atomic<int> sleeps = 0;
};

// Unplugged, the first packet is still being tried; plugged, it went and four are left.
TEST(Worker, StopAbandonsTheSendingApplyWhoseRestCountsAsNotDelivered) {
    for (bool plugged : {false, true}) {
        RealClock clock;
        WorkerRig rig(SimLink::kWired, &clock);
        rig.sim.mouse->SetPlugged(plugged);
        rig.worker.Post(0, 0);
        ASSERT_TRUE(rig.ui.RunOne());  // the job takes its copy and starts sending
        for (int i = 0; i < 2000 && clock.sleeps == 0; ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        rig.worker.Stop();
        EXPECT_LT(clock.sleeps, 3) << plugged;
        ASSERT_TRUE(rig.ui.RunOne());
        EXPECT_TRUE(rig.state.force_full_apply) << plugged;
    }
}

// A profile that differs from the defaults in every setting the read-back covers.
std::unique_ptr<profile::ProfileInfo> EditedProfile() {
    auto p = profile::CreateProfile();
    p->lift_off_distance = 1;
    p->ripple_control = 0;
    p->angle_snap = 1;
    p->motion_sync = 0;
    p->dpi_value[0] = 40;
    p->dpi_value[6] = 120;
    p->dpi_value[7] = 300;
    p->dpi_enabled[7] = 1;
    p->current_dpi_stage = 4;
    p->dpi_color[3] = profile::MakeColor(1, 2, 3);
    p->light_mode = 5;
    p->brightness = 11;
    p->breath_speed = 2;
    p->sleep_timer = 0x3C;
    p->light_color = profile::MakeColor(9, 8, 7);
    p->light_off_time = 40;
    p->key_debounce = 9;
    p->polling_rate = 1;
    p->polling_rate_hs = 5;
    std::copy(std::begin(p->dpi_value), std::end(p->dpi_value), p->dpi_value_y);
    return p;
}

struct ReadCase {
    SimLink link;
    const char* name;
    std::uint64_t pauses;  // three blocks; the sensor read adds 50 ms
};

void PrintTo(const ReadCase& c, std::ostream* os) {
    *os << c.name;
}

// Over Bluetooth the job only asks; the settings come as a notification, handled on the UI thread.
class WorkerReadBack : public ::testing::TestWithParam<ReadCase> {};

TEST_P(WorkerReadBack, TheMouseSettingsBecomeTheProfileAndWhatTheMouseHolds) {
    WorkerRig rig(GetParam().link);
    DeviceReports reports(rig.state, rig.events, nullptr);
    rig.sim.mouse->SetNotificationSink([&](std::vector<std::uint8_t> v) {
        rig.ui.Push([&reports, v] { reports.OnBleNotification(v); });
    });
    auto mouse = EditedProfile();
    testing::ApplyThroughCable(rig.sim.mouse, *mouse);
    rig.state.force_full_apply = true;
    rig.worker.Post(1, 0);
    rig.PumpUntil([&] { return rig.events.Running(DeviceTimer::kWatchdog24g); });
    const profile::ProfileInfo& current = *rig.state.current_profile;
    if (GetParam().link == SimLink::kBle) {
        mouse->polling_rate_hs = current.polling_rate_hs;  // not a Bluetooth setting
        EXPECT_EQ(current.polling_rate_hs, profile::CreateProfile()->polling_rate_hs);
    }
    EXPECT_TRUE(SameProfile(current, *mouse));
    EXPECT_TRUE(SameProfile(*rig.state.applied_profile, current));
    EXPECT_FALSE(rig.state.force_full_apply);
    EXPECT_EQ(rig.events.Count("read back") + rig.events.Count("save"), 2);
    EXPECT_EQ(rig.events.Count("finish read"), 1);
    EXPECT_EQ(rig.sim.clock.slept_ms(), GetParam().pauses);
}

// A request pauses before and after it and after each send: 100 ms on the cable, 500 ms on the
// 2.4G receiver; the output links pause 100 ms after the request and 100 ms between the status
// and the block.
INSTANTIATE_TEST_SUITE_P(Links, WorkerReadBack,
                         ::testing::Values(ReadCase{SimLink::kWired, "Wired", 3 * 300 + 50},
                                           ReadCase{SimLink::k24g, "Receiver24g", 3 * 700 + 50},
                                           ReadCase{SimLink::k4k, "Receiver4k", 3 * 200 + 50},
                                           ReadCase{SimLink::k4kB, "Receiver4kB", 3 * 200 + 50},
                                           ReadCase{SimLink::kBle, "Bluetooth", 0}),
                         [](const auto& info) -> std::string { return info.param.name; });

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
    while (rig.ui.RunOne(0)) {
    }
    rig.worker.Post(0, 0);
    EXPECT_FALSE(rig.ui.RunOne(0));
    EXPECT_TRUE(rig.sim.mouse->Received().empty());
    EXPECT_EQ(rig.events.Count("start apply") + rig.events.Count("save"), 0);
}

}  // namespace
}  // namespace talvik::protocol
