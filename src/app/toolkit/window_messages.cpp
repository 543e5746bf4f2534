#include "app/toolkit/window_messages.h"

#include <QCoreApplication>

namespace talvik::toolkit {

QEvent::Type MessageEvent::EventType() {
    static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
    return type;
}

Mailbox::Mailbox(QObject* target) : target_(target), handle_{this, &Mailbox::PostThunk} {}

bool Mailbox::Post(std::unique_ptr<MessageEvent> event) {
    // Posting under the lock: once Detach() returned no new event can reach the window, and
    // the window's QObject destructor discards the ones already queued.
    std::lock_guard lock(mutex_);
    if (target_ == nullptr) {
        return false;
    }
    QCoreApplication::postEvent(target_, event.release());
    return true;
}

void Mailbox::Detach() {
    std::lock_guard lock(mutex_);
    target_ = nullptr;
}

void Mailbox::Received() {
    // Pairs with the lock Post holds, so that what the posting thread wrote into the event is
    // seen to come first. Qt's queue orders the two as well, but through a lock of its own that
    // the race detector cannot see.
    std::lock_guard lock(mutex_);
}

void Mailbox::PostThunk(void* context, uint32_t message, uintptr_t wparam, intptr_t lparam) {
    auto* mailbox = static_cast<Mailbox*>(context);
    if (mailbox != nullptr) {
        mailbox->Post(
            std::make_unique<MessageEvent>(MessageEvent::Kind::kMessage, message, wparam, lparam));
    }
}

}  // namespace talvik::toolkit
