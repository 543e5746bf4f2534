#include "sim/sim_links.h"

#include "protocol/hid_wired_driver.h"

namespace talvik::sim {

void Connect(VirtualMouse& mouse, SimLink link, protocol::Links& links) {
    switch (link) {
        case SimLink::kWired:
            links.flags.wired = protocol::WiredState::kConnected;
            links.handles.wired =
                std::make_shared<protocol::HidWiredDriver>(mouse.CommandInterface(link));
            break;
        case SimLink::k24g:
            links.flags.link_24g = true;
            links.handles.command_24g = mouse.CommandInterface(link);
            break;
        case SimLink::k4k:
            links.flags.link_4k = true;
            links.handles.command_4k = mouse.CommandInterface(link);
            break;
        case SimLink::k4kB:
            links.flags.link_4k_b = true;
            links.handles.command_4k_b = mouse.CommandInterface(link);
            break;
        case SimLink::kBle:
            links.flags.ble = true;
            links.handles.ble = mouse.GattWriter();
            break;
    }
    links.flags.any_link = links.flags.AnyUp();
}

protocol::Links LinksFor(VirtualMouse& mouse, SimLink link) {
    protocol::Links links;
    Connect(mouse, link, links);
    return links;
}

}  // namespace talvik::sim
