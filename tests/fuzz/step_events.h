#pragma once

#include <map>
#include <optional>
#include <vector>

#include "protocol/device_events.h"

namespace talvik::fuzz {

// What the report handlers said during one step of a sequence, and which timers run across steps.
class StepEvents final : public protocol::DeviceEvents {
public:
    struct Stage {
        int stage;
        int dpi;
    };

    void StageChanged(int stage, int dpi) override { stages.push_back({stage, dpi}); }
    void PollingChanged() override { ++polling; }
    void BatteryFull() override { ++power; }
    void BatteryCharging() override { ++power; }
    void BatteryLevel(std::optional<int> percent) override {
        ++power;
        levels.push_back(percent);
    }
    void PowerUnknown() override { ++power_unknown; }
    void LinksChanged(const protocol::LinkFlags&) override { ++links_changed; }
    void LinkReady() override { ++link_ready; }
    void JobStarted(protocol::JobKind) override { ++jobs_started; }
    void JobFinished(protocol::JobKind) override { ++jobs_finished; }
    void ProfileReadBack() override { ++read_back; }
    void SaveProfiles() override { ++saves; }
    void StartTimer(protocol::DeviceTimer timer, int period_ms) override {
        timers[timer] = period_ms;
    }
    void StopTimer(protocol::DeviceTimer timer) override { timers.erase(timer); }

    bool Running(protocol::DeviceTimer timer) const { return timers.count(timer) != 0; }

    // Forgets the step's events; the timers keep running.
    void NextStep() {
        stages.clear();
        levels.clear();
        polling = power = power_unknown = links_changed = link_ready = 0;
        jobs_started = jobs_finished = read_back = saves = 0;
    }

    std::vector<Stage> stages;
    std::vector<std::optional<int>> levels;
    int polling = 0;
    int power = 0;
    int power_unknown = 0;
    int links_changed = 0;
    int link_ready = 0;
    int jobs_started = 0;
    int jobs_finished = 0;
    int read_back = 0;
    int saves = 0;
    std::map<protocol::DeviceTimer, int> timers;
};

}  // namespace talvik::fuzz
