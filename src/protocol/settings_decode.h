#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>

#include "profile/profile_record.h"

namespace talvik::protocol {

// Settings as the mouse reports them, decoded but not yet checked against the page's ranges.
struct SensorSettings {
    int lift_off_distance = 0;
    int ripple_control = 0;
    int angle_snap = 0;
    int motion_sync = 0;
    std::array<int, profile::kDpiStages> dpi_enabled{};
    std::array<int, profile::kDpiStages> dpi_value{};
    std::array<int, profile::kDpiStages> dpi_value_y{};
    int current_dpi_stage = 0;
    std::array<profile::ColorValue, profile::kDpiStages> dpi_color{};
};

struct LightSettings {
    int light_mode = 0;
    int breath_speed = 0;
    int brightness = 0;
    int sleep_timer = 0;
    profile::ColorValue light_color = 0;
    int light_off_time = 0;
    int key_debounce = 0;
};

struct PollingSettings {
    std::optional<int> polling_rate;
    std::optional<int> polling_rate_hs;  // not carried by the Bluetooth LE reply
};

// Each decoder takes a reply from its byte 0 (byte k sits at the position of the write
// command's byte k) and returns nothing when the reply is too short to hold its payload.
std::optional<SensorSettings> DecodeSensorBlock(std::span<const std::uint8_t> reply);
std::optional<LightSettings> DecodeLightBlock(std::span<const std::uint8_t> reply);
// Both rates are written as index + 1, so they are read back the same way.
std::optional<PollingSettings> DecodePollingBlock(std::span<const std::uint8_t> reply);

// The Bluetooth LE settings notification, from its 0xA0. Blocks the value is too short for are
// left out.
struct BleSettings {
    std::optional<PollingSettings> polling;
    std::optional<SensorSettings> sensor;
    std::optional<LightSettings> light;
};
inline constexpr std::uint8_t kBleSettingsReply = 0xA0;
std::optional<BleSettings> DecodeBleReply(std::span<const std::uint8_t> value);

// The polling code of the Bluetooth LE reply as a polling-rate option.
int BlePollingCodeToRate(std::uint8_t code);

// Store decoded values into `profile`. A value outside the page's options is rejected and the
// profile keeps its own; the result counts the rejected fields.
int StoreSensorSettings(const SensorSettings& s, profile::ProfileInfo& profile);
int StoreLightSettings(const LightSettings& s, profile::ProfileInfo& profile);
int StorePollingSettings(const PollingSettings& s, profile::ProfileInfo& profile);

// Ranges of the page's options.
inline constexpr int kMaxDpiValue = 520;
inline constexpr int kPollingOptions = 4;
inline constexpr int kHighSpeedPollingOptions = 7;
inline constexpr int kMaxBreathSpeed = 9;
// The page offers light effects 0..12; the wire has room for 15.
inline constexpr int kMaxLightMode = 12;

}  // namespace talvik::protocol
