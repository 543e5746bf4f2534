#include "protocol/settings_decode.h"

namespace talvik::protocol {

namespace {

constexpr std::size_t kSensorReplyMin = 49;  // payload through byte 48
constexpr std::size_t kLightReplyMin = 11;   // payload through byte 10
constexpr std::size_t kPollingReplyMin = 4;
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
    SensorSettings s;
    s.lift_off_distance = r[3] >> 4;
    s.ripple_control = r[3] & 0x0F;
    s.angle_snap = r[4] >> 4;
    s.motion_sync = r[4] & 0x0F;
    for (int k = 0; k < profile::kDpiStages; ++k) {
        s.dpi_enabled[k] = (r[5] >> k) & 1;
        const int count = (r[16 + k] << 8) | r[8 + k];
        int v = count + 1;
        s.dpi_value_y[k] = v;
        // A stage flagged in byte 6 counts its upper range from 300 units on.
        if (((r[6] >> k) & 1) != 0 && v * 100 > 30000) {
            v = (v * 100 - 30000) / 100 + 600;
        }
        s.dpi_value[k] = v;
        s.dpi_color[k] = profile::MakeColor(r[25 + 3 * k], r[26 + 3 * k], r[27 + 3 * k]);
    }
    s.current_dpi_stage = r[24] - 1;
    return s;
}

std::optional<LightSettings> DecodeLightBlock(std::span<const std::uint8_t> r) {
    if (r.size() < kLightReplyMin) {
        return std::nullopt;
    }
    LightSettings s;
    s.light_mode = r[3] >> 4;
    s.breath_speed = 9 - (r[4] & 0x0F);
    s.brightness = r[5] & 0x0F;
    s.sleep_timer = (r[5] >> 4) | (r[4] & 0xF0);
    s.light_color = profile::MakeColor(r[6], r[7], r[8]);
    s.light_off_time = r[9];
    s.key_debounce = r[10];
    return s;
}

std::optional<PollingSettings> DecodePollingBlock(std::span<const std::uint8_t> r) {
    if (r.size() < kPollingReplyMin) {
        return std::nullopt;
    }
    PollingSettings s;
    s.polling_rate = (r[3] & 0x0F) - 1;
    s.polling_rate_hs = (r[3] >> 4) - 1;
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
