#pragma once

#include <array>
#include <memory>
#include <string>

#include "platform/keyboard_layout.h"

namespace talvik::platform {

// The keyboard layout read from an xkb keymap. The answers are computed once, when the layout is
// made, so the object is immutable and may be shared between threads; make a new one when the
// user switches layouts.
//
// A set-1 scan code equals the evdev key code for the keys concerned; the xkb key code is the
// evdev one plus 8. Virtual keys follow the symbol a key types without modifiers: letters and
// digits (the shifted digit on rows like the French one), the four punctuation keys that have
// fixed virtual keys, then the US virtual key of the position, then a free punctuation key.
class XkbKeyboardLayout : public KeyboardLayout {
public:
    struct Names {
        std::string rules;
        std::string model;
        std::string layout;
        std::string variant;
        std::string options;
    };

    // A keymap compiled from names (empty fields take the xkb defaults, never the environment).
    static std::unique_ptr<XkbKeyboardLayout> FromNames(const Names& names, std::string* error);
    // The keymap and active group of the X server's core keyboard.
    static std::unique_ptr<XkbKeyboardLayout> FromX11(std::string* error);
    // The active X keymap when a display is there, else the XKB_DEFAULT_* names, else "us".
    static std::unique_ptr<XkbKeyboardLayout> Active(std::string* error);

    int VirtualKeyToScanCode(int vk) const override;
    int ScanCodeToVirtualKey(int scan_code) const override;
    std::u16string KeyText(int scan_code) const override;

    // Scan codes the layout answers for: 1..kMaxScanCode, every X key code (key code - 8).
    static constexpr int kMaxScanCode = 0xF7;
    // The typing area, whose keys follow the layout: up to F12.
    static constexpr int kTypingArea = 0x58;

private:
    XkbKeyboardLayout() = default;
    // Fills the tables from a keymap (an xkb_keymap*) and the group to read.
    void Build(void* keymap, unsigned group);

    std::array<int, kMaxScanCode + 1> vk_by_scan_{};
    std::array<int, 256> scan_by_vk_{};
    std::array<std::u16string, kMaxScanCode + 1> text_by_scan_;
};

}  // namespace talvik::platform
