#include "platform/hook_library.h"

#include <dlfcn.h>

#include "platform/trace.h"

namespace talvik::platform {

namespace {

// The library's trace lines join the program's trace.
void TraceHookLine(const char* line) {
    Trace("%s", line);
}

template <class T>
void Resolve(void* handle, const char* name, T& slot) {
    slot = reinterpret_cast<T>(dlsym(handle, name));
}

}  // namespace

HookLibrary::~HookLibrary() {
    Unload();
}

bool HookLibrary::Load(const std::string& path) {
    Unload();
    handle_ = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle_ == nullptr) {
        const char* error = dlerror();
        Trace("GetError:%s\n", error != nullptr ? error : "?");
        return false;
    }
    Resolve(handle_, "installmousehook", functions_.installmousehook);
    Resolve(handle_, "removemousehook", functions_.removemousehook);
    Resolve(handle_, "enablemousehook", functions_.enablemousehook);
    Resolve(handle_, "installhook", functions_.installhook);
    Resolve(handle_, "removehook", functions_.removehook);
    Resolve(handle_, "enablehook", functions_.enablehook);
    Resolve(handle_, "mousewheelenable", functions_.mousewheelenable);
    using SetTrace = void (*)(void (*)(const char*));
    SetTrace set_trace = nullptr;
    Resolve(handle_, "sethooktrace", set_trace);
    if (set_trace != nullptr) {
        set_trace(&TraceHookLine);
    }
    return true;
}

void HookLibrary::Unload() {
    if (handle_ == nullptr) {
        return;
    }
    if (functions_.removemousehook != nullptr) {
        functions_.removemousehook();
    }
    if (functions_.removehook != nullptr) {
        functions_.removehook();
    }
    functions_ = HookFunctions{};
    dlclose(handle_);
    handle_ = nullptr;
}

}  // namespace talvik::platform
