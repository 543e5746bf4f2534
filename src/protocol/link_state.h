#pragma once

#include <functional>

#include "protocol/links.h"

namespace talvik::protocol {

enum class Link { kWired, k24g, k4k, k4kB, kBle };

// Which links to the mouse are up. The one place that changes the flags: every change recomputes
// `any_link` and tells the listener once. UI thread only.
class LinkState {
public:
    using Listener = std::function<void(const LinkFlags& flags)>;

    void SetListener(Listener listener) { listener_ = std::move(listener); }
    const LinkFlags& flags() const { return flags_; }
    bool any() const { return flags_.any_link; }

    // The cable going down leaves it unplugged (not absent). True when something changed.
    bool Set(Link link, bool up);
    // Replaces every flag at once (a job's copy, a test's set-up).
    void Assign(const LinkFlags& flags);

private:
    void Changed();

    LinkFlags flags_;
    Listener listener_;
};

}  // namespace talvik::protocol
