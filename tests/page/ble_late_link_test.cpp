// A Bluetooth LE mouse whose services the daemon adds after the connection, on a mock daemon.
// A program of its own: the mock's bus daemon is a child process, and a fork in a threaded
// process blinds the race detector to the locks of the other tests.
#include <gtest/gtest.h>

#include "../app/qt_wait.h"
#include "../device/bluez_mock.h"
#include "device/ble/bluez_client.h"
#include "session_rig.h"

namespace talvik::page {
namespace {

using test::WaitUntil;

TEST(LateLinks, BluetoothMouseWhoseServicesArriveLaterTakesTheApply) {
    testing::BluezMock mock;
    const QString reason = mock.Start();
    if (!reason.isEmpty()) {
        GTEST_SKIP() << qPrintable(reason);
    }
    mock.AddAdapter();
    test::SessionRig rig;
    rig.Build(std::nullopt);  // the real links, Bluetooth LE on the mock daemon
    ASSERT_TRUE(rig.session);
    const auto* client = rig.session->findChild<device::BluezClient*>();
    ASSERT_NE(client, nullptr);
    ASSERT_TRUE(WaitUntil([&] { return client->Listed(); }, 5000));

    // The daemon reports the connection first and the mouse's services afterwards.
    const auto mouse = mock.AddDevice(QStringLiteral("AA:BB:CC:DD:EE:01"),
                                      QStringLiteral("usb:v331Ap5044d0001"), true, false);
    ASSERT_TRUE(WaitUntil([&] { return rig.session->State().links.flags().ble; }, 5000));
    mock.AddGatt(mouse);
    // The subscription follows the writer's refresh in the same step.
    ASSERT_TRUE(WaitUntil(
        [&] { return !mock.Calls(mouse.notify, QStringLiteral("StartNotify")).isEmpty(); }, 5000));
    rig.window->Post(msg::WM_MS5_POST_WORKER, 0, 0);
    // Everything but the polling rate, which is no Bluetooth LE setting.
    EXPECT_TRUE(WaitUntil(
        [&] { return mock.Calls(mouse.command, QStringLiteral("WriteValue")).size() == 4; },
        10000));
    rig.Destroy();
    mock.Stop();
}

}  // namespace
}  // namespace talvik::page
