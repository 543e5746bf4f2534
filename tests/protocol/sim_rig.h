#pragma once

#include <memory>

#include "protocol/links.h"
#include "sim/sim_links.h"
#include "sim/virtual_clock.h"
#include "sim/virtual_mouse.h"

namespace talvik::protocol::testing {

// A virtual mouse on one link, the links the exchange sees, and a virtual clock.
struct SimRig {
    explicit SimRig(sim::SimLink link) {
        sim::VirtualMouse::Options options;
        options.link = link;
        options.clock = &clock;
        mouse = sim::VirtualMouse::Create(options);
        Connect(link);
    }

    // Brings `link` up in the flags and hands its interface to the exchange.
    void Connect(sim::SimLink link) { sim::Connect(*mouse, link, links); }

    sim::VirtualClock clock;
    std::shared_ptr<sim::VirtualMouse> mouse;
    Links links;
};

}  // namespace talvik::protocol::testing
