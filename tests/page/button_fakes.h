#pragma once

#include <optional>
#include <string>
#include <vector>

#include "page/button_dialogs.h"

namespace talvik::page::testing {

// Scripted answers of the function menu and the button dialogs; records what they were opened
// with.
class FakeButtonDialogs final : public ButtonDialogs {
public:
    void OpenFunctionMenu(std::string_view button) override { menus.emplace_back(button); }
    std::optional<KeyCombination> AskKeyCombination(KeyCombination initial) override {
        key_asked = initial;
        return key;
    }
    std::optional<MacroSelection> SelectMacro(const macro::MacroList& list,
                                              MacroSelection initial) override {
        macro_asked = initial;
        macros_shown = list.size();
        return macro;
    }

    std::optional<KeyCombination> key;
    std::optional<MacroSelection> macro;
    std::vector<std::string> menus;
    std::optional<KeyCombination> key_asked;
    std::optional<MacroSelection> macro_asked;
    std::size_t macros_shown = 0;
};

}  // namespace talvik::page::testing
