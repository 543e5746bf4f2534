#pragma once

namespace talvik::device {

// Start-up presence check of the Bluetooth LE mouse: a connected mouse shows up as a HID
// device with the mouse's vendor and product ids. False when hidapi cannot start.
bool BleMouseListedByHid();

}  // namespace talvik::device
