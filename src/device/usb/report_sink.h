#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <span>

#include "device/usb/receiver_family.h"
#include "platform/hid_device.h"

namespace talvik::device {

// Where the read step hands what it learned. Every call comes on the UI thread, in the order the
// reports were read. The application wires these to the page's link handling and report
// handlers.
class ReportSink {
public:
    virtual ~ReportSink() = default;

    // A slot of the set was found live: from now on commands for this receiver go to `command`.
    virtual void OnReceiverLive(ReceiverFamily family, std::shared_ptr<platform::HidDevice> command,
                                std::shared_ptr<platform::HidDevice> input) = 0;
    // A heartbeat of the live receiver; the set has already restarted its heartbeat timer. The
    // page sets the family's link flag (2.4G: SetLink24g(1)).
    virtual void OnHeartbeat(ReceiverFamily family) = 0;
    // A report (id 3) of the live receiver, heartbeats included, zero-padded to kReportSize
    // bytes: 2.4G and 4K take ReportWords(report), 4K B the whole buffer.
    virtual void OnReport(ReceiverFamily family, std::span<const uint8_t> report) = 0;
    // The live receiver was pulled out: end the family's link now.
    virtual void OnReceiverRemoved(ReceiverFamily family) = 0;
};

// The two 16-bit values the 2.4G and 4K report handlers take: (marker | type << 8) and
// (val_lo | val_hi << 8). Missing bytes count as zero.
struct ReportWords {
    uint16_t a = 0;
    uint16_t b = 0;
};
ReportWords ToReportWords(std::span<const uint8_t> report);

// Runs a task on the UI thread, after the tasks posted before it. Callable from any thread.
using UiPoster = std::function<void(std::function<void()> task)>;

}  // namespace talvik::device
