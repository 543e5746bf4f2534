#pragma once

#include <cstring>

#include "fuzz_support.h"
#include "macro/macro_record.h"
#include "macro/record_name.h"
#include "profile/profile_record.h"

namespace talvik::fuzz {

// What every record handed out by a reader promises: names end within their fields and counts
// stay within the action area.
inline void CheckMacroRecord(const macro::MacroInfo& record) {
    FUZZ_CHECK(Terminated(record.name));
    FUZZ_CHECK(record.action_count >= 0 && record.action_count <= macro::kMaxMacroActions);
}

inline void CheckProfileRecord(const profile::ProfileInfo& record) {
    FUZZ_CHECK(Terminated(record.name));
    FUZZ_CHECK(Terminated(record.note_a));
    FUZZ_CHECK(Terminated(record.note_b));
    for (const profile::ButtonAssign& button : record.buttons) {
        FUZZ_CHECK(Terminated(button.macro_name));
        FUZZ_CHECK(button.macro_event_count <= macro::kMaxMacroActions);
    }
}

// Two macros the store holds before an import, so that a clash of names has something to meet.
inline macro::MacroList StartingMacros() {
    macro::MacroList macros;
    for (const char16_t* name : {u"Macro 1", u"Combo"}) {
        auto record = std::make_unique<macro::MacroInfo>();
        macro::WriteName(record->name, name);
        macros.push_back(std::move(record));
    }
    return macros;
}

template <typename Record>
bool SameRecord(const Record& a, const Record& b) {
    return std::memcmp(&a, &b, sizeof(Record)) == 0;
}

template <typename List>
bool SameRecords(const List& a, const List& b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (!SameRecord(*a[i], *b[i])) {
            return false;
        }
    }
    return true;
}

}  // namespace talvik::fuzz
