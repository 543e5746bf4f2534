#include "profile/profile_defaults.h"

#include <algorithm>
#include <cstring>

namespace talvik::profile {

namespace {

constexpr std::array<std::uint8_t, kUsedButtons> kDefaultFunctions = {1, 2, 3, 6, 4, 5, 0, 0,  0,
                                                                      0, 0, 0, 0, 0, 0, 0, 11, 12};
constexpr std::array<std::int32_t, kDpiStages> kDefaultDpi = {16, 24, 32, 48, 64, 80, 0, 0};
constexpr std::array<std::int32_t, kDpiStages> kDefaultDpiEnabled = {1, 1, 1, 1, 1, 1, 0, 0};
constexpr std::array<ColorValue, kDpiStages> kDefaultDpiColor = {
    MakeColor(255, 0, 0),   MakeColor(0, 255, 0),    MakeColor(0, 0, 255),
    MakeColor(0, 255, 255), MakeColor(255, 255, 0),  MakeColor(255, 255, 0),
    MakeColor(255, 64, 0),  MakeColor(255, 255, 255)};
constexpr std::array<ColorValue, kDpiStages> kDefaultSpareColor = {
    0x0000FF, 0x00FF00, 0xFF0000, 0xFF00FF, 0x00FFFF, 0xFFFFFF, 0xFFFFFF, 0x0080FF};

template <typename T, std::size_t N>
bool Differs(const T (&a)[N], const T (&b)[N]) {
    return std::memcmp(a, b, sizeof(a)) != 0;
}

}  // namespace

void SetDefaults(ProfileInfo& r) {
    // Everything behind the name returns to zero first, so no byte keeps an old value.
    std::memset(reinterpret_cast<char*>(&r) + sizeof(r.name), 0, sizeof(r) - sizeof(r.name));
    r.reserved_2200 = 420;
    r.reserved_2204 = 3;
    r.reserved_2212 = 6;
    std::copy(kDefaultDpi.begin(), kDefaultDpi.end(), r.dpi_value);
    std::copy(kDefaultDpi.begin(), kDefaultDpi.end(), r.dpi_value_y);
    std::copy(kDefaultDpiEnabled.begin(), kDefaultDpiEnabled.end(), r.dpi_enabled);
    r.brightness = 8;
    r.breath_speed = 6;
    r.sleep_timer = 10;
    r.light_off_time = 2;
    r.current_dpi_stage = 1;
    r.polling_rate = 3;
    r.polling_rate_hs = 3;
    r.ripple_control = 1;
    r.motion_sync = 1;
    r.light_mode = 12;
    r.reserved_2392 = 1;
    r.key_debounce = 4;
    r.light_color = MakeColor(0, 255, 0);
    std::copy(kDefaultDpiColor.begin(), kDefaultDpiColor.end(), r.dpi_color);
    std::copy(kDefaultSpareColor.begin(), kDefaultSpareColor.end(), r.spare_color);
    for (int b = 0; b < kUsedButtons; ++b) {
        ButtonAssign& a = r.buttons[b];
        a.button_index = static_cast<std::uint8_t>(b);
        a.function = kDefaultFunctions[b];
        a.reserved_8 = 562;
        a.macro_index = -1;
        a.reserved_1076 = -1;
    }
}

std::unique_ptr<ProfileInfo> CreateProfile() {
    auto record = std::make_unique<ProfileInfo>();  // value-initialised: all bytes zero
    SetDefaults(*record);
    return record;
}

bool ChangeSet::Any() const {
    return sensor || polling || light || keys ||
           std::any_of(macro.begin(), macro.end(), [](bool m) { return m; });
}

ChangeSet Compare(const ProfileInfo& c, const ProfileInfo& a) {
    ChangeSet s;
    s.sensor = c.reserved_2224 != a.reserved_2224 || c.reserved_2232 != a.reserved_2232 ||
               c.lift_off_distance != a.lift_off_distance ||
               c.current_dpi_stage != a.current_dpi_stage || c.ripple_control != a.ripple_control ||
               c.angle_snap != a.angle_snap || c.motion_sync != a.motion_sync ||
               Differs(c.dpi_value, a.dpi_value) || Differs(c.dpi_value_y, a.dpi_value_y) ||
               Differs(c.dpi_enabled, a.dpi_enabled) || Differs(c.dpi_color, a.dpi_color);
    s.polling = c.polling_rate != a.polling_rate || c.polling_rate_hs != a.polling_rate_hs;
    s.light = c.light_mode != a.light_mode || c.reserved_2388 != a.reserved_2388 ||
              c.breath_speed != a.breath_speed || c.brightness != a.brightness ||
              c.key_debounce != a.key_debounce || c.light_color != a.light_color ||
              c.sleep_timer != a.sleep_timer || c.light_off_time != a.light_off_time;
    s.keys = Differs(c.buttons, a.buttons);
    for (int b = 0; b < kUsedButtons; ++b) {
        const ButtonAssign& x = c.buttons[b];
        const ButtonAssign& y = a.buttons[b];
        s.macro[b] = x.macro_loop_mode != y.macro_loop_mode || x.macro_repeat != y.macro_repeat ||
                     Differs(x.reserved_1084, y.reserved_1084) ||
                     x.reserved_1087 != y.reserved_1087 ||
                     std::memcmp(x.macro_actions, y.macro_actions, sizeof(x.macro_actions)) != 0;
    }
    return s;
}

}  // namespace talvik::profile
