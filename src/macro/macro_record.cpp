#include "macro/macro_record.h"

#include <algorithm>

#include "macro/record_name.h"

namespace talvik::macro {

bool RepairMacro(MacroInfo& record) {
    bool changed = TerminateName(record.name);
    const std::int32_t count = std::clamp(record.action_count, 0, kMaxMacroActions);
    if (count != record.action_count) {
        record.action_count = count;
        changed = true;
    }
    return changed;
}

}  // namespace talvik::macro
