#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "device/usb/report_sink.h"
#include "platform/hid_device.h"

namespace talvik::test {

// An input interface handing out queued reads: a report, or nothing for a failed read. A read
// waits until one is queued, the device is pulled (every read fails) or it is interrupted. A
// copy is another handle on the same interface.
class FakeHid final : public platform::HidDevice {
public:
    void Queue(std::vector<uint8_t> report) { Push(std::move(report)); }
    void QueueFailure() { Push(std::nullopt); }
    void Pull() {
        std::lock_guard lock(s_->mutex);
        s_->gone = true;
        s_->changed.notify_all();
    }
    std::optional<std::size_t> Read(std::span<std::uint8_t> buffer, int) override {
        std::unique_lock lock(s_->mutex);
        s_->changed.wait(lock, [&] { return s_->gone || interrupted_ || !s_->reads.empty(); });
        interrupted_ = false;
        if (s_->gone || s_->reads.empty()) {
            return s_->gone ? std::nullopt : std::optional<std::size_t>(0);
        }
        const std::optional<std::vector<uint8_t>> read = std::move(s_->reads.front());
        s_->reads.pop_front();
        lock.unlock();
        if (read && on_report) {
            on_report();
        }
        if (read) {
            std::memcpy(buffer.data(), read->data(), std::min(read->size(), buffer.size()));
            return read->size();
        }
        return std::nullopt;
    }
    void InterruptRead() override {
        std::lock_guard lock(s_->mutex);
        interrupted_ = true;
        s_->changed.notify_all();
    }
    std::optional<std::size_t> Write(std::span<const std::uint8_t>) override { return 0; }
    std::optional<std::size_t> SendFeatureReport(std::span<const std::uint8_t>) override {
        return 0;
    }
    std::optional<std::size_t> GetFeatureReport(std::span<std::uint8_t>) override { return 0; }

    // Runs on the reading thread as a read is about to return a report.
    std::function<void()> on_report;

private:
    struct State {
        std::mutex mutex;
        std::condition_variable changed;
        std::deque<std::optional<std::vector<uint8_t>>> reads;
        bool gone = false;
    };
    void Push(std::optional<std::vector<uint8_t>> read) {
        std::lock_guard lock(s_->mutex);
        s_->reads.push_back(std::move(read));
        s_->changed.notify_all();
    }

    std::shared_ptr<State> s_ = std::make_shared<State>();
    bool interrupted_ = false;  // guarded by s_->mutex
};

// Polls `done` until it holds; false after a deadline only a failing test reaches.
template <class Pred>
bool Eventually(Pred done) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!done() && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return done();
}

// Stands in for the page.
class RecordingSink final : public device::ReportSink {
public:
    void OnReceiverLive(device::ReceiverFamily family, std::shared_ptr<platform::HidDevice> command,
                        std::shared_ptr<platform::HidDevice> input) override {
        live.push_back(family);
        command_handle = std::move(command);
        input_handle = std::move(input);
    }
    void OnHeartbeat(device::ReceiverFamily) override { ++heartbeats; }
    void OnReport(device::ReceiverFamily, std::span<const uint8_t> report) override {
        reports.emplace_back(report.begin(), report.end());
    }
    void OnReceiverRemoved(device::ReceiverFamily family) override { removed.push_back(family); }

    std::vector<device::ReceiverFamily> live;
    int heartbeats = 0;
    std::vector<std::vector<uint8_t>> reports;
    std::vector<device::ReceiverFamily> removed;
    std::shared_ptr<platform::HidDevice> command_handle;
    std::shared_ptr<platform::HidDevice> input_handle;
};

// A heartbeat (battery level 57 %) and a DPI stage report as the mouse sends them.
inline const std::vector<uint8_t> kHeartbeat = {0x03, 0xC5, 0x40, 0x05, 57};
inline std::vector<uint8_t> StageReport(uint8_t stage, uint8_t marker = 0xC5) {
    return {0x03, marker, 0x10, stage, 0};
}

}  // namespace talvik::test
