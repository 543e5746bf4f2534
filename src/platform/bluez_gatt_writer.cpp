#include "platform/bluez_gatt_writer.h"

#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QVariantMap>

#include "platform/trace.h"

namespace talvik::platform {

namespace {

constexpr char kBluez[] = "org.bluez";
constexpr char kCharacteristicInterface[] = "org.bluez.GattCharacteristic1";

}  // namespace

std::unique_ptr<BluezGattWriter> BluezGattWriter::Find(const QDBusConnection& bus,
                                                       const QString& device_path,
                                                       const QString& uuid) {
    QDBusMessage call = QDBusMessage::createMethodCall(
        kBluez, "/", "org.freedesktop.DBus.ObjectManager", "GetManagedObjects");
    QDBusConnection connection = bus;
    const QDBusMessage reply = connection.call(call, QDBus::Block, kBluezCallTimeoutMs);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) {
        return nullptr;
    }
    const QString prefix = device_path + "/";
    QString found;
    const QDBusArgument objects = reply.arguments().at(0).value<QDBusArgument>();
    objects.beginMap();
    while (!objects.atEnd()) {
        QDBusObjectPath path;
        objects.beginMapEntry();
        objects >> path;
        objects.beginMap();
        while (!objects.atEnd()) {
            QString interface;
            QVariantMap properties;
            objects.beginMapEntry();
            objects >> interface >> properties;
            objects.endMapEntry();
            if (found.isEmpty() && interface == kCharacteristicInterface &&
                path.path().startsWith(prefix) &&
                properties.value("UUID").toString().compare(uuid, Qt::CaseInsensitive) == 0) {
                found = path.path();
            }
        }
        objects.endMap();
        objects.endMapEntry();
    }
    objects.endMap();
    if (found.isEmpty()) {
        return nullptr;
    }
    return std::make_unique<BluezGattWriter>(bus, found);
}

BluezGattWriter::BluezGattWriter(const QDBusConnection& bus, QString characteristic_path)
    : bus_(bus), path_(std::move(characteristic_path)) {}

bool BluezGattWriter::Write(std::span<const std::uint8_t> value) {
    QDBusMessage call =
        QDBusMessage::createMethodCall(kBluez, path_, kCharacteristicInterface, "WriteValue");
    const QByteArray bytes(reinterpret_cast<const char*>(value.data()),
                           static_cast<qsizetype>(value.size()));
    QVariantMap options;
    options.insert("type", QStringLiteral("request"));
    call << bytes << options;
    const QDBusMessage reply = bus_.call(call, QDBus::Block, kBluezCallTimeoutMs);
    const bool written = reply.type() == QDBusMessage::ReplyMessage;
    Trace("%s\r\n", path_.toUtf8().constData());
    Trace(written ? "Write Success!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!\r\n"
                  : "Write fail!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!\r\n");
    return written;
}

}  // namespace talvik::platform
