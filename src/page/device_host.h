#pragma once

#include <QString>
#include <cstdint>

#include "page/input_capture.h"

namespace talvik::page {

// What the main window routes to the device side (the device page with its worker, report
// handlers and links). The main window owns routing and lifetimes only; the behaviour lives
// behind this interface. All calls are made on the UI thread.
class DeviceHost {
public:
    virtual ~DeviceHost() = default;

    // Page timers 592..598.
    virtual void OnPageTimer(int id) = 0;
    // A value built from a vendor-library message: data or plug event.
    virtual void OnDriverEvent(uint32_t value) = 0;
    // An apply or read-back request for the worker thread.
    virtual void PostToWorker(uintptr_t wparam, intptr_t lparam) = 0;
    // A pop-up menu item whose name starts with "ms_5".
    virtual void OnMenuItem(const QString& name) = 0;
    // Some link to the mouse is up.
    virtual bool AnyLink() const = 0;
    // The language changed: rebuild the texts the page composes itself.
    virtual void RefreshFromProfile() = 0;
    // Re-open a receiver family after its arrival settled.
    virtual void ReopenReceivers24g() = 0;
    virtual void ReopenReceivers4k() = 0;
    // Recording and key capture, for the macro editor and the key dialog; valid until the main
    // window is destroyed.
    virtual void SetInputCapture(const InputCapture& capture) { (void)capture; }
};

}  // namespace talvik::page
