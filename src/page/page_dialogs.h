#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "profile/profile_record.h"

namespace talvik::page {

// The dialogs the device page opens, each modal over the main window. The program shows real
// windows; tests answer with scripted choices. UI thread only.
class PageDialogs {
public:
    virtual ~PageDialogs() = default;

    // The message box with OK and Cancel; true for OK.
    virtual bool Confirm(std::string_view text_key) = 0;
    // The message box as a warning; the answer does not matter.
    virtual void Warn(std::string_view text_key) = 0;
    // The profile-name dialog; nothing when cancelled. It refuses, and stays open on, an empty
    // name and one that `profiles` has already (any letter case).
    virtual std::optional<std::u16string> AskProfileName(std::string_view title_key,
                                                         const profile::ProfileList& profiles) = 0;
    // The colour dialog beside `button`; nothing when cancelled.
    virtual std::optional<profile::ColorValue> PickColor(std::string_view button,
                                                         profile::ColorValue initial) = 0;
    // File dialogs for profile files, starting in `folder`.
    virtual std::optional<std::filesystem::path> ChooseProfileToImport(
        const std::filesystem::path& folder) = 0;
    virtual std::optional<std::filesystem::path> ChooseProfileExport(
        const std::filesystem::path& folder, const std::u16string& name) = 0;
    // The desktop's own mouse settings; false when none could be started.
    virtual bool OpenMouseSettings() = 0;
};

}  // namespace talvik::page
