#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "macro/text_lookup.h"
#include "platform/keyboard_layout.h"

namespace talvik::macro {

// One row of the key table: a Windows virtual key, its key code (HID keyboard usage) and, for
// the keys whose meaning depends on the layout, the PC set-1 scan code of its US position.
struct KeyCodeRow {
    std::int32_t virtual_key;
    std::int32_t key_code;
    std::int32_t scan_code;
};

inline constexpr int kKeyCodeRows = 112;
// Searched from the first row; the first match wins.
extern const std::array<KeyCodeRow, kKeyCodeRows> KeyCodeTable;

// The key code of virtual key `vk`; nullopt when the table has no row for it. Letters, digits,
// punctuation and the other keys up to F12 follow the physical key position in `layout`, so a
// French 'A' is stored as the usage of the US Q position.
std::optional<std::uint8_t> VirtualKeyToKeyCode(int vk, const platform::KeyboardLayout& layout);

// The name shown for a key code (UTF-8): the character of the key in `layout` for letters, digits
// and punctuation, else the language text of its name key; empty for codes without a name.
std::string KeyCodeName(int code, const platform::KeyboardLayout& layout, const TextLookup& texts);

// The name of virtual key `vk` (UTF-8): the language text of its name key, or the character the
// key types in `layout`, in upper case.
std::string VirtualKeyName(int vk, const platform::KeyboardLayout& layout, const TextLookup& texts);

// The name key KeyCodeName uses for a code outside 0x04..0x39; empty when there is none.
std::string_view KeyCodeNameKey(int code);
// The name key VirtualKeyName uses for `vk`; empty when the key is named by its character.
std::string_view VirtualKeyNameKey(int vk);

// `text` with every character but '0'..'9' removed; nullopt when nothing had to be removed, so a
// numeric edit is only touched when the user typed something else.
std::optional<std::string> FilterDigits(std::string_view text);

}  // namespace talvik::macro
