#include "protocol/settings_decode.h"

#include "protocol/packet_layouts.h"

namespace talvik::protocol {

namespace {

constexpr std::size_t kSensorReplyMin = sensor_layout::kLastPayload;  // payload through byte 48
constexpr std::size_t kLightReplyMin = light_layout::kLastPayload + 1;
constexpr std::size_t kPollingReplyMin = polling_layout::kRates + 1;
// In the Bluetooth LE value the light payload starts at offset 53 (it plays byte 3).
constexpr std::size_t kBleLightOffset = 50;
constexpr std::size_t kBleLightMin = 61;

bool InRange(int value, int low, int high) {
    return value >= low && value <= high;
}

// Counts a rejection, or stores the value.
void StoreIf(bool ok, int value, std::int32_t& field, int& rejected) {
    if (ok) {
        field = value;
    } else {
        ++rejected;
    }
}

}  // namespace

std::optional<SensorSettings> DecodeSensorBlock(std::span<const std::uint8_t> r) {
    if (r.size() < kSensorReplyMin) {
        return std::nullopt;
    }
    namespace at = sensor_layout;
    SensorSettings s;
    s.lift_off_distance = r[at::kLiftOffRipple] >> 4;
    s.ripple_control = r[at::kLiftOffRipple] & 0x0F;
    s.angle_snap = r[at::kSnapSync] >> 4;
    s.motion_sync = r[at::kSnapSync] & 0x0F;
    for (int k = 0; k < profile::kDpiStages; ++k) {
        s.dpi_enabled[k] = (r[at::kEnabled] >> k) & 1;
        const int count = (r[at::kDpiHigh + k] << 8) | r[at::kDpiLow + k];
        int v = count + 1;
        s.dpi_value_y[k] = v;
        // A flagged stage counts its upper range from 300 units on.
        if (((r[at::kHighRange] >> k) & 1) != 0 && v * 100 > 30000) {
            v = (v * 100 - 30000) / 100 + 600;
        }
        s.dpi_value[k] = v;
        s.dpi_color[k] = profile::MakeColor(r[at::kColors + 3 * k], r[at::kColors + 3 * k + 1],
                                            r[at::kColors + 3 * k + 2]);
    }
    s.current_dpi_stage = r[at::kStage] - 1;
    return s;
}

std::optional<LightSettings> DecodeLightBlock(std::span<const std::uint8_t> r) {
    if (r.size() < kLightReplyMin) {
        return std::nullopt;
    }
    namespace at = light_layout;
    LightSettings s;
    s.light_mode = r[at::kMode] >> 4;
    s.breath_speed = 9 - (r[at::kSleepHighSpeed] & 0x0F);
    s.brightness = r[at::kSleepLowBright] & 0x0F;
    s.sleep_timer = (r[at::kSleepLowBright] >> 4) | (r[at::kSleepHighSpeed] & 0xF0);
    s.light_color = profile::MakeColor(r[at::kColor], r[at::kColor + 1], r[at::kColor + 2]);
    s.light_off_time = r[at::kOffTime];
    s.key_debounce = r[at::kDebounce];
    return s;
}

std::optional<PollingSettings> DecodePollingBlock(std::span<const std::uint8_t> r) {
    if (r.size() < kPollingReplyMin) {
        return std::nullopt;
    }
    PollingSettings s;
    s.polling_rate = (r[polling_layout::kRates] & 0x0F) - 1;
    s.polling_rate_hs = (r[polling_layout::kRates] >> 4) - 1;
    return s;
}

int BlePollingCodeToRate(std::uint8_t code) {
    switch (code) {
        case 1:
            return 3;
        case 2:
            return 2;
        case 4:
            return 1;
        default:
            return 0;
    }
}

std::optional<BleSettings> DecodeBleReply(std::span<const std::uint8_t> v) {
    if (v.size() < 2 || v[0] != kBleSettingsReply) {
        return std::nullopt;
    }
    BleSettings s;
    s.polling = PollingSettings{BlePollingCodeToRate(v[1]), std::nullopt};
    s.sensor = DecodeSensorBlock(v);
    if (v.size() >= kBleLightMin) {
        s.light = DecodeLightBlock(v.subspan(kBleLightOffset));
    }
    return s;
}

int StoreSensorSettings(const SensorSettings& s, profile::ProfileInfo& p) {
    int rejected = 0;
    StoreIf(InRange(s.lift_off_distance, 0, 1), s.lift_off_distance, p.lift_off_distance, rejected);
    StoreIf(InRange(s.ripple_control, 0, 1), s.ripple_control, p.ripple_control, rejected);
    StoreIf(InRange(s.angle_snap, 0, 1), s.angle_snap, p.angle_snap, rejected);
    StoreIf(InRange(s.motion_sync, 0, 1), s.motion_sync, p.motion_sync, rejected);
    for (int k = 0; k < profile::kDpiStages; ++k) {
        p.dpi_enabled[k] = s.dpi_enabled[k];
        p.dpi_color[k] = s.dpi_color[k];
        // A stage keeps both of its values unless the reported DPI is one the page can show.
        if (InRange(s.dpi_value[k], 1, kMaxDpiValue)) {
            p.dpi_value[k] = s.dpi_value[k];
            p.dpi_value_y[k] = s.dpi_value_y[k];
        } else {
            ++rejected;
        }
    }
    StoreIf(InRange(s.current_dpi_stage, 0, profile::kDpiStages - 1), s.current_dpi_stage,
            p.current_dpi_stage, rejected);
    return rejected;
}

int StoreLightSettings(const LightSettings& s, profile::ProfileInfo& p) {
    int rejected = 0;
    StoreIf(InRange(s.light_mode, 0, kMaxLightMode), s.light_mode, p.light_mode, rejected);
    StoreIf(InRange(s.breath_speed, 0, kMaxBreathSpeed), s.breath_speed, p.breath_speed, rejected);
    p.brightness = s.brightness;
    p.sleep_timer = s.sleep_timer;
    p.light_color = s.light_color;
    p.light_off_time = s.light_off_time;
    p.key_debounce = s.key_debounce;
    return rejected;
}

int StorePollingSettings(const PollingSettings& s, profile::ProfileInfo& p) {
    int rejected = 0;
    if (s.polling_rate) {
        StoreIf(InRange(*s.polling_rate, 0, kPollingOptions - 1), *s.polling_rate, p.polling_rate,
                rejected);
    }
    if (s.polling_rate_hs) {
        StoreIf(InRange(*s.polling_rate_hs, 0, kHighSpeedPollingOptions - 1), *s.polling_rate_hs,
                p.polling_rate_hs, rejected);
    }
    return rejected;
}

}  // namespace talvik::protocol
