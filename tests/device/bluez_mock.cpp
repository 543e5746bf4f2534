#include "bluez_mock.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QStandardPaths>
#include <QTest>

#include "device/ble/bluez_types.h"

namespace talvik::testing {

namespace {

const QString kPython = QStringLiteral("/usr/bin/python3");
const QString kMockInterface = QStringLiteral("org.freedesktop.DBus.Mock");
const QString kBluez = QStringLiteral("org.bluez");
const QString kAdapter = QStringLiteral("/org/bluez/hci0");
constexpr int kCallTimeoutMs = 5000;

// One method of a mock object: name, in and out signatures, Python body.
struct MockMethod {
    QString name;
    QString in;
    QString out;
    QString code;
};

QDBusArgument& operator<<(QDBusArgument& arg, const MockMethod& m) {
    arg.beginStructure();
    arg << m.name << m.in << m.out << m.code;
    arg.endStructure();
    return arg;
}

const QDBusArgument& operator>>(const QDBusArgument& arg, MockMethod& m) {
    arg.beginStructure();
    arg >> m.name >> m.in >> m.out >> m.code;
    arg.endStructure();
    return arg;
}

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
        const QString daemon = QStandardPaths::findExecutable(QStringLiteral("dbus-daemon"));
        if (daemon.isEmpty()) {
            return QStringLiteral("dbus-daemon is not installed");
        }
        if (QProcess::execute(kPython, {QStringLiteral("-c"), QStringLiteral("import dbusmock")}) !=
            0) {
            return QStringLiteral("python3-dbusmock is not installed");
        }
        daemon_ = std::make_unique<QProcess>();
        daemon_->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        daemon_->start(daemon, {QStringLiteral("--session"), QStringLiteral("--print-address=1"),
                                QStringLiteral("--nofork")});
        if (!daemon_->waitForStarted(kCallTimeoutMs)) {
            return QStringLiteral("dbus-daemon did not start");
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
        qDBusRegisterMetaType<MockMethod>();
        qDBusRegisterMetaType<QList<MockMethod>>();
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
        return QStringLiteral("the mock daemon did not appear on the bus");
    }
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
    MockCall(QStringLiteral("/"), QStringLiteral("org.bluez.Mock"), QStringLiteral("AddAdapter"),
             {QStringLiteral("hci0"), QStringLiteral("test host")});
}

void BluezMock::AddObject(const QString& path, const QString& interface,
                          const QVariantMap& properties, const QStringList& method_lines) {
    QList<MockMethod> methods;
    for (const QString& line : method_lines) {
        const QStringList parts = line.split(u'|');
        methods.push_back({parts.value(0), parts.value(1), parts.value(2), parts.value(3)});
    }
    MockCall(QStringLiteral("/"), kMockInterface, QStringLiteral("AddObject"),
             {path, interface, properties, QVariant::fromValue(methods)});
}

void BluezMock::AnnounceAdded(const QString& path, const QString& interface,
                              const QVariantMap& properties) {
    const device::InterfaceMap interfaces{{interface, properties}};
    MockCall(
        QStringLiteral("/"), kMockInterface, QStringLiteral("EmitSignal"),
        {QStringLiteral("org.freedesktop.DBus.ObjectManager"), QStringLiteral("InterfacesAdded"),
         QStringLiteral("oa{sa{sv}}"), QVariantList{Path(path), QVariant::fromValue(interfaces)}});
}

void BluezMock::AnnounceRemoved(const QString& path, const QString& interface) {
    MockCall(
        QStringLiteral("/"), kMockInterface, QStringLiteral("EmitSignal"),
        {QStringLiteral("org.freedesktop.DBus.ObjectManager"), QStringLiteral("InterfacesRemoved"),
         QStringLiteral("oas"), QVariantList{Path(path), QStringList{interface}}});
}

BluezMock::Mouse BluezMock::AddDevice(const QString& address, const QString& modalias,
                                      bool connected, bool with_gatt) {
    Mouse mouse;
    mouse.device = kAdapter + QStringLiteral("/dev_") + QString(address).replace(u':', u'_');
    const QString service = mouse.device + QStringLiteral("/service0010");
    mouse.command = service + QStringLiteral("/char0011");
    mouse.notify = service + QStringLiteral("/char0014");

    const QVariantMap device{
        {QStringLiteral("Address"), address},
        {QStringLiteral("Name"), QStringLiteral("test device")},
        {QStringLiteral("Alias"), QStringLiteral("test device")},
        {QStringLiteral("Adapter"), Path(kAdapter)},
        {QStringLiteral("Paired"), true},
        {QStringLiteral("Connected"), connected},
        {QStringLiteral("Modalias"), modalias},
    };
    AddObject(mouse.device, QStringLiteral("org.bluez.Device1"), device, {});
    AnnounceAdded(mouse.device, QStringLiteral("org.bluez.Device1"), device);
    if (with_gatt) {
        AddGatt(mouse);
    }
    return mouse;
}

void BluezMock::AddGatt(const Mouse& mouse) {
    const QString service = mouse.command.left(mouse.command.lastIndexOf(u'/'));
    const QVariantMap gatt_service{
        {QStringLiteral("UUID"), QStringLiteral("0000fee0-0000-1000-8000-00805f9b34fb")},
        {QStringLiteral("Primary"), true},
        {QStringLiteral("Device"), Path(mouse.device)},
    };
    AddObject(service, QStringLiteral("org.bluez.GattService1"), gatt_service, {});
    AnnounceAdded(service, QStringLiteral("org.bluez.GattService1"), gatt_service);

    const QStringList methods{QStringLiteral("WriteValue|aya{sv}||"),
                              QStringLiteral("StartNotify|||"), QStringLiteral("StopNotify|||")};
    const auto characteristic = [&](const QString& path, const char* uuid, QStringList flags) {
        const QVariantMap properties{
            {QStringLiteral("UUID"), QString::fromLatin1(uuid)},
            {QStringLiteral("Service"), Path(service)},
            {QStringLiteral("Flags"), flags},
            {QStringLiteral("Value"), QByteArray()},
            {QStringLiteral("Notifying"), false},
        };
        AddObject(path, QStringLiteral("org.bluez.GattCharacteristic1"), properties, methods);
        AnnounceAdded(path, QStringLiteral("org.bluez.GattCharacteristic1"), properties);
    };
    characteristic(mouse.command, device::kCommandUuid,
                   {QStringLiteral("read"), QStringLiteral("write")});
    characteristic(mouse.notify, device::kNotifyUuid, {QStringLiteral("notify")});
}

void BluezMock::RemoveDevice(const Mouse& mouse) {
    const QString service = mouse.command.left(mouse.command.lastIndexOf(u'/'));
    const QList<std::pair<QString, QString>> objects{
        {mouse.notify, QStringLiteral("org.bluez.GattCharacteristic1")},
        {mouse.command, QStringLiteral("org.bluez.GattCharacteristic1")},
        {service, QStringLiteral("org.bluez.GattService1")},
        {mouse.device, QStringLiteral("org.bluez.Device1")},
    };
    for (const auto& [path, interface] : objects) {
        MockCall(QStringLiteral("/"), kMockInterface, QStringLiteral("RemoveObject"), {path});
        AnnounceRemoved(path, interface);
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
