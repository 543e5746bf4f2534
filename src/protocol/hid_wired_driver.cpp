#include "protocol/hid_wired_driver.h"

namespace talvik::protocol {

HidWiredDriver::HidWiredDriver(std::shared_ptr<platform::HidDevice> device)
    : device_(std::move(device)) {}

bool HidWiredDriver::SetFeature(std::span<const std::uint8_t> report) {
    return device_ && !report.empty() && device_->SendFeatureReport(report).has_value();
}

bool HidWiredDriver::GetFeature(std::span<std::uint8_t> buffer) {
    if (!device_ || buffer.empty()) {
        return false;
    }
    const auto n = device_->GetFeatureReport(buffer);
    return n.has_value() && *n > 0;
}

}  // namespace talvik::protocol
