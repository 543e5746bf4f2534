#pragma once

#include <cstdint>
#include <optional>

// What the input hook posts for one input event (WM_MS5_HOOK_INPUT's wParam and lParam); the
// window fallback of recording builds the same messages.
namespace talvik::platform {

struct HookMessage {
    std::uintptr_t wparam;
    std::intptr_t lparam;
};

// A key: its virtual key, lParam 0 when pressed and 1 when released.
HookMessage KeyMessage(int virtual_key, bool pressed);
// An X mouse button (1 left, 2 middle, 3 right, 8 back, 9 forward). Nothing for the wheel
// (4..7) and the buttons the receiver has no code for.
std::optional<HookMessage> ButtonMessage(int x_button, bool pressed);
// Whether a message's wParam is a mouse button's rather than a key's.
bool IsButtonMessage(std::uintptr_t wparam);

}  // namespace talvik::platform
