#pragma once

#include "macro/macro_record.h"

namespace talvik::macro {

// The mouse stores a macro in two-byte units and holds at most this many per macro.
inline constexpr int kMaxMacroUnits = 191;

// Units the first `action_count` actions take in the mouse (a count outside 0..190 is clamped):
// a press or release 1, a movement 3, each one more when its delay exceeds 127 ms.
int MacroUnits(const MacroAction* actions, int action_count);

}  // namespace talvik::macro
