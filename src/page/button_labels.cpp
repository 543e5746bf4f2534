#include "page/button_labels.h"

#include <array>
#include <utility>

#include "macro/key_codes.h"
#include "macro/record_name.h"
#include "profile/button_function.h"

namespace talvik::page {

namespace {

constexpr std::array<std::pair<std::uint8_t, const char*>, 4> kModifierKeys = {{
    {profile::kModifierCtrl, "keyboard_ctrl_text"},
    {profile::kModifierShift, "keyboard_shift_text"},
    {profile::kModifierAlt, "keyboard_alt_text"},
    {profile::kModifierWin, "keyboard_win_text"},
}};

std::string KeyCombinationText(const profile::ButtonAssign& a, const macro::TextLookup& texts,
                               const platform::KeyboardLayout& layout) {
    std::string text;
    auto append = [&text](const std::string& part) {
        if (part.empty()) {
            return;
        }
        if (!text.empty()) {
            text += '+';
        }
        text += part;
    };
    for (const auto& [bit, key] : kModifierKeys) {
        if ((a.modifiers & bit) != 0) {
            append(texts.Text(key));
        }
    }
    append(macro::KeyCodeName(a.key_code, layout, texts));
    return text;
}

}  // namespace

ButtonLabel ComposeButtonLabel(const profile::ButtonAssign& assign, const macro::TextLookup& texts,
                               const platform::KeyboardLayout& layout) {
    switch (static_cast<profile::ButtonFunction>(assign.function)) {
        case profile::ButtonFunction::kKeyCombination:
            return {{}, KeyCombinationText(assign, texts, layout)};
        case profile::ButtonFunction::kMacro:
            return {{},
                    texts.Text("assign_macro_text") +
                        macro::Utf16ToUtf8(macro::ReadName(assign.macro_name))};
        default:
            return {std::string(profile::ButtonFunctionTextKey(assign.function)), {}};
    }
}

}  // namespace talvik::page
