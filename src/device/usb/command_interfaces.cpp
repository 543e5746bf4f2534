#include "device/usb/command_interfaces.h"

namespace talvik::device {

std::vector<CommandInterface> OpenCommandInterfaces(HidBackend& backend) {
    std::vector<CommandInterface> opened;
    for (const ReceiverFamily family : kAllFamilies) {
        const FamilyTraits& traits = Traits(family);
        for (const HidInterfaceInfo& info :
             backend.Enumerate(traits.vendor_id, traits.product_id)) {
            if (!(info.usage == traits.command)) {
                continue;
            }
            if (auto device = backend.Open(info.path)) {
                opened.push_back({family, info.path, std::move(device)});
                break;
            }
        }
    }
    return opened;
}

}  // namespace talvik::device
