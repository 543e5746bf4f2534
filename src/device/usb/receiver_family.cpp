#include "device/usb/receiver_family.h"

namespace talvik::device {

namespace {

constexpr FamilyTraits kTraits[] = {
    {ReceiverFamily::k24g, "24g", 0x1D57, 0xFA60, {0x000B, 0x0000}, {0x000A, 0x0000}, 6, 4, 592},
    {ReceiverFamily::k4k, "4k", 0x1D57, 0xFA65, {0xFF00, 0x0001}, {0x000A, 0x0000}, 1, 0, 596},
    {ReceiverFamily::k4kB, "4kb", 0x331A, 0x5043, {0xFF01, 0x0002}, {0xFF00, 0x0001}, 1, 0, 597},
};

}  // namespace

const FamilyTraits& Traits(ReceiverFamily family) {
    return kTraits[static_cast<int>(family)];
}

std::optional<ReceiverFamily> FamilyOfIds(uint16_t vendor_id, uint16_t product_id) {
    for (const FamilyTraits& traits : kTraits) {
        if (traits.vendor_id == vendor_id && traits.product_id == product_id) {
            return traits.family;
        }
    }
    return std::nullopt;
}

}  // namespace talvik::device
