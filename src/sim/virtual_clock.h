#pragma once

#include <atomic>
#include <cstdint>

#include "protocol/clock.h"

namespace talvik::sim {

// Time that passes only when someone sleeps or waits: tests run the protocol's pauses in no
// real time and can check their sum. Usable from several threads.
class VirtualClock final : public protocol::Clock {
public:
    void Sleep(int ms) override;
    std::uint64_t NowMs() override { return now_.load(); }

    // Time spent waiting for a reply that did not come; not a pause of the protocol.
    void Advance(int ms);

    // Sum of all pauses so far, and their number.
    std::uint64_t slept_ms() const { return slept_.load(); }
    int sleeps() const { return sleeps_.load(); }

private:
    std::atomic<std::uint64_t> now_{0};
    std::atomic<std::uint64_t> slept_{0};
    std::atomic<int> sleeps_{0};
};

}  // namespace talvik::sim
