#pragma once

#include <QByteArray>
#include <QDBusMessage>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QVariantList>
#include <QVariantMap>
#include <memory>

namespace talvik::testing {

// A private message bus, started once per test process, that stands in for the system bus:
// DBUS_SYSTEM_BUS_ADDRESS points at it before anything opens the system bus. Empty result when
// it runs; otherwise why the Bluetooth tests must be skipped.
QString EnsurePrivateSystemBus();

// A scripted Bluetooth daemon on that bus: python3-dbusmock's bluez5 template, to which the
// tests add devices, GATT services and characteristics with the mock's generic calls.
class BluezMock {
public:
    struct Mouse {
        QString device;
        QString command;  // the write characteristic
        QString notify;   // the notification characteristic
    };

    BluezMock() = default;
    ~BluezMock();
    BluezMock(const BluezMock&) = delete;
    BluezMock& operator=(const BluezMock&) = delete;

    // Starts the daemon and waits until it owns its name. Empty result on success, else why the
    // test must be skipped.
    QString Start();
    void Stop();

    // Adds adapter hci0 (announced like the daemon does).
    void AddAdapter();
    // Adds a device under hci0 with one service holding the two characteristics, each announced
    // with InterfacesAdded, device first.
    Mouse AddDevice(const QString& address, const QString& modalias, bool connected,
                    bool with_gatt = true);
    // Adds the service and characteristics of a device added without them, as the daemon does
    // some time after the device connected.
    void AddGatt(const Mouse& mouse);
    // Removes the characteristics, the service and the device, announcing each removal.
    void RemoveDevice(const Mouse& mouse);

    // Makes method of the characteristic fail from now on, or succeed again.
    void SetFailing(const QString& characteristic, const QString& method, bool failing);

    void SetDeviceProperty(const QString& device, const QString& name, const QVariant& value);
    // Announces the device property as invalidated, its value withdrawn.
    void InvalidateDeviceProperty(const QString& device, const QString& name);
    // Changes a characteristic's Value as a notification from the mouse does.
    void SetValue(const QString& characteristic, const QByteArray& value);

    // Arguments of every call of method on the object at path, oldest first.
    QList<QVariantList> Calls(const QString& path, const QString& method);

private:
    QDBusMessage MockCall(const QString& path, const QString& interface, const QString& method,
                          const QVariantList& args);
    // Adds the object with one interface of the daemon's ("Device1", ...) and announces it.
    void AddObject(const QString& path, const QString& interface, const QVariantMap& properties);

    std::unique_ptr<QProcess> process_;
};

}  // namespace talvik::testing
