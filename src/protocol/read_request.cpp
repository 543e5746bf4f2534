#include "protocol/read_request.h"

namespace talvik::protocol {

ReadRequest BuildFeatureReadRequest(std::uint8_t block, std::uint8_t length, std::uint8_t val) {
    return {kReadStatusReport, block, length, 0x00, val, 0x00, 0x00, 0x00};
}

ReadRequest BuildOutputReadRequest(std::uint8_t block, std::uint8_t length, std::uint8_t val) {
    return {kReadStatusReport, block, length, val, 0x00, 0x00, 0x00, 0x00};
}

ReadRequest BuildBleReadRequest() {
    return {kReadStatusReport, 0x08, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00};
}

}  // namespace talvik::protocol
