#pragma once

#include <functional>

#include "macro/macro_store.h"
#include "page/input_capture.h"
#include "page/macro_windows.h"

namespace talvik::toolkit {
class Window;
}  // namespace talvik::toolkit

namespace talvik::page {

// The macro editor as a real window, modal over the main window, with real message boxes and
// file dialogs.
class ModalMacroWindows final : public MacroWindows {
public:
    // The lists and the store outlive this; `capture` is asked at each opening, as the main
    // window hands it over after the session is built.
    ModalMacroWindows(toolkit::Window& owner, macro::MacroList& macros, macro::MacroStore& store,
                      std::function<InputCapture()> capture,
                      std::function<std::filesystem::path()> data_folder);

    std::vector<macro::MacroListChange> RunMacroEditor() override;

private:
    toolkit::Window& owner_;
    macro::MacroList& macros_;
    macro::MacroStore& store_;
    std::function<InputCapture()> capture_;
    std::function<std::filesystem::path()> data_folder_;
};

}  // namespace talvik::page
