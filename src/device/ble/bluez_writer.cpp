#include "device/ble/bluez_writer.h"

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

// The most an attribute value can hold; a longer packet cannot be one write.
constexpr size_t kMaxValueLength = 512;

}  // namespace

BluezWriter::BluezWriter(std::shared_ptr<const BleTarget> target, std::chrono::milliseconds timeout)
    : target_(std::move(target)), timeout_(timeout) {}

bool BluezWriter::Write(std::span<const std::uint8_t> value) {
    if (!HasTarget()) {
        return false;
    }
    if (value.empty() || value.size() > kMaxValueLength) {
        Trace("BLE write refused: length %zu\n", value.size());
        return false;
    }
    RegisterBluezTypes();
    const QByteArray bytes(reinterpret_cast<const char*>(value.data()),
                           static_cast<qsizetype>(value.size()));
    const QVariantMap options{{QStringLiteral("type"), QStringLiteral("request")}};
    const int timeout_ms = static_cast<int>(std::min<std::chrono::milliseconds::rep>(
        timeout_.count(), std::numeric_limits<int>::max()));
    for (const QString& path : target_->command_paths) {
        Trace("%s\r\n", qPrintable(path));
        QDBusMessage call = QDBusMessage::createMethodCall(target_->service, path,
                                                           QLatin1String(kCharacteristicInterface),
                                                           QStringLiteral("WriteValue"));
        call << bytes << options;
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
