#pragma once

#include <memory>

#include "platform/keyboard_layout.h"

namespace talvik::platform {
class LiveKeyboardLayout;
}  // namespace talvik::platform

namespace talvik::page {

// The layout that names keys now: the live one when the main window gave it and it has a
// keymap, else the layout of the environment (built once), else one that names no character
// keys. Never null. UI thread.
std::shared_ptr<const platform::KeyboardLayout> KeyNameLayout(
    const platform::LiveKeyboardLayout* live);

}  // namespace talvik::page
