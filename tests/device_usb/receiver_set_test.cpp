// The receiver sets on the real hidapi and libudev against emulated receivers.
#include <QCoreApplication>
#include <algorithm>

#include "usb_fixture.h"

namespace talvik::test {
namespace {

using device::ReceiverFamily;
using device::SlotState;

class ReceiverSetTest : public UsbFixture {};

TEST_F(ReceiverSetTest, PairsTheInterfacesOfOneReceiverAndGoesLiveOnAHeartbeat) {
    const int other = bed.AddReceiver(kVid24g, kPid24g, {kCommand24g, kInput24g});
    const int rx = bed.AddReceiver(kVid24g, kPid24g, {kCommand24g, kInput24g});
    sets->OpenAll();
    device::ReceiverSet& set = Set(ReceiverFamily::k24g);
    ASSERT_EQ(set.command_count(), 2);
    ASSERT_EQ(set.input_count(), 2);
    EXPECT_EQ(set.input_record(1).instance_id, bed.receiver(rx).usb_syspath);
    EXPECT_EQ(set.command_record(1).instance_id, bed.receiver(rx).usb_syspath);
    EXPECT_NE(set.input_record(0).instance_id, set.input_record(1).instance_id);

    // The first report of the second receiver decides it live and is handled as a heartbeat.
    bed.node(rx, 1).QueueReport(kHeartbeat);
    ASSERT_TRUE(WaitForReports(1));
    EXPECT_EQ(set.slot_state(1), SlotState::kLive);
    EXPECT_EQ(set.slot_state(0), SlotState::kUndecided);
    ASSERT_EQ(sink.live.size(), 1u);
    EXPECT_EQ(sink.command_handle, set.command_record(1).command);
    EXPECT_EQ(sink.input_handle, set.input_record(1).input);
    EXPECT_EQ(set.active_record().path, set.command_record(1).path);
    EXPECT_EQ(window.running.at(592), 6000);
    EXPECT_EQ(sink.heartbeats.size(), 1u);
    const device::ReportWords words = device::ToReportWords(sink.reports[0].bytes);
    EXPECT_EQ(words.a, 0x40C5);
    EXPECT_EQ(words.b, 57 << 8 | 0x05);
    EXPECT_EQ(sink.reports[0].bytes.size(), static_cast<size_t>(device::kReportSize));

    // Every status report keeps the link; one without the marker is handed on alone.
    bed.node(rx, 1).QueueReport(StageReport(3));
    bed.node(rx, 1).QueueReport({0x03, 0x00, 0x10, 0x04, 0x00});
    ASSERT_TRUE(WaitForReports(3));
    EXPECT_EQ(sink.reports[1].bytes[3], 3);
    EXPECT_EQ(sink.reports[2].bytes[3], 4);
    EXPECT_EQ(sink.heartbeats.size(), 2u);
    EXPECT_EQ(window.starts.at(592), 2);
    // Reports with another id are dropped.
    bed.node(rx, 1).QueueReport({0x01, 0xC5, 0x10, 0x05, 0x00});
    bed.node(rx, 1).QueueReport(StageReport(6));
    ASSERT_TRUE(WaitForReports(4));
    EXPECT_EQ(sink.reports[3].bytes[3], 6);
    (void)other;
}

TEST_F(ReceiverSetTest, EachInputInterfaceDecidesOnItsOwn) {
    const int rx = bed.AddReceiver(kVid24g, kPid24g, {kCommand24g, kInput24g, kInput24g});
    const int fourk = bed.AddReceiver(kVid24g, kPid4k, {kCommand4k, kInput4k, kInput4k});
    sets->OpenAll();
    device::ReceiverSet& set = Set(ReceiverFamily::k24g);
    ASSERT_EQ(set.input_count(), 2);
    EXPECT_EQ(set.running_readers(), 2);
    // The 4K receiver reads only its first input interface.
    EXPECT_EQ(Set(ReceiverFamily::k4k).input_count(), 2);
    EXPECT_EQ(Set(ReceiverFamily::k4k).running_readers(), 1);

    bed.node(rx, 1).QueueReport({0x03, 0x01, 0x00, 0x00, 0x00});
    bed.node(rx, 2).QueueReport(kHeartbeat);
    ASSERT_TRUE(WaitForReports(1));
    ASSERT_TRUE(WaitFor([&] { return set.slot_state(0) != SlotState::kUndecided; }));
    EXPECT_EQ(set.slot_state(0), SlotState::kDead);
    EXPECT_EQ(set.slot_state(1), SlotState::kLive);
    EXPECT_EQ(sink.live.size(), 1u);
    // Reports of the dead slot stay out, those of the live one come through in order.
    for (uint8_t stage = 1; stage <= 4; ++stage) {
        bed.node(rx, 1).QueueReport(StageReport(stage));
        bed.node(rx, 2).QueueReport(StageReport(stage));
    }
    ASSERT_TRUE(WaitForReports(5));
    ASSERT_TRUE(WaitFor([&] { return bed.node(rx, 1).pending() == 0; }));
    QCoreApplication::processEvents();
    ASSERT_EQ(sink.reports.size(), 5u);
    for (uint8_t stage = 1; stage <= 4; ++stage) {
        EXPECT_EQ(sink.reports[stage].bytes[3], stage);
    }
    // The 4K receiver's second input interface is never read.
    bed.node(fourk, 2).QueueReport(kHeartbeat);
    bed.node(fourk, 1).QueueReport(kHeartbeat);
    ASSERT_TRUE(WaitFor([&] { return sink.link[ReceiverFamily::k4k]; }));
    EXPECT_EQ(bed.node(fourk, 2).pending(), 1u);
    EXPECT_EQ(window.running.at(596), 6000);
}

TEST_F(ReceiverSetTest, HeartbeatTimeoutEndsTheLinkAndTheNextHeartbeatRestoresIt) {
    const int rx = bed.AddReceiver(kVid4kB, kPid4kB, {kInput4kB, kCommand4kB});
    sets->OpenAll();
    device::ReceiverSet& set = Set(ReceiverFamily::k4kB);
    ASSERT_EQ(set.command_count(), 1);
    bed.node(rx, 0).QueueReport(kHeartbeat);
    ASSERT_TRUE(WaitForReports(1));
    EXPECT_TRUE(sink.link[ReceiverFamily::k4kB]);
    ASSERT_TRUE(window.IsRunning(597));
    const auto command = set.command_record(0).command;

    // The timer runs out on the window; the page ends the link.
    window.KillTimer(597);
    sink.OnHeartbeatTimeout(ReceiverFamily::k4kB);

    bed.node(rx, 0).QueueReport(kHeartbeat);
    ASSERT_TRUE(WaitForReports(2));
    EXPECT_TRUE(sink.link[ReceiverFamily::k4kB]);
    EXPECT_EQ(window.running.at(597), 6000);
    EXPECT_EQ(window.starts.at(597), 2);
    // Restored without opening the set again.
    EXPECT_EQ(backend.enumerations, 3);
    EXPECT_EQ(set.command_record(0).command, command);
    EXPECT_EQ(sink.live.size(), 1u);
}

TEST_F(ReceiverSetTest, InterfacesBeyondTwentyAreLeftClosed) {
    // umockdev follows a limited number of open files, so the commands stay few.
    std::vector<InterfaceSpec> interfaces(23, kInput24g);
    interfaces.push_back(kCommand24g);
    bed.AddReceiver(kVid24g, kPid24g, interfaces);
    sets->OpenAll();
    device::ReceiverSet& set = Set(ReceiverFamily::k24g);
    EXPECT_EQ(set.input_count(), device::kRecordCapacity);
    EXPECT_EQ(set.command_count(), 1);
    EXPECT_EQ(set.running_readers(), 6);
    for (int slot = 0; slot < device::kRecordCapacity; ++slot) {
        EXPECT_EQ(set.input_record(slot).slot, slot);
        EXPECT_TRUE(set.input_record(slot).input);
    }
}

TEST_F(ReceiverSetTest, ReopeningStopsTheOldReadersAndKeepsHandlesInUseAlive) {
    const int rx = bed.AddReceiver(kVid24g, kPid24g, {kCommand24g, kInput24g});
    sets->OpenAll();
    device::ReceiverSet& set = Set(ReceiverFamily::k24g);
    bed.node(rx, 1).QueueReport(kHeartbeat);
    ASSERT_TRUE(WaitForReports(1));
    std::weak_ptr<platform::HidDevice> old_command = set.command_record(0).command;
    std::weak_ptr<platform::HidDevice> old_input = set.input_record(0).input;

    set.Open();
    EXPECT_EQ(set.command_count(), 1);
    EXPECT_EQ(set.slot_state(0), SlotState::kUndecided);
    EXPECT_NE(set.command_record(0).command, old_command.lock());
    // The page still holds the old pair: nothing it uses was closed under it.
    EXPECT_FALSE(old_command.expired());
    ASSERT_TRUE(WaitFor([&] { return set.running_readers() == 1; }));
    sink.command_handle.reset();
    sink.input_handle.reset();
    // The old reader let go of its handle when it ended, the set already had.
    ASSERT_TRUE(WaitFor([&] { return old_input.expired(); }));
    EXPECT_TRUE(old_command.expired());

    // The new reader decides afresh.
    bed.node(rx, 1).QueueReport(kHeartbeat);
    ASSERT_TRUE(WaitForReports(2));
    EXPECT_EQ(set.slot_state(0), SlotState::kLive);
    EXPECT_EQ(sink.live.size(), 2u);
}

}  // namespace
}  // namespace talvik::test
