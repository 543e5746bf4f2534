#pragma once

#include <memory>

#include "profile/profile_record.h"
#include "protocol/link_state.h"
#include "protocol/links.h"

namespace talvik::protocol {

// The settings data of a session with the mouse. UI thread only: the worker gets copies of what
// it needs and hands its results back through the UI thread.
struct SessionState {
    SessionState() : applied_profile(std::make_unique<profile::ProfileInfo>()) {}

    profile::ProfileList profiles;
    int active_profile_index = 0;
    // The active record inside `profiles`; null until the store is loaded.
    profile::ProfileInfo* current_profile = nullptr;
    // What the mouse last received or reported; zero-filled at start.
    std::unique_ptr<profile::ProfileInfo> applied_profile;
    // The next apply sends everything instead of comparing.
    bool force_full_apply = true;

    LinkState links;
    LinkHandles handles;
};

}  // namespace talvik::protocol
