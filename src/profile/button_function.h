#pragma once

#include <cstdint>
#include <string_view>

namespace talvik::profile {

// Codes of ButtonAssign::function.
enum class ButtonFunction : std::uint8_t {
    kOff = 0,
    kLeftClick = 1,
    kRightClick = 2,
    kWheelClick = 3,
    kForward = 4,
    kBackward = 5,
    kDpiCycle = 6,
    kDpiUp = 7,
    kDpiDown = 8,
    kDoubleClick = 9,
    kFireButton = 10,
    kScrollUp = 11,
    kScrollDown = 12,
    kTiltLeft = 13,
    kTiltRight = 14,
    kKeyCombination = 16,
    kMacro = 17,
    kEasyAim = 22,
    kLedLoop = 23,
    kCut = 32,
    kCopy = 33,
    kPaste = 34,
    kOpen = 35,
    kSave = 36,
    kFind = 37,
    kRedo = 38,
    kUndo = 39,
    kSelectAll = 40,
    kPrint = 41,
    kCloseWindow = 42,
    kSwapWindows = 43,
    kShowDesktop = 44,
    kRunCommand = 45,
    kLockPc = 46,
    kScreenCapture = 50,
    kTaskView = 51,
    kProfileCycle = 54,
    kProfileUp = 55,
    kProfileDown = 56,
    kMediaPlayer = 64,
    kPlayPause = 65,
    kMediaStop = 66,
    kPreviousTrack = 67,
    kNextTrack = 68,
    kVolumeUp = 69,
    kVolumeDown = 70,
    kMute = 71,
    kBrowserHome = 80,
    kBrowserFavorites = 81,
    kBrowserForward = 82,
    kBrowserBackward = 83,
    kBrowserStop = 84,
    kBrowserRefresh = 85,
    kBrowserSearch = 86,
    kEmail = 87,
    kCalculator = 88,
    kMyComputer = 89,
};

// The language key of a function's display text: "left_click_text" for 1, "assign_macro_text" for
// a macro (shown followed by the macro's name), empty for a key combination (shown as its keys)
// and for codes without a text.
std::string_view ButtonFunctionTextKey(std::uint8_t code);

}  // namespace talvik::profile
