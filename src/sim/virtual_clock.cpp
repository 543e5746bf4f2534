#include "sim/virtual_clock.h"

namespace talvik::sim {

void VirtualClock::Sleep(int ms) {
    if (ms <= 0) {
        return;
    }
    now_ += static_cast<std::uint64_t>(ms);
    slept_ += static_cast<std::uint64_t>(ms);
    ++sleeps_;
}

void VirtualClock::Advance(int ms) {
    if (ms > 0) {
        now_ += static_cast<std::uint64_t>(ms);
    }
}

}  // namespace talvik::sim
