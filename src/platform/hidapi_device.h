#pragma once

#include <memory>
#include <string>

#include "platform/hid_device.h"

struct hid_device_;

namespace talvik::platform {

// A HidDevice over an interface opened with hidapi; closes it when destroyed. hid_init must have
// run before the first Open.
class HidapiDevice final : public HidDevice {
public:
    // Opens the interface at `path` (blocking mode); nothing when it cannot be opened.
    static std::unique_ptr<HidapiDevice> Open(const std::string& path);
    // Takes over a handle opened elsewhere.
    explicit HidapiDevice(hid_device_* handle);
    ~HidapiDevice() override;
    HidapiDevice(const HidapiDevice&) = delete;
    HidapiDevice& operator=(const HidapiDevice&) = delete;

    std::optional<std::size_t> Write(std::span<const std::uint8_t> report) override;
    std::optional<std::size_t> Read(std::span<std::uint8_t> buffer, int timeout_ms) override;
    std::optional<std::size_t> SendFeatureReport(std::span<const std::uint8_t> report) override;
    std::optional<std::size_t> GetFeatureReport(std::span<std::uint8_t> buffer) override;

private:
    hid_device_* handle_;
};

}  // namespace talvik::platform
