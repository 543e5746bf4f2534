// Hot-plug through the libudev monitor on the event loop, against emulated receivers.
#include "device/usb/hotplug_monitor.h"
#include "usb_fixture.h"

namespace talvik::test {
namespace {

using device::DeviceEvent;
using device::ReceiverFamily;

class HotplugTest : public UsbFixture {
protected:
    HotplugTest()
        : monitor([this](const DeviceEvent& event) {
              events.push_back(event);
              sets->OnDeviceEvent(event);
          }) {
        EXPECT_TRUE(monitor.Start());
    }

    // Waits for the events of a receiver just added: the last one is its last hidraw node.
    bool WaitForEvents(size_t count) {
        return WaitFor([&] { return events.size() >= count; });
    }
    // The window fires every running re-open timer once.
    void FireReopenTimers() {
        for (int id : {54, 55}) {
            if (window.IsRunning(id)) {
                EXPECT_TRUE(sets->OnTimer(id));
            }
        }
    }

    device::HotplugMonitor monitor;
    std::vector<DeviceEvent> events;
};

TEST_F(HotplugTest, ABurstOfArrivalEventsOpensTheSetOnce) {
    sets->OpenAll();
    const int enumerations = backend.enumerations;
    // usb_device, two usb_interfaces and two hidraw nodes.
    bed.AddReceiver(kVid24g, kPid24g, {kCommand24g, kInput24g});
    ASSERT_TRUE(WaitForEvents(5));
    EXPECT_EQ(window.starts[54], 5);
    EXPECT_EQ(window.running.at(54), device::kReopenDelayMs);
    EXPECT_FALSE(window.IsRunning(55));
    EXPECT_EQ(backend.enumerations, enumerations);  // nothing opened during the burst

    FireReopenTimers();
    EXPECT_FALSE(window.IsRunning(54));
    EXPECT_EQ(backend.enumerations, enumerations + 1);
    EXPECT_EQ(Set(ReceiverFamily::k24g).command_count(), 1);
    EXPECT_EQ(Set(ReceiverFamily::k24g).input_count(), 1);

    // The events carried the ids and the USB device.
    const DeviceEvent& raw = events.back();
    EXPECT_EQ(raw.subsystem, "hidraw");
    EXPECT_EQ(raw.vendor_id, kVid24g);
    EXPECT_EQ(raw.product_id, kPid24g);
    EXPECT_EQ(raw.usb_syspath, bed.receiver(0).usb_syspath);
}

TEST_F(HotplugTest, BothFourKReceiversReopenBothFourKSets) {
    bed.AddReceiver(kVid24g, kPid4k, {kCommand4k, kInput4k});
    ASSERT_TRUE(WaitForEvents(5));
    EXPECT_TRUE(window.IsRunning(55));
    EXPECT_FALSE(window.IsRunning(54));
    FireReopenTimers();
    EXPECT_EQ(Set(ReceiverFamily::k4k).command_count(), 1);
    EXPECT_EQ(backend.enumerations, 2);  // 4K and 4K B

    bed.AddReceiver(kVid4kB, kPid4kB, {kCommand4kB, kInput4kB});
    ASSERT_TRUE(WaitForEvents(10));
    FireReopenTimers();
    EXPECT_EQ(Set(ReceiverFamily::k4kB).command_count(), 1);
    EXPECT_EQ(Set(ReceiverFamily::k4k).command_count(), 1);
    EXPECT_EQ(backend.enumerations, 4);
}

TEST_F(HotplugTest, OtherDevicesChangeNothing) {
    bed.AddReceiver(0x046D, 0xC52B, {kInput24g});
    ASSERT_TRUE(WaitForEvents(3));
    EXPECT_TRUE(window.running.empty());
    EXPECT_TRUE(window.starts.empty());
}

TEST_F(HotplugTest, PullingALiveReceiverEndsItsLinkAtOnceAndClosesItsHandles) {
    const int rx = bed.AddReceiver(kVid24g, kPid24g, {kCommand24g, kInput24g});
    const int fourk = bed.AddReceiver(kVid24g, kPid4k, {kCommand4k, kInput4k});
    ASSERT_TRUE(WaitForEvents(10));
    FireReopenTimers();
    bed.node(rx, 1).QueueReport(kHeartbeat);
    bed.node(fourk, 1).QueueReport(kHeartbeat);
    ASSERT_TRUE(WaitForReports(2));
    device::ReceiverSet& set = Set(ReceiverFamily::k24g);
    std::weak_ptr<platform::HidDevice> input = set.input_record(0).input;
    sink.command_handle.reset();
    sink.input_handle.reset();

    const size_t before = events.size();
    bed.Unplug(rx);
    ASSERT_TRUE(WaitFor([&] { return !sink.removed.empty(); }));
    ASSERT_TRUE(WaitForEvents(before + 3));
    EXPECT_EQ(sink.removed, std::vector{ReceiverFamily::k24g});
    EXPECT_FALSE(sink.link[ReceiverFamily::k24g]);
    EXPECT_TRUE(sink.link[ReceiverFamily::k4k]);  // the other receiver's link stays
    EXPECT_TRUE(set.active_record().empty());
    EXPECT_TRUE(set.input_record(0).empty());
    EXPECT_TRUE(set.command_record(0).empty());
    ASSERT_TRUE(WaitFor([&] { return set.running_readers() == 0; }));
    EXPECT_TRUE(input.expired());
    EXPECT_EQ(Set(ReceiverFamily::k4k).running_readers(), 1);
}

TEST_F(HotplugTest, UnplugDuringABlockedReadEndsTheReader) {
    // No hot-plug handling here: the reader must see the pulled device on its own.
    const int rx = bed.AddReceiver(kVid24g, kPid24g, {kCommand24g, kInput24g});
    ASSERT_TRUE(WaitForEvents(5));
    FireReopenTimers();
    device::ReceiverSet& set = Set(ReceiverFamily::k24g);
    ASSERT_EQ(set.running_readers(), 1);
    bed.node(rx, 1).Disconnect();
    ASSERT_TRUE(WaitFor([&] { return set.running_readers() == 0; }));
    // Nothing was handed on, and a late report finds no reader.
    EXPECT_TRUE(sink.reports.empty());
    EXPECT_TRUE(sink.live.empty());
}

}  // namespace
}  // namespace talvik::test
