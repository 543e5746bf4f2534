#pragma once

#include <memory>
#include <vector>

#include "profile/profile_record.h"
#include "protocol/apply.h"
#include "protocol/exchange.h"
#include "protocol/links.h"
#include "sim/sim_links.h"
#include "sim/virtual_clock.h"
#include "sim/virtual_mouse.h"

namespace talvik::protocol::testing {

// A virtual mouse on one link, the links the exchange sees, and a virtual clock.
struct SimRig {
    explicit SimRig(sim::SimLink link, std::shared_ptr<sim::VirtualMouse> existing = nullptr)
        : mouse(existing ? existing : sim::VirtualMouse::Create({link, "", &clock})) {
        sim::Connect(*mouse, link, links);
    }

    sim::VirtualClock clock;
    std::shared_ptr<sim::VirtualMouse> mouse;
    Links links;
};

// Puts `p` into the mouse in full through its cable, as another program would.
inline void ApplyThroughCable(const std::shared_ptr<sim::VirtualMouse>& mouse,
                              const profile::ProfileInfo& p) {
    SimRig cable(sim::SimLink::kWired, mouse);
    Exchange ex(cable.links, cable.clock);
    SendApply(ex, PlanApply(p, *std::make_unique<profile::ProfileInfo>(), true));
}

inline std::vector<std::uint8_t> Ids(const std::vector<CommandPacket>& packets) {
    std::vector<std::uint8_t> ids;
    for (const auto& p : packets) {
        ids.push_back(p.id());
    }
    return ids;
}

}  // namespace talvik::protocol::testing
