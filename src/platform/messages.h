#pragma once

#include <cstdint>

// Message and timer numbers shared by the windows, the worker, the reader threads and the two
// run-time libraries. The numbers are part of the libraries' interface, so they never change.
namespace talvik::msg {

inline constexpr uint32_t kUser = 0x400;

inline constexpr uint32_t WM_MS5_TRAYICON = kUser + 1;     // 0x401
inline constexpr uint32_t WM_MS5_MENU_CLICK = kUser + 3;   // 0x403
inline constexpr uint32_t WM_MS5_HOOK_INPUT = kUser + 10;  // 0x40A
inline constexpr uint32_t WM_MS5_SHOW = kUser + 257;       // 0x501
inline constexpr uint32_t WM_MS5_DEVICE_STATE = 0x50A;
inline constexpr uint32_t WM_MS5_DPI_OSD = 0x50B;
inline constexpr uint32_t WM_MS5_LANGUAGE = 0x50D;
inline constexpr uint32_t WM_MS5_STARTUP = 0x50E;
inline constexpr uint32_t WM_MS5_FEEDBACK = 0x50F;
inline constexpr uint32_t TM_MS5_WORK = 0x650;  // worker thread queue
inline constexpr uint32_t WM_MS5_DRIVER_DATA = 0x653;
inline constexpr uint32_t WM_MS5_DRIVER_PLUG = 0x654;
inline constexpr uint32_t WM_MS5_POST_WORKER = 0x655;
inline constexpr uint32_t WM_MS5_LINK_READY = 0x656;

// Main-window timers.
inline constexpr int TIMER_OSD_CLOSE = 52;
inline constexpr int TIMER_REOPEN_24G = 54;
inline constexpr int TIMER_REOPEN_4K = 55;
// Ids 592..599 belong to the device page (599: the wired mouse opens a second after it arrived).
inline constexpr int kFirstPageTimer = 592;
inline constexpr int kLastPageTimer = 599;

}  // namespace talvik::msg

namespace talvik::platform {

// Where a thread other than the UI thread hands work to a window: posts are queued and handled
// one at a time on the UI thread in posting order; timers may be set and killed from any thread
// and fire on the UI thread. Implemented by the toolkit's windows; tests use a recording fake.
class MessageTarget {
public:
    virtual ~MessageTarget() = default;
    virtual void Post(uint32_t message, uintptr_t wparam, intptr_t lparam) = 0;
    virtual void SetTimer(int id, int period_ms) = 0;
    virtual void KillTimer(int id) = 0;
};

}  // namespace talvik::platform

extern "C" {
// The window handle given to the run-time libraries (libhiddriver_5.so, libHook.so): a post
// function callable from any thread, and its context.
struct TalvikWindowHandle {
    void* context;
    void (*post)(void* context, uint32_t message, uintptr_t wparam, intptr_t lparam);
};
}
