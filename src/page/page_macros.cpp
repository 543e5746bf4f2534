// The macro editor and the button assignments that run its macros.
#include "page/macro_assignments.h"
#include "page/page_controller.h"

namespace talvik::page {

using toolkit::NotifyType;

void PageController::AddMacroRoutes() {
    routes_.Add("ms_5_btn_macro", NotifyType::kClick, [this](int, intptr_t) { OpenMacroEditor(); });
}

// Buttons keep full copies of their macros, so what the editor changed is carried into every
// profile; the mouse hears of it only when the active profile changed.
void PageController::OpenMacroEditor() {
    const std::vector<macro::MacroListChange> changes = macro_windows_.RunMacroEditor();
    bool any = false;
    bool current = false;
    for (const auto& profile : state_.profiles) {
        if (SyncMacroAssignments(*profile, files_.Macros(), changes)) {
            any = true;
            current = current || profile.get() == state_.current_profile;
        }
    }
    if (any) {
        files_.SaveProfiles();
    }
    if (current) {
        RefreshFromProfile();
        RequestApply();
    }
}

}  // namespace talvik::page
