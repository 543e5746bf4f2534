#pragma once

#include <memory>

#include "profile/profile_record.h"
#include "protocol/links.h"

namespace talvik::page {

// The settings data the device page owns. UI thread only: the worker gets copies of what it
// needs and hands its results back through the UI thread.
struct PageState {
    PageState() : applied_profile(std::make_unique<profile::ProfileInfo>()) {}

    profile::ProfileList profiles;
    int active_profile_index = 0;
    // The active record inside `profiles`; null until the store is loaded.
    profile::ProfileInfo* current_profile = nullptr;
    // What the mouse last received or reported; zero-filled at start.
    std::unique_ptr<profile::ProfileInfo> applied_profile;
    // The next apply sends everything instead of comparing.
    bool force_full_apply = true;

    protocol::LinkFlags links;
    protocol::LinkHandles handles;

    // The charging animation's progress value, 0..100.
    int charge_animation = 0;
};

}  // namespace talvik::page
