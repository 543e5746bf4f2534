#include "usb_fixture.h"

#include <hidapi.h>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <chrono>
#include <thread>

#include "device/usb/hotplug_monitor.h"

namespace talvik::test {

bool WaitFor(const std::function<bool()>& done) {
    QDeadlineTimer deadline(10000);
    while (!done()) {
        if (deadline.hasExpired()) {
            return false;
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

UsbFixture::UsbFixture() {
    hid_init();
    device::ReceiverEnv env;
    env.backend = &backend;
    env.window = &window;
    env.sink = &sink;
    env.post = ui.poster();
    env.read_timeout_ms = 100;
    sets = std::make_unique<device::ReceiverSets>(env);
}

UsbFixture::~UsbFixture() {
    sets.reset();
    // Tasks still queued for `ui` die with it.
    QCoreApplication::processEvents();
}

bool UsbFixture::WaitForReports(size_t count) {
    return WaitFor([&] { return sink.reports.size() >= count; });
}

}  // namespace talvik::test
