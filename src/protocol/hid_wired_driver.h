#pragma once

#include <memory>

#include "platform/hid_device.h"
#include "protocol/wired_driver.h"

namespace talvik::protocol {

// The wired link's feature calls on an opened HID interface of the mouse: what the vendor
// library does inside, usable directly wherever a HidDevice stands for the wired mouse.
class HidWiredDriver final : public WiredDriver {
public:
    explicit HidWiredDriver(std::shared_ptr<platform::HidDevice> device);
    bool SetFeature(std::span<const std::uint8_t> report) override;
    bool GetFeature(std::span<std::uint8_t> buffer) override;

private:
    std::shared_ptr<platform::HidDevice> device_;
};

}  // namespace talvik::protocol
