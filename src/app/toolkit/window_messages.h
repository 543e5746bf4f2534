#pragma once

#include <QEvent>
#include <QObject>
#include <cstdint>
#include <memory>
#include <mutex>

#include "app/toolkit/menu_command.h"
#include "platform/messages.h"

namespace talvik::toolkit {

// One queued request for a window: a custom message, or a timer change made off the UI thread.
// Messages and timer changes share one queue, so they keep their order.
class MessageEvent : public QEvent {
public:
    enum class Kind { kMessage, kSetTimer, kKillTimer };

    static QEvent::Type EventType();

    MessageEvent(Kind kind, uint32_t message, uintptr_t wparam, intptr_t lparam)
        : QEvent(EventType()), kind(kind), message(message), wparam(wparam), lparam(lparam) {}

    Kind kind;
    uint32_t message;
    uintptr_t wparam;
    intptr_t lparam;
    std::unique_ptr<MenuCommand> payload;  // freed with the event, handled or not
};

// The thread-safe entrance of a window. A window detaches it when it dies; posts after that
// are dropped. It also carries the C handle given to the run-time libraries.
class Mailbox {
public:
    explicit Mailbox(QObject* target);
    Mailbox(const Mailbox&) = delete;
    Mailbox& operator=(const Mailbox&) = delete;

    // Any thread. False when the window is gone.
    bool Post(std::unique_ptr<MessageEvent> event);
    // UI thread, from the window's destructor.
    void Detach();
    // UI thread, before reading an event Post delivered.
    void Received();
    TalvikWindowHandle* Handle() { return &handle_; }

private:
    static void PostThunk(void* context, uint32_t message, uintptr_t wparam, intptr_t lparam);

    std::mutex mutex_;
    QObject* target_;
    TalvikWindowHandle handle_;
};

}  // namespace talvik::toolkit
