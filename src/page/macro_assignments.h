#pragma once

#include <span>

#include "macro/macro_editor.h"
#include "macro/macro_record.h"
#include "profile/profile_record.h"

namespace talvik::page {

// Brings the buttons of `profile` that run a macro (function 17) in line with the macro list
// after the editor closed: a renamed macro is followed under its new name, a deleted or unknown
// one gives the button its default function, the others get the macro's name, actions and
// position. Other buttons are left alone, whatever name they still carry. Returns whether the
// profile changed.
bool SyncMacroAssignments(profile::ProfileInfo& profile, const macro::MacroList& macros,
                          std::span<const macro::MacroListChange> changes);

}  // namespace talvik::page
