#include "profile/profile_record.h"

#include "macro/record_name.h"

namespace talvik::profile {

bool RepairProfile(ProfileInfo& record) {
    bool changed = macro::TerminateName(record.name);
    changed = macro::TerminateName(record.note_a) || changed;
    changed = macro::TerminateName(record.note_b) || changed;
    for (ButtonAssign& button : record.buttons) {
        changed = macro::TerminateName(button.macro_name) || changed;
        if (button.macro_event_count > macro::kMaxMacroActions) {
            button.macro_event_count = macro::kMaxMacroActions;
            changed = true;
        }
    }
    return changed;
}

}  // namespace talvik::profile
