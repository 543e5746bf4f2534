#pragma once

#include <QDBusConnection>
#include <QString>
#include <QStringList>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>

#include "platform/ble_writer.h"

namespace talvik::device {

// What the worker needs to write to the mouse: taken on the UI thread when a job starts and never
// changed afterwards, so the worker reads it without locks while the UI thread keeps tracking.
struct BleTarget {
    QDBusConnection bus;
    QString service;
    // The command characteristic of each connected mouse, in present-list order.
    QStringList command_paths;
};

inline constexpr std::chrono::milliseconds kBleWriteTimeout{3000};

// Writes command packets over the Bluetooth LE link. Used on the worker thread; a writer without a
// target (link down) refuses every write at once without touching the bus. Write has the shape of
// the protocol's Bluetooth LE writer interface, so this class can stand behind it.
class BluezWriter final : public platform::BleWriter {
public:
    explicit BluezWriter(std::shared_ptr<const BleTarget> target,
                         std::chrono::milliseconds timeout = kBleWriteTimeout);

    // Worker thread. Writes one packet as a confirmed write to the first mouse that accepts it;
    // blocks until the daemon answers or the timeout ends. True when a write was confirmed.
    bool Write(std::span<const std::uint8_t> value) override;
    bool Write(const std::uint8_t* data, std::size_t length) {
        return data != nullptr && Write(std::span<const std::uint8_t>(data, length));
    }

    bool HasTarget() const { return target_ && !target_->command_paths.isEmpty(); }

private:
    std::shared_ptr<const BleTarget> target_;
    std::chrono::milliseconds timeout_;
};

}  // namespace talvik::device
