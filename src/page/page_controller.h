#pragma once

#include <string>
#include <string_view>

#include "page/button_dialogs.h"
#include "page/macro_windows.h"
#include "page/notify_routes.h"
#include "page/page_dialogs.h"
#include "page/page_view.h"
#include "page/power_listener.h"
#include "page/profile_files.h"
#include "platform/messages.h"
#include "protocol/device_events.h"
#include "protocol/session_state.h"

namespace talvik::page {

// The device page: turns what the user does on its controls into changes of the active profile
// and apply requests, and shows what the mouse reports. It never builds packets and never opens a
// device. UI thread only.
class PageController final : public protocol::DeviceEvents {
public:
    // `window` receives the page's posts (apply requests, the DPI display, the device state) and
    // runs its timers.
    PageController(protocol::SessionState& state, PageView& view, PageDialogs& dialogs,
                   ButtonDialogs& buttons, ProfileFiles& files, platform::MessageTarget& window,
                   MacroWindows& macro_windows);

    // A notification of one of the page's controls.
    void Notify(toolkit::NotifyType type, std::string_view sender, intptr_t wparam);
    // The page's own timers (apply delay, scroll, charge animation); false for other ids.
    bool OnTimer(int id);
    // An item chosen in the function menu, for the button whose menu was opened last.
    void OnMenuItem(std::string_view name);

    // The profile list and every control from the state (after loading or a language switch).
    void ShowProfiles();
    void RefreshFromProfile();
    // Animations run only while someone can see them.
    void SetShown(bool shown);
    // Told of every power and link change from now on; null: nobody.
    void SetPowerListener(PowerListener* listener) { power_listener_ = listener; }

    // protocol::DeviceEvents
    void StageChanged(int stage, int dpi) override;
    void PollingChanged() override;
    void BatteryFull() override;
    void BatteryCharging() override;
    void BatteryLevel(std::optional<int> percent) override;
    void PowerUnknown() override;
    void LinksChanged(const protocol::LinkFlags& flags) override;
    void LinkReady() override;
    void JobStarted(protocol::JobKind kind) override;
    void JobFinished(protocol::JobKind kind) override;
    void ProfileReadBack() override;
    void SaveProfiles() override;
    void StartTimer(protocol::DeviceTimer timer, int period_ms) override;
    void StopTimer(protocol::DeviceTimer timer) override;

    // The window timer id of a device timer, and back (none: 0 / nullopt).
    static int TimerId(protocol::DeviceTimer timer);
    static std::optional<protocol::DeviceTimer> DeviceTimerOf(int id);

private:
    profile::ProfileInfo& Current() { return *state_.current_profile; }
    void RequestApply();
    void RequestApplyAfter(int ms);

    // Settings (page_settings.cpp).
    void AddSettingRoutes();
    void ResetDpi();
    void PickColor(std::string_view button, profile::ColorValue& field);
    void SetOption(int profile::ProfileInfo::*field, int value);
    void OnSlider(std::string_view slider, int value);
    void OnDpiSlider(int stage, int value);
    void CommitDpiEdit(int stage);
    void FilterDpiEdit(int stage);
    void OnSectionCheck(std::string_view box, bool checked);
    void OpenMouseSettings();

    // Profiles (page_profiles.cpp).
    void AddProfileRoutes();
    void SelectProfile(int row);
    void MakeActive(int index);
    void AddProfile();
    void DeleteProfile();
    void RenameProfile();
    void ResetProfile();
    void ImportProfile();
    void ExportProfile();

    // Button functions (page_buttons.cpp).
    void AddButtonRoutes();
    void OpenFunctionMenu(int button);
    bool AskKeyCombination(profile::ButtonAssign& assign);
    bool SelectMacro(profile::ButtonAssign& assign);
    // Macros (page_macros.cpp).
    void AddMacroRoutes();
    void OpenMacroEditor();

    void ShowPower(int percent);
    void StopChargeAnimation();
    void TellPower(PowerState::Source source, std::optional<int> level);

    protocol::SessionState& state_;
    PageView& view_;
    PageDialogs& dialogs_;
    ButtonDialogs& buttons_;
    ProfileFiles& files_;
    platform::MessageTarget& window_;
    MacroWindows& macro_windows_;
    NotifyRoutes routes_;

    bool charging_ = false;
    int charge_animation_ = 0;
    bool shown_ = true;
    int selected_button_ = -1;    // the button whose function menu was opened last
    std::string opened_section_;  // scrolled into view by the scroll timer
    PowerListener* power_listener_ = nullptr;
    PowerState power_;
};

}  // namespace talvik::page
