#pragma once

#include <memory>
#include <vector>

#include "profile/profile_record.h"
#include "protocol/apply.h"
#include "protocol/exchange.h"
#include "protocol/key_packet.h"
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

// Gives button `button` a macro of `actions` key actions, pressed and released in turn.
inline void GiveMacro(profile::ProfileInfo& p, int button, int actions) {
    profile::ButtonAssign& b = p.buttons[button];
    b.function = kFunctionMacro;
    b.macro_event_count = static_cast<std::uint16_t>(actions);
    for (int i = 0; i < actions; ++i) {
        b.macro_actions[i] = {0, 0x04, static_cast<std::uint8_t>(1 + i % 2), 0, 20, 0, 0, 0};
    }
}

inline std::vector<std::uint8_t> Ids(const std::vector<CommandPacket>& packets) {
    std::vector<std::uint8_t> ids;
    for (const auto& p : packets) {
        ids.push_back(p.id());
    }
    return ids;
}

}  // namespace talvik::protocol::testing
