#pragma once

#include "protocol/links.h"
#include "sim/virtual_mouse.h"

namespace talvik::sim {

// The links through which the page reaches `mouse` on `link`: the flag up and the mouse's
// interface as the link's handle, as the real device links would set them.
protocol::Links LinksFor(VirtualMouse& mouse, SimLink link);

// Adds `link` to existing links (a mouse seen through several at once).
void Connect(VirtualMouse& mouse, SimLink link, protocol::Links& links);

}  // namespace talvik::sim
