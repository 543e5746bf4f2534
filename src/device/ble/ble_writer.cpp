#include "device/ble/ble_writer.h"

#include <QByteArray>
#include <QDBusMessage>
#include <QVariantMap>
#include <algorithm>
#include <limits>

#include "device/ble/bluez_types.h"
#include "platform/trace.h"

namespace talvik::device {

namespace {

using platform::Trace;

// One packet is small; anything near this is a caller's mistake, not a packet.
constexpr size_t kMaxValueLength = 512;

}  // namespace

BleWriter::BleWriter(std::shared_ptr<const BleTarget> target, std::chrono::milliseconds timeout)
    : target_(std::move(target)), timeout_(timeout) {}

bool BleWriter::Write(const uint8_t* data, size_t length) const {
    if (!HasTarget()) {
        return false;
    }
    if (data == nullptr || length == 0 || length > kMaxValueLength) {
        Trace("BLE write refused: length %zu\n", length);
        return false;
    }
    RegisterBluezTypes();
    const QByteArray value(reinterpret_cast<const char*>(data), static_cast<qsizetype>(length));
    const QVariantMap options{{QStringLiteral("type"), QStringLiteral("request")}};
    const int timeout_ms = static_cast<int>(std::min<std::chrono::milliseconds::rep>(
        timeout_.count(), std::numeric_limits<int>::max()));
    for (const QString& path : target_->command_paths) {
        Trace("%s\r\n", qPrintable(path));
        QDBusMessage call = QDBusMessage::createMethodCall(target_->service, path,
                                                           QLatin1String(kCharacteristicInterface),
                                                           QStringLiteral("WriteValue"));
        call << value << options;
        const QDBusMessage reply = target_->bus.call(call, QDBus::Block, timeout_ms);
        if (reply.type() == QDBusMessage::ReplyMessage) {
            Trace("Write Success!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!\r\n");
            return true;
        }
        Trace("Write fail!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!\r\n");
        Trace("BLE write error: %s %s\n", qPrintable(reply.errorName()),
              qPrintable(reply.errorMessage()));
    }
    return false;
}

}  // namespace talvik::device
