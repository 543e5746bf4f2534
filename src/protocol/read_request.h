#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace talvik::protocol {

inline constexpr std::size_t kReadRequestLength = 8;
using ReadRequest = std::array<std::uint8_t, kReadRequestLength>;

// Settings blocks the mouse presents for reading, with their lengths.
inline constexpr std::uint8_t kSensorBlock = 0x04;
inline constexpr std::uint8_t kLightBlock = 0x05;
inline constexpr std::uint8_t kPollingBlock = 0x06;
inline constexpr std::uint8_t kSensorBlockLength = 56;
inline constexpr std::uint8_t kLightBlockLength = 15;
inline constexpr std::uint8_t kPollingBlockLength = 9;

// Report id of the read request and of its status reply.
inline constexpr std::uint8_t kReadStatusReport = 0xA0;

// Feature-report form: A0, c, n, 00, val, 00, 00, 00.
ReadRequest BuildFeatureReadRequest(std::uint8_t block, std::uint8_t length, std::uint8_t val);

// Body of the output-report form: A0, c, n, val, 00, 00, 00, 00.
ReadRequest BuildOutputReadRequest(std::uint8_t block, std::uint8_t length, std::uint8_t val);

// The single request that makes the mouse send its settings as one Bluetooth LE notification.
ReadRequest BuildBleReadRequest();

}  // namespace talvik::protocol
