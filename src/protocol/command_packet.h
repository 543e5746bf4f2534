#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

namespace talvik::protocol {

// Command ids and the lengths the mouse expects for them.
enum class CommandId : std::uint8_t {
    kSensorSettings = 0x04,
    kLightSettings = 0x05,
    kPollingRate = 0x06,
    kKeyAssignment = 0x08,
    kMacroData = 0x09,
    kApplyBegin = 0x0C,
    kReadRequest = 0xA0,
};

inline constexpr std::size_t kSensorPacketLength = 56;
inline constexpr std::size_t kLightPacketLength = 15;
inline constexpr std::size_t kPollingPacketLength = 9;
inline constexpr std::size_t kKeyPacketLength = 59;
inline constexpr std::size_t kMacroPacketLength = 111;
inline constexpr std::size_t kApplyBeginLength = 10;
inline constexpr std::size_t kMaxPacketLength = kMacroPacketLength;

// One command as it travels to the mouse: id, length, slot byte, payload, sum, zero padding.
struct CommandPacket {
    std::array<std::uint8_t, kMaxPacketLength> bytes{};
    std::size_t length = 0;

    std::span<const std::uint8_t> view() const { return {bytes.data(), length}; }
    std::uint8_t id() const { return bytes[0]; }
    bool Is(CommandId command) const { return bytes[0] == static_cast<std::uint8_t>(command); }
};

// Starts a zeroed packet: id, length and the slot byte (1 for everything but macro data).
CommandPacket StartPacket(CommandId command, std::size_t length, std::uint8_t slot = 1);

// 16-bit sum of bytes [first, last] of `bytes`, modulo 65,536.
std::uint16_t ByteSum(std::span<const std::uint8_t> bytes, std::size_t first, std::size_t last);

// Writes the sum of bytes 3..last_payload big-endian into the two bytes after the payload.
void WritePacketSum(CommandPacket& packet, std::size_t last_payload);

}  // namespace talvik::protocol
