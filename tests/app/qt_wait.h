#pragma once

#include <QCoreApplication>
#include <QDeadlineTimer>

namespace talvik::test {

// Runs the event loop until `done` holds or `timeout_ms` passed; gives `done`'s last answer.
template <class Pred>
bool WaitUntil(Pred done, int timeout_ms = 3000) {
    QDeadlineTimer deadline(timeout_ms);
    while (!done() && !deadline.hasExpired()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    return done();
}

}  // namespace talvik::test
