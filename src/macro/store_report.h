#pragma once

#include <filesystem>
#include <optional>

#include "macro/record_file.h"

namespace talvik::macro {

// The subfolder of the data folder that holds the stores.
inline constexpr const char* kStoreFolder = "ms_5";

// What loading a store found and did.
struct LoadReport {
    bool file_missing = false;  // no file yet: a fresh store
    bool damaged = false;       // unreadable, cut short, or holding records that needed repair
    int records_loaded = 0;     // whole records kept
    int records_repaired = 0;   // of those, records whose counts or names had to be mended
    FileStatus read;            // why the file could not be read in full, if it could not
    std::optional<std::filesystem::path> moved_to;  // where the damaged file was moved
    FileStatus move;                                // failure to move the damaged file aside
    FileStatus save;                                // the write that followed, if any
};

}  // namespace talvik::macro
