#pragma once

#include <algorithm>
#include <cstdint>
#include <map>
#include <utility>
#include <vector>

#include "platform/messages.h"

namespace talvik::test {

// A window as the code behind it sees one: records posts, keeps timers by id (SetTimer restarts).
class RecordingTarget final : public platform::MessageTarget {
public:
    void Post(uint32_t message, uintptr_t wparam, intptr_t) override {
        posts.emplace_back(message, wparam);
    }
    void SetTimer(int id, int period_ms) override {
        running[id] = period_ms;
        ++starts[id];
    }
    void KillTimer(int id) override { running.erase(id); }
    bool IsRunning(int id) const { return running.count(id) > 0; }
    int Count(uint32_t message) const {
        return static_cast<int>(std::count_if(
            posts.begin(), posts.end(), [&](const auto& post) { return post.first == message; }));
    }

    std::vector<std::pair<uint32_t, uintptr_t>> posts;
    std::map<int, int> running;  // id -> period
    std::map<int, int> starts;
};

}  // namespace talvik::test
