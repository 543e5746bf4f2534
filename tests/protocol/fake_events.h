#pragma once

#include <map>
#include <string>
#include <vector>

#include "protocol/device_events.h"

namespace talvik::protocol::testing {

// Records what the protocol told the page, one line each ("stage 2 32", "level 57", ...), and
// which timers run.
class FakeEvents final : public DeviceEvents {
public:
    void StageChanged(int stage, int dpi) override {
        Log("stage " + std::to_string(stage) + " " + std::to_string(dpi));
    }
    void PollingChanged() override { Log("polling"); }
    void BatteryFull() override { Log("full"); }
    void BatteryCharging() override { Log("charging"); }
    void BatteryLevel(std::optional<int> percent) override {
        Log("level " + (percent ? std::to_string(*percent) : std::string("-")));
    }
    void PowerUnknown() override { Log("power unknown"); }
    void LinksChanged(const LinkFlags&) override { Log("links"); }
    void LinkReady() override { Log("ready"); }
    void JobStarted(JobKind kind) override {
        Log(kind == JobKind::kApply ? "start apply" : "start read");
    }
    void JobFinished(JobKind kind) override {
        Log(kind == JobKind::kApply ? "finish apply" : "finish read");
    }
    void ProfileReadBack() override { Log("read back"); }
    void SaveProfiles() override { Log("save"); }
    void StartTimer(DeviceTimer timer, int period_ms) override {
        timers[timer] = period_ms;
        Log("start timer " + std::to_string(static_cast<int>(timer)));
    }
    void StopTimer(DeviceTimer timer) override {
        timers.erase(timer);
        Log("stop timer " + std::to_string(static_cast<int>(timer)));
    }

    int Count(const std::string& line) const {
        return static_cast<int>(std::count(log.begin(), log.end(), line));
    }
    // The last line starting with `prefix`, or "".
    std::string Last(const std::string& prefix) const {
        const auto it = std::find_if(log.rbegin(), log.rend(),
                                     [&](const std::string& l) { return l.rfind(prefix, 0) == 0; });
        return it == log.rend() ? "" : *it;
    }
    bool Running(DeviceTimer timer) const { return timers.count(timer) != 0; }

    std::vector<std::string> log;
    std::map<DeviceTimer, int> timers;

private:
    void Log(std::string line) { log.push_back(std::move(line)); }
};

}  // namespace talvik::protocol::testing
