#include "protocol/command_packet.h"

namespace talvik::protocol {

CommandPacket StartPacket(CommandId command, std::size_t length, std::uint8_t slot) {
    CommandPacket packet;
    packet.length = length;
    packet.bytes[0] = static_cast<std::uint8_t>(command);
    packet.bytes[1] = static_cast<std::uint8_t>(length);
    packet.bytes[2] = slot;
    return packet;
}

std::uint16_t ByteSum(std::span<const std::uint8_t> bytes, std::size_t first, std::size_t last) {
    std::uint32_t sum = 0;
    for (std::size_t i = first; i <= last && i < bytes.size(); ++i) {
        sum += bytes[i];
    }
    return static_cast<std::uint16_t>(sum);
}

void WritePacketSum(CommandPacket& packet, std::size_t last_payload) {
    const std::uint16_t sum = ByteSum(packet.bytes, 3, last_payload);
    packet.bytes[last_payload + 1] = static_cast<std::uint8_t>(sum >> 8);
    packet.bytes[last_payload + 2] = static_cast<std::uint8_t>(sum);
}

}  // namespace talvik::protocol
