#pragma once

#include <optional>

#include "protocol/links.h"

namespace talvik::protocol {

enum class JobKind { kApply, kReadBack };

// Timers the link logic needs: the receivers' watchdogs and the cable's settling delay.
enum class DeviceTimer { kWatchdog24g, kWatchdog4k, kWatchdog4kB, kWiredOpen };

// What the report handlers and the worker's UI side tell whoever shows the mouse (the device
// page; tests record it). Every call is made on the UI thread.
class DeviceEvents {
public:
    virtual ~DeviceEvents() = default;

    // The mouse switched to `stage` (0-based), whose DPI is `dpi` in units of 50.
    virtual void StageChanged(int stage, int dpi) = 0;
    // The mouse reported its polling rates; the active profile holds them now.
    virtual void PollingChanged() = 0;

    virtual void BatteryFull() = 0;
    virtual void BatteryCharging() = 0;
    // Running on the battery; the level when the report carried a valid one.
    virtual void BatteryLevel(std::optional<int> percent) = 0;
    // No power state to show (the cable went).
    virtual void PowerUnknown() = 0;

    // The links changed; `flags` are the new ones.
    virtual void LinksChanged(const LinkFlags& flags) = 0;
    // A link that carries commands came up.
    virtual void LinkReady() = 0;

    virtual void JobStarted(JobKind kind) = 0;
    virtual void JobFinished(JobKind kind) = 0;
    // Settings read from the mouse replaced values of the active profile.
    virtual void ProfileReadBack() = 0;
    // The profiles changed in a way that belongs on disk.
    virtual void SaveProfiles() = 0;

    // Starts (or restarts) a timer whose expiry comes back as DeviceReports::OnTimer.
    virtual void StartTimer(DeviceTimer timer, int period_ms) = 0;
    virtual void StopTimer(DeviceTimer timer) = 0;
};

}  // namespace talvik::protocol
