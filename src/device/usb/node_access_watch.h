#pragma once

#include <QObject>
#include <QTimer>
#include <memory>
#include <vector>

#include "device/usb/hid_backend.h"
#include "device/usb/node_access.h"

namespace talvik::device {

class HotplugMonitor;

// Keeps the list of our devices' nodes this user may not open: checked at start and again after
// every hot-plug event (a burst of events is checked once). UI thread only.
class NodeAccessWatch : public QObject {
    Q_OBJECT
public:
    explicit NodeAccessWatch(std::unique_ptr<HidBackend> backend, QObject* parent = nullptr);
    ~NodeAccessWatch() override;

    // Checks now and starts following hot-plug.
    void Start();
    const std::vector<BlockedNode>& Blocked() const { return blocked_; }

signals:
    // The list of blocked nodes changed.
    void Changed();

private:
    void Check();

    std::unique_ptr<HidBackend> backend_;
    std::unique_ptr<HotplugMonitor> monitor_;
    QTimer settle_;
    std::vector<BlockedNode> blocked_;
};

}  // namespace talvik::device
