#pragma once

#include <cstdint>
#include <optional>

namespace talvik::device {

// The three USB receivers the mouse can sit behind.
enum class ReceiverFamily { k24g, k4k, k4kB };

inline constexpr ReceiverFamily kAllFamilies[] = {ReceiverFamily::k24g, ReceiverFamily::k4k,
                                                  ReceiverFamily::k4kB};

// Interfaces per table of a set; more interfaces of a receiver are left closed.
inline constexpr int kRecordCapacity = 20;
// A receiver link without a heartbeat for this long counts as gone.
inline constexpr int kHeartbeatTimeoutMs = 6000;
// Size of the buffer every input report is read into and handed on in.
inline constexpr int kReportSize = 100;

struct UsagePair {
    uint16_t usage_page = 0;
    uint16_t usage = 0;
    bool operator==(const UsagePair&) const = default;
};

struct FamilyTraits {
    ReceiverFamily family;
    const char* name;  // for traces and tests
    uint16_t vendor_id;
    uint16_t product_id;
    UsagePair command;    // the interface commands are written to
    UsagePair input;      // the interface the mouse's reports arrive on
    int reader_slots;     // input slots that get a reader thread
    int active_slot;      // device-tab slot of the live receiver
    int heartbeat_timer;  // page timer restarted by every heartbeat
};

const FamilyTraits& Traits(ReceiverFamily family);

// The family whose receiver has these USB ids, if any.
std::optional<ReceiverFamily> FamilyOfIds(uint16_t vendor_id, uint16_t product_id);

}  // namespace talvik::device
