#pragma once

#include <atomic>
#include <memory>

#include "device/links/device_links.h"
#include "device/usb/hid_backend.h"
#include "protocol/vendor_library.h"
#include "sim/virtual_mouse.h"

namespace talvik::sim {

// The virtual mouse's receiver as the enumeration sees it: one command and one input interface
// of the family behind `link`, with the family's ids and usages, so the real receiver sets, reader
// threads and read step run on it unchanged.
class SimHidBackend final : public device::HidBackend {
public:
    SimHidBackend(std::shared_ptr<VirtualMouse> mouse, SimLink link);

    std::vector<device::HidInterfaceInfo> Enumerate(uint16_t vendor_id,
                                                    uint16_t product_id) override;
    std::shared_ptr<platform::HidDevice> Open(const std::string& path) override;

private:
    std::shared_ptr<VirtualMouse> mouse_;
    SimLink link_;
};

// The wired link's library in front of the virtual mouse: feature reports go to the mouse, and its
// device monitor posts the mouse's reports and plug events to the window like the real one.
class SimVendorLibrary final : public protocol::VendorLibrary {
public:
    explicit SimVendorLibrary(std::shared_ptr<VirtualMouse> mouse);
    ~SimVendorLibrary() override;

    bool SetFeature(std::span<const std::uint8_t> report) override;
    bool GetFeature(std::span<std::uint8_t> buffer) override;
    void SetVidPid(int vendor_id, int product_id) override;
    void OpenDevMonitor(const TalvikWindowHandle* window, std::uint32_t data_message,
                        std::uint32_t plug_message) override;
    bool OpenFeatureDevice() override;
    void CloseFeatureDevice() override;
    void CloseDevMonitor() override;

private:
    std::shared_ptr<VirtualMouse> mouse_;
    std::shared_ptr<platform::HidDevice> device_;
    std::atomic<bool> open_{false};  // closed on the UI thread while the worker may be sending
};

// The links of a session on the virtual mouse behind `link`: its cable, its receiver or its
// Bluetooth LE connection (whose notifications the caller hands to DeviceLinks::OnBleValue).
device::LinkParts SimLinkParts(const std::shared_ptr<VirtualMouse>& mouse, SimLink link);

}  // namespace talvik::sim
