#pragma once

#include <memory>

#include "protocol/hid_wired_driver.h"
#include "protocol/links.h"
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
    void Connect(sim::SimLink link) {
        switch (link) {
            case sim::SimLink::kWired:
                links.flags.wired = WiredState::kConnected;
                links.handles.wired =
                    std::make_shared<HidWiredDriver>(mouse->CommandInterface(link));
                break;
            case sim::SimLink::k24g:
                links.flags.link_24g = true;
                links.handles.command_24g = mouse->CommandInterface(link);
                break;
            case sim::SimLink::k4k:
                links.flags.link_4k = true;
                links.handles.command_4k = mouse->CommandInterface(link);
                break;
            case sim::SimLink::k4kB:
                links.flags.link_4k_b = true;
                links.handles.command_4k_b = mouse->CommandInterface(link);
                break;
            case sim::SimLink::kBle:
                links.flags.ble = true;
                links.handles.ble = mouse->GattWriter();
                break;
        }
    }

    sim::VirtualClock clock;
    std::shared_ptr<sim::VirtualMouse> mouse;
    Links links;
};

}  // namespace talvik::protocol::testing
