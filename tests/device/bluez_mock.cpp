#include "bluez_mock.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QTest>

#include "device/ble/bluez_types.h"

namespace talvik::testing {

namespace {

const QString kPython = QStringLiteral("/usr/bin/python3");
const QString kMockInterface = QStringLiteral("org.freedesktop.DBus.Mock");
const QString kBluez = QStringLiteral("org.bluez");
const QString kBluezMock = QStringLiteral("org.bluez.Mock");
const QString kAdapter = QStringLiteral("/org/bluez/hci0");
constexpr int kCallTimeoutMs = 5000;

// Mock methods that add or remove an object and announce it as the daemon does; characteristics
// get the methods the client calls.
const QString kAddObjectCode = QStringLiteral(
    "gatt = args[1] == 'org.bluez.GattCharacteristic1'\n"
    "methods = [('WriteValue', 'aya{sv}', '', ''), ('StartNotify', '', '', ''),\n"
    "           ('StopNotify', '', '', '')]\n"
    "self.AddObject(args[0], args[1], args[2], methods if gatt else [])\n"
    "self.EmitSignal('org.freedesktop.DBus.ObjectManager', 'InterfacesAdded', 'oa{sa{sv}}',\n"
    "                [args[0], {args[1]: args[2]}])");
const QString kRemoveObjectCode = QStringLiteral(
    "self.RemoveObject(args[0])\n"
    "self.EmitSignal('org.freedesktop.DBus.ObjectManager', 'InterfacesRemoved', 'oas',\n"
    "                [args[0], [args[1]]])");

// Owns the bus daemon and the application object for the whole test process.
class BusEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        static int argc = 1;
        static char name[] = "bluez_test";
        static char* argv[] = {name, nullptr};
        if (QCoreApplication::instance() == nullptr) {  // widget tests bring their own
            app_ = std::make_unique<QCoreApplication>(argc, argv);
        }
        skip_reason_ = Launch();
    }

    void TearDown() override {
        if (daemon_) {
            daemon_->terminate();
            daemon_->waitForFinished(kCallTimeoutMs);
            daemon_.reset();
        }
        // Before static destruction, while Qt's own globals still exist.
        app_.reset();
    }

    const QString& SkipReason() const { return skip_reason_; }

private:
    QString Launch() {
        daemon_ = std::make_unique<QProcess>();
        daemon_->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        daemon_->start(QStringLiteral("dbus-daemon"),
                       {QStringLiteral("--session"), QStringLiteral("--print-address=1"),
                        QStringLiteral("--nofork")});
        if (!daemon_->waitForStarted(kCallTimeoutMs)) {
            return QStringLiteral("dbus-daemon is not installed");
        }
        QByteArray address;
        while (!address.contains('\n') && daemon_->waitForReadyRead(kCallTimeoutMs)) {
            address += daemon_->readAllStandardOutput();
        }
        address = address.trimmed();
        if (address.isEmpty()) {
            return QStringLiteral("dbus-daemon printed no address");
        }
        // Before the first use of the system bus in this process.
        qputenv("DBUS_SYSTEM_BUS_ADDRESS", address);
        if (!QDBusConnection::systemBus().isConnected()) {
            return QStringLiteral("cannot connect to the private bus");
        }
        device::RegisterBluezTypes();
        return QString();
    }

    std::unique_ptr<QCoreApplication> app_;
    std::unique_ptr<QProcess> daemon_;
    QString skip_reason_;
};

BusEnvironment* const g_environment =
    static_cast<BusEnvironment*>(::testing::AddGlobalTestEnvironment(new BusEnvironment));

QVariant Path(const QString& path) {
    return QVariant::fromValue(QDBusObjectPath(path));
}

}  // namespace

QString EnsurePrivateSystemBus() {
    return g_environment->SkipReason();
}

BluezMock::~BluezMock() {
    Stop();
}

QString BluezMock::Start() {
    const QString reason = EnsurePrivateSystemBus();
    if (!reason.isEmpty()) {
        return reason;
    }
    process_ = std::make_unique<QProcess>();
    process_->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process_->setStandardOutputFile(QProcess::nullDevice());
    process_->start(kPython, {QStringLiteral("-m"), QStringLiteral("dbusmock"),
                              QStringLiteral("--template"), QStringLiteral("bluez5")});
    if (!process_->waitForStarted(kCallTimeoutMs)) {
        return QStringLiteral("cannot run the mock daemon");
    }
    QDBusConnectionInterface* bus = QDBusConnection::systemBus().interface();
    const bool up = QTest::qWaitFor(
        [&] {
            return bus->isServiceRegistered(kBluez).value() ||
                   process_->state() == QProcess::NotRunning;
        },
        10000);
    if (!up || !bus->isServiceRegistered(kBluez).value()) {
        return QStringLiteral("python3-dbusmock is not installed");
    }
    MockCall(QStringLiteral("/"), kMockInterface, QStringLiteral("AddMethod"),
             {kBluezMock, QStringLiteral("AddTestObject"), QStringLiteral("ssa{sv}"), QString(),
              kAddObjectCode});
    MockCall(QStringLiteral("/"), kMockInterface, QStringLiteral("AddMethod"),
             {kBluezMock, QStringLiteral("RemoveTestObject"), QStringLiteral("ss"), QString(),
              kRemoveObjectCode});
    return QString();
}

void BluezMock::Stop() {
    if (process_ && process_->state() != QProcess::NotRunning) {
        process_->terminate();
        process_->waitForFinished(kCallTimeoutMs);
    }
    process_.reset();
}

QDBusMessage BluezMock::MockCall(const QString& path, const QString& interface,
                                 const QString& method, const QVariantList& args) {
    QDBusMessage call = QDBusMessage::createMethodCall(kBluez, path, interface, method);
    call.setArguments(args);
    const QDBusMessage reply =
        QDBusConnection::systemBus().call(call, QDBus::Block, kCallTimeoutMs);
    EXPECT_EQ(reply.type(), QDBusMessage::ReplyMessage)
        << qPrintable(method) << " on " << qPrintable(path) << ": "
        << qPrintable(reply.errorMessage());
    return reply;
}

void BluezMock::AddAdapter() {
    MockCall(QStringLiteral("/"), kBluezMock, QStringLiteral("AddAdapter"),
             {QStringLiteral("hci0"), QStringLiteral("test host")});
}

void BluezMock::AddObject(const QString& path, const QString& interface,
                          const QVariantMap& properties) {
    MockCall(QStringLiteral("/"), kBluezMock, QStringLiteral("AddTestObject"),
             {path, QStringLiteral("org.bluez.") + interface, properties});
}

BluezMock::Mouse BluezMock::AddDevice(const QString& address, const QString& modalias,
                                      bool connected, bool with_gatt) {
    Mouse mouse;
    mouse.device = kAdapter + QStringLiteral("/dev_") + QString(address).replace(u':', u'_');
    mouse.command = mouse.device + QStringLiteral("/service0010/char0011");
    mouse.notify = mouse.device + QStringLiteral("/service0010/char0014");
    AddObject(mouse.device, QStringLiteral("Device1"),
              {{QStringLiteral("Address"), address},
               {QStringLiteral("Adapter"), Path(kAdapter)},
               {QStringLiteral("Connected"), connected},
               {QStringLiteral("Modalias"), modalias}});
    if (with_gatt) {
        AddGatt(mouse);
    }
    return mouse;
}

void BluezMock::AddGatt(const Mouse& mouse) {
    const QString service = mouse.device + QStringLiteral("/service0010");
    AddObject(service, QStringLiteral("GattService1"),
              {{QStringLiteral("UUID"), QStringLiteral("0000fee0-0000-1000-8000-00805f9b34fb")},
               {QStringLiteral("Device"), Path(mouse.device)}});
    for (const auto& [path, uuid, flag] :
         {std::tuple{mouse.command, device::kCommandUuid, "write"},
          std::tuple{mouse.notify, device::kNotifyUuid, "notify"}}) {
        AddObject(path, QStringLiteral("GattCharacteristic1"),
                  {{QStringLiteral("UUID"), QString::fromLatin1(uuid)},
                   {QStringLiteral("Service"), Path(service)},
                   {QStringLiteral("Flags"), QStringList{QString::fromLatin1(flag)}},
                   {QStringLiteral("Value"), QByteArray()}});
    }
}

void BluezMock::RemoveDevice(const Mouse& mouse) {
    const QString service = mouse.device + QStringLiteral("/service0010");
    for (const auto& [path, interface] :
         {std::pair{mouse.notify, "GattCharacteristic1"},
          std::pair{mouse.command, "GattCharacteristic1"}, std::pair{service, "GattService1"},
          std::pair{mouse.device, "Device1"}}) {
        MockCall(QStringLiteral("/"), kBluezMock, QStringLiteral("RemoveTestObject"),
                 {path, QStringLiteral("org.bluez.") + QString::fromLatin1(interface)});
    }
}

void BluezMock::SetFailing(const QString& characteristic, const QString& method, bool failing) {
    const QString in =
        method == QLatin1String("WriteValue") ? QStringLiteral("aya{sv}") : QString();
    const QString code = failing ? QStringLiteral(
                                       "raise dbus.exceptions.DBusException('refused', "
                                       "name='org.bluez.Error.NotPermitted')")
                                 : QString();
    MockCall(characteristic, kMockInterface, QStringLiteral("AddMethod"),
             {QStringLiteral("org.bluez.GattCharacteristic1"), method, in, QString(), code});
}

void BluezMock::SetDeviceProperty(const QString& device, const QString& name,
                                  const QVariant& value) {
    MockCall(device, kMockInterface, QStringLiteral("UpdateProperties"),
             {QStringLiteral("org.bluez.Device1"), QVariantMap{{name, value}}});
}

void BluezMock::InvalidateDeviceProperty(const QString& device, const QString& name) {
    MockCall(device, kMockInterface, QStringLiteral("EmitSignal"),
             {QStringLiteral("org.freedesktop.DBus.Properties"),
              QStringLiteral("PropertiesChanged"), QStringLiteral("sa{sv}as"),
              QVariantList{QStringLiteral("org.bluez.Device1"), QVariantMap(), QStringList{name}}});
}

void BluezMock::SetValue(const QString& characteristic, const QByteArray& value) {
    MockCall(characteristic, kMockInterface, QStringLiteral("UpdateProperties"),
             {QStringLiteral("org.bluez.GattCharacteristic1"),
              QVariantMap{{QStringLiteral("Value"), value}}});
}

QList<QVariantList> BluezMock::Calls(const QString& path, const QString& method) {
    const QDBusMessage reply =
        MockCall(path, kMockInterface, QStringLiteral("GetMethodCalls"), {method});
    QList<QVariantList> calls;
    if (reply.arguments().size() != 1) {
        return calls;
    }
    const QDBusArgument log = reply.arguments().at(0).value<QDBusArgument>();
    log.beginArray();
    while (!log.atEnd()) {
        qulonglong timestamp = 0;
        QVariantList args;
        log.beginStructure();
        log >> timestamp >> args;
        log.endStructure();
        calls.push_back(args);
    }
    log.endArray();
    return calls;
}

}  // namespace talvik::testing
