// Read-back replies from the mouse: the three USB blocks and the Bluetooth LE notification.
#include <cstring>
#include <memory>
#include <optional>

#include "fuzz_support.h"
#include "profile/profile_defaults.h"
#include "protocol/read_request.h"
#include "protocol/settings_decode.h"
#include "protocol/settings_packets.h"
#include "record_checks.h"
#include "sim/virtual_mouse.h"

namespace {

using namespace talvik;
using protocol::LightSettings;
using protocol::PollingSettings;
using protocol::SensorSettings;
using Profile = profile::ProfileInfo;
using Bytes = std::vector<std::uint8_t>;

bool In(int value, int low, int high) {
    return value >= low && value <= high;
}

// What the decoders promise the page: every option field within its options, whatever the
// mouse sent.
void CheckRanges(const Profile& p) {
    FUZZ_CHECK(In(p.lift_off_distance, 0, 1) && In(p.ripple_control, 0, 1));
    FUZZ_CHECK(In(p.angle_snap, 0, 1) && In(p.motion_sync, 0, 1));
    FUZZ_CHECK(In(p.current_dpi_stage, 0, profile::kDpiStages - 1));
    for (int k = 0; k < profile::kDpiStages; ++k) {
        // The default profile's unused stages hold 0; anything stored from a reply is 1..520.
        FUZZ_CHECK(In(p.dpi_value[k], 0, protocol::kMaxDpiValue));
        FUZZ_CHECK(In(p.dpi_enabled[k], 0, 1));
        FUZZ_CHECK(p.dpi_color[k] <= 0xFFFFFF);
    }
    FUZZ_CHECK(In(p.polling_rate, 0, protocol::kPollingOptions - 1));
    FUZZ_CHECK(In(p.polling_rate_hs, 0, protocol::kHighSpeedPollingOptions - 1));
    FUZZ_CHECK(In(p.light_mode, 0, 15) && In(p.brightness, 0, 15));
    FUZZ_CHECK(In(p.breath_speed, 0, protocol::kMaxBreathSpeed));
    FUZZ_CHECK(In(p.sleep_timer, 0, 255) && In(p.light_off_time, 0, 255));
    FUZZ_CHECK(In(p.key_debounce, 0, 255) && p.light_color <= 0xFFFFFF);
}

// A field taken when `accepted`, else left as it was; counts the refusals.
template <typename T, typename U>
void Expect(bool accepted, T stored, T before, U decoded, int& refused) {
    if (accepted) {
        FUZZ_CHECK(stored == static_cast<T>(decoded));
    } else {
        FUZZ_CHECK(stored == before);
        ++refused;
    }
}

void CheckStoredSensor(const SensorSettings& s, const Profile& p, const Profile& before,
                       int refused_reported) {
    int refused = 0;
    Expect(In(s.lift_off_distance, 0, 1), p.lift_off_distance, before.lift_off_distance,
           s.lift_off_distance, refused);
    Expect(In(s.ripple_control, 0, 1), p.ripple_control, before.ripple_control, s.ripple_control,
           refused);
    Expect(In(s.angle_snap, 0, 1), p.angle_snap, before.angle_snap, s.angle_snap, refused);
    Expect(In(s.motion_sync, 0, 1), p.motion_sync, before.motion_sync, s.motion_sync, refused);
    for (int k = 0; k < profile::kDpiStages; ++k) {
        const bool shown = In(s.dpi_value[k], 1, protocol::kMaxDpiValue);
        Expect(shown, p.dpi_value[k], before.dpi_value[k], s.dpi_value[k], refused);
        int ignored = 0;
        Expect(shown, p.dpi_value_y[k], before.dpi_value_y[k], s.dpi_value_y[k], ignored);
        FUZZ_CHECK(p.dpi_enabled[k] == s.dpi_enabled[k] && p.dpi_color[k] == s.dpi_color[k]);
    }
    Expect(In(s.current_dpi_stage, 0, profile::kDpiStages - 1), p.current_dpi_stage,
           before.current_dpi_stage, s.current_dpi_stage, refused);
    FUZZ_CHECK(refused == refused_reported);
}

void CheckStoredLight(const LightSettings& s, const Profile& p, const Profile& before,
                      int refused_reported) {
    int refused = 0;
    Expect(In(s.light_mode, 0, protocol::kMaxLightMode), p.light_mode, before.light_mode,
           s.light_mode, refused);
    Expect(In(s.breath_speed, 0, protocol::kMaxBreathSpeed), p.breath_speed, before.breath_speed,
           s.breath_speed, refused);
    FUZZ_CHECK(refused == refused_reported);
    FUZZ_CHECK(p.brightness == s.brightness);
    FUZZ_CHECK(p.sleep_timer == s.sleep_timer && p.light_color == s.light_color);
    FUZZ_CHECK(p.light_off_time == s.light_off_time && p.key_debounce == s.key_debounce);
}

void CheckStoredPolling(const PollingSettings& s, const Profile& p, const Profile& before,
                        int refused_reported) {
    int refused = 0;
    if (s.polling_rate) {
        Expect(In(*s.polling_rate, 0, protocol::kPollingOptions - 1), p.polling_rate,
               before.polling_rate, *s.polling_rate, refused);
    } else {
        FUZZ_CHECK(p.polling_rate == before.polling_rate);
    }
    if (s.polling_rate_hs) {
        Expect(In(*s.polling_rate_hs, 0, protocol::kHighSpeedPollingOptions - 1), p.polling_rate_hs,
               before.polling_rate_hs, *s.polling_rate_hs, refused);
    } else {
        FUZZ_CHECK(p.polling_rate_hs == before.polling_rate_hs);
    }
    FUZZ_CHECK(refused == refused_reported);
}

// Only the fields of the decoded groups may change.
void CheckOnlyGroupsChanged(const Profile& p, const Profile& before) {
    auto expected = std::make_unique<Profile>(before);
    auto& e = *expected;
    e.lift_off_distance = p.lift_off_distance;
    e.ripple_control = p.ripple_control;
    e.angle_snap = p.angle_snap;
    e.motion_sync = p.motion_sync;
    std::memcpy(e.dpi_value, p.dpi_value, sizeof(e.dpi_value));
    std::memcpy(e.dpi_value_y, p.dpi_value_y, sizeof(e.dpi_value_y));
    std::memcpy(e.dpi_enabled, p.dpi_enabled, sizeof(e.dpi_enabled));
    std::memcpy(e.dpi_color, p.dpi_color, sizeof(e.dpi_color));
    e.current_dpi_stage = p.current_dpi_stage;
    e.light_mode = p.light_mode;
    e.breath_speed = p.breath_speed;
    e.brightness = p.brightness;
    e.sleep_timer = p.sleep_timer;
    e.light_color = p.light_color;
    e.light_off_time = p.light_off_time;
    e.key_debounce = p.key_debounce;
    e.polling_rate = p.polling_rate;
    e.polling_rate_hs = p.polling_rate_hs;
    FUZZ_CHECK(fuzz::SameRecord(e, p));
}

// The settings the virtual mouse reports after `p` was applied to it over Bluetooth LE: its
// USB blocks and its notification.
struct Reported {
    std::optional<SensorSettings> sensor;
    std::optional<LightSettings> light;
    std::optional<PollingSettings> polling;
    std::optional<protocol::BleSettings> ble;
};

Reported ApplyAndReadBack(const Profile& p) {
    auto mouse = sim::VirtualMouse::Create({.link = sim::SimLink::kBle});
    Bytes notification;
    mouse->SetNotificationSink([&](Bytes value) { notification = std::move(value); });
    for (const protocol::CommandPacket& packet :
         {protocol::BuildSensorPacket(p), protocol::BuildLightPacket(p),
          protocol::BuildPollingPacket(p)}) {
        FUZZ_CHECK(mouse->GattWrite(packet.view()));
    }
    FUZZ_CHECK(mouse->GattWrite(protocol::BuildBleReadRequest()));
    Reported r;
    r.sensor = protocol::DecodeSensorBlock(mouse->Block(protocol::kSensorBlock));
    r.light = protocol::DecodeLightBlock(mouse->Block(protocol::kLightBlock));
    r.polling = protocol::DecodePollingBlock(mouse->Block(protocol::kPollingBlock));
    r.ble = protocol::DecodeBleReply(notification);
    FUZZ_CHECK(r.sensor && r.light && r.polling && r.ble && r.ble->sensor && r.ble->light);
    return r;
}

// What was accepted survives a trip to the mouse and back.
void CheckSensorTrip(const SensorSettings& s, const SensorSettings& back) {
    FUZZ_CHECK(!In(s.lift_off_distance, 0, 1) || back.lift_off_distance == s.lift_off_distance);
    FUZZ_CHECK(!In(s.ripple_control, 0, 1) || back.ripple_control == s.ripple_control);
    FUZZ_CHECK(!In(s.angle_snap, 0, 1) || back.angle_snap == s.angle_snap);
    FUZZ_CHECK(!In(s.motion_sync, 0, 1) || back.motion_sync == s.motion_sync);
    for (int k = 0; k < profile::kDpiStages; ++k) {
        FUZZ_CHECK(back.dpi_enabled[k] == s.dpi_enabled[k] && back.dpi_color[k] == s.dpi_color[k]);
        if (In(s.dpi_value[k], 1, protocol::kMaxDpiValue)) {
            FUZZ_CHECK(back.dpi_value[k] == s.dpi_value[k]);
            FUZZ_CHECK(back.dpi_value_y[k] == s.dpi_value_y[k]);
        }
    }
    FUZZ_CHECK(!In(s.current_dpi_stage, 0, profile::kDpiStages - 1) ||
               back.current_dpi_stage == s.current_dpi_stage);
}

void CheckLightTrip(const LightSettings& s, const LightSettings& back) {
    FUZZ_CHECK(back.sleep_timer == s.sleep_timer);
    FUZZ_CHECK(back.light_color == s.light_color && back.light_off_time == s.light_off_time);
    FUZZ_CHECK(back.key_debounce == s.key_debounce);
    FUZZ_CHECK(!In(s.breath_speed, 0, protocol::kMaxBreathSpeed) ||
               back.breath_speed == s.breath_speed);
    // An effect the page does not offer is refused: the profile keeps its own, and so does the
    // brightness that goes with it.
    if (!In(s.light_mode, 0, protocol::kMaxLightMode)) {
        return;
    }
    FUZZ_CHECK(back.light_mode == s.light_mode);
    // Effects without a brightness of their own are sent at the middle brightness.
    const bool own_brightness = s.light_mode == 1 || s.light_mode == 5;
    FUZZ_CHECK(back.brightness == (own_brightness ? s.brightness : 8));
}

void CheckPollingTrip(const PollingSettings& s, const PollingSettings& back) {
    if (s.polling_rate && In(*s.polling_rate, 0, protocol::kPollingOptions - 1)) {
        FUZZ_CHECK(back.polling_rate == s.polling_rate);
    }
    if (s.polling_rate_hs && In(*s.polling_rate_hs, 0, protocol::kHighSpeedPollingOptions - 1)) {
        FUZZ_CHECK(back.polling_rate_hs == s.polling_rate_hs);
    }
}

// Stores what was decoded into a default profile, checks the promises, and sends the result on a
// trip through the virtual mouse.
void StoreAndTrip(const std::optional<SensorSettings>& sensor,
                  const std::optional<LightSettings>& light,
                  const std::optional<PollingSettings>& polling) {
    const auto before = profile::CreateProfile();
    auto p = std::make_unique<Profile>(*before);
    if (sensor) {
        const int refused = protocol::StoreSensorSettings(*sensor, *p);
        CheckStoredSensor(*sensor, *p, *before, refused);
    }
    if (light) {
        const int refused = protocol::StoreLightSettings(*light, *p);
        CheckStoredLight(*light, *p, *before, refused);
    }
    if (polling) {
        const int refused = protocol::StorePollingSettings(*polling, *p);
        CheckStoredPolling(*polling, *p, *before, refused);
    }
    CheckRanges(*p);
    CheckOnlyGroupsChanged(*p, *before);

    const Reported back = ApplyAndReadBack(*p);
    if (sensor) {
        CheckSensorTrip(*sensor, *back.sensor);
        CheckSensorTrip(*sensor, *back.ble->sensor);
    }
    if (light) {
        CheckLightTrip(*light, *back.light);
        CheckLightTrip(*light, *back.ble->light);
    }
    if (polling) {
        CheckPollingTrip(*polling, *back.polling);
        CheckPollingTrip({polling->polling_rate, std::nullopt}, *back.ble->polling);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> reply(data, size);
    // The USB blocks: nothing from a reply too short for the payload.
    const auto sensor = protocol::DecodeSensorBlock(reply);
    const auto light = protocol::DecodeLightBlock(reply);
    const auto polling = protocol::DecodePollingBlock(reply);
    FUZZ_CHECK(sensor.has_value() == (size >= 49));
    FUZZ_CHECK(light.has_value() == (size >= 11));
    FUZZ_CHECK(polling.has_value() == (size >= 4));
    StoreAndTrip(sensor, light, polling);

    // The Bluetooth LE notification: only an 0xA0 value, only the blocks it is long enough for,
    // never the high-speed rate.
    const auto ble = protocol::DecodeBleReply(reply);
    FUZZ_CHECK(ble.has_value() == (size >= 2 && data[0] == protocol::kBleSettingsReply));
    if (ble) {
        FUZZ_CHECK(ble->polling.has_value() && !ble->polling->polling_rate_hs.has_value());
        FUZZ_CHECK(ble->sensor.has_value() == (size >= 49));
        FUZZ_CHECK(ble->light.has_value() == (size >= 61));
        StoreAndTrip(ble->sensor, ble->light, ble->polling);
    }
    return 0;
}
