#pragma once

#include <array>
#include <memory>

#include "profile/profile_record.h"

namespace talvik::profile {

// Gives every field but `name` its default: notes cleared, settings reset, all 24 assignments
// wiped (macro copies included), then buttons 0..17 set to their default functions.
void SetDefaults(ProfileInfo& record);

// A zero-filled record with the defaults of every field; the caller writes `name`.
std::unique_ptr<ProfileInfo> CreateProfile();

// The first device macro slot used for the macro of button b (0..17).
inline constexpr std::array<int, kUsedButtons> macro_start_slot = {1, 5, 9, 13, 17, 21, 25, 0, 0,
                                                                   0, 0, 0, 0,  0,  0,  0,  0, 0};

// Which setting groups differ between two records.
struct ChangeSet {
    bool sensor = false;
    bool polling = false;
    bool light = false;
    bool keys = false;
    std::array<bool, kUsedButtons> macro{};  // per button 0..17

    bool Any() const;
};

// Compares `current` with what the mouse last received (`applied`).
ChangeSet Compare(const ProfileInfo& current, const ProfileInfo& applied);

}  // namespace talvik::profile
