#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace talvik::page {

// What the protocol's UI-thread logic needs of the device page: controls by name, language
// texts, the page's refresh, and the main window's timers and messages. The device page
// implements it; tests use a recording fake. Every call is made on the UI thread. A control
// name the page does not have is ignored.
class PageView {
public:
    virtual ~PageView() = default;

    virtual void SetVisible(std::string_view control, bool visible) = 0;
    // Selects a radio option or option button.
    virtual void Select(std::string_view control) = 0;
    virtual void SetChecked(std::string_view control, bool checked) = 0;
    virtual void SetProgress(std::string_view control, int value) = 0;
    virtual void SetText(std::string_view control, const std::string& text) = 0;
    // The text of a language key in the current language.
    virtual std::string LanguageText(std::string_view key) = 0;

    // Brings every control in line with the active profile.
    virtual void RefreshFromProfile() = 0;
    // Shows the light settings rows that belong to the active profile's light mode.
    virtual void UpdateLightControls() = 0;
    // Saves the profile store (pro.data).
    virtual void SaveStore() = 0;

    // The main window's timers and messages.
    virtual void SetTimer(int id, int period_ms) = 0;
    virtual void KillTimer(int id) = 0;
    virtual void Post(std::uint32_t message, std::uintptr_t wparam, std::intptr_t lparam) = 0;
};

}  // namespace talvik::page
