#include "page/key_name_layout.h"

#include "platform/keyboard_layout_xkb.h"
#include "platform/live_keyboard_layout.h"
#include "platform/trace.h"

namespace talvik::page {

namespace {

// Without any keymap, keys named by their character have no name; the others keep theirs.
class NoLayout final : public platform::KeyboardLayout {
public:
    int VirtualKeyToScanCode(int) const override { return 0; }
    int ScanCodeToVirtualKey(int) const override { return 0; }
    std::u16string KeyText(int) const override { return {}; }
};

std::shared_ptr<const platform::KeyboardLayout> EnvironmentLayout() {
    std::string error;
    std::shared_ptr<const platform::KeyboardLayout> layout =
        platform::XkbKeyboardLayout::Active(&error);
    if (layout == nullptr) {
        platform::Trace("no keyboard layout for key names: %s", error.c_str());
        layout = std::make_shared<NoLayout>();
    }
    return layout;
}

}  // namespace

std::shared_ptr<const platform::KeyboardLayout> KeyNameLayout(
    const platform::LiveKeyboardLayout* live) {
    if (live != nullptr) {
        if (std::shared_ptr<const platform::KeyboardLayout> current = live->Current()) {
            return current;
        }
    }
    static const std::shared_ptr<const platform::KeyboardLayout> fallback = EnvironmentLayout();
    return fallback;
}

}  // namespace talvik::page
