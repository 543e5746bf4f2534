#include "protocol/output_frame.h"

#include <algorithm>

namespace talvik::protocol {

namespace {

constexpr std::size_t kFrameOverhead = 4;
constexpr std::size_t kMaxBody = kCommandFrameSize - kFrameOverhead;

void WriteFrameSum(OutputFrame& frame, std::size_t last) {
    const std::uint16_t sum = ByteSum(frame, 0, last);
    frame[last + 1] = static_cast<std::uint8_t>(sum >> 8);
    frame[last + 2] = static_cast<std::uint8_t>(sum);
}

}  // namespace

OutputFrame BuildOutputFrame(std::span<const std::uint8_t> body) {
    OutputFrame frame{};
    const std::size_t n = std::min(body.size(), kMaxBody);
    const std::size_t f = n + kFrameOverhead;
    frame[0] = kOutputReportId;
    frame[1] = static_cast<std::uint8_t>(f);
    std::copy_n(body.begin(), n, frame.begin() + 2);
    WriteFrameSum(frame, f - 3);
    return frame;
}

OutputFrame BuildCommandFrame(const CommandPacket& packet) {
    std::array<std::uint8_t, kMaxBody> body{};
    const std::size_t n = std::min(packet.length, kMaxBody - 1);
    std::copy_n(packet.bytes.begin(), n, body.begin() + 1);
    return BuildOutputFrame(std::span(body.data(), n + 1));
}

std::array<OutputFrame, 2> BuildOutputMacroChunks(const CommandPacket& packet) {
    std::array<OutputFrame, 2> chunks{};
    OutputFrame& c0 = chunks[0];
    c0[0] = kOutputReportId;
    c0[1] = 0x40;
    c0[2] = 0;
    std::copy_n(packet.bytes.begin(), 59, c0.begin() + 3);
    WriteFrameSum(c0, 61);
    OutputFrame& c1 = chunks[1];
    c1[0] = kOutputReportId;
    c1[1] = 0x39;
    c1[2] = 1;
    std::copy_n(packet.bytes.begin() + 59, 52, c1.begin() + 3);
    WriteFrameSum(c1, 54);
    return chunks;
}

std::array<WiredChunk, 3> BuildWiredMacroChunks(const CommandPacket& packet) {
    // Bytes past the packet's sum are zero, as the packet array is zero beyond its length.
    std::array<std::uint8_t, 128> data{};
    std::copy_n(packet.bytes.begin() + 3, std::min<std::size_t>(packet.length, 111) - 3,
                data.begin());
    std::array<WiredChunk, 3> chunks{};
    for (std::size_t c = 0; c < 3; ++c) {
        WiredChunk& chunk = chunks[c];
        chunk[0] = static_cast<std::uint8_t>(CommandId::kMacroData);
        chunk[1] = c < 2 ? 0x40 : 0x0C;
        chunk[2] = packet.bytes[2];
        chunk[3] = static_cast<std::uint8_t>(c);
        const std::size_t from = 60 * c;
        const std::size_t n = std::min<std::size_t>(60, data.size() - from);
        std::copy_n(data.begin() + from, n, chunk.begin() + 4);
    }
    return chunks;
}

LinkStatus ParseStatusReply(std::span<const std::uint8_t> reply) {
    if (reply.size() < 4 || reply[3] != 0x01) {
        return LinkStatus::kNone;
    }
    if (reply[2] == 0xC0) {
        return LinkStatus::kReceived;
    }
    if (reply[2] == 0xC1) {
        return LinkStatus::kExecuted;
    }
    return LinkStatus::kNone;
}

}  // namespace talvik::protocol
