#pragma once

#include <QByteArray>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QObject>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <map>
#include <memory>
#include <set>

#include "device/ble/bluez_types.h"
#include "device/ble/bluez_writer.h"

class QDBusPendingCallWatcher;
class QDBusServiceWatcher;

namespace talvik::device {

// Follows the Bluetooth daemon's objects and tells when the mouse comes and goes, subscribes to
// its notification characteristic and hands out write targets for the worker.
//
// Lives on the UI thread; every method and signal belongs to it. The mouse is a device whose
// Modalias names vendor 331A and product 5044; it is present while it is connected.
class BluezClient : public QObject {
    Q_OBJECT

public:
    // Bound of the present-device list; further devices are ignored.
    static constexpr int kMaxPresent = 100;

    explicit BluezClient(QDBusConnection bus, QObject* parent = nullptr);
    // Stops the notifications it started.
    ~BluezClient() override;

    // Connects to the daemon's signals, then asks for its current objects (the answer arrives
    // later, followed by ObjectsListed). False when a signal could not be connected.
    bool Start();

    bool IsMousePresent() const { return !present_.isEmpty(); }
    // The daemon's object list has been taken in since it last (re)appeared.
    bool Listed() const { return listed_; }
    // Object paths of the connected mice, in path order, at most kMaxPresent.
    const QStringList& PresentMice() const { return present_; }

    // Asks every present mouse to notify on its notification characteristic; what is already
    // subscribed is kept. True when at least one subscription is held or under way afterwards.
    bool RegisterNotifications();
    // Stops every subscription made by RegisterNotifications, each exactly once.
    void UnregisterNotifications();
    // True while a subscription is held or under way.
    bool HasNotificationRegistration() const;

    // Snapshot for the worker's BluezWriter; null when no present mouse has a command
    // characteristic.
    std::shared_ptr<const BleTarget> WriteTarget() const;

signals:
    // A mouse became present (connected, or seen connected when listed).
    void MouseArrived(const QString& device_path);
    // A present mouse disconnected or went away.
    void MouseGone(const QString& device_path);
    // A non-empty value from a notification characteristic whose subscription the daemon
    // confirmed, in arrival order.
    void NotificationValue(const QByteArray& value);
    // The daemon answered a subscription request.
    void NotificationRegistered(const QString& characteristic_path, bool ok);
    // The daemon's object list was taken in (at start and after the daemon restarts).
    void ObjectsListed();
    // The characteristics of the present mice changed: the daemon adds a connected mouse's
    // services some time after it reports the connection, and removes them on the way out.
    void CharacteristicsChanged();

private slots:
    void OnInterfacesAdded(const QDBusMessage& message);
    void OnInterfacesRemoved(const QDBusMessage& message);
    void OnPropertiesChanged(const QDBusMessage& message);

private:
    struct DeviceState {
        bool connected = false;
        bool mouse = false;
    };
    struct CharacteristicState {
        QString uuid;
        QStringList flags;
    };

    void RequestObjects();
    void OnObjectsListed(QDBusPendingCallWatcher* watcher, uint64_t generation);
    void OnDaemonGone();
    void ApplyInterfaces(const QString& path, const InterfaceMap& interfaces);
    void RemoveObjectTree(const QString& path);
    void ForgetCharacteristic(const QString& path);
    void ApplyDeviceProperties(DeviceState& device, const QVariantMap& properties);
    void Reconcile();
    QString FindCharacteristic(const QString& device_path, const char* uuid,
                               const QStringList& any_flag) const;
    // The command and notification characteristics of the present mice.
    QStringList UsableCharacteristics() const;
    void SendStartNotify(const QString& path);
    void OnStartNotifyDone(QDBusPendingCallWatcher* watcher, const QString& path);
    void SendStopNotify(const QString& path);

    QDBusConnection bus_;
    QDBusServiceWatcher* daemon_watcher_ = nullptr;
    bool started_ = false;
    // Bumped whenever the daemon goes away, so that an older object list is not applied.
    uint64_t generation_ = 0;
    bool listed_ = false;

    std::map<QString, DeviceState> devices_;
    std::map<QString, CharacteristicState> characteristics_;
    QStringList present_;
    QStringList usable_;  // UsableCharacteristics() when last reconciled

    std::set<QString> registered_;  // subscription confirmed
    std::set<QString> starting_;    // subscription asked for, no answer yet
    std::set<QString> cancelled_;   // unregistered while starting: stop once confirmed
};

}  // namespace talvik::device
