#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QString>

namespace talvik::platform {

// Desktop notifications through org.freedesktop.Notifications on the session bus. The call does
// not wait for the answer, so a slow or missing notification service never holds the UI thread;
// without one, the notification is only traced. UI thread only.
class DesktopNotifier : public QObject {
    Q_OBJECT
public:
    // `bus`: the session bus by default; tests give a private one.
    explicit DesktopNotifier(QDBusConnection bus = QDBusConnection::sessionBus(),
                             QObject* parent = nullptr);

    // Shows one notification from `app_name` with the themed icon `icon`. False when no bus is
    // there to carry it.
    bool Notify(const QString& app_name, const QString& icon, const QString& summary,
                const QString& body);

private:
    QDBusConnection bus_;
};

}  // namespace talvik::platform
