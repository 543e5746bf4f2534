#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <type_traits>
#include <vector>

#include "macro/macro_record.h"

namespace talvik::profile {

inline constexpr int kDpiStages = 8;
inline constexpr int kButtonSlots = 24;
// Buttons 0..17 are used; assignments 18..23 stay zero.
inline constexpr int kUsedButtons = 18;
// Code units of the profile name field, terminator included (99 characters at most).
inline constexpr int kProfileNameUnits = 100;
inline constexpr int kNoteUnits = 500;

// A colour as stored: byte 0 red, byte 1 green, byte 2 blue, byte 3 zero.
using ColorValue = std::uint32_t;

constexpr ColorValue MakeColor(std::uint8_t red, std::uint8_t green, std::uint8_t blue) {
    return static_cast<ColorValue>(red) | static_cast<ColorValue>(green) << 8 |
           static_cast<ColorValue>(blue) << 16;
}
constexpr std::uint8_t ColorRed(ColorValue c) {
    return static_cast<std::uint8_t>(c);
}
constexpr std::uint8_t ColorGreen(ColorValue c) {
    return static_cast<std::uint8_t>(c >> 8);
}
constexpr std::uint8_t ColorBlue(ColorValue c) {
    return static_cast<std::uint8_t>(c >> 16);
}
// The opaque screen colour 0xFFRRGGBB of a stored colour.
constexpr std::uint32_t ColorToScreen(ColorValue c) {
    return 0xFF000000u | static_cast<std::uint32_t>(ColorRed(c)) << 16 |
           static_cast<std::uint32_t>(ColorGreen(c)) << 8 | ColorBlue(c);
}

// Bits of ButtonAssign::modifiers.
inline constexpr std::uint8_t kModifierCtrl = 0x01;
inline constexpr std::uint8_t kModifierShift = 0x02;
inline constexpr std::uint8_t kModifierAlt = 0x04;
inline constexpr std::uint8_t kModifierWin = 0x08;

// The assignment of one mouse button, 4,128 bytes. It carries a full copy of the macro it runs.
struct ButtonAssign {
    std::uint8_t button_index;
    std::uint8_t function;  // ButtonFunction code; any byte may appear in a file
    std::uint8_t reserved_2;
    std::uint8_t key_code;  // key combination: HID keyboard usage
    std::uint8_t reserved_4[3];
    std::uint8_t modifiers;    // key combination: kModifier* bits
    std::uint16_t reserved_8;  // 562 in used assignments, never read
    std::uint8_t reserved_10[2];
    std::int32_t macro_loop_mode;  // 0..2; 0 uses macro_repeat
    char16_t macro_name[macro::kMacroNameUnits];
    std::int32_t macro_repeat;        // sent as 1 when 0
    std::uint16_t macro_event_count;  // valid entries of macro_actions, 0..190
    std::uint8_t reserved_70[1002];
    std::int32_t macro_index;    // position in the macro list, -1 = none
    std::int32_t reserved_1076;  // -1 in used assignments, never read
    std::uint8_t reserved_1080[4];
    std::uint8_t reserved_1084[3];  // copied into the first macro packet
    std::uint8_t reserved_1087;
    macro::MacroAction macro_actions[macro::kMaxMacroActions];
};

static_assert(sizeof(ButtonAssign) == 4128);
static_assert(std::is_trivially_copyable_v<ButtonAssign> &&
              std::is_standard_layout_v<ButtonAssign>);
static_assert(offsetof(ButtonAssign, button_index) == 0);
static_assert(offsetof(ButtonAssign, function) == 1);
static_assert(offsetof(ButtonAssign, reserved_2) == 2);
static_assert(offsetof(ButtonAssign, key_code) == 3);
static_assert(offsetof(ButtonAssign, reserved_4) == 4);
static_assert(offsetof(ButtonAssign, modifiers) == 7);
static_assert(offsetof(ButtonAssign, reserved_8) == 8);
static_assert(offsetof(ButtonAssign, reserved_10) == 10);
static_assert(offsetof(ButtonAssign, macro_loop_mode) == 12);
static_assert(offsetof(ButtonAssign, macro_name) == 16);
static_assert(offsetof(ButtonAssign, macro_repeat) == 64);
static_assert(offsetof(ButtonAssign, macro_event_count) == 68);
static_assert(offsetof(ButtonAssign, reserved_70) == 70);
static_assert(offsetof(ButtonAssign, macro_index) == 1072);
static_assert(offsetof(ButtonAssign, reserved_1076) == 1076);
static_assert(offsetof(ButtonAssign, reserved_1080) == 1080);
static_assert(offsetof(ButtonAssign, reserved_1084) == 1084);
static_assert(offsetof(ButtonAssign, reserved_1087) == 1087);
static_assert(offsetof(ButtonAssign, macro_actions) == 1088);
static_assert(sizeof(ButtonAssign::macro_actions) == sizeof(macro::MacroInfo::actions));

// One profile, 101,540 bytes: the record of pro.data and of a profile file.
struct ProfileInfo {
    char16_t name[kProfileNameUnits];  // UTF-16, zero-terminated
    char16_t note_a[kNoteUnits];       // always empty
    char16_t note_b[kNoteUnits];       // always empty
    std::int32_t reserved_2200;        // 420
    std::int32_t reserved_2204;        // 3
    std::uint8_t reserved_2208;
    std::uint8_t reserved_2209[3];
    std::int32_t reserved_2212;  // 6
    std::uint8_t reserved_2216[8];
    std::int32_t reserved_2224;  // sensor group
    std::int32_t lift_off_distance;
    std::int32_t reserved_2232;  // sensor group
    std::uint8_t reserved_2236[8];
    std::int32_t dpi_value[kDpiStages];  // units of 50 DPI, 1..520
    std::int32_t dpi_value_y[kDpiStages];
    std::int32_t dpi_enabled[kDpiStages];
    std::int32_t brightness;
    std::int32_t breath_speed;
    std::int32_t sleep_timer;
    std::int32_t light_off_time;
    std::int32_t current_dpi_stage;
    std::int32_t polling_rate;
    std::int32_t polling_rate_hs;
    std::int32_t move_mode;
    std::int32_t ripple_control;
    std::int32_t angle_snap;
    std::int32_t motion_sync;
    std::int32_t light_mode;
    std::int32_t reserved_2388;  // light group
    std::uint8_t reserved_2392;  // 1
    std::uint8_t reserved_2393[3];
    std::int32_t key_debounce;  // units of 2 ms
    ColorValue light_color;
    ColorValue dpi_color[kDpiStages];
    ColorValue spare_color[kDpiStages];
    ButtonAssign buttons[kButtonSlots];
};

static_assert(sizeof(ProfileInfo) == 101540);
static_assert(std::is_trivially_copyable_v<ProfileInfo> && std::is_standard_layout_v<ProfileInfo>);
static_assert(offsetof(ProfileInfo, name) == 0);
static_assert(offsetof(ProfileInfo, note_a) == 200);
static_assert(offsetof(ProfileInfo, note_b) == 1200);
static_assert(offsetof(ProfileInfo, reserved_2200) == 2200);
static_assert(offsetof(ProfileInfo, reserved_2204) == 2204);
static_assert(offsetof(ProfileInfo, reserved_2208) == 2208);
static_assert(offsetof(ProfileInfo, reserved_2209) == 2209);
static_assert(offsetof(ProfileInfo, reserved_2212) == 2212);
static_assert(offsetof(ProfileInfo, reserved_2216) == 2216);
static_assert(offsetof(ProfileInfo, reserved_2224) == 2224);
static_assert(offsetof(ProfileInfo, lift_off_distance) == 2228);
static_assert(offsetof(ProfileInfo, reserved_2232) == 2232);
static_assert(offsetof(ProfileInfo, reserved_2236) == 2236);
static_assert(offsetof(ProfileInfo, dpi_value) == 2244);
static_assert(offsetof(ProfileInfo, dpi_value_y) == 2276);
static_assert(offsetof(ProfileInfo, dpi_enabled) == 2308);
static_assert(offsetof(ProfileInfo, brightness) == 2340);
static_assert(offsetof(ProfileInfo, breath_speed) == 2344);
static_assert(offsetof(ProfileInfo, sleep_timer) == 2348);
static_assert(offsetof(ProfileInfo, light_off_time) == 2352);
static_assert(offsetof(ProfileInfo, current_dpi_stage) == 2356);
static_assert(offsetof(ProfileInfo, polling_rate) == 2360);
static_assert(offsetof(ProfileInfo, polling_rate_hs) == 2364);
static_assert(offsetof(ProfileInfo, move_mode) == 2368);
static_assert(offsetof(ProfileInfo, ripple_control) == 2372);
static_assert(offsetof(ProfileInfo, angle_snap) == 2376);
static_assert(offsetof(ProfileInfo, motion_sync) == 2380);
static_assert(offsetof(ProfileInfo, light_mode) == 2384);
static_assert(offsetof(ProfileInfo, reserved_2388) == 2388);
static_assert(offsetof(ProfileInfo, reserved_2392) == 2392);
static_assert(offsetof(ProfileInfo, reserved_2393) == 2393);
static_assert(offsetof(ProfileInfo, key_debounce) == 2396);
static_assert(offsetof(ProfileInfo, light_color) == 2400);
static_assert(offsetof(ProfileInfo, dpi_color) == 2404);
static_assert(offsetof(ProfileInfo, spare_color) == 2436);
static_assert(offsetof(ProfileInfo, buttons) == 2468);
static_assert(sizeof(ProfileInfo::buttons) == 99072);

// The profile list: ordered, each record allocated on its own and owned by the list.
using ProfileList = std::vector<std::unique_ptr<ProfileInfo>>;

}  // namespace talvik::profile

namespace talvik::profile {

// Makes a record read from a file safe to use: every name and note is terminated within its
// field and every `macro_event_count` is clamped to 0..190. Returns whether anything changed.
bool RepairProfile(ProfileInfo& record);

}  // namespace talvik::profile
