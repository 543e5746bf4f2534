#include "sim/sim_devices.h"

#include "device/usb/receiver_family.h"

namespace talvik::sim {

namespace {

constexpr auto kCommandPath = "sim:command";
constexpr auto kInputPath = "sim:input";
constexpr auto kInstanceId = "sim:receiver";

std::optional<device::ReceiverFamily> FamilyOf(SimLink link) {
    switch (link) {
        case SimLink::k24g:
            return device::ReceiverFamily::k24g;
        case SimLink::k4k:
            return device::ReceiverFamily::k4k;
        case SimLink::k4kB:
            return device::ReceiverFamily::k4kB;
        default:
            return std::nullopt;
    }
}

}  // namespace

SimHidBackend::SimHidBackend(std::shared_ptr<VirtualMouse> mouse, SimLink link)
    : mouse_(std::move(mouse)), link_(link) {}

std::vector<device::HidInterfaceInfo> SimHidBackend::Enumerate(uint16_t vendor_id,
                                                               uint16_t product_id) {
    const std::optional<device::ReceiverFamily> family = FamilyOf(link_);
    if (!family) {
        return {};
    }
    const device::FamilyTraits& traits = device::Traits(*family);
    if (traits.vendor_id != vendor_id || traits.product_id != product_id) {
        return {};
    }
    return {{kCommandPath, traits.command, kInstanceId}, {kInputPath, traits.input, kInstanceId}};
}

std::shared_ptr<platform::HidDevice> SimHidBackend::Open(const std::string& path) {
    if (path == kCommandPath) {
        return mouse_->CommandInterface(link_);
    }
    if (path == kInputPath) {
        return mouse_->InputInterface();
    }
    return nullptr;
}

SimVendorLibrary::SimVendorLibrary(std::shared_ptr<VirtualMouse> mouse)
    : mouse_(std::move(mouse)), device_(mouse_->CommandInterface(SimLink::kWired)) {}

SimVendorLibrary::~SimVendorLibrary() {
    CloseDevMonitor();
}

bool SimVendorLibrary::SetFeature(std::span<const std::uint8_t> report) {
    return open_ && device_->SendFeatureReport(report).has_value();
}

bool SimVendorLibrary::GetFeature(std::span<std::uint8_t> buffer) {
    return open_ && device_->GetFeatureReport(buffer).has_value();
}

void SimVendorLibrary::SetVidPid(int, int) {}

void SimVendorLibrary::OpenDevMonitor(const TalvikWindowHandle* window, std::uint32_t data_message,
                                      std::uint32_t plug_message) {
    if (window == nullptr || window->post == nullptr) {
        return;
    }
    const TalvikWindowHandle target = *window;
    // The mouse calls these on its own threads; the handle's post is safe from any thread.
    mouse_->SetDriverSink([target, data_message](std::uintptr_t wparam, std::intptr_t lparam) {
        target.post(target.context, data_message, wparam, lparam);
    });
    mouse_->SetPlugSink([target, plug_message](bool plugged) {
        target.post(target.context, plug_message, plugged ? 1 : 0, 0);
    });
}

bool SimVendorLibrary::OpenFeatureDevice() {
    // Like the real library: a cable that is not there cannot be opened.
    open_ = mouse_->IsPlugged();
    return open_;
}

void SimVendorLibrary::CloseFeatureDevice() {
    open_ = false;
}

void SimVendorLibrary::CloseDevMonitor() {
    mouse_->SetDriverSink({});
    mouse_->SetPlugSink({});
}

device::LinkParts SimLinkParts(const std::shared_ptr<VirtualMouse>& mouse, SimLink link) {
    device::LinkParts parts;
    switch (link) {
        case SimLink::kWired:
            parts.cable = std::make_shared<SimVendorLibrary>(mouse);
            break;
        case SimLink::k24g:
        case SimLink::k4k:
        case SimLink::k4kB:
            parts.receivers = std::make_unique<SimHidBackend>(mouse, link);
            break;
        case SimLink::kBle:
            parts.fixed_ble = mouse->GattWriter();
            break;
    }
    return parts;
}

}  // namespace talvik::sim
