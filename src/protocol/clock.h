#pragma once

#include <cstdint>

namespace talvik::protocol {

// The protocol's pauses go through this, so tests can run them in virtual time.
class Clock {
public:
    virtual ~Clock() = default;
    virtual void Sleep(int ms) = 0;
    virtual std::uint64_t NowMs() = 0;
};

// Steady time and real sleeps.
class RealClock final : public Clock {
public:
    void Sleep(int ms) override;
    std::uint64_t NowMs() override;
};

}  // namespace talvik::protocol
