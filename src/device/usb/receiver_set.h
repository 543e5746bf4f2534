#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "device/usb/device_record.h"
#include "device/usb/hid_backend.h"
#include "device/usb/reader_thread.h"
#include "device/usb/receiver_family.h"
#include "device/usb/report_sink.h"
#include "platform/messages.h"

namespace talvik::device {

// What the receiver sets talk to. All of it outlives the sets.
struct ReceiverEnv {
    HidBackend* backend = nullptr;
    platform::MessageTarget* window = nullptr;  // heartbeat and re-open timers
    ReportSink* sink = nullptr;
    UiPoster post;  // queues a task for the UI thread
    // How long a reader blocks before it reads again. A stop interrupts the read, so this only
    // bounds how often an idle reader wakes.
    int read_timeout_ms = 60000;
};

// One receiver family: its opened interfaces, the pairing of input with command interfaces, the
// live decision and the reader threads. Lives on the UI thread; readers reach it only through
// tasks posted there.
class ReceiverSet {
public:
    ReceiverSet(ReceiverFamily family, ReceiverEnv env);
    // Stops the readers and waits for them (at most one read timeout).
    ~ReceiverSet();
    ReceiverSet(const ReceiverSet&) = delete;
    ReceiverSet& operator=(const ReceiverSet&) = delete;

    // Stops the old readers, clears the tables, enumerates and opens the interfaces and starts a
    // reader on each served input interface.
    void Open();
    // Hands one report of an input slot through pairing, the live decision and the heartbeat
    // to the sink. The reader threads post their reports here.
    void ReadStep(int slot, std::span<const uint8_t> report,
                  std::chrono::steady_clock::time_point read_at = {});
    // A device went away: clears the records whose node is `devnode` or whose USB device is
    // `usb_syspath` (either may be empty); ends the link at once when the live receiver went.
    void OnDeviceRemoved(const std::string& devnode, const std::string& usb_syspath);
    // Quit request to every reader without waiting (teardown).
    void StopReaders();

    // When the report being handed to the sink was read (for latency figures).
    std::chrono::steady_clock::time_point current_read_at() const { return current_read_at_; }
    // Reader threads not yet finished, retiring ones included.
    int running_readers() const;

private:
    // A slot's verdict on its receiver, from its first paired report.
    enum class SlotState { kUndecided, kLive, kDead };
    struct Slot {
        SlotState state = SlotState::kUndecided;
        bool decided = false;
        std::unique_ptr<ReaderThread> reader;
    };
    // Lets posted tasks find out whether the set and their reader generation still exist.
    struct Token {
        ReceiverSet* set;
    };

    int input_count() const { return static_cast<int>(inputs_.size()); }
    void StartReader(int slot);
    void RetireReader(Slot& slot);
    void ReapRetired();
    bool Matches(const DeviceRecord& record, const std::string& devnode,
                 const std::string& usb_syspath) const;

    const ReceiverFamily family_;
    const FamilyTraits& traits_;
    ReceiverEnv env_;
    std::vector<DeviceRecord> commands_;
    std::vector<DeviceRecord> inputs_;
    DeviceRecord active_;
    std::array<Slot, kRecordCapacity> slots_;
    std::vector<std::unique_ptr<ReaderThread>> retired_;
    // Replaced on every Open: tasks of older readers find their token expired and drop out.
    std::shared_ptr<Token> token_;
    std::chrono::steady_clock::time_point current_read_at_;
};

}  // namespace talvik::device
