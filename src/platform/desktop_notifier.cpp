#include "platform/desktop_notifier.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QStringList>
#include <QVariantMap>

#include "platform/trace.h"

namespace talvik::platform {

namespace {

const QString kService = QStringLiteral("org.freedesktop.Notifications");
const QString kPath = QStringLiteral("/org/freedesktop/Notifications");
constexpr int kDefaultExpiry = -1;  // the server decides how long it stays
constexpr unsigned char kUrgencyNormal = 1;

}  // namespace

DesktopNotifier::DesktopNotifier(QDBusConnection bus, QObject* parent)
    : QObject(parent), bus_(std::move(bus)) {}

bool DesktopNotifier::Notify(const QString& app_name, const QString& icon, const QString& summary,
                             const QString& body) {
    if (!bus_.isConnected()) {
        Trace("notification not shown, no session bus: %s", qPrintable(summary));
        return false;
    }
    QDBusMessage call =
        QDBusMessage::createMethodCall(kService, kPath, kService, QStringLiteral("Notify"));
    QVariantMap hints;
    hints.insert(QStringLiteral("urgency"), QVariant::fromValue(kUrgencyNormal));
    hints.insert(QStringLiteral("desktop-entry"), icon);
    call << app_name << 0u << icon << summary << body << QStringList() << hints << kDefaultExpiry;
    auto* watcher = new QDBusPendingCallWatcher(bus_.asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [summary](QDBusPendingCallWatcher* finished) {
                const QDBusPendingReply<unsigned int> reply = *finished;
                if (reply.isError()) {
                    Trace("notification not shown: %s", qPrintable(reply.error().message()));
                }
                finished->deleteLater();
            });
    return true;
}

}  // namespace talvik::platform
