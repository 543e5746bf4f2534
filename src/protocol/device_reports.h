#pragma once

#include <cstdint>
#include <memory>
#include <span>

#include "protocol/device_events.h"
#include "protocol/mouse_report.h"
#include "protocol/session_state.h"
#include "protocol/vendor_library.h"

namespace talvik::protocol {

// A receiver that has not reported for this long counts as gone.
inline constexpr int kWatchdogMs = 6000;
// The cable's mouse needs this long after it appeared before it can be opened.
inline constexpr int kWiredOpenDelayMs = 1000;

// Driver-event codes of the vendor library's plug message.
inline constexpr std::uint32_t kDriverArrived = 0x7F000001;
inline constexpr std::uint32_t kDriverRemoved = 0x7F000002;
inline constexpr std::uint32_t kDriverOther = 0x7F000000;

// What the mouse reports by itself, and the live link state: DPI-stage and polling switches,
// battery and charging, heartbeat watchdogs, the wired plug events and the Bluetooth LE settings
// reply. UI thread only: reader threads and the Bluetooth LE transport post their reports here.
// It tells `events` what happened and never names a control.
class DeviceReports {
public:
    // `vendor` may be null (library missing): the wired link then never comes up.
    DeviceReports(SessionState& state, DeviceEvents& events, std::shared_ptr<VendorLibrary> vendor);

    // a = marker | type << 8, b = val_lo | val_hi << 8.
    void HandleReport24g(std::uint16_t a, std::uint16_t b);
    void HandleReport4k(std::uint16_t a, std::uint16_t b);
    void HandleReport4kB(std::span<const std::uint8_t> report);
    void HandleReportBle(std::uint16_t a, std::uint16_t b);

    // A Bluetooth LE notification: the settings reply, ignored values, or a device report.
    void OnBleNotification(std::span<const std::uint8_t> value);
    // The settings reply (first byte 0xA0).
    void OnBleReply(std::span<const std::uint8_t> value);

    // The main window's plug and data messages of the vendor library (see DriverDataCode).
    void OnDriverEvent(std::uint32_t code);

    void SetLink24g(bool up);
    void SetLink4k(bool up);
    void SetLink4kB(bool up);
    // The mouse is on Bluetooth LE (or left it): the receivers' links end with it.
    void SetBleLink(bool up);

    void OnTimer(DeviceTimer timer);

private:
    enum class Source { k24g, k4k, k4kB, kBle };
    void Handle(Source source, const MouseReport& report);
    bool HandlePolling(Source source, const MouseReport& report);
    void HandleBattery(Source source, const MouseReport& report);
    void KeepLink(Source source, bool up);
    void SaveReported(bool stage, bool polling);
    void FinishWiredArrival();
    bool AnyReceiverOrBle() const;

    SessionState& state_;
    DeviceEvents& events_;
    std::shared_ptr<VendorLibrary> vendor_;
    bool wired_open_pending_ = false;
};

}  // namespace talvik::protocol
