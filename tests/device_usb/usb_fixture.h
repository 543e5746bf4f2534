#pragma once

#include <gtest/gtest.h>

#include <QObject>
#include <functional>
#include <map>
#include <memory>
#include <vector>

#include "../app/qt_wait.h"
#include "../toolkit/recording_target.h"
#include "device/usb/hidapi_backend.h"
#include "device/usb/receiver_sets.h"
#include "device/usb/ui_task_queue.h"
#include "usb_testbed.h"

namespace talvik::test {

using FakeWindow = RecordingTarget;

// Stands in for the page: keeps the link flags the way the page's handlers would.
class RecordingSink final : public device::ReportSink {
public:
    void OnReceiverLive(device::ReceiverFamily family, std::shared_ptr<platform::HidDevice> command,
                        std::shared_ptr<platform::HidDevice> input) override {
        live.push_back(family);
        command_handle = std::move(command);
        input_handle = std::move(input);
    }
    void OnHeartbeat(device::ReceiverFamily family) override {
        heartbeats.push_back(family);
        link[family] = true;
    }
    void OnReport(device::ReceiverFamily family, std::span<const uint8_t> report) override {
        reports.push_back({family, std::vector<uint8_t>(report.begin(), report.end())});
    }
    void OnReceiverRemoved(device::ReceiverFamily family) override {
        removed.push_back(family);
        link[family] = false;
    }
    // What the page does when a heartbeat timer runs out.
    void OnHeartbeatTimeout(device::ReceiverFamily family) { link[family] = false; }

    struct Report {
        device::ReceiverFamily family;
        std::vector<uint8_t> bytes;
    };
    std::vector<device::ReceiverFamily> live;
    std::vector<device::ReceiverFamily> heartbeats;
    std::vector<Report> reports;
    std::vector<device::ReceiverFamily> removed;
    std::map<device::ReceiverFamily, bool> link;
    std::shared_ptr<platform::HidDevice> command_handle;
    std::shared_ptr<platform::HidDevice> input_handle;
};

// The real backend, counting enumerations (one per set opened).
class CountingBackend final : public device::HidBackend {
public:
    std::vector<device::HidInterfaceInfo> Enumerate(uint16_t vid, uint16_t pid) override {
        ++enumerations;
        return real.Enumerate(vid, pid);
    }
    std::shared_ptr<platform::HidDevice> Open(const std::string& path) override {
        return real.Open(path);
    }
    device::HidapiBackend real;
    int enumerations = 0;
};

// Runs the event loop until `done` holds; false after a generous deadline, which only a failing
// test reaches.
template <class Pred>
bool WaitFor(Pred done) {
    return WaitUntil(done, 10000);
}

inline constexpr uint16_t kVid24g = 0x1D57;
inline constexpr uint16_t kPid24g = 0xFA60;
inline constexpr uint16_t kPid4k = 0xFA65;
inline constexpr uint16_t kVid4kB = 0x331A;
inline constexpr uint16_t kPid4kB = 0x5043;
inline constexpr InterfaceSpec kCommand24g{0x000B, 0x0000};
inline constexpr InterfaceSpec kInput24g{0x000A, 0x0000};
inline constexpr InterfaceSpec kCommand4k{0xFF00, 0x0001};
inline constexpr InterfaceSpec kInput4k{0x000A, 0x0000};
inline constexpr InterfaceSpec kCommand4kB{0xFF01, 0x0002};
inline constexpr InterfaceSpec kInput4kB{0xFF00, 0x0001};

// A heartbeat (battery level 57 %) and a DPI stage report as the mouse sends them.
inline const std::vector<uint8_t> kHeartbeat = {0x03, 0xC5, 0x40, 0x05, 57};
inline std::vector<uint8_t> StageReport(uint8_t stage) {
    return {0x03, 0xC5, 0x10, stage, 0};
}

// A testbed, the three receiver sets on the real hidapi and libudev, and the UI thread being
// this test's event loop.
class UsbFixture : public ::testing::Test {
protected:
    UsbFixture();
    ~UsbFixture() override;

    device::ReceiverSet& Set(device::ReceiverFamily family) { return sets->set(family); }
    // Waits until the sink saw `count` reports.
    bool WaitForReports(size_t count);

    UsbTestbed bed;  // first: before any udev monitor exists
    device::UiTaskQueue ui;
    FakeWindow window;
    RecordingSink sink;
    CountingBackend backend;
    std::unique_ptr<device::ReceiverSets> sets;
};

}  // namespace talvik::test
