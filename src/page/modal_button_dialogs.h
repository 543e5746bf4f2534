#pragma once

#include <memory>

#include "macro/text_lookup.h"
#include "page/button_dialogs.h"
#include "page/input_capture.h"

namespace talvik::toolkit {
class PopupMenu;
class Window;
}  // namespace talvik::toolkit

namespace talvik::page {

// The function menu and the button dialogs as real windows over the main window. The menu's
// choice reaches the main window as a menu item.
class ModalButtonDialogs final : public ButtonDialogs {
public:
    // `capture` is read when a dialog opens, so the main window may hand it over later.
    ModalButtonDialogs(toolkit::Window& owner, const InputCapture& capture,
                       const macro::TextLookup& texts);
    ~ModalButtonDialogs() override;

    void OpenFunctionMenu(std::string_view button) override;
    std::optional<KeyCombination> AskKeyCombination(KeyCombination initial) override;
    std::optional<MacroSelection> SelectMacro(const macro::MacroList& macros,
                                              MacroSelection initial) override;

private:
    toolkit::Window& owner_;
    const InputCapture& capture_;
    const macro::TextLookup& texts_;
    std::unique_ptr<toolkit::PopupMenu> menu_;
};

}  // namespace talvik::page
