#pragma once

#include <deque>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "macro/record_name.h"
#include "page/macro_windows.h"
#include "page/page_dialogs.h"
#include "page/page_view.h"
#include "page/profile_files.h"
#include "platform/messages.h"

namespace talvik::page::testing {

// Controls as a map: what was set, and edit texts the test types.
class FakeView final : public PageView {
public:
    void SetVisible(std::string_view c, bool v) override { visible[std::string(c)] = v; }
    void Select(std::string_view c) override { selected.emplace_back(c); }
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
    void UpdateModeControls(const protocol::LinkFlags&) override { ++mode_updates; }
    void ScrollIntoView(std::string_view c) override { scrolled.emplace_back(c); }

    std::map<std::string, bool> visible;
    std::map<std::string, bool> checked;
    std::map<std::string, int> values;
    std::map<std::string, std::string> texts;
    std::vector<std::string> selected;
    std::vector<std::string> scrolled;
    std::vector<std::u16string> rows;
    std::map<int, int> labels;  // button -> function shown
    int selected_row = -1;
    int refreshes = 0;
    int light_mode = -1;
    int mode_updates = 0;
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
    bool OpenMouseSettings() override { return settings_found; }

    bool confirm = true;
    std::optional<std::u16string> name;
    std::optional<profile::ColorValue> color;
    std::optional<std::filesystem::path> file;
    bool settings_found = true;
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

// The editor's run: scripted changes to the list and the names journal.
class FakeMacroWindows final : public MacroWindows {
public:
    std::vector<macro::MacroListChange> RunMacroEditor() override {
        ++runs;
        if (edit) {
            edit();
        }
        return changes;
    }

    int runs = 0;
    std::function<void()> edit;
    std::vector<macro::MacroListChange> changes;
};

// The main window's posts and timers.
class FakeWindow final : public platform::MessageTarget {
public:
    void Post(uint32_t message, uintptr_t, intptr_t) override { posts.push_back(message); }
    void SetTimer(int id, int period_ms) override {
        timers[id] = period_ms;
        ++timer_starts[id];
    }
    void KillTimer(int id) override { timers.erase(id); }

    int Count(uint32_t message) const {
        int n = 0;
        for (uint32_t m : posts) {
            n += m == message;
        }
        return n;
    }

    std::vector<uint32_t> posts;
    std::map<int, int> timers;
    std::map<int, int> timer_starts;
};

}  // namespace talvik::page::testing
