#pragma once

#include <optional>

#include "protocol/links.h"

namespace talvik::page {

// The mouse's power and link as the page knows them, for whoever shows them outside the page
// (the tray).
struct PowerState {
    enum class Source { kUnknown, kBattery, kCharging, kFull };
    protocol::LinkFlags links;
    Source source = Source::kUnknown;
    // Percent; the last valid report while on the battery, 100 when full.
    std::optional<int> level;
};

// Told after every battery report and link change. UI thread only.
class PowerListener {
public:
    virtual ~PowerListener() = default;
    virtual void PowerChanged(const PowerState& state) = 0;
};

}  // namespace talvik::page
