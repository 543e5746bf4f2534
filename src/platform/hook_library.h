#pragma once

#include <string>

#include "platform/messages.h"

namespace talvik::platform {

// The seven entry points of the input-hook library (libHook.so), in their load order. Any may be
// null: a missing library or export only makes recording unavailable.
struct HookFunctions {
    using Void = void (*)();
    using Toggle = void (*)(int on);
    using Install = int (*)(TalvikWindowHandle* target);

    Install installmousehook = nullptr;  // resolved, never called
    Void removemousehook = nullptr;
    Toggle enablemousehook = nullptr;
    Install installhook = nullptr;
    Void removehook = nullptr;
    Toggle enablehook = nullptr;
    Toggle mousewheelenable = nullptr;

    bool CanRecord() const {
        return installhook != nullptr && removehook != nullptr && enablehook != nullptr;
    }
};

// Owns the loaded library; the table stays valid while this object lives.
class HookLibrary {
public:
    HookLibrary() = default;
    ~HookLibrary();
    HookLibrary(const HookLibrary&) = delete;
    HookLibrary& operator=(const HookLibrary&) = delete;

    // Loads `path` and resolves what it exports. False when the library cannot be loaded.
    bool Load(const std::string& path);
    // Removes the hooks still installed and unloads the library.
    void Unload();

    const HookFunctions& Functions() const { return functions_; }
    const HookFunctions* Table() const { return &functions_; }

private:
    void* handle_ = nullptr;
    HookFunctions functions_;
};

}  // namespace talvik::platform
