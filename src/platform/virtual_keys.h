#pragma once

#include <cstdint>

// Windows virtual keys of X keys: the one table that the key names (XkbKeyboardLayout) and the
// input hook (libHook.so) share, so that a key the hook reports is stored and named by the same
// rules. Key symbols are xkb key symbols; positions are evdev key codes, which equal the PC set-1
// scan codes for the typing area.
namespace talvik::platform {

// Keys whose symbol names their function (Enter, F1, Left Ctrl ...); 0 for any other symbol.
int FunctionVirtualKey(std::uint32_t keysym);
// Letters, digits and the four punctuation keys with fixed virtual keys; 0 otherwise.
int CharacterVirtualKey(std::uint32_t keysym);
// The US virtual key of a typing-area position (letters, digits, punctuation); 0 elsewhere.
int UsPositionVirtualKey(int scan_code);
// The virtual key of a position outside the typing area, the same under every layout: keypad,
// arrows and the block above them, right-hand modifiers, Windows and menu keys, media and
// browser keys. 0 for positions it does not know.
int FixedPositionVirtualKey(int scan_code);

}  // namespace talvik::platform
