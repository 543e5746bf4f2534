#pragma once

#include "page/page_dialogs.h"

namespace talvik::toolkit {
class Toolkit;
class Window;
}  // namespace talvik::toolkit

namespace talvik::page {

// The page's dialogs as real windows, modal over the main window.
class ModalPageDialogs final : public PageDialogs {
public:
    explicit ModalPageDialogs(toolkit::Window& owner);

    bool Confirm(std::string_view text_key) override;
    void Warn(std::string_view text_key) override;
    std::optional<std::u16string> AskProfileName(std::string_view title_key,
                                                 const profile::ProfileList& profiles) override;
    std::optional<profile::ColorValue> PickColor(std::string_view button,
                                                 profile::ColorValue initial) override;
    std::optional<std::filesystem::path> ChooseProfileToImport(
        const std::filesystem::path& folder) override;
    std::optional<std::filesystem::path> ChooseProfileExport(const std::filesystem::path& folder,
                                                             const std::u16string& name) override;
    bool OpenMouseSettings() override;

private:
    toolkit::Window& owner_;
};

}  // namespace talvik::page
