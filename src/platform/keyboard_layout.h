#pragma once

#include <string>

namespace talvik::platform {

// The active keyboard layout, as far as key codes and key names need it. Keys are named by PC
// set-1 scan codes (equal to evdev key codes for the keys of the key table) and Windows
// virtual-key codes, which is what the stored key codes and the input hook speak.
class KeyboardLayout {
public:
    virtual ~KeyboardLayout() = default;

    // The scan code of the key that produces virtual key `vk`; 0 when no key does.
    virtual int VirtualKeyToScanCode(int vk) const = 0;
    // The virtual key the key at `scan_code` produces; 0 when unknown.
    virtual int ScanCodeToVirtualKey(int scan_code) const = 0;
    // The text the key at `scan_code` types with no modifier held (a dead key gives its accent);
    // empty when it types nothing.
    virtual std::u16string KeyText(int scan_code) const = 0;
};

}  // namespace talvik::platform
