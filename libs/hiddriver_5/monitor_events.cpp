#include "monitor_events.h"

namespace talvik::hiddriver {

MonitorEvents::MonitorEvents(TalvikWindowHandle window, std::uint32_t data_message,
                             std::uint32_t plug_message)
    : window_(window), data_message_(data_message), plug_message_(plug_message) {}

void MonitorEvents::Post(std::uintptr_t wparam, std::intptr_t lparam, std::uint32_t message) {
    if (window_.post != nullptr) {
        window_.post(window_.context, message, wparam, lparam);
    }
}

void MonitorEvents::NodeAdded(const std::string& syspath, bool announce) {
    const bool was_present = present();
    nodes_.insert(syspath);
    if (!was_present && announce) {
        Post(1, 0, plug_message_);
    }
}

void MonitorEvents::NodeRemoved(const std::string& syspath) {
    if (nodes_.erase(syspath) != 0 && !present()) {
        Post(0, 0, plug_message_);
    }
}

void MonitorEvents::Report(std::span<const std::uint8_t> r) {
    constexpr std::uint8_t kMarker = 0xC5;
    if (r.size() < 5 || r[1] != kMarker) {
        return;
    }
    Post(static_cast<std::uintptr_t>(r[2] << 8 | r[1]),
         static_cast<std::intptr_t>(r[3] | r[4] << 8), data_message_);
}

}  // namespace talvik::hiddriver
