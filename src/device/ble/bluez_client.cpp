#include "device/ble/bluez_client.h"

#include <QDBusArgument>
#include <QDBusMetaType>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusServiceWatcher>
#include <utility>
#include <vector>

#include "device/ble/mouse_modalias.h"
#include "platform/trace.h"

namespace talvik::device {

namespace {

using platform::Trace;

const QString kService = QString::fromLatin1(kBluezService);
const QString kDevice = QString::fromLatin1(kDeviceInterface);
const QString kCharacteristic = QString::fromLatin1(kCharacteristicInterface);

QStringList ToStringList(const QVariant& value) {
    if (value.metaType() == QMetaType::fromType<QDBusArgument>()) {
        return qdbus_cast<QStringList>(value.value<QDBusArgument>());
    }
    return value.toStringList();
}

template <typename T>
bool TakeArgument(const QVariant& value, T& out) {
    if (value.metaType() == QMetaType::fromType<QDBusArgument>()) {
        const QDBusArgument argument = value.value<QDBusArgument>();
        argument >> out;
        return true;
    }
    if (value.canConvert<T>()) {
        out = value.value<T>();
        return true;
    }
    return false;
}

// Children of an object share the prefix "<path>/" and so sit together in path order.
QString ChildPrefix(const QString& path) {
    return path + u'/';
}

}  // namespace

BluezClient::BluezClient(QDBusConnection bus, QObject* parent)
    : QObject(parent), bus_(std::move(bus)) {
    RegisterBluezTypes();
}

BluezClient::~BluezClient() {
    UnregisterNotifications();
}

bool BluezClient::Start() {
    if (started_) {
        return true;
    }
    if (!bus_.isConnected()) {
        Trace("BLE: no connection to the system bus\n");
        return false;
    }
    // The container types must be known before the first signal or reply carrying them arrives.
    RegisterBluezTypes();
    bool ok = true;
    const auto hook = [&](const QString& path, const char* interface, const char* name,
                          const char* slot) {
        if (!bus_.connect(kService, path, QString::fromLatin1(interface), QString::fromLatin1(name),
                          this, slot)) {
            Trace("BLE: cannot connect to %s.%s: %s\n", interface, name,
                  qPrintable(bus_.lastError().message()));
            ok = false;
        }
    };
    hook(QStringLiteral("/"), kObjectManagerInterface, "InterfacesAdded",
         SLOT(OnInterfacesAdded(QDBusMessage)));
    hook(QStringLiteral("/"), kObjectManagerInterface, "InterfacesRemoved",
         SLOT(OnInterfacesRemoved(QDBusMessage)));
    // Empty path: the changes of every object of the daemon.
    hook(QString(), kPropertiesInterface, "PropertiesChanged",
         SLOT(OnPropertiesChanged(QDBusMessage)));

    daemon_watcher_ =
        new QDBusServiceWatcher(kService, bus_, QDBusServiceWatcher::WatchForOwnerChange, this);
    if (!connect(daemon_watcher_, &QDBusServiceWatcher::serviceRegistered, this,
                 &BluezClient::RequestObjects) ||
        !connect(daemon_watcher_, &QDBusServiceWatcher::serviceUnregistered, this,
                 &BluezClient::OnDaemonGone)) {
        Trace("BLE: cannot watch the daemon\n");
        ok = false;
    }
    started_ = true;
    RequestObjects();
    return ok;
}

void BluezClient::RequestObjects() {
    const QDBusMessage call = QDBusMessage::createMethodCall(
        kService, QStringLiteral("/"), QString::fromLatin1(kObjectManagerInterface),
        QStringLiteral("GetManagedObjects"));
    auto* watcher = new QDBusPendingCallWatcher(bus_.asyncCall(call), this);
    const uint64_t generation = generation_;
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this, generation](QDBusPendingCallWatcher* w) { OnObjectsListed(w, generation); });
}

void BluezClient::OnObjectsListed(QDBusPendingCallWatcher* watcher, uint64_t generation) {
    watcher->deleteLater();
    if (generation != generation_) {
        return;
    }
    const QDBusPendingReply<ManagedObjects> reply = *watcher;
    if (reply.isError()) {
        Trace("BLE: object list failed: %s\n", qPrintable(reply.error().message()));
        return;
    }
    // The list is newer than any signal that came before it: it replaces what we had.
    devices_.clear();
    characteristics_.clear();
    const ManagedObjects objects = reply.value();
    for (auto it = objects.cbegin(); it != objects.cend(); ++it) {
        ApplyInterfaces(it.key().path(), it.value());
    }
    for (auto* set : {&registered_, &starting_, &cancelled_}) {
        std::erase_if(*set, [this](const QString& p) { return !characteristics_.contains(p); });
    }
    listed_ = true;
    Reconcile();
    emit ObjectsListed();
}

void BluezClient::OnDaemonGone() {
    Trace("BLE: daemon left the bus\n");
    ++generation_;
    listed_ = false;
    devices_.clear();
    characteristics_.clear();
    // The daemon's subscriptions ended with it.
    registered_.clear();
    starting_.clear();
    cancelled_.clear();
    Reconcile();
}

void BluezClient::OnInterfacesAdded(const QDBusMessage& message) {
    const QVariantList args = message.arguments();
    QDBusObjectPath path;
    InterfaceMap interfaces;
    if (message.signature() != QLatin1String("oa{sa{sv}}") || args.size() != 2 ||
        !TakeArgument(args[0], path) || !TakeArgument(args[1], interfaces)) {
        Trace("BLE: malformed InterfacesAdded\n");
        return;
    }
    ApplyInterfaces(path.path(), interfaces);
    Reconcile();
}

void BluezClient::OnInterfacesRemoved(const QDBusMessage& message) {
    const QVariantList args = message.arguments();
    QDBusObjectPath path;
    if (message.signature() != QLatin1String("oas") || args.size() != 2 ||
        !TakeArgument(args[0], path)) {
        Trace("BLE: malformed InterfacesRemoved\n");
        return;
    }
    const QStringList interfaces = ToStringList(args[1]);
    if (interfaces.contains(kDevice)) {
        RemoveObjectTree(path.path());
    } else if (interfaces.contains(kCharacteristic)) {
        ForgetCharacteristic(path.path());
    }
    Reconcile();
}

void BluezClient::OnPropertiesChanged(const QDBusMessage& message) {
    const QVariantList args = message.arguments();
    QVariantMap changed;
    if (message.signature() != QLatin1String("sa{sv}as") || args.size() != 3 ||
        !TakeArgument(args[1], changed)) {
        Trace("BLE: malformed PropertiesChanged\n");
        return;
    }
    const QString interface = args[0].toString();
    const QString path = message.path();
    if (interface == kCharacteristic) {
        const auto value = changed.constFind(QStringLiteral("Value"));
        // Only what arrives after the daemon confirmed the subscription counts as notified.
        if (value == changed.constEnd() || !registered_.contains(path)) {
            return;
        }
        if (value->metaType() != QMetaType::fromType<QByteArray>()) {
            Trace("BLE: value of unexpected type from %s\n", qPrintable(path));
            return;
        }
        const QByteArray bytes = value->toByteArray();
        if (bytes.isEmpty()) {
            Trace("datasize 0\n");
            return;
        }
        emit NotificationValue(bytes);
        return;
    }
    if (interface == kDevice) {
        DeviceState& device = devices_[path];
        ApplyDeviceProperties(device, changed);
        const QStringList invalidated = ToStringList(args[2]);
        if (invalidated.contains(QStringLiteral("Connected"))) {
            device.connected = false;
        }
        if (invalidated.contains(QStringLiteral("Modalias"))) {
            device.mouse = false;
        }
        Reconcile();
    }
}

void BluezClient::ApplyInterfaces(const QString& path, const InterfaceMap& interfaces) {
    const auto device = interfaces.constFind(kDevice);
    if (device != interfaces.constEnd()) {
        ApplyDeviceProperties(devices_[path], device.value());
    }
    const auto characteristic = interfaces.constFind(kCharacteristic);
    if (characteristic != interfaces.constEnd()) {
        CharacteristicState& state = characteristics_[path];
        state.uuid = characteristic->value(QStringLiteral("UUID")).toString();
        state.flags = ToStringList(characteristic->value(QStringLiteral("Flags")));
    }
}

void BluezClient::ApplyDeviceProperties(DeviceState& device, const QVariantMap& properties) {
    const auto connected = properties.constFind(QStringLiteral("Connected"));
    if (connected != properties.constEnd()) {
        device.connected = connected->toBool();
    }
    const auto modalias = properties.constFind(QStringLiteral("Modalias"));
    if (modalias != properties.constEnd()) {
        device.mouse = IsMouseModalias(modalias->toString().toStdString());
    }
}

void BluezClient::RemoveObjectTree(const QString& path) {
    devices_.erase(path);
    const QString prefix = ChildPrefix(path);
    std::vector<QString> gone;
    for (auto it = characteristics_.lower_bound(prefix); it != characteristics_.end(); ++it) {
        if (!it->first.startsWith(prefix)) {
            break;
        }
        gone.push_back(it->first);
    }
    for (const QString& p : gone) {
        ForgetCharacteristic(p);
    }
}

void BluezClient::ForgetCharacteristic(const QString& path) {
    // The object is gone and with it any subscription: nothing left to stop.
    characteristics_.erase(path);
    registered_.erase(path);
    starting_.erase(path);
    cancelled_.erase(path);
}

void BluezClient::Reconcile() {
    QStringList present;
    for (const auto& [path, device] : devices_) {
        if (present.size() >= kMaxPresent) {
            break;
        }
        if (device.mouse && device.connected) {
            present.push_back(path);
        }
    }
    const QStringList before = std::exchange(present_, present);
    for (const QString& path : before) {
        if (!present_.contains(path)) {
            Trace("BLE mouse gone: %s\n", qPrintable(path));
            emit MouseGone(path);
        }
    }
    for (const QString& path : present_) {
        if (!before.contains(path)) {
            Trace("BLE mouse present: %s\n", qPrintable(path));
            emit MouseArrived(path);
        }
    }
    QStringList usable = UsableCharacteristics();
    if (usable != usable_) {
        usable_ = std::move(usable);
        emit CharacteristicsChanged();
    }
}

QStringList BluezClient::UsableCharacteristics() const {
    const QStringList write_flags{QStringLiteral("write"),
                                  QStringLiteral("write-without-response")};
    const QStringList notify_flags{QStringLiteral("notify"), QStringLiteral("indicate")};
    QStringList paths;
    for (const QString& device : present_) {
        paths.push_back(FindCharacteristic(device, kCommandUuid, write_flags));
        paths.push_back(FindCharacteristic(device, kNotifyUuid, notify_flags));
    }
    return paths;
}

QString BluezClient::FindCharacteristic(const QString& device_path, const char* uuid,
                                        const QStringList& any_flag) const {
    // Paths follow the attribute handles, so path order finds the first service first.
    const QString prefix = ChildPrefix(device_path);
    for (auto it = characteristics_.lower_bound(prefix); it != characteristics_.end(); ++it) {
        if (!it->first.startsWith(prefix)) {
            break;
        }
        const CharacteristicState& state = it->second;
        if (state.uuid.compare(QLatin1String(uuid), Qt::CaseInsensitive) != 0) {
            continue;
        }
        for (const QString& flag : any_flag) {
            if (state.flags.contains(flag)) {
                return it->first;
            }
        }
    }
    return QString();
}

bool BluezClient::RegisterNotifications() {
    Trace("m_iBleNum = %d\r\n", static_cast<int>(present_.size()));
    const QStringList notify_flags{QStringLiteral("notify"), QStringLiteral("indicate")};
    for (const QString& device : present_) {
        const QString path = FindCharacteristic(device, kNotifyUuid, notify_flags);
        if (path.isEmpty() || registered_.contains(path) || starting_.contains(path)) {
            continue;
        }
        starting_.insert(path);
        if (cancelled_.erase(path) == 0) {
            SendStartNotify(path);
        }
    }
    return HasNotificationRegistration();
}

void BluezClient::SendStartNotify(const QString& path) {
    Trace("%s\r\n", qPrintable(path));
    const QDBusMessage call = QDBusMessage::createMethodCall(kService, path, kCharacteristic,
                                                             QStringLiteral("StartNotify"));
    auto* watcher = new QDBusPendingCallWatcher(bus_.asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this, path](QDBusPendingCallWatcher* w) { OnStartNotifyDone(w, path); });
}

void BluezClient::OnStartNotifyDone(QDBusPendingCallWatcher* watcher, const QString& path) {
    watcher->deleteLater();
    const bool ok = !watcher->isError();
    if (!ok) {
        Trace("BLE: StartNotify failed on %s: %s\n", qPrintable(path),
              qPrintable(watcher->error().message()));
    }
    if (cancelled_.erase(path) != 0) {
        if (ok) {
            SendStopNotify(path);
        }
        return;
    }
    if (starting_.erase(path) == 0) {
        return;  // forgotten meanwhile: removed, or the daemon restarted
    }
    if (ok) {
        registered_.insert(path);
    }
    emit NotificationRegistered(path, ok);
}

void BluezClient::UnregisterNotifications() {
    for (const QString& path : registered_) {
        SendStopNotify(path);
    }
    registered_.clear();
    cancelled_.merge(starting_);
    starting_.clear();
}

bool BluezClient::HasNotificationRegistration() const {
    return !registered_.empty() || !starting_.empty();
}

void BluezClient::SendStopNotify(const QString& path) {
    const QDBusMessage call = QDBusMessage::createMethodCall(kService, path, kCharacteristic,
                                                             QStringLiteral("StopNotify"));
    auto* watcher = new QDBusPendingCallWatcher(bus_.asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [path](QDBusPendingCallWatcher* w) {
        w->deleteLater();
        if (w->isError()) {
            Trace("BLE: StopNotify failed on %s: %s\n", qPrintable(path),
                  qPrintable(w->error().message()));
        } else {
            Trace("BLE: notifications stopped on %s\n", qPrintable(path));
        }
    });
}

std::shared_ptr<const BleTarget> BluezClient::WriteTarget() const {
    const QStringList write_flags{QStringLiteral("write"),
                                  QStringLiteral("write-without-response")};
    QStringList paths;
    for (const QString& device : present_) {
        const QString path = FindCharacteristic(device, kCommandUuid, write_flags);
        if (!path.isEmpty()) {
            paths.push_back(path);
        }
    }
    if (paths.isEmpty()) {
        return nullptr;
    }
    return std::make_shared<const BleTarget>(BleTarget{bus_, kService, paths});
}

}  // namespace talvik::device
