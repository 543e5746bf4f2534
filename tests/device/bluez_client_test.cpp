// The Bluetooth LE link against a scripted Bluetooth daemon on a private bus.
#include "device/ble/bluez_client.h"

#include <gtest/gtest.h>

#include <QDBusArgument>
#include <QDBusConnection>
#include <QSignalSpy>
#include <QTest>
#include <thread>

#include "bluez_mock.h"
#include "device/ble/bluez_writer.h"

namespace talvik {
namespace {

using device::BleTarget;
using device::BluezClient;
using device::BluezWriter;
using testing::BluezMock;

const QString kMouseAlias = QStringLiteral("usb:v331Ap5044d0001");
constexpr int kWaitMs = 5000;

class BluezClientTest : public ::testing::Test {
protected:
    void SetUp() override {
        const QString reason = mock_.Start();
        if (!reason.isEmpty()) {
            GTEST_SKIP() << qPrintable(reason);
        }
        mock_.AddAdapter();
    }

    void TearDown() override {
        client_.reset();
        mock_.Stop();
    }

    // Starts the client and waits until it has taken in the daemon's objects.
    BluezClient& StartClient() {
        client_ = std::make_unique<BluezClient>(QDBusConnection::systemBus());
        arrived_ = std::make_unique<QSignalSpy>(client_.get(), &BluezClient::MouseArrived);
        gone_ = std::make_unique<QSignalSpy>(client_.get(), &BluezClient::MouseGone);
        values_ = std::make_unique<QSignalSpy>(client_.get(), &BluezClient::NotificationValue);
        QSignalSpy listed(client_.get(), &BluezClient::ObjectsListed);
        EXPECT_TRUE(client_->Start());
        EXPECT_TRUE(listed.wait(kWaitMs));
        return *client_;
    }

    // Registers and waits for the daemon's answer.
    void Register() {
        QSignalSpy registered(client_.get(), &BluezClient::NotificationRegistered);
        ASSERT_TRUE(client_->RegisterNotifications());
        ASSERT_TRUE(registered.wait(kWaitMs));
        ASSERT_TRUE(registered.first().at(1).toBool());
    }

    // A device at address ...:4n, by default our connected mouse.
    BluezMock::Mouse Add(int n, bool connected = true, const QString& alias = kMouseAlias) {
        return mock_.AddDevice(QStringLiteral("00:11:22:33:44:0%1").arg(n), alias, connected);
    }

    BluezMock mock_;
    std::unique_ptr<BluezClient> client_;
    std::unique_ptr<QSignalSpy> arrived_;
    std::unique_ptr<QSignalSpy> gone_;
    std::unique_ptr<QSignalSpy> values_;
};

TEST_F(BluezClientTest, ListedObjectsGiveOnlyConnectedMiceAsPresentUpToTheBound) {
    Add(1, true, QStringLiteral("usb:v046DpC52Bd0001"));
    Add(2, false);
    const auto mouse = Add(3);
    // Present, but without the command characteristic: nothing to write to.
    for (int i = 0; i < BluezClient::kMaxPresent; ++i) {
        mock_.AddDevice(QStringLiteral("00:11:22:33:55:%1").arg(i, 2, 10, QLatin1Char('0')),
                        kMouseAlias, true, false);
    }

    BluezClient& client = StartClient();

    ASSERT_EQ(client.PresentMice().size(), BluezClient::kMaxPresent);
    EXPECT_EQ(arrived_->size(), BluezClient::kMaxPresent);
    EXPECT_EQ(client.PresentMice().front(), mouse.device);
    EXPECT_FALSE(
        client.PresentMice().contains(QStringLiteral("/org/bluez/hci0/dev_00_11_22_33_55_99")));
    const std::shared_ptr<const BleTarget> target = client.WriteTarget();
    ASSERT_TRUE(target);
    EXPECT_EQ(target->command_paths, QStringList{mouse.command});
}

TEST_F(BluezClientTest, ArrivalAndRemovalFollowTheDaemonsSignals) {
    BluezClient& client = StartClient();
    EXPECT_FALSE(client.IsMousePresent());

    // Signals are delivered in order: once the mouse has arrived, the other device was seen.
    Add(1, true, QStringLiteral("bluetooth:v331Ap5045d0001"));
    const auto mouse = Add(2, true, QStringLiteral("bluetooth:v331ap5044d0002"));
    ASSERT_TRUE(arrived_->wait(kWaitMs));
    ASSERT_EQ(arrived_->size(), 1);
    EXPECT_EQ(arrived_->at(0).at(0), mouse.device);

    // A withdrawn connection state counts as disconnected.
    mock_.InvalidateDeviceProperty(mouse.device, QStringLiteral("Connected"));
    ASSERT_TRUE(gone_->wait(kWaitMs));
    ASSERT_EQ(gone_->size(), 1);
    EXPECT_EQ(gone_->at(0).at(0), mouse.device);
    EXPECT_FALSE(client.IsMousePresent());
    EXPECT_FALSE(client.WriteTarget());

    mock_.SetDeviceProperty(mouse.device, QStringLiteral("Connected"), true);
    ASSERT_TRUE(arrived_->wait(kWaitMs));
    EXPECT_EQ(arrived_->size(), 2);

    mock_.RemoveDevice(mouse);
    ASSERT_TRUE(gone_->wait(kWaitMs));
    EXPECT_EQ(gone_->size(), 2);
    EXPECT_TRUE(client.PresentMice().isEmpty());
    EXPECT_FALSE(client.WriteTarget());

    // An identity learned after connecting makes the device a mouse.
    const auto late = Add(5, true, QString());
    mock_.SetDeviceProperty(late.device, QStringLiteral("Modalias"), kMouseAlias);
    ASSERT_TRUE(arrived_->wait(kWaitMs));
    EXPECT_EQ(client.PresentMice(), QStringList{late.device});

    // The subscriptions end with the daemon, and with them the presence.
    Register();
    mock_.Stop();
    ASSERT_TRUE(gone_->wait(kWaitMs));
    EXPECT_FALSE(client.IsMousePresent());
    EXPECT_FALSE(client.HasNotificationRegistration());
}

// Writes come from the worker thread, as a request, to connected mice only, and move on to the
// next mouse when one refuses.
TEST_F(BluezClientTest, WorkerThreadWriteMovesOnToTheNextMouseWhenOneRefuses) {
    const auto asleep = Add(0, false);
    const auto first = Add(1);
    const auto second = Add(2);
    mock_.SetFailing(first.command, QStringLiteral("WriteValue"), true);
    BluezClient& client = StartClient();
    const uint8_t packet[] = {0x5A, 0x01, 0x00, 0xFF, 0x10};
    const auto writes = [&](const BluezMock::Mouse& mouse) {
        return mock_.Calls(mouse.command, QStringLiteral("WriteValue")).size();
    };

    // Nothing to write, or nothing to write to: no traffic.
    BluezWriter writer(client.WriteTarget());
    EXPECT_FALSE(BluezWriter(nullptr).Write(packet, sizeof packet));
    EXPECT_FALSE(writer.Write(nullptr, 2));
    EXPECT_FALSE(writer.Write(packet, 0));
    EXPECT_EQ(writes(first), 0);

    bool written = false;
    std::thread worker([&] { written = writer.Write(packet, sizeof packet); });
    worker.join();
    EXPECT_TRUE(written);
    const QList<QVariantList> calls = mock_.Calls(second.command, QStringLiteral("WriteValue"));
    ASSERT_EQ(calls.size(), 1);
    ASSERT_EQ(calls[0].size(), 2);
    EXPECT_EQ(calls[0][0].toByteArray(), QByteArray::fromHex("5a0100ff10"));
    const QVariantMap options = qdbus_cast<QVariantMap>(calls[0][1].value<QDBusArgument>());
    EXPECT_EQ(options, (QVariantMap{{QStringLiteral("type"), QStringLiteral("request")}}));
    EXPECT_EQ(writes(asleep), 0);
    EXPECT_TRUE(mock_.Calls(second.notify, QStringLiteral("WriteValue")).isEmpty());
    EXPECT_EQ(writes(first), 1);

    // Once the first accepts again it is the one written to, and nothing more is tried.
    mock_.SetFailing(first.command, QStringLiteral("WriteValue"), false);
    EXPECT_TRUE(writer.Write(packet, sizeof packet));
    EXPECT_EQ(writes(first), 2);
    EXPECT_EQ(writes(second), 1);

    // A target taken before the mice went away is not reported as written.
    mock_.RemoveDevice(first);
    mock_.RemoveDevice(second);
    ASSERT_TRUE(QTest::qWaitFor([&] { return gone_->size() == 2; }, kWaitMs));
    EXPECT_FALSE(writer.Write(packet, sizeof packet));
    EXPECT_FALSE(client.WriteTarget());
}

TEST_F(BluezClientTest, NotificationsFollowTheSubscriptionUntilTheMouseGoes) {
    const auto asleep = Add(1, false);
    const auto mouse = Add(2);
    BluezClient& client = StartClient();
    const auto calls = [&](const char* method) {
        return mock_.Calls(mouse.notify, QString::fromLatin1(method)).size();
    };
    QSignalSpy registered(&client, &BluezClient::NotificationRegistered);

    // Stopped while the daemon has not answered yet: stopped once it confirms.
    ASSERT_TRUE(client.RegisterNotifications());
    client.UnregisterNotifications();
    EXPECT_FALSE(client.HasNotificationRegistration());
    EXPECT_TRUE(QTest::qWaitFor([&] { return calls("StopNotify") == 1; }, kWaitMs));
    EXPECT_TRUE(registered.isEmpty());

    // Values of characteristics nobody subscribed to are not notifications.
    mock_.SetValue(mouse.notify, QByteArray::fromHex("c50101"));
    Register();
    EXPECT_EQ(calls("StartNotify"), 2);
    EXPECT_TRUE(mock_.Calls(asleep.notify, QStringLiteral("StartNotify")).isEmpty());
    mock_.SetValue(mouse.command, QByteArray::fromHex("ee"));
    mock_.SetValue(mouse.notify, QByteArray::fromHex("a00102"));
    mock_.SetValue(mouse.notify, QByteArray());
    mock_.SetValue(mouse.notify, QByteArray::fromHex("a9"));
    mock_.SetValue(mouse.notify, QByteArray::fromHex("c50264"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return values_->size() >= 3; }, kWaitMs));
    ASSERT_EQ(values_->size(), 3);
    QList<QByteArray> got;
    for (const QList<QVariant>& args : *values_) {
        got.push_back(args.at(0).toByteArray().toHex());
    }
    EXPECT_EQ(got, (QList<QByteArray>{"a00102", "a9", "c50264"}));
    // A second registration keeps the subscription it has.
    EXPECT_TRUE(client.RegisterNotifications());
    EXPECT_EQ(calls("StartNotify"), 2);

    client.UnregisterNotifications();
    client.UnregisterNotifications();
    EXPECT_FALSE(client.HasNotificationRegistration());
    mock_.SetFailing(mouse.notify, QStringLiteral("StartNotify"), true);
    EXPECT_TRUE(client.RegisterNotifications());
    ASSERT_TRUE(registered.wait(kWaitMs));
    EXPECT_FALSE(registered.last().at(1).toBool());
    EXPECT_FALSE(client.HasNotificationRegistration());
    mock_.SetFailing(mouse.notify, QStringLiteral("StartNotify"), false);
    // Calls on one connection are handled in order, so the stop has been seen by now.
    EXPECT_EQ(calls("StopNotify"), 2);

    // Values after unregistering or a refusal are not delivered; a retry registers again.
    mock_.SetValue(mouse.notify, QByteArray::fromHex("c50101"));
    Register();
    mock_.SetValue(mouse.notify, QByteArray::fromHex("c50202"));
    ASSERT_TRUE(values_->wait(kWaitMs));
    ASSERT_EQ(values_->size(), 4);
    EXPECT_EQ(values_->at(3).at(0).toByteArray(), QByteArray::fromHex("c50202"));

    // Once the mouse is gone nothing is left to stop, and nothing to register.
    mock_.RemoveDevice(mouse);
    ASSERT_TRUE(gone_->wait(kWaitMs));
    EXPECT_FALSE(client.HasNotificationRegistration());
    EXPECT_FALSE(client.RegisterNotifications());
}

}  // namespace
}  // namespace talvik
