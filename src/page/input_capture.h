#pragma once

namespace talvik::platform {
class LiveKeyboardLayout;
}  // namespace talvik::platform

namespace talvik::page {

class InputRoute;
class KeyCapture;

// What the page hands to the macro editor and the key-combination dialog for recording and key
// capture: the one input route (with the hook functions), key capture on top of it, and the
// keyboard layout that is active now. Owned by the main window, which loads the hook library.
struct InputCapture {
    InputRoute* route = nullptr;
    KeyCapture* keys = nullptr;
    const platform::LiveKeyboardLayout* layout = nullptr;
};

}  // namespace talvik::page
