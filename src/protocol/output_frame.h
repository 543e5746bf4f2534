#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

#include "protocol/command_packet.h"

namespace talvik::protocol {

// Frames on the hidapi output-report links: report id 4, frame length, body, big-endian sum.
inline constexpr std::uint8_t kOutputReportId = 0x04;
// Command frames are written as 65 bytes, read-request frames as 64.
inline constexpr std::size_t kCommandFrameSize = 65;
inline constexpr std::size_t kRequestFrameSize = 64;
// Replies and status reports are read as 64 bytes.
inline constexpr std::size_t kReplySize = 64;

using OutputFrame = std::array<std::uint8_t, kCommandFrameSize>;

// Frames `body` (at most 61 bytes); the unused tail stays zero.
OutputFrame BuildOutputFrame(std::span<const std::uint8_t> body);

// A command packet framed behind one 0x00 byte, so the packet starts at frame byte 3.
OutputFrame BuildCommandFrame(const CommandPacket& packet);

// Macro data on the output-report links: two reports of 59 and 52 packet bytes.
std::array<OutputFrame, 2> BuildOutputMacroChunks(const CommandPacket& packet);

// Macro data through the vendor library: the 128 bytes from packet offset 3 in three 64-byte
// feature buffers (report id 9, chunk length, slot, chunk number, 60 data bytes).
inline constexpr std::size_t kWiredChunkSize = 64;
using WiredChunk = std::array<std::uint8_t, kWiredChunkSize>;
std::array<WiredChunk, 3> BuildWiredMacroChunks(const CommandPacket& packet);

// Status replies on the output-report links.
enum class LinkStatus { kNone, kReceived, kExecuted };
LinkStatus ParseStatusReply(std::span<const std::uint8_t> reply);

}  // namespace talvik::protocol
