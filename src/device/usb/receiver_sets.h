#pragma once

#include <memory>

#include "device/usb/device_event.h"
#include "device/usb/receiver_set.h"

namespace talvik::device {

// Delay between the last arrival event of a receiver and the re-open of its set, so that the
// burst of events of one receiver opens it once.
inline constexpr int kReopenDelayMs = 1000;

// The three receiver sets of the main window with their hot-plug handling. UI thread only.
//
// Wiring: the window's timers 54 and 55 go to OnTimer, timers 592, 596 and 597 to the page
// (the sets only restart them); the hot-plug monitor's events go to OnDeviceEvent.
class ReceiverSets {
public:
    explicit ReceiverSets(const ReceiverEnv& env);
    ~ReceiverSets();

    // Opens the 2.4G, the 4K and the 4K B set (start-up, after hid_init succeeded).
    void OpenAll();
    // Timer 54 re-opens the 2.4G set, timer 55 the 4K and the 4K B set; true when `id` was one
    // of them.
    bool OnTimer(int id);
    // Arrival of a receiver restarts its re-open timer; removal clears the records of the
    // removed node or USB device and ends a live link at once.
    void OnDeviceEvent(const DeviceEvent& event);
    // Quit request to every reader (teardown); the destructor waits for them.
    void StopReaders();

    ReceiverSet& set(ReceiverFamily family) { return *sets_[static_cast<int>(family)]; }
    int running_readers() const;

private:
    platform::MessageTarget* window_;
    std::unique_ptr<ReceiverSet> sets_[3];
};

}  // namespace talvik::device
