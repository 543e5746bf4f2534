#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include "macro/macro_record.h"

namespace talvik::page {

// A key combination as a button stores it: a key code (HID usage, 0 = none) and the modifier
// bits of profile::kModifier*.
struct KeyCombination {
    std::uint8_t key_code = 0;
    std::uint8_t modifiers = 0;
};

// A macro and how it repeats: its position in the macro list (-1 = none), the repeat option
// 0..2 and the repeat count 1..255 that option 0 uses.
struct MacroSelection {
    int index = -1;
    int loop_mode = 0;
    int repeat = 1;
};

// The function menu of the page's buttons and the two dialogs that complete an assignment,
// each over the main window. The program shows real windows; tests answer with scripted choices.
// UI thread only.
class ButtonDialogs {
public:
    virtual ~ButtonDialogs() = default;

    // Opens the function menu beside `button` (a control name), closing a menu still open. The
    // chosen item arrives later as a menu item of the main window; closing the menu without a
    // choice sends nothing.
    virtual void OpenFunctionMenu(std::string_view button) = 0;
    // The key-combination dialog, starting from `initial`; nothing when cancelled.
    virtual std::optional<KeyCombination> AskKeyCombination(KeyCombination initial) = 0;
    // The macro selection dialog over `macros`, starting from `initial`; nothing when cancelled.
    // The index returned may be -1 (OK without a choice).
    virtual std::optional<MacroSelection> SelectMacro(const macro::MacroList& macros,
                                                      MacroSelection initial) = 0;
};

}  // namespace talvik::page
