#pragma once

#include <vector>

#include "macro/macro_editor.h"

namespace talvik::page {

// The macro editor as the device page opens it: modal over the main window, editing the
// session's macro list in place. The program shows the real window; tests answer with scripted
// changes. UI thread only.
class MacroWindows {
public:
    virtual ~MacroWindows() = default;
    // Runs the editor until the user closes it; what happened to macro names meanwhile.
    virtual std::vector<macro::MacroListChange> RunMacroEditor() = 0;
};

}  // namespace talvik::page
