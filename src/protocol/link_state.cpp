#include "protocol/link_state.h"

namespace talvik::protocol {

bool LinkState::Set(Link link, bool up) {
    LinkFlags next = flags_;
    switch (link) {
        case Link::kWired:
            next.wired = up ? WiredState::kConnected : WiredState::kUnplugged;
            break;
        case Link::k24g:
            next.link_24g = up;
            break;
        case Link::k4k:
            next.link_4k = up;
            break;
        case Link::k4kB:
            next.link_4k_b = up;
            break;
        case Link::kBle:
            next.ble = up;
            break;
    }
    next.any_link = next.AnyUp();
    if (next.wired == flags_.wired && next.link_24g == flags_.link_24g &&
        next.link_4k == flags_.link_4k && next.link_4k_b == flags_.link_4k_b &&
        next.ble == flags_.ble && next.any_link == flags_.any_link) {
        return false;
    }
    flags_ = next;
    Changed();
    return true;
}

void LinkState::Assign(const LinkFlags& flags) {
    flags_ = flags;
    flags_.any_link = flags_.AnyUp();
    Changed();
}

void LinkState::Changed() {
    if (listener_) {
        listener_(flags_);
    }
}

}  // namespace talvik::protocol
