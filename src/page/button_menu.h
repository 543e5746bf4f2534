#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include "profile/profile_record.h"

namespace talvik::page {

// Buttons 1..12 of the page open the function menu; the others only show their function.
inline constexpr int kMenuButtons = 12;
// The left-click rule looks at the first 16 buttons.
inline constexpr int kLeftClickButtons = 16;

// The code of a menu item, its name matched without regard to letter case; nullopt for a name
// that is not an item of the menu.
std::optional<std::uint8_t> FunctionMenuCode(std::string_view name);

// Whether some button still has a left click once `button` gets `code`: the mouse would
// otherwise be left without one.
bool KeepsLeftClick(const profile::ProfileInfo& profile, int button, std::uint8_t code);

}  // namespace talvik::page
