// The page's buttons: the function menu, and the dialogs that complete a key combination or a
// macro assignment.
#include <algorithm>
#include <cstring>

#include "macro/record_name.h"
#include "page/button_menu.h"
#include "page/page_controller.h"
#include "platform/trace.h"
#include "profile/button_function.h"

namespace talvik::page {

namespace {

using toolkit::NotifyType;

constexpr auto kKeyCombination =
    static_cast<std::uint8_t>(profile::ButtonFunction::kKeyCombination);
constexpr auto kMacro = static_cast<std::uint8_t>(profile::ButtonFunction::kMacro);
constexpr int kMaxLoopMode = 2;
constexpr int kMaxRepeat = 255;

bool IsMacroAt(const macro::MacroList& macros, int index, std::u16string_view name) {
    return index >= 0 && static_cast<std::size_t>(index) < macros.size() &&
           macro::NamesEqualIgnoringCase(macro::ReadName(macros[index]->name), name);
}

// The macro a button runs, found by its name: the stored position is only a hint, since the list
// may have changed since the assignment was made (or the profile came from another computer).
int MacroOfButton(const macro::MacroList& macros, const profile::ButtonAssign& assign) {
    const std::u16string name = macro::ReadName(assign.macro_name);
    if (name.empty()) {
        return -1;
    }
    if (IsMacroAt(macros, assign.macro_index, name)) {
        return assign.macro_index;
    }
    for (std::size_t i = 0; i < macros.size(); ++i) {
        if (IsMacroAt(macros, static_cast<int>(i), name)) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

}  // namespace

void PageController::AddButtonRoutes() {
    routes_.Add(
        "ms_5_btn_key_%d", NotifyType::kClick, [this](int n, intptr_t) { OpenFunctionMenu(n - 1); },
        kMenuButtons);
}

void PageController::OpenFunctionMenu(int button) {
    selected_button_ = button;
    buttons_.OpenFunctionMenu("ms_5_btn_key_" + std::to_string(button + 1));
}

void PageController::OnMenuItem(std::string_view name) {
    if (state_.current_profile == nullptr || selected_button_ < 0) {
        return;
    }
    const std::optional<std::uint8_t> code = FunctionMenuCode(name);
    if (!code) {
        platform::Trace("menu item %.*s is no button function; ignored",
                        static_cast<int>(name.size()), name.data());
        return;
    }
    if (!KeepsLeftClick(Current(), selected_button_, *code)) {
        dialogs_.Warn("one_click_text");
        return;
    }
    profile::ButtonAssign& assign = Current().buttons[selected_button_];
    if (*code == kKeyCombination && !AskKeyCombination(assign)) {
        return;
    }
    if (*code == kMacro && !SelectMacro(assign)) {
        return;
    }
    assign.function = *code;
    RequestApply();
    view_.ShowButtonLabel(selected_button_, assign);
}

// Nothing is written before the user confirms a combination that holds something: a cancel or
// an empty answer leaves the button as it was.
bool PageController::AskKeyCombination(profile::ButtonAssign& assign) {
    KeyCombination initial;
    initial.modifiers = assign.modifiers;
    if (assign.function == kKeyCombination) {
        initial.key_code = assign.key_code;
    }
    const std::optional<KeyCombination> answer = buttons_.AskKeyCombination(initial);
    if (!answer || (answer->key_code == 0 && answer->modifiers == 0)) {
        return false;
    }
    if (assign.function != kKeyCombination) {
        std::memset(assign.reserved_4, 0, sizeof(assign.reserved_4));
    }
    assign.key_code = answer->key_code;
    assign.modifiers = answer->modifiers & 0x0F;
    return true;
}

bool PageController::SelectMacro(profile::ButtonAssign& assign) {
    const macro::MacroList& macros = files_.Macros();
    MacroSelection initial;
    if (assign.function == kMacro) {
        initial.index = MacroOfButton(macros, assign);
        initial.loop_mode = std::clamp(assign.macro_loop_mode, 0, kMaxLoopMode);
        initial.repeat = std::clamp(assign.macro_repeat, 1, kMaxRepeat);
    }
    const std::optional<MacroSelection> answer = buttons_.SelectMacro(macros, initial);
    if (!answer || answer->index < 0 || static_cast<std::size_t>(answer->index) >= macros.size()) {
        return false;
    }
    const macro::MacroInfo& chosen = *macros[answer->index];
    assign.macro_loop_mode = std::clamp(answer->loop_mode, 0, kMaxLoopMode);
    assign.macro_repeat = std::clamp(answer->repeat, 1, kMaxRepeat);
    assign.macro_index = answer->index;
    macro::WriteName(assign.macro_name, macro::ReadName(chosen.name));
    assign.macro_event_count =
        static_cast<std::uint16_t>(std::clamp(chosen.action_count, 0, macro::kMaxMacroActions));
    std::memcpy(assign.macro_actions, chosen.actions, sizeof(assign.macro_actions));
    return true;
}

}  // namespace talvik::page
