#include "protocol/exchange.h"

#include <algorithm>
#include <array>

#include "protocol/output_frame.h"
#include "protocol/read_request.h"

namespace talvik::protocol {

namespace {

// An empty read is no reply: decoding its zeros would overwrite settings with garbage.
bool ReadSome(std::optional<std::size_t> n) {
    return n.has_value() && *n > 0;
}

}  // namespace

Exchange::Exchange(const Links& links, Clock& clock, const std::atomic<bool>* abandon)
    : links_(links), clock_(clock), abandon_(abandon) {}

bool Exchange::Abandoned() const {
    return abandon_ != nullptr && abandon_->load(std::memory_order_acquire);
}

bool Exchange::wired_up() const {
    return links_.flags.wired_up() && links_.handles.wired != nullptr;
}

platform::HidDevice* Exchange::output_device_4k_b() const {
    return links_.flags.link_4k_b ? links_.handles.command_4k_b.get() : nullptr;
}

SendResult Exchange::SendCommand(const CommandPacket& packet) {
    if (wired_up()) {
        return SendWired(packet);
    }
    if (platform::HidDevice* device = output_device_4k_b()) {
        const OutputResult r = packet.Is(CommandId::kMacroData) ? SendOutputMacro(*device, packet)
                                                                : SendOutput(*device, packet);
        if (r == OutputResult::kDone) {
            return SendResult::kSent;
        }
        // A failed link hands the packet on to Bluetooth LE when that is up too.
    }
    return SendBle(packet);
}

SendResult Exchange::SendWired(const CommandPacket& packet) {
    WiredDriver& driver = *links_.handles.wired;
    if (packet.Is(CommandId::kMacroData)) {
        for (const WiredChunk& chunk : BuildWiredMacroChunks(packet)) {
            if (Abandoned()) {
                return SendResult::kFailed;
            }
            driver.SetFeature(chunk);
            clock_.Sleep(kWiredPauseMs);
        }
        return SendResult::kSent;
    }
    for (int attempt = 0; attempt < kCommandAttempts && !Abandoned(); ++attempt) {
        const bool sent = driver.SetFeature(packet.view());
        clock_.Sleep(kWiredPauseMs);
        if (sent) {
            return SendResult::kSent;
        }
    }
    return SendResult::kFailed;
}

Exchange::OutputResult Exchange::SendOutput(platform::HidDevice& device,
                                            const CommandPacket& packet) {
    const OutputFrame frame = BuildCommandFrame(packet);
    std::array<std::uint8_t, kReplySize> reply{};
    std::optional<std::size_t> last_read;
    for (int attempt = 0; attempt < kCommandAttempts && !Abandoned(); ++attempt) {
        device.Write(frame);
        clock_.Sleep(kOutputPauseMs);
        reply.fill(0);
        last_read = device.Read(reply, kReplyTimeoutMs);
        if (last_read && ParseStatusReply(reply) == LinkStatus::kReceived) {
            clock_.Sleep(kOutputPauseMs);
            reply.fill(0);
            last_read = device.Read(reply, kReplyTimeoutMs);
            if (last_read && ParseStatusReply(reply) == LinkStatus::kExecuted) {
                break;
            }
        }
    }
    // The mouse does not always confirm execution; a link that answered at all counts as done.
    return last_read ? OutputResult::kDone : OutputResult::kLinkError;
}

Exchange::OutputResult Exchange::SendOutputMacro(platform::HidDevice& device,
                                                 const CommandPacket& packet) {
    const auto chunks = BuildOutputMacroChunks(packet);
    std::array<std::uint8_t, kReplySize> reply{};
    bool executed = false;
    for (int round = 0; round < kCommandAttempts && !executed && !Abandoned(); ++round) {
        for (const OutputFrame& chunk : chunks) {
            device.Write(chunk);
            clock_.Sleep(kOutputPauseMs);
            device.Read(reply, kReplyTimeoutMs);
            clock_.Sleep(kOutputPauseMs);
        }
        clock_.Sleep(kOutputPauseMs);
        reply.fill(0);
        const auto n = device.Read(reply, kReplyTimeoutMs);
        executed = n && ParseStatusReply(reply) == LinkStatus::kExecuted;
    }
    clock_.Sleep(kOutputMacroSettleMs);
    return executed ? OutputResult::kDone : OutputResult::kFailed;
}

SendResult Exchange::SendBle(const CommandPacket& packet) {
    if (!links_.flags.ble || links_.handles.ble == nullptr) {
        return SendResult::kFailed;
    }
    // The polling rate is not a Bluetooth LE setting.
    if (packet.Is(CommandId::kPollingRate)) {
        return SendResult::kSkipped;
    }
    const bool written = links_.handles.ble->Write(packet.view());
    clock_.Sleep(kBlePauseMs);
    return written ? SendResult::kSent : SendResult::kFailed;
}

bool Exchange::RequestBlock(std::uint8_t block, std::uint8_t length, std::uint8_t val) {
    const LinkFlags& f = links_.flags;
    platform::HidDevice* handle_a = f.link_24g ? links_.handles.command_24g.get() : nullptr;
    if (wired_up() || handle_a != nullptr) {
        const ReadRequest request = BuildFeatureReadRequest(block, length, val);
        clock_.Sleep(kRequestPauseMs);
        for (int attempt = 0; attempt < kRequestTries && !Abandoned(); ++attempt) {
            bool sent;
            if (wired_up()) {
                sent = links_.handles.wired->SetFeature(request);
                clock_.Sleep(kRequestPauseMs);
            } else {
                sent = handle_a->SendFeatureReport(request).has_value();
                clock_.Sleep(kFeatureRequestPauseMs);
            }
            if (sent) {
                break;
            }
        }
        std::array<std::uint8_t, kReplySize> status{};
        status[0] = kReadStatusReport;
        const bool read = ReadBlock(status, kReadRequestLength);
        clock_.Sleep(kRequestPauseMs);
        return read && status[1] == 0x01;
    }
    platform::HidDevice* output = nullptr;
    if (f.link_4k && links_.handles.command_4k) {
        output = links_.handles.command_4k.get();
    } else if (f.link_4k_b && links_.handles.command_4k_b) {
        output = links_.handles.command_4k_b.get();
    }
    if (output != nullptr) {
        const OutputFrame frame = BuildOutputFrame(BuildOutputReadRequest(block, length, val));
        output->Write(std::span(frame.data(), kRequestFrameSize));
        clock_.Sleep(kRequestPauseMs);
    }
    return true;
}

bool Exchange::ReadBlock(std::span<std::uint8_t> buffer, std::size_t length) {
    if (buffer.empty()) {
        return false;
    }
    const std::size_t n = std::min(length, buffer.size());
    if (wired_up()) {
        return links_.handles.wired->GetFeature(buffer.first(n));
    }
    const LinkFlags& f = links_.flags;
    // The feature read goes to the receiver the feature request went to.
    if (f.link_24g && links_.handles.command_24g) {
        return ReadSome(links_.handles.command_24g->GetFeatureReport(buffer.first(n)));
    }
    platform::HidDevice* device = nullptr;
    if (f.link_4k && links_.handles.command_4k) {
        device = links_.handles.command_4k.get();
    } else if (f.link_4k_b && links_.handles.command_4k_b) {
        device = links_.handles.command_4k_b.get();
    }
    if (device == nullptr) {
        return false;
    }
    const std::span<std::uint8_t> reply = buffer.first(std::min(buffer.size(), kReplySize));
    // The first report after a request is its status; the block follows.
    device->Read(reply, kReplyTimeoutMs);
    clock_.Sleep(kReadPauseMs);
    std::fill(reply.begin(), reply.end(), 0);
    return ReadSome(device->Read(reply, kReplyTimeoutMs));
}

}  // namespace talvik::protocol
