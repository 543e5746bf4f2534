#pragma once

#include <filesystem>

#include "macro/macro_record.h"
#include "macro/macro_store.h"
#include "macro/record_file.h"

namespace talvik::macro {

// A macro file holds exactly one MacroInfo record, 3,096 bytes, with no header.

// Writes `record` to `path`, replacing any file there in one step.
FileStatus ExportMacro(const std::filesystem::path& path, const MacroInfo& record);

struct ImportedMacro {
    FileStatus status;  // not ok: the file was refused and nothing changed
    MacroInfo* record = nullptr;
    int index = -1;   // position of the new macro in the list
    FileStatus save;  // writing the macro store afterwards
};

// Reads a macro file, repairs its counts and name, numbers the name when the list has it already
// (an empty name is replaced by the file's name), appends the macro to `list` and saves the store.
// A file of any other size than one record is refused.
ImportedMacro ImportMacro(const std::filesystem::path& path, MacroList& list,
                          const MacroStore& store);

}  // namespace talvik::macro
