#include "device/links/device_links.h"

#include "device/ble/ble_presence.h"
#include "device/ble/bluez_client.h"
#include "device/ble/bluez_writer.h"
#include "device/usb/hidapi_backend.h"
#include "device/usb/hotplug_monitor.h"
#include "device/usb/receiver_sets.h"
#include "platform/trace.h"
#include "protocol/device_events.h"
#include "protocol/device_reports.h"
#include "protocol/hiddriver_api.h"
#include "protocol/session_state.h"
#include "protocol/vendor_library.h"

namespace talvik::device {

namespace {

// Subscribing waits until the daemon has resolved the mouse's services.
constexpr int kBleRegisterDelayMs = 2000;

}  // namespace

LinkParts SystemLinkParts(const std::string& app_dir, QDBusConnection bus) {
    LinkParts parts;
    parts.cable = protocol::LoadVendorLibrary(app_dir + TALVIK_HIDDRIVER_FILE);
    if (!parts.cable) {
        platform::Trace("vendor library missing; the wired link stays absent");
    }
    parts.receivers = HidapiBackend::Create();
    if (!parts.receivers) {
        platform::Trace("hid_init failed; receivers not opened");
    }
    parts.hotplug = true;
    parts.bluez_bus = std::move(bus);
    return parts;
}

DeviceLinks::DeviceLinks(const Env& env, LinkParts parts, QObject* parent)
    : QObject(parent), env_(env), parts_(std::move(parts)) {}

DeviceLinks::~DeviceLinks() {
    Stop();
}

void DeviceLinks::Start() {
    StartCable();
    StartReceivers();
    StartBluetooth();
}

void DeviceLinks::Stop() {
    if (stopped_) {
        return;
    }
    stopped_ = true;
    delete bluez_;  // ends its subscriptions while the handlers it calls still exist
    bluez_ = nullptr;
    env_.window->KillTimer(kTimerBleRegister);
    if (receivers_) {
        receivers_->StopReaders();
    }
    hotplug_.reset();
    if (parts_.cable) {
        parts_.cable->CloseFeatureDevice();
        parts_.cable->CloseDevMonitor();
    }
    receivers_.reset();  // joins the readers
}

void DeviceLinks::StartCable() {
    protocol::VendorLibrary* cable = parts_.cable.get();
    if (cable == nullptr) {
        return;
    }
    cable->SetVidPid(protocol::kWiredVendorId, protocol::kWiredProductId);
    cable->OpenDevMonitor(env_.window_handle, msg::WM_MS5_DRIVER_DATA, msg::WM_MS5_DRIVER_PLUG);
    if (cable->OpenFeatureDevice()) {
        env_.state->handles.wired = parts_.cable;
        env_.state->links.Set(protocol::Link::kWired, true);
        env_.events->BatteryCharging();
        env_.events->LinkReady();
    }
}

void DeviceLinks::StartReceivers() {
    if (!parts_.receivers) {
        return;
    }
    ReceiverEnv env;
    env.backend = parts_.receivers.get();
    env.window = env_.window;
    env.sink = this;
    env.post = env_.post;
    receivers_ = std::make_unique<ReceiverSets>(env);
    receivers_->OpenAll();
    if (parts_.hotplug) {
        hotplug_ = std::make_unique<HotplugMonitor>(
            [this](const DeviceEvent& event) { receivers_->OnDeviceEvent(event); }, this);
        if (!hotplug_->Start()) {
            platform::Trace("no device monitor; receivers plugged in later need a restart");
        }
    }
}

void DeviceLinks::StartBluetooth() {
    if (parts_.fixed_ble) {
        env_.state->handles.ble = parts_.fixed_ble;
        SetBleLink(true);
        return;
    }
    if (!parts_.bluez_bus) {
        return;
    }
    bluez_ = new BluezClient(*parts_.bluez_bus, this);
    connect(bluez_, &BluezClient::MouseArrived, this, [this] {
        if (!env_.state->links.flags().ble) {
            SetBleLink(true);
        }
        RefreshBleWriter();
    });
    connect(bluez_, &BluezClient::ObjectsListed, this, [this] {
        if (bluez_->IsMousePresent() != env_.state->links.flags().ble) {
            SetBleLink(bluez_->IsMousePresent());
        }
        RefreshBleWriter();
    });
    connect(bluez_, &BluezClient::MouseGone, this, [this] {
        if (env_.state->links.flags().ble && !bluez_->IsMousePresent()) {
            SetBleLink(false);
        }
        RefreshBleWriter();
    });
    // The daemon adds a mouse's services after it reports the connection: the writer and the
    // subscription follow the characteristics, not only the presence.
    connect(bluez_, &BluezClient::CharacteristicsChanged, this, [this] {
        RefreshBleWriter();
        if (env_.state->links.flags().ble && !bluez_->HasNotificationRegistration() &&
            bluez_->RegisterNotifications()) {
            env_.window->KillTimer(kTimerBleRegister);
            env_.events->LinkReady();
        }
    });
    connect(bluez_, &BluezClient::NotificationValue, this, [this](const QByteArray& value) {
        const auto* bytes = reinterpret_cast<const std::uint8_t*>(value.constData());
        OnBleValue(std::span<const std::uint8_t>(bytes, static_cast<std::size_t>(value.size())));
    });
    if (!bluez_->Start()) {
        platform::Trace("Bluetooth daemon not reachable; the Bluetooth LE link stays down");
    }
    // The mouse listed by the HID layer counts as present before the daemon has answered.
    if (BleMouseListedByHid()) {
        SetBleLink(true);
    }
}

void DeviceLinks::OnBleValue(std::span<const std::uint8_t> value) {
    env_.reports->OnBleNotification(value);
}

void DeviceLinks::RefreshBleWriter() {
    if (bluez_ == nullptr || !env_.state->links.flags().ble) {
        return;
    }
    env_.state->handles.ble = std::make_shared<BluezWriter>(bluez_->WriteTarget());
}

void DeviceLinks::SetBleLink(bool up) {
    env_.reports->SetBleLink(up);
    if (up) {
        RefreshBleWriter();
        if (bluez_ != nullptr) {
            env_.window->SetTimer(kTimerBleRegister, kBleRegisterDelayMs);
        }
    } else {
        env_.state->handles.ble.reset();
        env_.window->KillTimer(kTimerBleRegister);
        if (bluez_ != nullptr) {
            bluez_->UnregisterNotifications();
        }
    }
}

bool DeviceLinks::OnTimer(int id) {
    if (id == kTimerBleRegister) {
        OnBleRegisterTimer();
        return true;
    }
    return receivers_ && receivers_->OnTimer(id);
}

void DeviceLinks::OnBleRegisterTimer() {
    env_.window->KillTimer(kTimerBleRegister);
    if (bluez_ != nullptr && !bluez_->HasNotificationRegistration()) {
        bluez_->RegisterNotifications();
        env_.events->LinkReady();
    }
}

void DeviceLinks::OnReceiverLive(ReceiverFamily family,
                                 std::shared_ptr<platform::HidDevice> command,
                                 std::shared_ptr<platform::HidDevice>) {
    protocol::LinkHandles& handles = env_.state->handles;
    switch (family) {
        case ReceiverFamily::k24g:
            handles.command_24g = std::move(command);
            break;
        case ReceiverFamily::k4k:
            handles.command_4k = std::move(command);
            break;
        case ReceiverFamily::k4kB:
            handles.command_4k_b = std::move(command);
            break;
    }
}

void DeviceLinks::OnHeartbeat(ReceiverFamily family) {
    switch (family) {
        case ReceiverFamily::k24g:
            env_.reports->SetLink24g(true);
            break;
        case ReceiverFamily::k4k:
            env_.reports->SetLink4k(true);
            break;
        case ReceiverFamily::k4kB:
            env_.reports->SetLink4kB(true);
            break;
    }
}

void DeviceLinks::OnReport(ReceiverFamily family, std::span<const uint8_t> report) {
    const ReportWords words = ToReportWords(report);
    switch (family) {
        case ReceiverFamily::k24g:
            env_.reports->HandleReport24g(words.a, words.b);
            break;
        case ReceiverFamily::k4k:
            env_.reports->HandleReport4k(words.a, words.b);
            break;
        case ReceiverFamily::k4kB:
            env_.reports->HandleReport4kB(report);
            break;
    }
}

void DeviceLinks::OnReceiverRemoved(ReceiverFamily family) {
    switch (family) {
        case ReceiverFamily::k24g:
            env_.reports->SetLink24g(false);
            break;
        case ReceiverFamily::k4k:
            env_.reports->SetLink4k(false);
            break;
        case ReceiverFamily::k4kB:
            env_.reports->SetLink4kB(false);
            break;
    }
}

}  // namespace talvik::device
