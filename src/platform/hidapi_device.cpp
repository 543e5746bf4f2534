#include "platform/hidapi_device.h"

#include <hidapi.h>

namespace talvik::platform {

namespace {

std::optional<std::size_t> Result(int n) {
    if (n < 0) {
        return std::nullopt;
    }
    return static_cast<std::size_t>(n);
}

}  // namespace

std::unique_ptr<HidapiDevice> HidapiDevice::Open(const std::string& path) {
    hid_device* handle = hid_open_path(path.c_str());
    if (handle == nullptr) {
        return nullptr;
    }
    return std::make_unique<HidapiDevice>(handle);
}

HidapiDevice::HidapiDevice(hid_device_* handle) : handle_(handle) {}

HidapiDevice::~HidapiDevice() {
    if (handle_ != nullptr) {
        hid_close(handle_);
    }
}

std::optional<std::size_t> HidapiDevice::Write(std::span<const std::uint8_t> report) {
    return Result(hid_write(handle_, report.data(), report.size()));
}

std::optional<std::size_t> HidapiDevice::Read(std::span<std::uint8_t> buffer, int timeout_ms) {
    return Result(hid_read_timeout(handle_, buffer.data(), buffer.size(), timeout_ms));
}

std::optional<std::size_t> HidapiDevice::SendFeatureReport(std::span<const std::uint8_t> report) {
    return Result(hid_send_feature_report(handle_, report.data(), report.size()));
}

std::optional<std::size_t> HidapiDevice::GetFeatureReport(std::span<std::uint8_t> buffer) {
    return Result(hid_get_feature_report(handle_, buffer.data(), buffer.size()));
}

}  // namespace talvik::platform
