#pragma once

#include <string>

#include "macro/text_lookup.h"
#include "platform/keyboard_layout.h"
#include "profile/profile_record.h"

namespace talvik::page {

// What a button's label shows. A plain function shows a language key, so the label follows a
// language switch by itself; a key combination and a macro show a text composed from the
// current language's texts, composed again on a language switch.
struct ButtonLabel {
    std::string text_key;  // set: the label shows this key's text
    std::string text;      // else: this text (UTF-8); empty for a code without a text
};

// The label of a button with assignment `assign`. A key combination reads as its modifiers in
// the order Ctrl, Shift, Alt, Win and then the key's name in `layout`, joined by "+"; a macro as
// the macro text followed by the macro's name.
ButtonLabel ComposeButtonLabel(const profile::ButtonAssign& assign, const macro::TextLookup& texts,
                               const platform::KeyboardLayout& layout);

}  // namespace talvik::page
