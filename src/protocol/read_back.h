#pragma once

#include <optional>

#include "protocol/clock.h"
#include "protocol/exchange.h"
#include "protocol/settings_decode.h"

namespace talvik::protocol {

// What one read-back fetched; a block that could not be read is left out.
struct ReadBackResult {
    std::optional<PollingSettings> polling;
    std::optional<SensorSettings> sensor;
    std::optional<LightSettings> light;
    // Over Bluetooth LE only the request goes out; the settings come later as a notification.
    bool over_ble = false;
    bool ble_requested = false;
};

inline constexpr int kReadAttempts = 10;
inline constexpr int kSensorReadPauseMs = 50;
inline constexpr std::size_t kReadBufferSize = 200;

// Reads the polling, sensor and light blocks over the USB links, or sends the Bluetooth LE
// request when that link is up.
ReadBackResult RunReadBack(Exchange& exchange, Clock& clock, const Links& links);

}  // namespace talvik::protocol
