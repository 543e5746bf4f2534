#include <gtest/gtest.h>

#include <QDBusConnection>
#include <QProcess>

#include "platform/bluez_gatt_writer.h"

namespace talvik::platform {
namespace {

// A private session bus with a mock BlueZ holding two devices, each with the notification and
// the command characteristic.
class BluezMock : public ::testing::Test {
protected:
    void SetUp() override {
        daemon_.start("dbus-daemon", {"--session", "--nofork", "--print-address"});
        ASSERT_TRUE(daemon_.waitForReadyRead(10000)) << "no dbus-daemon";
        address_ = QString::fromUtf8(daemon_.readLine()).trimmed();
        ASSERT_FALSE(address_.isEmpty());
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("DBUS_SESSION_BUS_ADDRESS", address_);
        mock_.setProcessEnvironment(env);
        mock_.start("/usr/bin/python3", {"-m", "dbusmock", "--session", "-m", "org.bluez", "/",
                                         "org.freedesktop.DBus.ObjectManager"});
        ASSERT_TRUE(mock_.waitForStarted(10000));
        ASSERT_EQ(Helper({"setup", address_}).trimmed(), "ready");
        bus_ = std::make_unique<QDBusConnection>(
            QDBusConnection::connectToBus(address_, QStringLiteral("bluez-test")));
        ASSERT_TRUE(bus_->isConnected());
    }

    void TearDown() override {
        bus_.reset();
        QDBusConnection::disconnectFromBus(QStringLiteral("bluez-test"));
        mock_.kill();
        mock_.waitForFinished(5000);
        daemon_.kill();
        daemon_.waitForFinished(5000);
    }

    QString Helper(const QStringList& args) {
        QProcess helper;
        helper.start("/usr/bin/python3",
                     QStringList{QString(TALVIK_TEST_DIR) + "/bluez_mock.py"} + args);
        helper.waitForFinished(20000);
        return QString::fromUtf8(helper.readAllStandardOutput());
    }

    QProcess daemon_;
    QProcess mock_;
    QString address_;
    std::unique_ptr<QDBusConnection> bus_;
};

TEST_F(BluezMock, FindsTheCommandCharacteristicOfTheRightDeviceAndWrites) {
    const auto writer = BluezGattWriter::Find(*bus_, "/org/bluez/hci0/dev_BB");
    ASSERT_TRUE(writer);
    EXPECT_EQ(writer->path(), "/org/bluez/hci0/dev_BB/service0010/char0013");
    const std::uint8_t packet[] = {0x0C, 0x0A, 0x01, 0xFE, 0x01, 0xFE, 0, 0, 0, 0};
    EXPECT_TRUE(writer->Write(packet));
    EXPECT_EQ(Helper({"calls", address_, writer->path()}).trimmed(),
              "0C 0A 01 FE 01 FE 00 00 00 00 request");
    EXPECT_TRUE(Helper({"calls", address_, "/org/bluez/hci0/dev_AA/service0010/char0013"})
                    .trimmed()
                    .isEmpty());
}

TEST_F(BluezMock, MissingDeviceOrCharacteristicFails) {
    EXPECT_FALSE(BluezGattWriter::Find(*bus_, "/org/bluez/hci0/dev_CC"));
    EXPECT_FALSE(BluezGattWriter::Find(*bus_, "/org/bluez/hci0/dev_A"));
    BluezGattWriter gone(*bus_, "/org/bluez/hci0/dev_CC/service0010/char0013");
    const std::uint8_t packet[] = {0x05};
    EXPECT_FALSE(gone.Write(packet));
}

}  // namespace
}  // namespace talvik::platform
