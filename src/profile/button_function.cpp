#include "profile/button_function.h"

#include <array>
#include <utility>

namespace talvik::profile {

namespace {

constexpr std::array<std::pair<std::uint8_t, std::string_view>, 56> kTextKeys = {{
    {0, "button_off_text"},
    {1, "left_click_text"},
    {2, "right_click_text"},
    {3, "wheel_click_text"},
    {4, "forward_text"},
    {5, "backward_text"},
    {6, "dpi_cycle_text"},
    {7, "dpi_up_text"},
    {8, "dpi_down_text"},
    {9, "double_click_text"},
    {10, "fire_button_text"},
    {11, "scroll_up_text"},
    {12, "scroll_down_text"},
    {13, "titl_left_text"},
    {14, "titl_right_text"},
    {17, "assign_macro_text"},
    {22, "easy_aim_text"},
    {23, "led_loop_text"},
    {32, "cut_text"},
    {33, "copy_text"},
    {34, "paste_text"},
    {35, "open_text"},
    {36, "save_text"},
    {37, "find_text"},
    {38, "redo_text"},
    {39, "undo_text"},
    {40, "select_all_text"},
    {41, "print_text"},
    {42, "close_window_text"},
    {43, "swap_windows_text"},
    {44, "show_desktop_text"},
    {45, "run_command_text"},
    {46, "lock_pc_text"},
    {50, "screen_capture_text"},
    {51, "task_view_text"},
    {54, "profile_cycle_text"},
    {55, "profile_up_text"},
    {56, "profile_down_text"},
    {64, "media_player_text"},
    {65, "play_pause_text"},
    {66, "media_stop_text"},
    {67, "previous_track_text"},
    {68, "next_track_text"},
    {69, "volume_up_text"},
    {70, "volume_down_text"},
    {71, "mute_text"},
    {80, "browser_home_text"},
    {81, "browser_favorites_text"},
    {82, "browser_forward_text"},
    {83, "browser_backward_text"},
    {84, "browser_stop_text"},
    {85, "browser_refresh_text"},
    {86, "browser_search_text"},
    {87, "email_text"},
    {88, "calculator_text"},
    {89, "my_computer_text"},
}};

}  // namespace

std::string_view ButtonFunctionTextKey(std::uint8_t code) {
    for (const auto& [c, key] : kTextKeys) {
        if (c == code) {
            return key;
        }
    }
    return {};
}

}  // namespace talvik::profile
