#include "page/button_menu.h"

#include <array>

#include "profile/button_function.h"

namespace talvik::page {

namespace {

// One item of the function menu: its name in ms_5_menu.xml and the function code it assigns.
struct FunctionMenuItem {
    std::string_view name;
    std::uint8_t code;
};

constexpr std::array<FunctionMenuItem, 52> kFunctionMenu = {{
    {"ms_5_button_off", 0},
    {"ms_5_click", 1},
    {"ms_5_menu", 2},
    {"ms_5_scroll", 3},
    {"ms_5_forward", 4},
    {"ms_5_backward", 5},
    {"ms_5_dpi_cycle", 6},
    {"ms_5_dpi_up", 7},
    {"ms_5_dpi_down", 8},
    {"ms_5_double_click", 9},
    {"ms_5_fire_button", 10},
    {"ms_5_scroll_up", 11},
    {"ms_5_scroll_down", 12},
    {"ms_5_titl_left", 13},
    {"ms_5_titl_right", 14},
    {"ms_5_shortcut", 16},
    {"ms_5_select_macro", 17},
    {"ms_5_easy_aim", 22},
    {"ms_5_led_loop", 23},
    {"ms_5_cut", 32},
    {"ms_5_copy", 33},
    {"ms_5_paste", 34},
    {"ms_5_open", 35},
    {"ms_5_save", 36},
    {"ms_5_find", 37},
    {"ms_5_redo", 38},
    {"ms_5_select_all", 40},
    {"ms_5_print", 41},
    {"ms_5_close_window", 42},
    {"ms_5_swap_windows", 43},
    {"ms_5_show_desktop", 44},
    {"ms_5_run_command", 45},
    {"ms_5_lock_pc", 46},
    {"ms_5_screen_capture", 50},
    {"ms_5_media_player", 64},
    {"ms_5_play_pause", 65},
    {"ms_5_media_stop", 66},
    {"ms_5_pre_track", 67},
    {"ms_5_next_track", 68},
    {"ms_5_volume_up", 69},
    {"ms_5_volume_down", 70},
    {"ms_5_mute", 71},
    {"ms_5_browser_home", 80},
    {"ms_5_browser_favorites", 81},
    {"ms_5_browser_forward", 82},
    {"ms_5_browser_backward", 83},
    {"ms_5_browser_stop", 84},
    {"ms_5_browser_refresh", 85},
    {"ms_5_browser_search", 86},
    {"ms_5_email", 87},
    {"ms_5_calculator", 88},
    {"ms_5_my_computer", 89},
}};

char Lower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool EqualIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (Lower(a[i]) != Lower(b[i])) {
            return false;
        }
    }
    return true;
}

}  // namespace

std::optional<std::uint8_t> FunctionMenuCode(std::string_view name) {
    for (const FunctionMenuItem& item : kFunctionMenu) {
        if (EqualIgnoringCase(item.name, name)) {
            return item.code;
        }
    }
    return std::nullopt;
}

bool KeepsLeftClick(const profile::ProfileInfo& profile, int button, std::uint8_t code) {
    constexpr auto kLeft = static_cast<std::uint8_t>(profile::ButtonFunction::kLeftClick);
    for (int b = 0; b < kLeftClickButtons; ++b) {
        const std::uint8_t function = b == button ? code : profile.buttons[b].function;
        if (function == kLeft) {
            return true;
        }
    }
    return false;
}

}  // namespace talvik::page
