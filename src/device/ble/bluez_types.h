#pragma once

#include <QDBusObjectPath>
#include <QMap>
#include <QString>
#include <QVariantMap>

namespace talvik::device {

// Names on the Bluetooth daemon's bus.
inline constexpr char kBluezService[] = "org.bluez";
inline constexpr char kDeviceInterface[] = "org.bluez.Device1";
inline constexpr char kCharacteristicInterface[] = "org.bluez.GattCharacteristic1";
inline constexpr char kObjectManagerInterface[] = "org.freedesktop.DBus.ObjectManager";
inline constexpr char kPropertiesInterface[] = "org.freedesktop.DBus.Properties";

// The mouse's command (write) and notification characteristics.
inline constexpr char kCommandUuid[] = "0000fee3-0000-1000-8000-00805f9b34fb";
inline constexpr char kNotifyUuid[] = "0000fee4-0000-1000-8000-00805f9b34fb";

// interface name -> properties of one object; object path -> its interfaces.
using InterfaceMap = QMap<QString, QVariantMap>;
using ManagedObjects = QMap<QDBusObjectPath, InterfaceMap>;

// Registers the container types above with the D-Bus type system. Must run before any
// signal connection or call that carries them; safe to call again from any thread.
void RegisterBluezTypes();

}  // namespace talvik::device
