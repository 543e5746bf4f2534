// The tray's tool tip and the low-battery notification, against python3-dbusmock's notification
// daemon on a private session bus.
#include "app/tray_status.h"

#include <gtest/gtest.h>

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusReply>
#include <QProcess>
#include <QStringList>

#include "../toolkit/test_support.h"
#include "app/toolkit/toolkit.h"
#include "platform/desktop_notifier.h"

namespace talvik::app {
namespace {

using page::PowerState;
using Source = PowerState::Source;
using test::WaitUntil;

const QString kService = QStringLiteral("org.freedesktop.Notifications");
const QString kPath = QStringLiteral("/org/freedesktop/Notifications");

// A private session bus with the mock notification daemon on it.
class NotificationDaemon {
public:
    ~NotificationDaemon() {
        for (QProcess* process : {&mock_, &bus_}) {
            process->kill();
            process->waitForFinished(3000);
        }
        QDBusConnection::disconnectFromBus(QStringLiteral("desk-notify-test"));
    }

    // Empty on success, else why the test must be skipped.
    QString Start(bool with_daemon) {
        bus_.start(QStringLiteral("dbus-daemon"),
                   {QStringLiteral("--session"), QStringLiteral("--nofork"),
                    QStringLiteral("--print-address=1")});
        if (!bus_.waitForStarted(5000) || !WaitUntil([this] { return bus_.canReadLine(); }, 5000)) {
            return QStringLiteral("dbus-daemon did not start");
        }
        address_ = QString::fromUtf8(bus_.readLine()).trimmed();
        connection_ = std::make_unique<QDBusConnection>(
            QDBusConnection::connectToBus(address_, QStringLiteral("desk-notify-test")));
        if (!connection_->isConnected()) {
            return QStringLiteral("cannot connect to the private bus");
        }
        if (!with_daemon) {
            return {};
        }
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), address_);
        mock_.setProcessEnvironment(env);
        mock_.start(QStringLiteral("/usr/bin/python3"),
                    {QStringLiteral("-m"), QStringLiteral("dbusmock"), QStringLiteral("--template"),
                     QStringLiteral("notification_daemon")});
        if (!WaitUntil(
                [this] { return connection_->interface()->isServiceRegistered(kService).value(); },
                10000)) {
            return QStringLiteral("python3-dbusmock's notification daemon did not start");
        }
        return {};
    }

    QDBusConnection& Bus() { return *connection_; }

    // The arguments of every Notify call the daemon took, oldest first.
    QList<QVariantList> Notifications() {
        QDBusMessage call = QDBusMessage::createMethodCall(
            kService, kPath, QStringLiteral("org.freedesktop.DBus.Mock"),
            QStringLiteral("GetMethodCalls"));
        call << QStringLiteral("Notify");
        const QDBusMessage reply = connection_->call(call);
        QList<QVariantList> calls;
        if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) {
            return calls;
        }
        const QDBusArgument list = reply.arguments().first().value<QDBusArgument>();
        list.beginArray();
        while (!list.atEnd()) {
            qulonglong time = 0;
            QVariantList args;
            list.beginStructure();
            list >> time >> args;
            list.endStructure();
            calls.push_back(args);
        }
        list.endArray();
        return calls;
    }

private:
    QProcess bus_;
    QProcess mock_;
    QString address_;
    std::unique_ptr<QDBusConnection> connection_;
};

class TrayStatusTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(toolkit_.LoadLanguage(QStringLiteral("lan/EN.xml"))); }

    // One battery or charging report on the 2.4 GHz receiver.
    static PowerState Report(Source source, std::optional<int> level = std::nullopt) {
        PowerState state;
        state.links.link_24g = true;
        state.links.any_link = true;
        state.source = source;
        state.level = level;
        return state;
    }

    toolkit::Toolkit toolkit_{test::ResDir()};
    QStringList tips_;
};

TEST_F(TrayStatusTest, OneNotificationPerDischargeAndTheTipFollowsEveryReport) {
    NotificationDaemon daemon;
    const QString why = daemon.Start(true);
    if (!why.isEmpty()) {
        GTEST_SKIP() << why.toStdString();
    }
    platform::DesktopNotifier notifier(daemon.Bus());
    TrayStatus status(
        toolkit_, [this](const QString& tip) { tips_ << tip; }, &notifier);

    const QString name = QStringLiteral("Talvik Gaming Mouse \u2014 2.4 GHz, ");
    const std::vector<std::pair<PowerState, QString>> steps = {
        {Report(Source::kBattery, 40), name + QStringLiteral("40 %")},
        {Report(Source::kBattery, 15), name + QStringLiteral("15 %")},
        {Report(Source::kBattery, 12), name + QStringLiteral("12 %")},
        {Report(Source::kCharging), name + QStringLiteral("Charging")},
        {Report(Source::kBattery, 40), name + QStringLiteral("40 %")},
        {Report(Source::kBattery, 14), name + QStringLiteral("14 %")},
    };
    for (const auto& [state, tip] : steps) {
        status.PowerChanged(state);
        ASSERT_FALSE(tips_.isEmpty());
        EXPECT_EQ(tips_.back(), tip);
    }
    ASSERT_TRUE(WaitUntil([&] { return daemon.Notifications().size() >= 2; }, 5000));
    WaitUntil([] { return false; }, 200);  // a late third one would show up by now
    const QList<QVariantList> shown = daemon.Notifications();
    ASSERT_EQ(shown.size(), 2);
    // app name, replaces id, icon, summary, body, ...
    EXPECT_EQ(shown[0].value(0).toString(), QStringLiteral("Talvik Gaming Mouse"));
    EXPECT_EQ(shown[0].value(2).toString(), QStringLiteral("talvik-mouse"));
    EXPECT_EQ(shown[0].value(3).toString(), QStringLiteral("Mouse battery low"));
    EXPECT_TRUE(shown[0].value(4).toString().contains(QStringLiteral("15 %")));
    EXPECT_TRUE(shown[1].value(4).toString().contains(QStringLiteral("14 %")));
}

TEST_F(TrayStatusTest, WithoutANotificationServiceOnlyTheTipChanges) {
    NotificationDaemon bus_only;
    const QString why = bus_only.Start(false);
    if (!why.isEmpty()) {
        GTEST_SKIP() << why.toStdString();
    }
    platform::DesktopNotifier notifier(bus_only.Bus());
    TrayStatus status(
        toolkit_, [this](const QString& tip) { tips_ << tip; }, &notifier);
    status.PowerChanged(Report(Source::kBattery, 5));
    WaitUntil([] { return false; }, 200);  // the failed call comes back and is only traced
    EXPECT_EQ(tips_.back(), QStringLiteral("Talvik Gaming Mouse \u2014 2.4 GHz, 5 %"));

    // No bus at all: refused at once.
    platform::DesktopNotifier no_bus(QDBusConnection(QStringLiteral("desk-no-such-bus")));
    EXPECT_FALSE(no_bus.Notify(QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c"),
                               QStringLiteral("d")));
}

TEST_F(TrayStatusTest, TipNamesTheLinkAndLeavesOutWhatIsUnknown) {
    TrayStatus status(
        toolkit_, [this](const QString& tip) { tips_ << tip; }, nullptr);
    PowerState state;
    status.PowerChanged(state);
    EXPECT_EQ(tips_.back(), QStringLiteral("Talvik Gaming Mouse"));
    state.links.wired = protocol::WiredState::kConnected;
    state.source = Source::kFull;
    state.level = 100;
    status.PowerChanged(state);
    EXPECT_EQ(tips_.back(), QStringLiteral("Talvik Gaming Mouse \u2014 USB cable, 100 %"));
    state = {};
    state.links.ble = true;
    status.PowerChanged(state);
    EXPECT_EQ(tips_.back(), QStringLiteral("Talvik Gaming Mouse \u2014 Bluetooth LE"));
    // The language follows.
    ASSERT_TRUE(toolkit_.LoadLanguage(QStringLiteral("lan/PL.xml")));
    state.links = {};
    state.links.link_4k_b = true;
    state.source = Source::kCharging;
    status.PowerChanged(state);
    EXPECT_EQ(tips_.back(), QStringLiteral("Talvik Gaming Mouse \u2014 4 kHz, \u0141adowanie"));
}

}  // namespace
}  // namespace talvik::app
