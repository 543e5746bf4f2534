// What the mouse sends by itself and the status replies on the output-report links.
#include <cstring>

#include "fuzz_support.h"
#include "protocol/mouse_report.h"
#include "protocol/output_frame.h"

namespace {

using namespace talvik::protocol;

bool Same(const MouseReport& a, const MouseReport& b) {
    return a.marker == b.marker && a.type == b.type && a.val_lo == b.val_lo && a.val_hi == b.val_hi;
}

// A report survives the vendor library's event code exactly when its upper half is one the
// handler takes.
void CheckDriverTrip(const MouseReport& report) {
    const std::optional<MouseReport> back =
        ReportFromDriverEvent(DriverDataCode(report.a(), report.b()));
    const bool taken = report.a() >= 0x1000 && report.a() <= 0x9000;
    FUZZ_CHECK(back.has_value() == taken);
    FUZZ_CHECK(!back || Same(*back, report));
}

void CheckReport(const MouseReport& report) {
    FUZZ_CHECK(Same(MouseReport::FromHalves(report.a(), report.b()), report));
    CheckDriverTrip(report);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> bytes(data, size);

    // A status reply is read from its first four bytes only; a frame we send (report id, length,
    // zero) is never taken for one.
    const LinkStatus status = ParseStatusReply(bytes);
    FUZZ_CHECK(size >= 4 || status == LinkStatus::kNone);
    if (size >= 4) {
        FUZZ_CHECK(ParseStatusReply(bytes.first(4)) == status);
    }
    CommandPacket packet;
    packet.length = std::min(size, kMaxPacketLength);
    std::copy_n(data, packet.length, packet.bytes.begin());
    FUZZ_CHECK(ParseStatusReply(BuildCommandFrame(packet)) == LinkStatus::kNone);

    // Receiver input reports: marker at byte 1; Bluetooth LE notifications: marker at byte 0.
    const std::optional<MouseReport> receiver = ReportFromReceiver(bytes);
    FUZZ_CHECK(receiver.has_value() == (size >= 5));
    if (receiver) {
        FUZZ_CHECK(Same(*receiver, MouseReport{data[1], data[2], data[3], data[4]}));
        CheckReport(*receiver);
    }
    const std::optional<MouseReport> ble = ReportFromBle(bytes);
    FUZZ_CHECK(ble.has_value() == (size >= 4));
    if (ble) {
        FUZZ_CHECK(Same(*ble, MouseReport{data[0], data[1], data[2], data[3]}));
        CheckReport(*ble);
    }

    // The vendor library's event codes: what is taken comes back as the same code.
    if (size >= 4) {
        std::uint32_t code = 0;
        std::memcpy(&code, data, sizeof(code));
        if (const std::optional<MouseReport> event = ReportFromDriverEvent(code)) {
            FUZZ_CHECK(DriverDataCode(event->a(), event->b()) == code);
            CheckReport(*event);
        } else {
            const std::uint32_t upper = code >> 16;
            FUZZ_CHECK(upper < 0x1000 || upper > 0x9000);
        }
    }
    return 0;
}
