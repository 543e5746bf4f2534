#include "macro/macro_units.h"

#include <algorithm>

#include "platform/trace.h"

namespace talvik::macro {

int MacroUnits(const MacroAction* actions, int action_count) {
    const int count = std::clamp(action_count, 0, kMaxMacroActions);
    int units = 0;
    for (int i = 0; i < count; ++i) {
        units += 1;
        if (actions[i].delay > 127) {
            units += 1;
        }
        if (actions[i].kind == static_cast<std::uint8_t>(ActionKind::kMove)) {
            units += 2;
        }
    }
    platform::Trace("iTotalNum = %d\r\n", units);
    return units;
}

}  // namespace talvik::macro
