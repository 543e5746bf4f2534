#pragma once

#include <QDBusConnection>
#include <QObject>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>

#include "device/usb/report_sink.h"
#include "platform/ble_writer.h"
#include "platform/messages.h"

namespace talvik::protocol {
class DeviceEvents;
class DeviceReports;
class VendorLibrary;
struct SessionState;
}  // namespace talvik::protocol

namespace talvik::device {

class BluezClient;
class HidBackend;
class HotplugMonitor;
class ReceiverSets;

// The window timer that subscribes to a Bluetooth LE mouse's notifications once the daemon has
// had time to resolve its services.
inline constexpr int kTimerBleRegister = 598;

// What the links are made of: the real system's parts, or the virtual mouse's.
struct LinkParts {
    // The cable's library; null: no wired link.
    std::shared_ptr<protocol::VendorLibrary> cable;
    // Where the receivers are enumerated and opened; null: no receivers.
    std::unique_ptr<HidBackend> receivers;
    // Follow receivers plugged in or pulled out later (udev).
    bool hotplug = false;
    // The Bluetooth daemon's bus; none: no daemon is asked.
    std::optional<QDBusConnection> bluez_bus;
    // A Bluetooth LE mouse that is always connected and written through this writer; its
    // notifications come in through DeviceLinks::OnBleValue.
    std::shared_ptr<platform::BleWriter> fixed_ble;
};

// The real system's parts: the vendor library from `app_dir` (ending with '/'), the receivers
// through hidapi with hot-plug, and Bluetooth LE on `bus`.
LinkParts SystemLinkParts(const std::string& app_dir, QDBusConnection bus);

// Brings the mouse's links up and keeps them up as devices come and go: the cable through the
// vendor library, the receivers through the HID backend (readers, heartbeats, re-opens after
// hot-plug), Bluetooth LE through the daemon. What the links report goes to the report handlers;
// the session's handles always name the devices that are open now. UI thread only.
class DeviceLinks final : public QObject, private ReportSink {
    Q_OBJECT
public:
    struct Env {
        protocol::SessionState* state = nullptr;
        protocol::DeviceReports* reports = nullptr;
        protocol::DeviceEvents* events = nullptr;
        platform::MessageTarget* window = nullptr;          // timers
        const TalvikWindowHandle* window_handle = nullptr;  // where the cable's library posts
        UiPoster post;
    };

    DeviceLinks(const Env& env, LinkParts parts, QObject* parent = nullptr);
    ~DeviceLinks() override;

    // Opens what is there now and starts watching for what comes later.
    void Start();
    // Ends the subscriptions, the readers and the cable. Runs once; the destructor calls it too.
    void Stop();

    // The re-open timers of the receiver sets and the Bluetooth LE subscription timer; true when
    // `id` was one of them.
    bool OnTimer(int id);
    // A notification of the fixed Bluetooth LE mouse, on the UI thread.
    void OnBleValue(std::span<const std::uint8_t> value);

    ReceiverSets* Receivers() { return receivers_.get(); }

private:
    void StartCable();
    void StartReceivers();
    void StartBluetooth();
    void SetBleLink(bool up);
    // A writer for the worker from what the daemon lists now.
    void RefreshBleWriter();
    void OnBleRegisterTimer();

    // ReportSink
    void OnReceiverLive(ReceiverFamily family, std::shared_ptr<platform::HidDevice> command,
                        std::shared_ptr<platform::HidDevice> input) override;
    void OnHeartbeat(ReceiverFamily family) override;
    void OnReport(ReceiverFamily family, std::span<const uint8_t> report) override;
    void OnReceiverRemoved(ReceiverFamily family) override;

    Env env_;
    LinkParts parts_;
    std::unique_ptr<ReceiverSets> receivers_;
    std::unique_ptr<HotplugMonitor> hotplug_;
    BluezClient* bluez_ = nullptr;  // a child QObject
    bool stopped_ = false;
};

}  // namespace talvik::device
