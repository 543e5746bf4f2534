#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace talvik::page {

// The boxes and file dialogs of the macro editor, modal over it. The program shows real ones;
// tests answer with scripted choices. UI thread only.
class MacroEditorDialogs {
public:
    virtual ~MacroEditorDialogs() = default;
    // The message box with OK and Cancel; true for OK.
    virtual bool Confirm(std::string_view text_key) = 0;
    virtual void Warn(std::string_view text_key) = 0;
    // Macro files ("Macro File", *.macro), starting in `folder` with an empty file name.
    virtual std::optional<std::filesystem::path> ChooseMacroToImport(
        const std::filesystem::path& folder) = 0;
    virtual std::optional<std::filesystem::path> ChooseMacroExport(
        const std::filesystem::path& folder) = 0;
};

}  // namespace talvik::page
