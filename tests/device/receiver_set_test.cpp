// The receiver sets' own logic on a fake enumeration: pairing, the live decision, what reaches the
// page, re-opening, hot-plug events. The kernel-facing side is in tests/device_usb.
#include <gtest/gtest.h>

#include <map>

#include "../toolkit/recording_target.h"
#include "device/usb/receiver_sets.h"
#include "receiver_rig.h"

namespace talvik::test {
namespace {

using device::DeviceEvent;
using device::ReceiverFamily;
using device::UsagePair;

constexpr UsagePair kCommand24g{0x000B, 0x0000};
constexpr UsagePair kCommand4k{0xFF00, 0x0001};
constexpr UsagePair kCommand4kB{0xFF01, 0x0002};
constexpr UsagePair kInput{0x000A, 0x0000};  // 2.4G and 4K
constexpr UsagePair kInput4kB{0xFF00, 0x0001};

class ReceiverSetTest : public ::testing::Test, public device::HidBackend {
protected:
    ReceiverSetTest() {
        device::ReceiverEnv env{this, &window, &sink, [this](std::function<void()> task) {
                                    std::lock_guard lock(mutex_);
                                    queued_.push_back(std::move(task));
                                    ++posted;
                                }};
        sets = std::make_unique<device::ReceiverSets>(env);
    }

    // An interface of the receiver whose USB device is `usb` ("": unknown), in enumeration order.
    std::shared_ptr<FakeHid> Add(ReceiverFamily family, UsagePair usage, std::string usb) {
        const std::string path = "/dev/hidraw" + std::to_string(interfaces_.size());
        interfaces_.push_back({family, {path, usage, usb}, std::make_shared<FakeHid>()});
        return interfaces_.back().hid;
    }
    std::vector<device::HidInterfaceInfo> Enumerate(uint16_t vid, uint16_t pid) override {
        ++enumerations;
        std::vector<device::HidInterfaceInfo> found;
        for (const Interface& i : interfaces_) {
            if (device::FamilyOfIds(vid, pid) == i.family) {
                found.push_back(i.info);
            }
        }
        return found;
    }
    // Each open is a handle of its own, so that its closing shows.
    std::shared_ptr<platform::HidDevice> Open(const std::string& path) override {
        ++opens;
        auto handle = std::make_shared<FakeHid>(*interfaces_.at(std::stoi(path.substr(11))).hid);
        opened[path] = handle;
        return handle;
    }

    // The UI thread: runs what the readers posted until `done` held before a run.
    template <class Pred>
    bool RunUntil(Pred done) {
        return Eventually([&] {
            const bool held = done();
            std::deque<std::function<void()>> tasks;
            {
                std::lock_guard lock(mutex_);
                tasks.swap(queued_);
            }
            for (auto& task : tasks) {
                task();
            }
            return held;
        });
    }
    bool RunUntilReports(size_t count) {
        return RunUntil([&] { return sink.reports.size() >= count; });
    }
    device::ReceiverSet& Set(ReceiverFamily family) { return sets->set(family); }
    void Event(DeviceEvent::Action action, std::string subsystem, std::string node,
               std::string usb = {}, uint16_t vid = 0, uint16_t pid = 0) {
        DeviceEvent event;
        event.action = action;
        event.subsystem = std::move(subsystem);
        event.devnode = event.syspath = std::move(node);
        event.usb_syspath = std::move(usb);
        if (vid != 0) {
            event.vendor_id = vid;
            event.product_id = pid;
        }
        sets->OnDeviceEvent(event);
    }

    struct Interface {
        ReceiverFamily family;
        device::HidInterfaceInfo info;
        std::shared_ptr<FakeHid> hid;
    };
    std::vector<Interface> interfaces_;
    std::mutex mutex_;
    std::deque<std::function<void()>> queued_;
    std::atomic<int> posted{0};
    int enumerations = 0;
    int opens = 0;
    std::map<std::string, std::weak_ptr<platform::HidDevice>> opened;  // the last handle of each
    RecordingTarget window;
    RecordingSink sink;
    std::unique_ptr<device::ReceiverSets> sets;  // last: its readers stop first
};

TEST_F(ReceiverSetTest, TheFirstReportOfAPairedInputDecidesItsSlotAndOnlyLiveOnesReachThePage) {
    // Receiver A, receiver B and one of unknown identity, their interfaces interleaved.
    Add(ReceiverFamily::k24g, kCommand24g, "usb-a");
    Add(ReceiverFamily::k24g, kCommand24g, "usb-b");
    Add(ReceiverFamily::k24g, kCommand24g, "");
    auto input_a = Add(ReceiverFamily::k24g, kInput, "usb-a");
    auto unknown = Add(ReceiverFamily::k24g, kInput, "");
    auto input_b = Add(ReceiverFamily::k24g, kInput, "usb-b");
    Add(ReceiverFamily::k24g, kInput4kB, "usb-b");  // no usage of this family
    sets->OpenAll();
    EXPECT_EQ(opens, 6);
    EXPECT_EQ(Set(ReceiverFamily::k24g).running_readers(), 3);

    input_b->Queue(kHeartbeat);
    ASSERT_TRUE(RunUntilReports(1));
    ASSERT_EQ(sink.live, std::vector{ReceiverFamily::k24g});
    EXPECT_EQ(sink.command_handle, opened.at("/dev/hidraw1").lock());
    EXPECT_EQ(sink.input_handle, opened.at("/dev/hidraw5").lock());
    EXPECT_EQ(sink.heartbeats, 1);
    EXPECT_EQ(window.running.at(592), device::kHeartbeatTimeoutMs);
    // Handed on as read, zero-padded to the report size.
    ASSERT_EQ(sink.reports[0].size(), static_cast<size_t>(device::kReportSize));
    EXPECT_EQ(sink.reports[0][4], 57);

    // A's first report has no status marker: its slot is dead. The unknown one pairs with
    // nothing and stays undecided.
    input_a->Queue(StageReport(1, 0x00));
    unknown->Queue(kHeartbeat);
    ASSERT_TRUE(RunUntil([&] { return posted == 3; }));
    for (uint8_t stage = 2; stage <= 4; ++stage) {
        input_a->Queue(StageReport(stage));
        unknown->Queue(StageReport(stage));
    }
    // B: a heartbeat again (the timer restarts), a report without the marker, one of another id.
    input_b->Queue(StageReport(5));
    input_b->Queue(StageReport(6, 0x00));
    input_b->Queue({{0x01, 0xC5, 0x10, 0x07, 0x00}});
    input_b->Queue(StageReport(8));
    ASSERT_TRUE(RunUntil([&] { return posted == 13; }));
    ASSERT_EQ(sink.reports.size(), 4u);
    EXPECT_EQ(sink.reports[1][3], 5);
    EXPECT_EQ(sink.reports[2][3], 6);
    EXPECT_EQ(sink.reports[3][3], 8);
    EXPECT_EQ(sink.heartbeats, 3);
    EXPECT_EQ(window.starts.at(592), 3);
    EXPECT_EQ(sink.live.size(), 1u);
    EXPECT_EQ(enumerations, 3);  // the link held without opening anything again
}

TEST_F(ReceiverSetTest, ReaderSlotsAndInterfacesBeyondTwentyAreLeftClosed) {
    for (int i = 0; i < 22; ++i) {
        Add(ReceiverFamily::k24g, kInput, "usb-a");
        Add(ReceiverFamily::k24g, kCommand24g, "usb-a");
    }
    Add(ReceiverFamily::k4k, kCommand4k, "usb-b");
    Add(ReceiverFamily::k4k, kInput, "usb-b");
    Add(ReceiverFamily::k4k, kInput, "usb-b");
    sets->OpenAll();
    EXPECT_EQ(opens, 2 * device::kRecordCapacity + 3);
    EXPECT_EQ(Set(ReceiverFamily::k24g).running_readers(), 6);
    EXPECT_EQ(Set(ReceiverFamily::k4k).running_readers(), 1);
    interfaces_[45].hid->Queue(kHeartbeat);
    ASSERT_TRUE(RunUntilReports(1));
    EXPECT_EQ(window.running.at(596), device::kHeartbeatTimeoutMs);
}

TEST_F(ReceiverSetTest, ReopeningDropsWhatOldReadersReadAndKeepsHandlesInUseAlive) {
    auto input = Add(ReceiverFamily::k4kB, kInput4kB, "usb-a");
    Add(ReceiverFamily::k4kB, kCommand4kB, "usb-a");
    sets->OpenAll();
    input->Queue(kHeartbeat);
    ASSERT_TRUE(RunUntilReports(1));
    EXPECT_EQ(window.running.at(597), device::kHeartbeatTimeoutMs);
    std::weak_ptr<platform::HidDevice> old_command = sink.command_handle;
    std::weak_ptr<platform::HidDevice> old_input = sink.input_handle;
    // Read before the re-open, handled after it.
    input->Queue(kHeartbeat);
    ASSERT_TRUE(Eventually([&] { return posted == 2; }));

    Set(ReceiverFamily::k4kB).Open();
    ASSERT_TRUE(RunUntil([&] { return Set(ReceiverFamily::k4kB).running_readers() == 1; }));
    EXPECT_EQ(sink.reports.size(), 1u);
    // The page still holds the old pair: nothing it uses was closed under it.
    EXPECT_FALSE(old_command.expired());
    sink.command_handle.reset();
    sink.input_handle.reset();
    EXPECT_TRUE(old_command.expired());
    EXPECT_TRUE(old_input.expired());

    // The new reader decides afresh.
    input->Queue(kHeartbeat);
    ASSERT_TRUE(RunUntilReports(2));
    EXPECT_EQ(sink.live.size(), 2u);
}

TEST_F(ReceiverSetTest, ArrivalsRestartTheirFamilysReopenTimerWhichOpensItsSets) {
    for (int i = 0; i < 3; ++i) {
        Event(DeviceEvent::Action::kAdd, "usb", "/sys/x", "", 0x1D57, 0xFA60);
    }
    EXPECT_EQ(window.starts[54], 3);
    EXPECT_EQ(window.running.at(54), device::kReopenDelayMs);
    Event(DeviceEvent::Action::kAdd, "hidraw", "/dev/hidraw1", "", 0x1D57, 0xFA65);
    Event(DeviceEvent::Action::kAdd, "hidraw", "/dev/hidraw2", "", 0x331A, 0x5043);
    EXPECT_EQ(window.starts[55], 2);
    // Other devices, events without ids and other actions change nothing.
    Event(DeviceEvent::Action::kAdd, "hidraw", "/dev/hidraw3", "", 0x331A, 0x503C);
    Event(DeviceEvent::Action::kAdd, "hidraw", "/dev/hidraw3");
    Event(DeviceEvent::Action::kOther, "hidraw", "/dev/hidraw3", "", 0x1D57, 0xFA60);
    EXPECT_EQ(window.starts.size(), 2u);
    EXPECT_EQ(window.starts[54] + window.starts[55], 5);
    EXPECT_EQ(enumerations, 0);  // nothing opened during the burst

    EXPECT_TRUE(sets->OnTimer(54));
    EXPECT_EQ(enumerations, 1);
    EXPECT_TRUE(sets->OnTimer(55));
    EXPECT_EQ(enumerations, 3);  // 4K and 4K B
    EXPECT_TRUE(window.running.empty());
    EXPECT_FALSE(sets->OnTimer(592));
}

TEST_F(ReceiverSetTest, RemovalEndsTheLiveLinkAtOnceAndClosesTheRemovedHandles) {
    Add(ReceiverFamily::k24g, kCommand24g, "usb-a");
    auto input = Add(ReceiverFamily::k24g, kInput, "usb-a");
    Add(ReceiverFamily::k4k, kCommand4k, "usb-b");
    auto input_4k = Add(ReceiverFamily::k4k, kInput, "usb-b");
    sets->OpenAll();
    input->Queue(kHeartbeat);
    ASSERT_TRUE(RunUntilReports(1));
    std::weak_ptr<platform::HidDevice> command = sink.command_handle;
    input_4k->Queue(kHeartbeat);
    ASSERT_TRUE(RunUntilReports(2));
    sink.command_handle.reset();
    sink.input_handle.reset();

    // An interface of the receiver is no USB device; a node of nobody's matches nothing.
    Event(DeviceEvent::Action::kRemove, "usb", "usb-a/1-1:1.0", "usb-a");
    Event(DeviceEvent::Action::kRemove, "hidraw", "/dev/hidraw9");
    EXPECT_TRUE(sink.removed.empty());
    EXPECT_EQ(sets->running_readers(), 2);
    // The USB device matches every interface on it.
    Event(DeviceEvent::Action::kRemove, "usb", "usb-a", "usb-a");
    EXPECT_EQ(sink.removed, std::vector{ReceiverFamily::k24g});
    ASSERT_TRUE(Eventually([&] { return Set(ReceiverFamily::k24g).running_readers() == 0; }));
    EXPECT_TRUE(command.expired());
    EXPECT_EQ(Set(ReceiverFamily::k4k).running_readers(), 1);
    // A hidraw node matches by its node, the command's included.
    Event(DeviceEvent::Action::kRemove, "hidraw", "/dev/hidraw2");
    EXPECT_EQ(sink.removed, (std::vector{ReceiverFamily::k24g, ReceiverFamily::k4k}));
}

}  // namespace
}  // namespace talvik::test
