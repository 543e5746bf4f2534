#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "profile/profile_record.h"
#include "protocol/links.h"

namespace talvik::page {

// The device page's controls as the controller sees them: by name, without widgets. The page's
// controls implement it; tests use a recording fake. UI thread only. A control name the page does
// not have is ignored (queries answer empty or false). Changes made here raise no notification.
class PageView {
public:
    virtual ~PageView() = default;

    virtual void SetVisible(std::string_view control, bool visible) = 0;
    // Selects a radio option or option button.
    virtual void Select(std::string_view control) = 0;
    virtual void SetChecked(std::string_view control, bool checked) = 0;
    virtual bool IsChecked(std::string_view control) const = 0;
    // A slider's or a progress bar's value.
    virtual void SetValue(std::string_view control, int value) = 0;
    virtual void SetText(std::string_view control, const std::string& text) = 0;
    virtual std::string Text(std::string_view control) const = 0;
    // The text of a language key in the current language.
    virtual std::string LanguageText(std::string_view key) const = 0;

    // The rows of the profile list, and the selected one.
    virtual void SetProfileRows(const std::vector<std::u16string>& names, int selected) = 0;
    virtual void SetProfileRowText(int row, const std::u16string& name) = 0;

    // The label of button `button` (0..17) from its assignment.
    virtual void ShowButtonLabel(int button, const profile::ButtonAssign& assign) = 0;
    // Every control in line with the profile and the links.
    virtual void Refresh(const profile::ProfileInfo& profile, const protocol::LinkFlags& links) = 0;
    // The light rows that belong to `light_mode`.
    virtual void UpdateLightControls(int light_mode) = 0;
    // The polling-rate and key-debounce sections that fit the links.
    virtual void UpdateModeControls(const protocol::LinkFlags& links) = 0;
    // Scrolls the settings column so that `container` is in view.
    virtual void ScrollIntoView(std::string_view container) = 0;
};

}  // namespace talvik::page
