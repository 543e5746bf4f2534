// libHook.so: the global keyboard and mouse-button hook that macro recording and key capture use.
// The seven entry points are called from the program's UI thread; the input arrives as
// WM_MS5_HOOK_INPUT posted from the hook's own thread.

#include <atomic>
#include <cstdio>

#include "input_hook.h"

namespace {

using TraceLine = void (*)(const char* line);

std::atomic<TraceLine>& TraceTarget() {
    static std::atomic<TraceLine> target{nullptr};
    return target;
}

void TraceToTarget(const std::string& line) {
    if (TraceLine target = TraceTarget().load(); target != nullptr) {
        target(line.c_str());
    } else {
        std::fputs(line.c_str(), stderr);
    }
}

talvik::hook::InputHook& Hook() {
    static talvik::hook::InputHook hook(&TraceToTarget);
    return hook;
}

}  // namespace

#define TALVIK_EXPORT extern "C" __attribute__((visibility("default")))

// Where the hook's trace lines go (the program's trace); null: standard error. Input capture
// is a privacy matter, so starting and stopping to listen is always traced.
TALVIK_EXPORT void sethooktrace(TraceLine target) {
    TraceTarget().store(target);
}

TALVIK_EXPORT int installhook(const TalvikWindowHandle* window) {
    return window != nullptr ? Hook().Install(*window, talvik::hook::InputHook::kKeyHolder) : 0;
}

TALVIK_EXPORT void removehook(void) {
    Hook().Remove(talvik::hook::InputHook::kKeyHolder);
}

TALVIK_EXPORT void enablehook(int on) {
    Hook().EnableKeys(on != 0);
}

// The same listener serves the mouse buttons; this only holds it for the mouse's sake, and
// removemousehook lets go of that hold.
TALVIK_EXPORT int installmousehook(const TalvikWindowHandle* window) {
    return window != nullptr ? Hook().Install(*window, talvik::hook::InputHook::kMouseHolder) : 0;
}

TALVIK_EXPORT void removemousehook(void) {
    Hook().Remove(talvik::hook::InputHook::kMouseHolder);
}

TALVIK_EXPORT void enablemousehook(int on) {
    Hook().EnableMouse(on != 0);
}

TALVIK_EXPORT void mousewheelenable(int on) {
    Hook().EnableWheel(on != 0);
}
