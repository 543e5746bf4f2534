#include "device/usb/node_access_watch.h"

#include <algorithm>

#include "device/usb/hotplug_monitor.h"
#include "platform/trace.h"

namespace talvik::device {

namespace {

// One receiver's arrival is a handful of events; they are checked together.
constexpr int kSettleMs = 100;

bool SamePaths(const std::vector<BlockedNode>& a, const std::vector<BlockedNode>& b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                      [](const BlockedNode& x, const BlockedNode& y) { return x.path == y.path; });
}

}  // namespace

NodeAccessWatch::NodeAccessWatch(std::unique_ptr<HidBackend> backend, QObject* parent)
    : QObject(parent), backend_(std::move(backend)) {
    settle_.setSingleShot(true);
    settle_.setInterval(kSettleMs);
    connect(&settle_, &QTimer::timeout, this, &NodeAccessWatch::Check);
}

NodeAccessWatch::~NodeAccessWatch() = default;

void NodeAccessWatch::Start() {
    monitor_ = std::make_unique<HotplugMonitor>([this](const DeviceEvent&) { settle_.start(); });
    if (!monitor_->Start()) {
        platform::Trace("node access: no hot-plug monitor; checked at start only");
    }
    Check();
}

void NodeAccessWatch::Check() {
    if (!backend_) {
        return;
    }
    std::vector<BlockedNode> now = FindBlockedNodes(*backend_);
    if (SamePaths(now, blocked_)) {
        return;
    }
    for (const BlockedNode& node : now) {
        platform::Trace("node access: %s refused (%04X:%04X)", node.path.c_str(), node.vendor_id,
                        node.product_id);
    }
    blocked_ = std::move(now);
    emit Changed();
}

}  // namespace talvik::device
