// The tray's tool tip and the low-battery notification, against a notification service on a
// private session bus.
#include "app/tray_status.h"

#include <gtest/gtest.h>

#include <QDBusConnection>
#include <QProcess>
#include <QStringList>

#include "../toolkit/test_support.h"
#include "app/toolkit/toolkit.h"
#include "platform/desktop_notifier.h"

namespace talvik::app {

// The notification service on a private session bus: records what each Notify carried.
class NotificationService : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")

public:
    QStringList shown;  // "app name|icon|summary|body"

public slots:
    uint Notify(const QString& app, uint, const QString& icon, const QString& summary,
                const QString& body, const QStringList&, const QVariantMap&, int) {
        shown << QStringList{app, icon, summary, body}.join(QLatin1Char('|'));
        return static_cast<uint>(shown.size());
    }
};

namespace {

using page::PowerState;
using Source = PowerState::Source;
using test::WaitUntil;

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

TEST_F(TrayStatusTest, OneNotificationPerDischarge) {
    QProcess bus;
    bus.start(QStringLiteral("dbus-daemon"),
              {QStringLiteral("--session"), QStringLiteral("--nofork"),
               QStringLiteral("--print-address=1")});
    if (!bus.waitForStarted(5000) || !WaitUntil([&] { return bus.canReadLine(); }, 5000)) {
        GTEST_SKIP() << "dbus-daemon did not start";
    }
    const QString address = QString::fromUtf8(bus.readLine()).trimmed();
    NotificationService service;
    QDBusConnection service_bus = QDBusConnection::connectToBus(address, QStringLiteral("service"));
    ASSERT_TRUE(service_bus.registerService(QStringLiteral("org.freedesktop.Notifications")));
    ASSERT_TRUE(service_bus.registerObject(QStringLiteral("/org/freedesktop/Notifications"),
                                           &service, QDBusConnection::ExportAllSlots));
    platform::DesktopNotifier notifier(
        QDBusConnection::connectToBus(address, QStringLiteral("client")));
    TrayStatus status(
        toolkit_, [](const QString&) {}, &notifier);

    for (const PowerState& state :
         {Report(Source::kBattery, 40), Report(Source::kBattery, 15), Report(Source::kBattery, 12),
          Report(Source::kCharging), Report(Source::kBattery, 40), Report(Source::kBattery, 14)}) {
        status.PowerChanged(state);
    }
    ASSERT_TRUE(WaitUntil([&] { return service.shown.size() >= 2; }, 5000));
    WaitUntil([] { return false; }, 200);  // a late third one would show up by now
    const QString shown = QStringLiteral(
        "Talvik Gaming Mouse|talvik-mouse|Mouse battery low|The battery is at %1 %. Connect the "
        "cable to charge it.");
    EXPECT_EQ(service.shown, QStringList({shown.arg(15), shown.arg(14)}));
    QDBusConnection::disconnectFromBus(QStringLiteral("client"));
    QDBusConnection::disconnectFromBus(QStringLiteral("service"));
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

    // No bus at all: refused at once.
    platform::DesktopNotifier no_bus(QDBusConnection(QStringLiteral("desk-no-such-bus")));
    EXPECT_FALSE(no_bus.Notify(QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c"),
                               QStringLiteral("d")));
}

}  // namespace
}  // namespace talvik::app

#include "tray_status_test.moc"
