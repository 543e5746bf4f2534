#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <span>

#include "protocol/clock.h"
#include "protocol/command_packet.h"
#include "protocol/links.h"

namespace talvik::protocol {

// Pauses of the exchange, in ms.
inline constexpr int kWiredPauseMs = 300;
inline constexpr int kOutputPauseMs = 50;
inline constexpr int kOutputMacroSettleMs = 100;
inline constexpr int kBlePauseMs = 500;
inline constexpr int kRequestPauseMs = 100;
inline constexpr int kFeatureRequestPauseMs = 500;
inline constexpr int kReadPauseMs = 100;
// Retry counts.
inline constexpr int kCommandAttempts = 5;
inline constexpr int kRequestTries = 10;
// A reply that does not come within this time counts as an empty read, so a silent device
// cannot stall the worker.
inline constexpr int kReplyTimeoutMs = 1000;

// What became of one command packet.
enum class SendResult {
    kSent,
    kFailed,   // no link took it, or every attempt failed
    kSkipped,  // the only link up does not carry this setting (the polling rate over Bluetooth LE)
};

// How one packet, read request or block read travels over whichever link is up. Runs on the
// worker thread only, one call at a time; the links are the copy taken for the current job.
class Exchange {
public:
    // `abandon`, when given, is raised by another thread to end the job early: the exchange then
    // stops retrying and sends nothing more, so a silent device cannot hold up quitting.
    Exchange(const Links& links, Clock& clock, const std::atomic<bool>* abandon = nullptr);

    bool Abandoned() const;

    // Sends one command packet over the first link that carries it.
    SendResult SendCommand(const CommandPacket& packet);

    // Asks the mouse to present block `block` of `length` bytes; true when accepted.
    bool RequestBlock(std::uint8_t block, std::uint8_t length, std::uint8_t val = 1);

    // Reads a block reply or status into `buffer` (byte 0 set by the caller to the report id
    // wanted, at least 64 bytes long); `length` is the feature-report length asked for.
    bool ReadBlock(std::span<std::uint8_t> buffer, std::size_t length);

private:
    enum class OutputResult { kDone, kFailed, kLinkError };
    SendResult SendWired(const CommandPacket& packet);
    OutputResult SendOutput(platform::HidDevice& device, const CommandPacket& packet);
    OutputResult SendOutputMacro(platform::HidDevice& device, const CommandPacket& packet);
    SendResult SendBle(const CommandPacket& packet);

    bool wired_up() const;
    platform::HidDevice* output_device_4k_b() const;

    const Links& links_;
    Clock& clock_;
    const std::atomic<bool>* abandon_;
};

}  // namespace talvik::protocol
