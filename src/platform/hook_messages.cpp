#include "platform/hook_messages.h"

namespace talvik::platform {

namespace {

constexpr std::uintptr_t kLeftDown = 0x201;
constexpr std::uintptr_t kRightDown = 0x204;
constexpr std::uintptr_t kMiddleDown = 0x207;
constexpr std::uintptr_t kExtraDown = 0x20B;
// The receiver decodes an extra button's lParam 2 as the backward and 1 as the forward button.
constexpr std::intptr_t kBackward = 2;
constexpr std::intptr_t kForward = 1;

}  // namespace

HookMessage KeyMessage(int virtual_key, bool pressed) {
    return {static_cast<std::uintptr_t>(virtual_key), pressed ? 0 : 1};
}

std::optional<HookMessage> ButtonMessage(int x_button, bool pressed) {
    // Each release message follows its press message.
    const std::uintptr_t up = pressed ? 0 : 1;
    switch (x_button) {
        case 1:
            return HookMessage{kLeftDown + up, 0};
        case 2:
            return HookMessage{kMiddleDown + up, 0};
        case 3:
            return HookMessage{kRightDown + up, 0};
        case 8:
            return HookMessage{kExtraDown + up, kBackward};
        case 9:
            return HookMessage{kExtraDown + up, kForward};
        default:
            return std::nullopt;  // the wheel (4..7) is never reported
    }
}

bool IsButtonMessage(std::uintptr_t wparam) {
    return wparam >= kLeftDown && wparam <= kExtraDown + 1;
}

}  // namespace talvik::platform
