#pragma once

#include <map>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "page/page_view.h"

namespace talvik::protocol::testing {

// Records what the page was told to do.
class FakeView final : public page::PageView {
public:
    struct Posted {
        std::uint32_t message;
        std::uintptr_t wparam;
        std::intptr_t lparam;
        bool operator==(const Posted&) const = default;
    };

    void SetVisible(std::string_view control, bool visible) override {
        visible_[std::string(control)] = visible;
        calls.push_back((visible ? "show " : "hide ") + std::string(control));
    }
    void Select(std::string_view control) override { selected.push_back(std::string(control)); }
    void SetChecked(std::string_view control, bool checked) override {
        checked_[std::string(control)] = checked;
    }
    void SetProgress(std::string_view control, int value) override {
        progress[std::string(control)].push_back(value);
    }
    void SetText(std::string_view control, const std::string& text) override {
        text_[std::string(control)] = text;
    }
    std::string LanguageText(std::string_view key) override { return "<" + std::string(key) + ">"; }
    void RefreshFromProfile() override { ++refreshes; }
    void UpdateLightControls() override { ++light_updates; }
    void SaveStore() override { ++saves; }
    void SetTimer(int id, int period_ms) override {
        timers[id] = period_ms;
        calls.push_back("set " + std::to_string(id));
    }
    void KillTimer(int id) override {
        timers.erase(id);
        calls.push_back("kill " + std::to_string(id));
    }
    void Post(std::uint32_t message, std::uintptr_t wparam, std::intptr_t lparam) override {
        posts.push_back({message, wparam, lparam});
    }

    // Visibility as last set; unknown when never set.
    std::optional<bool> visible(const std::string& control) const {
        const auto it = visible_.find(control);
        return it == visible_.end() ? std::nullopt : std::optional(it->second);
    }
    std::string text(const std::string& control) const {
        const auto it = text_.find(control);
        return it == text_.end() ? "" : it->second;
    }
    std::optional<bool> checked(const std::string& control) const {
        const auto it = checked_.find(control);
        return it == checked_.end() ? std::nullopt : std::optional(it->second);
    }
    int CountPosts(std::uint32_t message) const {
        int n = 0;
        for (const auto& p : posts) {
            n += p.message == message;
        }
        return n;
    }

    std::vector<std::string> calls;
    std::vector<std::string> selected;
    std::map<std::string, std::vector<int>> progress;
    std::map<int, int> timers;
    std::vector<Posted> posts;
    int refreshes = 0;
    int light_updates = 0;
    int saves = 0;

private:
    std::map<std::string, bool> visible_;
    std::map<std::string, bool> checked_;
    std::map<std::string, std::string> text_;
};

}  // namespace talvik::protocol::testing
