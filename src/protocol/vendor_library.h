#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/messages.h"
#include "protocol/wired_driver.h"

namespace talvik::protocol {

// The wired link's feature-device library as the page uses it.
class VendorLibrary : public WiredDriver {
public:
    virtual void SetVidPid(int vendor_id, int product_id) = 0;
    virtual void OpenDevMonitor(const TalvikWindowHandle* window, std::uint32_t data_message,
                                std::uint32_t plug_message) = 0;
    virtual bool OpenFeatureDevice() = 0;
    virtual void CloseFeatureDevice() = 0;
    virtual void CloseDevMonitor() = 0;
};

inline constexpr int kWiredVendorId = 0x331A;
inline constexpr int kWiredProductId = 0x503C;

// Loads the library with dlopen. Nothing when the file or any of the seven entry points is
// missing: the wired link then counts as absent and no call is made.
std::unique_ptr<VendorLibrary> LoadVendorLibrary(const std::string& path);

}  // namespace talvik::protocol
