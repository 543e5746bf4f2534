#include "macro/key_codes.h"

#include <utility>

#include "macro/record_name.h"
#include "platform/trace.h"

namespace talvik::macro {

const std::array<KeyCodeRow, kKeyCodeRows> KeyCodeTable = {{
    // Letters 'A'..'Z'.
    {0x41, 0x04, 0x1E},
    {0x42, 0x05, 0x30},
    {0x43, 0x06, 0x2E},
    {0x44, 0x07, 0x20},
    {0x45, 0x08, 0x12},
    {0x46, 0x09, 0x21},
    {0x47, 0x0A, 0x22},
    {0x48, 0x0B, 0x23},
    {0x49, 0x0C, 0x17},
    {0x4A, 0x0D, 0x24},
    {0x4B, 0x0E, 0x25},
    {0x4C, 0x0F, 0x26},
    {0x4D, 0x10, 0x32},
    {0x4E, 0x11, 0x31},
    {0x4F, 0x12, 0x18},
    {0x50, 0x13, 0x19},
    {0x51, 0x14, 0x10},
    {0x52, 0x15, 0x13},
    {0x53, 0x16, 0x1F},
    {0x54, 0x17, 0x14},
    {0x55, 0x18, 0x16},
    {0x56, 0x19, 0x2F},
    {0x57, 0x1A, 0x11},
    {0x58, 0x1B, 0x2D},
    {0x59, 0x1C, 0x15},
    {0x5A, 0x1D, 0x2C},
    // Digits '1'..'9', '0'.
    {0x31, 0x1E, 0x02},
    {0x32, 0x1F, 0x03},
    {0x33, 0x20, 0x04},
    {0x34, 0x21, 0x05},
    {0x35, 0x22, 0x06},
    {0x36, 0x23, 0x07},
    {0x37, 0x24, 0x08},
    {0x38, 0x25, 0x09},
    {0x39, 0x26, 0x0A},
    {0x30, 0x27, 0x0B},
    // Enter, Escape, Backspace, Tab, Space.
    {0x0D, 0x28, 0x1C},
    {0x1B, 0x29, 0x01},
    {0x08, 0x2A, 0x0E},
    {0x09, 0x2B, 0x0F},
    {0x20, 0x2C, 0x39},
    // Punctuation (OEM keys); OEM 8 shares the usage of OEM 2.
    {0xBD, 0x2D, 0x0C},
    {0xBB, 0x2E, 0x0D},
    {0xDB, 0x2F, 0x1A},
    {0xDD, 0x30, 0x1B},
    {0xDC, 0x31, 0x2B},
    {0xBA, 0x33, 0x27},
    {0xDE, 0x34, 0x28},
    {0xC0, 0x35, 0x29},
    {0xBC, 0x36, 0x33},
    {0xBE, 0x37, 0x34},
    {0xBF, 0x38, 0x35},
    {0xDF, 0x38, 0x35},
    // Caps Lock.
    {0x14, 0x39, 0x3A},
    // F1..F12.
    {0x70, 0x3A, 0x3B},
    {0x71, 0x3B, 0x3C},
    {0x72, 0x3C, 0x3D},
    {0x73, 0x3D, 0x3E},
    {0x74, 0x3E, 0x3F},
    {0x75, 0x3F, 0x40},
    {0x76, 0x40, 0x41},
    {0x77, 0x41, 0x42},
    {0x78, 0x42, 0x43},
    {0x79, 0x43, 0x44},
    {0x7A, 0x44, 0x57},
    {0x7B, 0x45, 0x58},
    // Print Screen, Scroll Lock, Pause, Insert, Home, Page Up, Delete, End, Page Down, arrows.
    {0x2C, 0x46, 0},
    {0x91, 0x47, 0},
    {0x13, 0x48, 0},
    {0x2D, 0x49, 0},
    {0x24, 0x4A, 0},
    {0x21, 0x4B, 0},
    {0x2E, 0x4C, 0},
    {0x23, 0x4D, 0},
    {0x22, 0x4E, 0},
    {0x27, 0x4F, 0},
    {0x25, 0x50, 0},
    {0x28, 0x51, 0},
    {0x26, 0x52, 0},
    // Num Lock and the keypad operators; the separator key stands for keypad Enter.
    {0x90, 0x53, 0},
    {0x6F, 0x54, 0},
    {0x6A, 0x55, 0},
    {0x6D, 0x56, 0},
    {0x6B, 0x57, 0},
    {0x6C, 0x58, 0},
    // Keypad digits and decimal point.
    {0x61, 0x59, 0},
    {0x62, 0x5A, 0},
    {0x63, 0x5B, 0},
    {0x64, 0x5C, 0},
    {0x65, 0x5D, 0},
    {0x67, 0x5F, 0},
    {0x66, 0x5E, 0},
    {0x68, 0x60, 0},
    {0x69, 0x61, 0},
    {0x60, 0x62, 0},
    {0x6E, 0x63, 0},
    // Applications.
    {0x5D, 0x65, 0},
    // Left and right modifiers.
    {0xA2, 0xE0, 0},
    {0xA0, 0xE1, 0},
    {0xA4, 0xE2, 0},
    {0x5B, 0xE3, 0},
    {0xA3, 0xE4, 0},
    {0xA1, 0xE5, 0},
    {0xA5, 0xE6, 0},
    {0x5C, 0xE7, 0},
    // Codes that stand for themselves (mouse buttons in macros).
    {0xF0, 0xF0, 0},
    {0xF1, 0xF1, 0},
    {0xF2, 0xF2, 0},
    {0xF3, 0xF3, 0},
    {0xF4, 0xF4, 0},
    {0xF7, 0xF7, 0},
    {0xF8, 0xF8, 0},
}};

namespace {

using NameEntry = std::pair<int, std::string_view>;

constexpr NameEntry kKeyCodeNames[] = {
    {0x3A, "key_F1"},
    {0x3B, "key_F2"},
    {0x3C, "key_F3"},
    {0x3D, "key_F4"},
    {0x3E, "key_F5"},
    {0x3F, "key_F6"},
    {0x40, "key_F7"},
    {0x41, "key_F8"},
    {0x42, "key_F9"},
    {0x43, "key_F10"},
    {0x44, "key_F11"},
    {0x45, "key_F12"},
    {0x46, "key_Print Scr"},
    {0x47, "key_Scroll Lock"},
    {0x48, "key_Pause"},
    {0x49, "key_Insert"},
    {0x4A, "key_Home"},
    {0x4B, "key_Page Up"},
    {0x4C, "key_Delete"},
    {0x4D, "key_End"},
    {0x4E, "key_Page Down"},
    {0x4F, "key_Right"},
    {0x50, "key_Left"},
    {0x51, "key_Down"},
    {0x52, "key_Up"},
    {0x53, "key_Num Lock"},
    {0x54, "key_Num_/"},
    {0x55, "key_Num_*"},
    {0x56, "key_Num_-"},
    {0x57, "key_Num_+"},
    {0x58, "key_Num_Enter"},
    {0x59, "key_Num_1"},
    {0x5A, "key_Num_2"},
    {0x5B, "key_Num_3"},
    {0x5C, "key_Num_4"},
    {0x5D, "key_Num_5"},
    {0x5E, "key_Num_6"},
    {0x5F, "key_Num_7"},
    {0x60, "key_Num_8"},
    {0x61, "key_Num_9"},
    {0x62, "key_Num_0"},
    {0x63, "key_Num_."},
    {0x64, "key_\\"},
    {0x65, "key_APP"},
    {0x82, "Sleep"},
    {0x88, "Kana/Roma"},
    {0xDD, "`"},
    {0xE0, "key_LCtrl"},
    {0xE1, "key_LShift"},
    {0xE2, "key_LAlt"},
    {0xE3, "key_LWin"},
    {0xE4, "key_RCtrl"},
    {0xE5, "key_RShift"},
    {0xE6, "key_RAlt"},
    {0xE7, "key_RWin"},
    {0xF1, "L_Button"},
    {0xF2, "R_Button"},
    {0xF3, "M_Button"},
    {0xF4, "Backward_Button"},
    {0xF5, "Forward_Button"},
};

constexpr NameEntry kVirtualKeyNames[] = {
    {0x08, "key_BackSpace"}, {0x09, "key_Tab"},         {0x0D, "key_Enter"},
    {0x10, "key_LShift"},    {0xA0, "key_LShift"},      {0x11, "key_LCtrl"},
    {0xA2, "key_LCtrl"},     {0x12, "key_LAlt"},        {0xA4, "key_LAlt"},
    {0x13, "key_Pause"},     {0x14, "key_Caplk"},       {0xF0, "key_Caplk"},
    {0x1B, "key_Esc"},       {0x20, "key_Space"},       {0x21, "key_Page Up"},
    {0x22, "key_Page Down"}, {0x23, "key_End"},         {0x24, "key_Home"},
    {0x25, "key_Left"},      {0x26, "key_Up"},          {0x27, "key_Right"},
    {0x28, "key_Down"},      {0x2A, "key_Print Scr"},   {0x2C, "key_Print Scr"},
    {0x2D, "key_Insert"},    {0x2E, "key_Delete"},      {0x5B, "key_LWin"},
    {0x5C, "key_RWin"},      {0x5D, "key_APP"},         {0x60, "key_Num_0"},
    {0x61, "key_Num_1"},     {0x62, "key_Num_2"},       {0x63, "key_Num_3"},
    {0x64, "key_Num_4"},     {0x65, "key_Num_5"},       {0x66, "key_Num_6"},
    {0x67, "key_Num_7"},     {0x68, "key_Num_8"},       {0x69, "key_Num_9"},
    {0x6A, "key_Num_*"},     {0x6B, "key_Num_+"},       {0x6C, "key_Num_Enter"},
    {0x6D, "key_Num_-"},     {0x6E, "key_Num_."},       {0x6F, "key_Num_/"},
    {0x70, "key_F1"},        {0x71, "key_F2"},          {0x72, "key_F3"},
    {0x73, "key_F4"},        {0x74, "key_F5"},          {0x75, "key_F6"},
    {0x76, "key_F7"},        {0x77, "key_F8"},          {0x78, "key_F9"},
    {0x79, "key_F10"},       {0x7A, "key_F11"},         {0x7B, "key_F12"},
    {0x90, "key_Num Lock"},  {0x91, "key_Scroll Lock"}, {0xA1, "key_RShift"},
    {0xA3, "key_RCtrl"},     {0xA5, "key_RAlt"},
};

template <std::size_t N>
std::string_view FindName(const NameEntry (&table)[N], int value) {
    for (const auto& [v, key] : table) {
        if (v == value) {
            return key;
        }
    }
    return {};
}

const KeyCodeRow* FindRow(int KeyCodeRow::*column, int value) {
    for (const KeyCodeRow& row : KeyCodeTable) {
        if (row.*column == value) {
            return &row;
        }
    }
    return nullptr;
}

// Keys up to F12 depend on the layout; the rest are named by their function.
bool FollowsLayout(int code) {
    return code >= 0x04 && code <= 0x45;
}

}  // namespace

std::string_view KeyCodeNameKey(int code) {
    return FindName(kKeyCodeNames, code);
}

std::string_view VirtualKeyNameKey(int vk) {
    return FindName(kVirtualKeyNames, vk);
}

std::optional<std::uint8_t> VirtualKeyToKeyCode(int vk, const platform::KeyboardLayout& layout) {
    const KeyCodeRow* row = FindRow(&KeyCodeRow::virtual_key, vk);
    if (row == nullptr) {
        return std::nullopt;
    }
    int code = row->key_code;
    if (FollowsLayout(code)) {
        const int scan = layout.VirtualKeyToScanCode(vk);
        if (scan != 0) {
            if (const KeyCodeRow* at = FindRow(&KeyCodeRow::scan_code, scan); at != nullptr) {
                code = at->key_code;
            }
        }
    }
    return static_cast<std::uint8_t>(code);
}

std::string VirtualKeyName(int vk, const platform::KeyboardLayout& layout,
                           const TextLookup& texts) {
    if (const std::string_view key = VirtualKeyNameKey(vk); !key.empty()) {
        return texts.Text(key);
    }
    const int scan = vk == 0 ? 0 : layout.VirtualKeyToScanCode(vk);
    if (scan == 0) {
        return {};
    }
    return Utf16ToUtf8(ToUpperCase(layout.KeyText(scan)));
}

std::string KeyCodeName(int code, const platform::KeyboardLayout& layout, const TextLookup& texts) {
    std::string name;
    if (code >= 0x04 && code <= 0x39) {
        const KeyCodeRow* row = FindRow(&KeyCodeRow::key_code, code);
        const int vk = row == nullptr ? 0 : layout.ScanCodeToVirtualKey(row->scan_code);
        name = VirtualKeyName(vk, layout, texts);
    } else if (const std::string_view key = KeyCodeNameKey(code); !key.empty()) {
        name = texts.Text(key);
    }
    platform::Trace("m_key = %s\r\n", name.c_str());
    return name;
}

std::optional<std::string> FilterDigits(std::string_view text) {
    std::string digits;
    for (char c : text) {
        if (c >= '0' && c <= '9') {
            digits.push_back(c);
        }
    }
    if (digits.size() == text.size()) {
        return std::nullopt;
    }
    return digits;
}

}  // namespace talvik::macro
