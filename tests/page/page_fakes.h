#pragma once

#include <map>
#include <string>
#include <vector>

#include "../toolkit/recording_target.h"
#include "macro/record_name.h"
#include "page/button_dialogs.h"
#include "page/macro_windows.h"
#include "page/page_controller.h"
#include "page/page_dialogs.h"
#include "page/page_view.h"
#include "page/profile_files.h"
#include "platform/messages.h"
#include "profile/profile_defaults.h"

namespace talvik::page::testing {

// Scripted answers of the function menu and the button dialogs; records what they were opened
// with.
class FakeButtonDialogs final : public ButtonDialogs {
public:
    void OpenFunctionMenu(std::string_view button) override { menus.emplace_back(button); }
    std::optional<KeyCombination> AskKeyCombination(KeyCombination initial) override {
        key_asked = initial;
        return key;
    }
    std::optional<MacroSelection> SelectMacro(const macro::MacroList& list,
                                              MacroSelection initial) override {
        macro_asked = initial;
        macros_shown = list.size();
        return macro;
    }

    std::optional<KeyCombination> key;
    std::optional<MacroSelection> macro;
    std::vector<std::string> menus;
    std::optional<KeyCombination> key_asked;
    std::optional<MacroSelection> macro_asked;
    std::size_t macros_shown = 0;
};

// Controls as a map: what was set, and edit texts the test types.
class FakeView final : public PageView {
public:
    void SetVisible(std::string_view c, bool v) override { visible[std::string(c)] = v; }
    void Select(std::string_view) override {}
    void SetChecked(std::string_view c, bool v) override { checked[std::string(c)] = v; }
    bool IsChecked(std::string_view c) const override {
        const auto it = checked.find(std::string(c));
        return it != checked.end() && it->second;
    }
    void SetValue(std::string_view c, int v) override { values[std::string(c)] = v; }
    void SetText(std::string_view c, const std::string& t) override { texts[std::string(c)] = t; }
    std::string Text(std::string_view c) const override {
        const auto it = texts.find(std::string(c));
        return it == texts.end() ? "" : it->second;
    }
    std::string LanguageText(std::string_view key) const override {
        return "<" + std::string(key) + ">";
    }
    void SetProfileRows(const std::vector<std::u16string>& names, int sel) override {
        rows = names;
        selected_row = sel;
    }
    void SetProfileRowText(int row, const std::u16string& name) override {
        rows.at(static_cast<std::size_t>(row)) = name;
    }
    void ShowButtonLabel(int button, const profile::ButtonAssign& a) override {
        labels[button] = a.function;
    }
    void Refresh(const profile::ProfileInfo&, const protocol::LinkFlags&) override { ++refreshes; }
    void UpdateLightControls(int mode) override { light_mode = mode; }
    void UpdateModeControls(const protocol::LinkFlags&) override {}
    void ScrollIntoView(std::string_view c) override { scrolled.emplace_back(c); }

    std::map<std::string, bool> visible;
    std::map<std::string, bool> checked;
    std::map<std::string, int> values;
    std::map<std::string, std::string> texts;
    std::vector<std::string> scrolled;
    std::vector<std::u16string> rows;
    std::map<int, int> labels;  // button -> function shown
    int selected_row = -1;
    int refreshes = 0;
    int light_mode = -1;
};

// Scripted answers; records the message boxes shown.
class FakeDialogs final : public PageDialogs {
public:
    bool Confirm(std::string_view key) override {
        boxes.emplace_back(key);
        return confirm;
    }
    void Warn(std::string_view key) override { boxes.emplace_back(key); }
    std::optional<std::u16string> AskProfileName(std::string_view,
                                                 const profile::ProfileList&) override {
        return name;
    }
    std::optional<profile::ColorValue> PickColor(std::string_view, profile::ColorValue) override {
        return color;
    }
    std::optional<std::filesystem::path> ChooseProfileToImport(
        const std::filesystem::path&) override {
        return file;
    }
    std::optional<std::filesystem::path> ChooseProfileExport(const std::filesystem::path&,
                                                             const std::u16string&) override {
        return file;
    }
    bool OpenMouseSettings() override { return true; }

    bool confirm = true;
    std::optional<std::u16string> name;
    std::optional<profile::ColorValue> color;
    std::optional<std::filesystem::path> file;
    std::vector<std::string> boxes;
};

class FakeFiles final : public ProfileFiles {
public:
    void SaveProfiles() override { ++saves; }
    profile::ImportedProfile Import(const std::filesystem::path&) override { return imported; }
    macro::FileStatus Export(const std::filesystem::path&, const profile::ProfileInfo&) override {
        return exported;
    }
    const macro::MacroList& Macros() const override { return macros; }
    std::filesystem::path DataFolder() const override { return "/data"; }

    int saves = 0;
    macro::MacroList macros;
    profile::ImportedProfile imported;
    macro::FileStatus exported;
};

// The editor's run: scripted changes to the names journal.
class FakeMacroWindows final : public MacroWindows {
public:
    std::vector<macro::MacroListChange> RunMacroEditor() override {
        ++runs;
        return changes;
    }

    int runs = 0;
    std::vector<macro::MacroListChange> changes;
};

// The page controller on fakes, with `profiles` default profiles named One, Two, Three.
struct PageRig {
    explicit PageRig(int profiles = 1) {
        const char16_t* names[] = {u"One", u"Two", u"Three"};
        for (int i = 0; i < profiles; ++i) {
            state.profiles.push_back(profile::CreateProfile());
            macro::WriteName(state.profiles.back()->name, names[i]);
        }
        state.current_profile = state.profiles[0].get();
        state.force_full_apply = false;
        page.ShowProfiles();
    }
    profile::ProfileInfo& current() { return *state.current_profile; }
    profile::ButtonAssign& button(int b) { return state.current_profile->buttons[b]; }
    void Send(toolkit::NotifyType type, const std::string& control, intptr_t wparam = 0) {
        page.Notify(type, control, wparam);
    }
    // Opens the menu of button `b` (0-based) and picks `item`.
    void Choose(int b, const std::string& item) {
        Send(toolkit::NotifyType::kClick, "ms_5_btn_key_" + std::to_string(b + 1));
        page.OnMenuItem(item);
    }
    int applies() const { return window.Count(msg::WM_MS5_POST_WORKER); }
    // A macro of `actions` key presses, codes 0x04 upwards.
    void AddMacro(const char16_t* name, int actions, std::uint8_t first_code = 0x04) {
        auto m = std::make_unique<macro::MacroInfo>();
        macro::WriteName(m->name, name);
        m->action_count = actions;
        for (int i = 0; i < actions; ++i) {
            m->actions[i].code = static_cast<std::uint8_t>(first_code + i);
            m->actions[i].kind = 1;
        }
        files.macros.push_back(std::move(m));
    }

    protocol::SessionState state;
    FakeView view;
    FakeDialogs dialogs;
    FakeButtonDialogs buttons;
    FakeFiles files;
    test::RecordingTarget window;
    FakeMacroWindows macro_windows;
    PageController page{state, view, dialogs, buttons, files, window, macro_windows};
};

}  // namespace talvik::page::testing
