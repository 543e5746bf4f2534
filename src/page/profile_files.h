#pragma once

#include <filesystem>

#include "macro/macro_record.h"
#include "macro/record_file.h"
#include "profile/profile_files.h"

namespace talvik::page {

// What the device page needs of the session's stores: saving the profiles in the background,
// profile files and the macro list. UI thread only.
class ProfileFiles {
public:
    virtual ~ProfileFiles() = default;
    virtual void SaveProfiles() = 0;
    virtual profile::ImportedProfile Import(const std::filesystem::path& path) = 0;
    virtual macro::FileStatus Export(const std::filesystem::path& path,
                                     const profile::ProfileInfo& record) = 0;
    // The macros, as the macro editor left them (the macro selection dialog shows them).
    virtual const macro::MacroList& Macros() const = 0;
    // Where file dialogs start.
    virtual std::filesystem::path DataFolder() const = 0;
};

}  // namespace talvik::page
