#pragma once

#include <cstdint>
#include <optional>
#include <set>
#include <span>
#include <string>

#include "platform/messages.h"

namespace talvik::hiddriver {

// What the device monitor tells the window: the plug message when the wired mouse comes or
// goes, the data message for each of the mouse's own reports. No udev here, so it can be tested.
class MonitorEvents {
public:
    MonitorEvents(TalvikWindowHandle window, std::uint32_t data_message,
                  std::uint32_t plug_message);

    // A HID node of the mouse appeared or went. One mouse has several nodes: the window hears
    // of the first arrival and the last removal. `announce` false records without posting (the
    // nodes present when the monitor starts).
    void NodeAdded(const std::string& syspath, bool announce = true);
    void NodeRemoved(const std::string& syspath);
    bool present() const { return !nodes_.empty(); }

    // One input report of the mouse, report id first: marker 0xC5 at byte 1, then type and the
    // two value bytes. Anything else is not one of its reports and is dropped.
    void Report(std::span<const std::uint8_t> report);

private:
    void Post(std::uintptr_t wparam, std::intptr_t lparam, std::uint32_t message);

    TalvikWindowHandle window_;
    std::uint32_t data_message_;
    std::uint32_t plug_message_;
    std::set<std::string> nodes_;
};

}  // namespace talvik::hiddriver
