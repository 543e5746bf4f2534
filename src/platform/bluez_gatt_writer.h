#pragma once

#include <QDBusConnection>
#include <QString>
#include <memory>

#include "platform/ble_writer.h"

namespace talvik::platform {

// The mouse's command characteristic.
inline constexpr char kCommandCharacteristicUuid[] = "0000fee3-0000-1000-8000-00805f9b34fb";

// Writes to a GATT characteristic through BlueZ (org.bluez GattCharacteristic1.WriteValue), a
// write with response, so that a failure is seen. Blocking; safe to call from the worker thread.
class BluezGattWriter final : public BleWriter {
public:
    // Finds the characteristic with `uuid` among the objects of `device_path` (a BlueZ Device1
    // object path); nothing when the device has no such characteristic or BlueZ does not answer.
    static std::unique_ptr<BluezGattWriter> Find(const QDBusConnection& bus,
                                                 const QString& device_path,
                                                 const QString& uuid = kCommandCharacteristicUuid);

    BluezGattWriter(const QDBusConnection& bus, QString characteristic_path);

    bool Write(std::span<const std::uint8_t> value) override;
    const QString& path() const { return path_; }

private:
    QDBusConnection bus_;
    QString path_;
};

// How long one BlueZ call may take before it counts as failed.
inline constexpr int kBluezCallTimeoutMs = 5000;

}  // namespace talvik::platform
