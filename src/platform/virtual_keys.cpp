#include "platform/virtual_keys.h"

#include <xkbcommon/xkbcommon-keysyms.h>

#include <utility>

namespace talvik::platform {

namespace {

using Pair = std::pair<int, int>;

template <std::size_t N>
int Lookup(const Pair (&table)[N], int key) {
    for (const auto& [k, vk] : table) {
        if (k == key) {
            return vk;
        }
    }
    return 0;
}

constexpr Pair kFunctionSymbols[] = {
    {XKB_KEY_Return, 0x0D},       {XKB_KEY_Escape, 0x1B},
    {XKB_KEY_BackSpace, 0x08},    {XKB_KEY_Tab, 0x09},
    {XKB_KEY_ISO_Left_Tab, 0x09}, {XKB_KEY_space, 0x20},
    {XKB_KEY_Caps_Lock, 0x14},    {XKB_KEY_Shift_L, 0xA0},
    {XKB_KEY_Shift_R, 0xA1},      {XKB_KEY_Control_L, 0xA2},
    {XKB_KEY_Control_R, 0xA3},    {XKB_KEY_Alt_L, 0xA4},
    {XKB_KEY_Alt_R, 0xA5},        {XKB_KEY_ISO_Level3_Shift, 0xA5},
    {XKB_KEY_Super_L, 0x5B},      {XKB_KEY_Super_R, 0x5C},
    {XKB_KEY_Menu, 0x5D},         {XKB_KEY_Num_Lock, 0x90},
    {XKB_KEY_Scroll_Lock, 0x91},  {XKB_KEY_Print, 0x2C},
    {XKB_KEY_Pause, 0x13},        {XKB_KEY_KP_Multiply, 0x6A},
    {XKB_KEY_KP_Subtract, 0x6D},  {XKB_KEY_KP_Add, 0x6B},
    {XKB_KEY_KP_Divide, 0x6F},
};

// Evdev key codes (linux/input-event-codes.h) outside the typing area.
constexpr Pair kFixedPositions[] = {
    {29, 0xA2},                           // left Ctrl
    {42, 0xA0},                           // left Shift
    {54, 0xA1},                           // right Shift
    {55, 0x6A},                           // keypad *
    {56, 0xA4},                           // left Alt
    {69, 0x90},                           // Num Lock
    {70, 0x91},                           // Scroll Lock
    {71, 0x67},                           // keypad 7 .. 9
    {72, 0x68},  {73, 0x69}, {74, 0x6D},  // keypad -
    {75, 0x64},                           // keypad 4 .. 6
    {76, 0x65},  {77, 0x66}, {78, 0x6B},  // keypad +
    {79, 0x61},                           // keypad 1 .. 3
    {80, 0x62},  {81, 0x63}, {82, 0x60},  // keypad 0
    {83, 0x6E},                           // keypad decimal point
    {96, 0x6C},   // keypad Enter: the key table's separator row stands for it
    {97, 0xA3},   // right Ctrl
    {98, 0x6F},   // keypad /
    {99, 0x2C},   // Print Screen
    {100, 0xA5},  // right Alt (AltGr)
    {102, 0x24},  // Home
    {103, 0x26},  // Up
    {104, 0x21},  // Page Up
    {105, 0x25},  // Left
    {106, 0x27},  // Right
    {107, 0x23},  // End
    {108, 0x28},  // Down
    {109, 0x22},  // Page Down
    {110, 0x2D},  // Insert
    {111, 0x2E},  // Delete
    {113, 0xAD},  // mute
    {114, 0xAE},  // volume down
    {115, 0xAF},  // volume up
    {119, 0x13},  // Pause
    {125, 0x5B},  // left Windows
    {126, 0x5C},  // right Windows
    {127, 0x5D},  // menu (Applications)
    {128, 0xA9},  // browser stop
    {140, 0xB7},  // calculator (launch application 2)
    {142, 0x5F},  // sleep
    {155, 0xB4},  // mail
    {156, 0xAB},  // browser favourites
    {158, 0xA6},  // browser back
    {159, 0xA7},  // browser forward
    {163, 0xB0},  // next track
    {164, 0xB3},  // play / pause
    {165, 0xB1},  // previous track
    {166, 0xB2},  // stop
    {172, 0xAC},  // browser home
    {173, 0xA8},  // browser refresh
    {217, 0xAA},  // browser search
    {226, 0xB5},  // media select
};

}  // namespace

int FunctionVirtualKey(std::uint32_t sym) {
    if (sym >= XKB_KEY_F1 && sym <= XKB_KEY_F12) {
        return 0x70 + static_cast<int>(sym - XKB_KEY_F1);
    }
    return Lookup(kFunctionSymbols, static_cast<int>(sym));
}

int CharacterVirtualKey(std::uint32_t sym) {
    if (sym >= XKB_KEY_a && sym <= XKB_KEY_z) {
        return 'A' + static_cast<int>(sym - XKB_KEY_a);
    }
    if (sym >= XKB_KEY_A && sym <= XKB_KEY_Z) {
        return 'A' + static_cast<int>(sym - XKB_KEY_A);
    }
    if (sym >= XKB_KEY_0 && sym <= XKB_KEY_9) {
        return '0' + static_cast<int>(sym - XKB_KEY_0);
    }
    switch (sym) {
        case XKB_KEY_minus:
            return 0xBD;
        case XKB_KEY_equal:
        case XKB_KEY_plus:
            return 0xBB;
        case XKB_KEY_comma:
            return 0xBC;
        case XKB_KEY_period:
            return 0xBE;
        default:
            return 0;
    }
}

int UsPositionVirtualKey(int scan) {
    static constexpr int kLetters[] = {0x10, 0x11, 0x12, 0x13, 0x14, 0x15, 0x16, 0x17, 0x18,
                                       0x19, 0x1E, 0x1F, 0x20, 0x21, 0x22, 0x23, 0x24, 0x25,
                                       0x26, 0x2C, 0x2D, 0x2E, 0x2F, 0x30, 0x31, 0x32};
    static constexpr char kLetterVk[] = "QWERTYUIOPASDFGHJKLZXCVBNM";
    for (int i = 0; i < 26; ++i) {
        if (kLetters[i] == scan) {
            return kLetterVk[i];
        }
    }
    if (scan >= 0x02 && scan <= 0x0A) {
        return '1' + (scan - 0x02);
    }
    static constexpr Pair kPunctuation[] = {
        {0x0B, '0'},  {0x0C, 0xBD}, {0x0D, 0xBB}, {0x1A, 0xDB}, {0x1B, 0xDD},
        {0x2B, 0xDC}, {0x27, 0xBA}, {0x28, 0xDE}, {0x29, 0xC0}, {0x33, 0xBC},
        {0x34, 0xBE}, {0x35, 0xBF}, {0x56, 0xE2},
    };
    return Lookup(kPunctuation, scan);
}

int FixedPositionVirtualKey(int scan) {
    return Lookup(kFixedPositions, scan);
}

}  // namespace talvik::platform
