#pragma once

#include <filesystem>

#include "macro/macro_store.h"
#include "macro/record_file.h"
#include "profile/profile_record.h"

namespace talvik::profile {

// A profile file holds exactly one ProfileInfo record, 101,540 bytes, with no header. It carries
// the macros of its buttons inside their assignments.

// Writes `record` to `path`, replacing any file there in one step.
macro::FileStatus ExportProfile(const std::filesystem::path& path, const ProfileInfo& record);

struct ImportedProfile {
    macro::FileStatus status;  // not ok: the file was refused and nothing changed
    ProfileInfo* record = nullptr;
    int index = -1;          // position of the new profile in `profiles`
    int macros_added = 0;    // macros re-created from its buttons
    macro::FileStatus save;  // writing the macro store, when macros were added
};

// Reads a profile file, repairs its counts and names, numbers its name when the list has it
// already (an empty name is replaced by the file's name) and appends it to `profiles`. Every
// button that runs a macro gets a new macro in `macros` made from its copy, under a free name, and
// points to it; the macro store is saved when any was added. A file of any other size than one
// record is refused. Making the profile active and applying it is the caller's part.
ImportedProfile ImportProfile(const std::filesystem::path& path, ProfileList& profiles,
                              macro::MacroList& macros, const macro::MacroStore& store);

}  // namespace talvik::profile
