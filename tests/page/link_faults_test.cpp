// Links that come up after start-up must carry applies, and quitting must keep every edit.
#include <gtest/gtest.h>

#include "../app/qt_wait.h"
#include "../device/bluez_mock.h"
#include "device/ble/bluez_client.h"
#include "page/page_timers.h"
#include "profile/profile_store.h"
#include "session_rig.h"

namespace talvik::page {
namespace {

using test::WaitUntil;

class NoTexts final : public macro::TextLookup {
public:
    std::string Text(std::string_view) const override { return {}; }
};

TEST(LateLinks, CablePluggedInAfterStartUpTakesTheApply) {
    test::SessionRig rig;
    rig.Build(sim::SimLink::kWired,
              [](DeviceSession& session) { session.VirtualMouse()->SetPlugged(false); });
    ASSERT_TRUE(rig.session);
    const auto mouse = rig.session->VirtualMouse();
    EXPECT_FALSE(rig.session->AnyLink());

    ASSERT_TRUE(mouse->Command("plug"));
    // The open waits a second for the device to settle; the test takes that timer's turn.
    ASSERT_TRUE(WaitUntil([&] {
        rig.session->OnPageTimer(kTimerWiredOpen);
        return rig.session->AnyLink();
    }));
    rig.window->Post(msg::WM_MS5_POST_WORKER, 0, 0);
    EXPECT_TRUE(WaitUntil([&] { return mouse->Commands().size() >= 5; }));

    // Unplugged, the cable's handle goes: a later apply has no link and sends nothing.
    ASSERT_TRUE(mouse->Command("unplug"));
    ASSERT_TRUE(WaitUntil([&] { return !rig.session->AnyLink(); }));
    EXPECT_EQ(rig.session->State().handles.wired, nullptr);
}

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

TEST(Quitting, AnEditMadeJustBeforeQuittingIsInTheStore) {
    test::SessionRig rig;
    rig.Build(sim::SimLink::k4kB);
    ASSERT_TRUE(rig.session);
    ASSERT_TRUE(WaitUntil([&] { return rig.session->AnyLink(); }));
    // What a slider's handler does: edit the active profile, ask for an apply.
    rig.session->State().current_profile->brightness = 3;
    rig.window->Post(msg::WM_MS5_POST_WORKER, 0, 0);
    QCoreApplication::processEvents();
    rig.Destroy();  // the event loop ends here; the apply's own save never runs

    NoTexts texts;
    profile::ProfileStore store(rig.DataDir(), texts);
    profile::ProfileList profiles;
    profile::ProfileStoreHeader header;
    store.Load(profiles, header);
    ASSERT_EQ(profiles.size(), 1u);
    EXPECT_EQ(profiles[0]->brightness, 3);
}

}  // namespace
}  // namespace talvik::page
