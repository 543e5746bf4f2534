#include "usb_fixture.h"

#include <hidapi.h>

#include <QCoreApplication>

#include "device/usb/hotplug_monitor.h"

namespace talvik::test {

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
