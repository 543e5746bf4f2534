#pragma once

#include <QObject>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>

#include "page/input_route.h"

class QWidget;

namespace talvik::page {

// Typing a key into a field instead of choosing it from a list: while an attached control has
// focus the input route runs for it, and each key pressed or released anywhere (or, without
// the hook, in the program's window) reaches the control's receiver. The control itself types
// nothing. UI thread.
class KeyCapture : public QObject {
    Q_OBJECT
public:
    struct Key {
        int virtual_key;
        // The key code stored for it (the key's position); nullopt when the key table has no row.
        std::optional<std::uint8_t> key_code;
        bool pressed;
    };
    using Receiver = std::function<void(const Key& key)>;

    KeyCapture(InputRoute& route, const platform::LiveKeyboardLayout& layout);
    ~KeyCapture() override;

    // `control` captures keys from its next focus on; a control that has focus now starts at
    // once. Attaching again replaces the receiver.
    void Attach(QWidget* control, Receiver receiver);
    // Stops capturing for `control` (also when it is being destroyed).
    void Detach(QWidget* control);
    // The control capturing now, or null.
    QWidget* Capturing() const { return active_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Begin(QWidget* control);
    void End(QWidget* control);
    void OnInput(std::uintptr_t wparam, std::intptr_t lparam);

    InputRoute& route_;
    const platform::LiveKeyboardLayout& layout_;
    std::map<QObject*, Receiver> receivers_;
    QWidget* active_ = nullptr;
    unsigned session_ = 0;  // the route's start that serves active_
};

}  // namespace talvik::page
