#include "device/usb/receiver_sets.h"

#include "platform/trace.h"

namespace talvik::device {

ReceiverSets::ReceiverSets(const ReceiverEnv& env) : window_(env.window) {
    for (ReceiverFamily family : kAllFamilies) {
        sets_[static_cast<int>(family)] = std::make_unique<ReceiverSet>(family, env);
    }
}

ReceiverSets::~ReceiverSets() {
    // Every reader is asked first, so that they all end within the same timeout.
    StopReaders();
}

void ReceiverSets::StopReaders() {
    for (auto& set : sets_) {
        set->StopReaders();
    }
}

int ReceiverSets::running_readers() const {
    int running = 0;
    for (const auto& set : sets_) {
        running += set->running_readers();
    }
    return running;
}

void ReceiverSets::OpenAll() {
    for (auto& set : sets_) {
        set->Open();
    }
}

bool ReceiverSets::OnTimer(int id) {
    if (id == msg::TIMER_REOPEN_24G) {
        window_->KillTimer(id);
        set(ReceiverFamily::k24g).Open();
        return true;
    }
    if (id == msg::TIMER_REOPEN_4K) {
        window_->KillTimer(id);
        set(ReceiverFamily::k4k).Open();
        set(ReceiverFamily::k4kB).Open();
        return true;
    }
    return false;
}

void ReceiverSets::OnDeviceEvent(const DeviceEvent& event) {
    if (event.action == DeviceEvent::Action::kAdd) {
        if (!event.vendor_id || !event.product_id) {
            return;
        }
        const auto family = FamilyOfIds(*event.vendor_id, *event.product_id);
        if (!family) {
            return;
        }
        platform::Trace("DBT_DEVICEARRIVAL.\n");
        platform::Trace("%s\r\n", event.syspath.c_str());
        // Both 4K receivers restart the 4K timer, which re-opens both 4K sets.
        const int timer =
            *family == ReceiverFamily::k24g ? msg::TIMER_REOPEN_24G : msg::TIMER_REOPEN_4K;
        window_->KillTimer(timer);
        window_->SetTimer(timer, kReopenDelayMs);
        return;
    }
    if (event.action != DeviceEvent::Action::kRemove) {
        return;
    }
    // A hidraw node matches records by node; a USB device matches every interface on it.
    std::string devnode;
    std::string usb_device;
    if (event.subsystem == "hidraw") {
        devnode = event.devnode;
    } else if (event.subsystem == "usb" && !event.syspath.empty() &&
               event.usb_syspath == event.syspath) {
        usb_device = event.syspath;
    }
    if (devnode.empty() && usb_device.empty()) {
        return;
    }
    platform::Trace("DBT_DEVICEREMOVECOMPLETE.\n");
    platform::Trace("%s\n", event.syspath.c_str());
    for (auto& set : sets_) {
        set->OnDeviceRemoved(devnode, usb_device);
    }
}

}  // namespace talvik::device
