#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <cstdint>
#include <functional>

#include "platform/hook_library.h"

class QWidget;

namespace talvik::platform {
class LiveKeyboardLayout;
}  // namespace talvik::platform

namespace talvik::page {

// Where recording and key capture take the user's input from, in the hook's message form
// (WM_MS5_HOOK_INPUT's wParam and lParam). Global: the input-hook library, every key and mouse
// button wherever the pointer is. Window: without the library or an X display (a Wayland
// session) the hook refuses, and the key and mouse-button events of the program's own window
// are used instead, mapped by their native scan codes to the same virtual keys. One start at a
// time; UI thread.
class InputRoute : public QObject {
    Q_OBJECT
public:
    enum class Mode { kOff, kGlobal, kWindow };
    // Key capture takes keys; recording also takes mouse buttons (behind EnableMouse).
    enum class Purpose { kKeyCapture, kRecording };
    using Sink = std::function<void(std::uintptr_t wparam, std::intptr_t lparam)>;

    // `target` is the window handle given to the hook; that window hands the messages it gets
    // to OnHookInput. All three outlive the route.
    InputRoute(const platform::HookFunctions& hooks, TalvikWindowHandle* target,
               const platform::LiveKeyboardLayout& layout);
    ~InputRoute() override;

    // Ends the previous start, then delivers input to `sink`. `window` is a widget of the
    // window whose events are used when the hook is unavailable.
    Mode Start(Purpose purpose, QWidget* window, Sink sink);
    void Stop();
    // Stops only when `session` (Session() after that start) is still the current start, so an
    // owner that was replaced by another start leaves the new one running.
    void Stop(unsigned session);
    unsigned Session() const { return session_; }
    // Mouse buttons for recording ("enablemousehook"): off at every start.
    void EnableMouse(bool on);

    Mode CurrentMode() const { return mode_; }
    const platform::HookFunctions& Hooks() const { return hooks_; }
    // The language key that tells the user where input is taken from.
    static QString ModeTextKey(Mode mode);

    // A WM_MS5_HOOK_INPUT message, as received by the target window.
    void OnHookInput(std::uintptr_t wparam, std::intptr_t lparam);

signals:
    void modeChanged(talvik::page::InputRoute::Mode mode);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void SetMode(Mode mode);
    void Deliver(std::uintptr_t wparam, std::intptr_t lparam);

    const platform::HookFunctions& hooks_;
    TalvikWindowHandle* target_;
    const platform::LiveKeyboardLayout& layout_;
    Mode mode_ = Mode::kOff;
    Purpose purpose_ = Purpose::kKeyCapture;
    bool mouse_ = false;
    unsigned session_ = 0;
    Sink sink_;
    QPointer<QObject> watched_;
};

}  // namespace talvik::page
