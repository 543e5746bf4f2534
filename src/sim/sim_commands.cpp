#include <charconv>
#include <string_view>
#include <vector>

#include "protocol/mouse_report.h"
#include "sim/virtual_mouse.h"

namespace talvik::sim {

namespace {

std::optional<int> ParseInt(std::string_view text) {
    int value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size()) {
        return std::nullopt;
    }
    return value;
}

std::vector<std::string_view> Words(std::string_view line) {
    std::vector<std::string_view> words;
    std::size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t' || line[i] == '\r')) {
            ++i;
        }
        std::size_t j = i;
        while (j < line.size() && line[j] != ' ' && line[j] != '\t' && line[j] != '\r') {
            ++j;
        }
        if (j > i) {
            words.push_back(line.substr(i, j - i));
        }
        i = j;
    }
    return words;
}

}  // namespace

bool VirtualMouse::Command(std::string_view line) {
    const auto words = Words(line);
    if (words.empty()) {
        return false;
    }
    const std::string_view verb = words[0];
    const auto arg = [&](std::size_t i) {
        return i < words.size() ? ParseInt(words[i]) : std::nullopt;
    };
    if (verb == "stage" && words.size() == 2 && arg(1) && *arg(1) >= 1 && *arg(1) <= 8) {
        EmitReport(protocol::kTypeDpiStage, static_cast<std::uint8_t>(*arg(1)), 0);
        return true;
    }
    if (verb == "polling" && words.size() == 3 && arg(1) && arg(2) && *arg(1) >= 0 &&
        *arg(1) <= 15 && *arg(2) >= 0 && *arg(2) <= 15) {
        EmitReport(protocol::kTypePollingRate, static_cast<std::uint8_t>(*arg(1) << 4 | *arg(2)),
                   0);
        return true;
    }
    if (verb == "battery" && words.size() == 2 && arg(1) && *arg(1) >= 0 && *arg(1) <= 255) {
        {
            std::lock_guard lock(mutex_);
            battery_ = *arg(1);
            power_ = Power::kBattery;
        }
        EmitHeartbeat();
        return true;
    }
    if ((verb == "charging" || verb == "full") && words.size() == 1) {
        {
            std::lock_guard lock(mutex_);
            power_ = verb == "full" ? Power::kFull : Power::kCharging;
        }
        EmitHeartbeat();
        return true;
    }
    if (verb == "heartbeat" && words.size() == 2 && arg(1) && *arg(1) >= 0) {
        SetHeartbeatPeriod(*arg(1));
        return true;
    }
    if ((verb == "unplug" || verb == "plug") && words.size() == 1) {
        SetPlugged(verb == "plug");
        return true;
    }
    return false;
}

}  // namespace talvik::sim
