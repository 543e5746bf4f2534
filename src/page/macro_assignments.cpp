#include "page/macro_assignments.h"

#include <cstring>
#include <memory>
#include <optional>
#include <string>

#include "macro/record_name.h"
#include "profile/button_function.h"
#include "profile/profile_defaults.h"

namespace talvik::page {

namespace {

// Buttons whose function the page lets the user choose.
constexpr int kAssignableButtons = 12;

// The macro an assignment ran before the editor opened, followed through the editor's changes;
// nothing when it was deleted.
std::optional<std::u16string> FollowName(std::u16string name,
                                         std::span<const macro::MacroListChange> changes) {
    for (const macro::MacroListChange& change : changes) {
        if (!macro::NamesEqualIgnoringCase(name, change.old_name)) {
            continue;
        }
        if (change.kind == macro::MacroListChange::Kind::kDeleted) {
            return std::nullopt;
        }
        name = change.new_name;
    }
    return name;
}

int FindMacro(const macro::MacroList& macros, std::u16string_view name) {
    for (std::size_t i = 0; i < macros.size(); ++i) {
        if (macro::NamesEqualIgnoringCase(macro::ReadName(macros[i]->name), name)) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

}  // namespace

bool SyncMacroAssignments(profile::ProfileInfo& profile, const macro::MacroList& macros,
                          std::span<const macro::MacroListChange> changes) {
    std::unique_ptr<profile::ProfileInfo> defaults;
    bool changed = false;
    for (int b = 0; b < kAssignableButtons; ++b) {
        profile::ButtonAssign& assign = profile.buttons[b];
        if (assign.function != static_cast<std::uint8_t>(profile::ButtonFunction::kMacro)) {
            continue;
        }
        const profile::ButtonAssign before = assign;
        const auto name = FollowName(macro::ReadName(assign.macro_name), changes);
        const int index = name ? FindMacro(macros, *name) : -1;
        if (index < 0) {
            if (!defaults) {
                defaults = profile::CreateProfile();
            }
            assign = defaults->buttons[b];
        } else {
            const macro::MacroInfo& m = *macros[static_cast<std::size_t>(index)];
            assign.macro_event_count = static_cast<std::uint16_t>(m.action_count);
            macro::WriteName(assign.macro_name, macro::ReadName(m.name));
            std::memcpy(assign.macro_actions, m.actions, sizeof(assign.macro_actions));
            assign.macro_index = index;
        }
        changed = changed || std::memcmp(&before, &assign, sizeof(assign)) != 0;
    }
    return changed;
}

}  // namespace talvik::page
