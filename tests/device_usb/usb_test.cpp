// The kernel-facing side of the receivers against umockdev's emulated devices: libudev's hot-plug
// events with their ids, hidapi's enumeration with the USB device above each node, reads from the
// hidraw nodes. What the sets make of it is in tests/device.
#include <gtest/gtest.h>

#include "../app/qt_wait.h"
#include "../device/receiver_rig.h"
#include "../toolkit/recording_target.h"
#include "device/ble/ble_presence.h"
#include "device/usb/hidapi_backend.h"
#include "device/usb/hotplug_monitor.h"
#include "device/usb/receiver_sets.h"
#include "device/usb/ui_task_queue.h"
#include "usb_testbed.h"

namespace talvik::test {
namespace {

using device::DeviceEvent;
using device::ReceiverFamily;

constexpr device::UsagePair kCommand24g{0x000B, 0x0000};
constexpr device::UsagePair kInput24g{0x000A, 0x0000};

class UsbTest : public ::testing::Test {
protected:
    UsbTest() {
        device::ReceiverEnv env{backend.get(), &window, &sink, ui.poster()};
        sets = std::make_unique<device::ReceiverSets>(env);
        EXPECT_TRUE(monitor.Start());
    }

    UsbTestbed bed;  // first: before any udev monitor exists
    device::UiTaskQueue ui;
    RecordingTarget window;
    RecordingSink sink;
    std::unique_ptr<device::HidapiBackend> backend = device::HidapiBackend::Create();
    std::unique_ptr<device::ReceiverSets> sets;
    std::vector<DeviceEvent> events;
    device::HotplugMonitor monitor{[this](const DeviceEvent& event) {
        events.push_back(event);
        sets->OnDeviceEvent(event);
    }};
};

TEST_F(UsbTest, APluggedReceiverIsOpenedAndReadAndAPulledOneEndsItsLink) {
    const int index = bed.AddReceiver(0x1D57, 0xFA60, {kCommand24g, kInput24g});
    UsbTestbed::Receiver& rx = bed.receiver(index);
    // usb_device, two usb_interfaces and two hidraw nodes, with the ids and the USB device.
    ASSERT_TRUE(WaitUntil([&] { return events.size() == 5; }, 10000));
    for (const DeviceEvent* event : {&events.front(), &events.back()}) {
        EXPECT_EQ(event->action, DeviceEvent::Action::kAdd);
        EXPECT_EQ(event->vendor_id, 0x1D57);
        EXPECT_EQ(event->product_id, 0xFA60);
        EXPECT_EQ(event->usb_syspath, rx.usb_syspath);
    }
    EXPECT_EQ(events.front().syspath, rx.usb_syspath);
    EXPECT_EQ(events.back().subsystem, "hidraw");
    EXPECT_EQ(events.back().devnode, "/dev/hidraw1");
    ASSERT_TRUE(sets->OnTimer(54));
    EXPECT_EQ(sets->running_readers(), 1);

    // The live decision pairs the two nodes by their USB device.
    rx.nodes[1]->QueueReport(kHeartbeat);
    ASSERT_TRUE(WaitUntil([&] { return sink.reports.size() == 1; }, 10000));
    EXPECT_EQ(sink.live, std::vector{ReceiverFamily::k24g});
    EXPECT_EQ(sink.reports[0][4], 57);

    // A pulled node fails every read: its reader ends on its own.
    rx.nodes[1]->Disconnect();
    ASSERT_TRUE(WaitUntil([&] { return sets->running_readers() == 0; }, 10000));
    bed.Unplug(index);
    ASSERT_TRUE(WaitUntil([&] { return !sink.removed.empty(); }, 10000));
    EXPECT_EQ(sink.removed, std::vector{ReceiverFamily::k24g});
    EXPECT_EQ(sink.reports.size(), 1u);
}

TEST_F(UsbTest, TheBluetoothMouseIsListedByHidOnlyUnderItsIds) {
    bed.AddReceiver(0x331A, 0x503C, {kInput24g});
    bed.AddReceiver(0x1D57, 0x5044, {kInput24g});
    EXPECT_FALSE(device::BleMouseListedByHid());
    bed.AddReceiver(0x331A, 0x5044, {kInput24g});
    EXPECT_TRUE(device::BleMouseListedByHid());
}

}  // namespace
}  // namespace talvik::test
