#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <type_traits>
#include <vector>

namespace talvik::macro {

static_assert(std::endian::native == std::endian::little,
              "records are little-endian byte images copied to and from files as they stand");

// Number of action entries a macro record holds.
inline constexpr int kMaxMacroActions = 190;
// Code units of a macro name field, terminator included (23 characters at most).
inline constexpr int kMacroNameUnits = 24;

// What a MacroAction does.
enum class ActionKind : std::uint8_t {
    kMove = 0,
    kPress = 1,
    kRelease = 2,
};

// Values of MacroAction::code outside the keyboard usages.
inline constexpr std::uint8_t kCodeLeftButton = 0xF1;
inline constexpr std::uint8_t kCodeRightButton = 0xF2;
inline constexpr std::uint8_t kCodeMiddleButton = 0xF3;
inline constexpr std::uint8_t kCodeBackwardButton = 0xF4;
inline constexpr std::uint8_t kCodeForwardButton = 0xF5;
inline constexpr std::uint8_t kCodeMove = 0xF6;

// One action of a macro, 16 bytes as stored in files and in button assignments.
struct MacroAction {
    std::uint8_t reserved_0;
    std::uint8_t code;  // keyboard usage 0x04..0xE7, mouse button 0xF1..0xF5, or 0xF6 (movement)
    std::uint8_t kind;  // ActionKind
    std::uint8_t reserved_3;
    std::uint16_t delay;  // pause in ms after this action
    std::uint16_t reserved_6;
    std::int32_t x;  // movement only
    std::int32_t y;  // movement only
};

static_assert(sizeof(MacroAction) == 16);
static_assert(std::is_trivially_copyable_v<MacroAction> && std::is_standard_layout_v<MacroAction>);
static_assert(offsetof(MacroAction, reserved_0) == 0);
static_assert(offsetof(MacroAction, code) == 1);
static_assert(offsetof(MacroAction, kind) == 2);
static_assert(offsetof(MacroAction, reserved_3) == 3);
static_assert(offsetof(MacroAction, delay) == 4);
static_assert(offsetof(MacroAction, reserved_6) == 6);
static_assert(offsetof(MacroAction, x) == 8);
static_assert(offsetof(MacroAction, y) == 12);

// One macro, 3,096 bytes: the record of macro.data and of a macro file.
struct MacroInfo {
    char16_t name[kMacroNameUnits];  // UTF-16, zero-terminated
    std::int32_t repeat;
    std::int32_t action_count;  // valid entries of `actions`, 0..190
    MacroAction actions[kMaxMacroActions];
};

static_assert(sizeof(MacroInfo) == 3096);
static_assert(std::is_trivially_copyable_v<MacroInfo> && std::is_standard_layout_v<MacroInfo>);
static_assert(offsetof(MacroInfo, name) == 0);
static_assert(offsetof(MacroInfo, repeat) == 48);
static_assert(offsetof(MacroInfo, action_count) == 52);
static_assert(offsetof(MacroInfo, actions) == 56);
static_assert(sizeof(MacroInfo::actions) == 3040);

// The macro list: ordered, each record allocated on its own and owned by the list.
using MacroList = std::vector<std::unique_ptr<MacroInfo>>;

}  // namespace talvik::macro

namespace talvik::macro {

// Makes a record read from a file safe to use: the name is terminated within its field and
// `action_count` is clamped to 0..190. Returns whether anything had to change.
bool RepairMacro(MacroInfo& record);

}  // namespace talvik::macro
