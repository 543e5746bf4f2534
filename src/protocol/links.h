#pragma once

#include <memory>

#include "platform/ble_writer.h"
#include "platform/hid_device.h"
#include "protocol/wired_driver.h"

namespace talvik::protocol {

// The wired link through the vendor library: never opened, open, or gone since.
enum class WiredState { kAbsent = 0, kConnected = 1, kUnplugged = 2 };

struct LinkFlags {
    WiredState wired = WiredState::kAbsent;
    bool link_24g = false;
    bool link_4k = false;
    bool link_4k_b = false;
    bool ble = false;
    bool any_link = false;

    bool wired_up() const { return wired == WiredState::kConnected; }
    // Some link the worker may use is up.
    bool AnyUp() const { return wired_up() || link_24g || link_4k || link_4k_b || ble; }
};

// What the exchange talks through. Shared, so that a set re-opened on the UI thread cannot free
// a handle under a running job.
struct LinkHandles {
    std::shared_ptr<WiredDriver> wired;
    std::shared_ptr<platform::HidDevice> command_24g;   // feature reports
    std::shared_ptr<platform::HidDevice> command_4k;    // output reports
    std::shared_ptr<platform::HidDevice> command_4k_b;  // output reports
    std::shared_ptr<platform::BleWriter> ble;
};

struct Links {
    LinkFlags flags;
    LinkHandles handles;
};

}  // namespace talvik::protocol
