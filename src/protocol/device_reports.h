#pragma once

#include <cstdint>
#include <memory>
#include <span>

#include "page/page_state.h"
#include "page/page_view.h"
#include "protocol/mouse_report.h"
#include "protocol/vendor_library.h"

namespace talvik::protocol {

// What the mouse reports by itself, and the live link state: DPI-stage and polling switches,
// battery and charging, heartbeat watchdogs, the wired plug events and the Bluetooth LE settings
// reply. UI thread only: reader threads and the Bluetooth LE transport post their reports here.
class DeviceReports {
public:
    // `vendor` may be null (library missing): the wired link then never comes up.
    DeviceReports(page::PageState& state, page::PageView& view,
                  std::shared_ptr<VendorLibrary> vendor);

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
    void RefreshModeControls();

    // Timers 592..599; false for the ones that belong to other parts of the page (594, 598).
    bool OnPageTimer(int id);

private:
    enum class Source { k24g, k4k, k4kB, kBle };
    void Handle(Source source, const MouseReport& report);
    bool HandlePolling(Source source, const MouseReport& report);
    void HandleBattery(Source source, const MouseReport& report);
    void KeepLink(Source source, bool up);
    void ShowLevel(int level);
    void SaveReported(bool stage, bool polling);
    void FinishWiredArrival();
    void UpdateAnyLink();
    bool AnyReceiverOrBle() const;

    page::PageState& state_;
    page::PageView& view_;
    std::shared_ptr<VendorLibrary> vendor_;
    bool wired_open_pending_ = false;
};

}  // namespace talvik::protocol
