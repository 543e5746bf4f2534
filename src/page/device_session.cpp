#include "page/device_session.h"

#include <hidapi.h>

#include <QListWidget>

#include "app/toolkit/toolkit.h"
#include "app/toolkit/window.h"
#include "device/ble/bluez_client.h"
#include "device/ble/bluez_writer.h"
#include "device/usb/hidapi_backend.h"
#include "device/usb/hotplug_monitor.h"
#include "device/usb/receiver_sets.h"
#include "device/usb/ui_task_queue.h"
#include "platform/messages.h"
#include "platform/trace.h"
#include "protocol/device_reports.h"
#include "protocol/hiddriver_api.h"
#include "protocol/page_jobs.h"
#include "protocol/page_timers.h"
#include "protocol/vendor_library.h"
#include "protocol/worker.h"
#include "sim/sim_control.h"
#include "sim/sim_devices.h"

namespace talvik::page {

namespace {

constexpr auto kPageName = "MS_5_Page";
constexpr auto kPageContainer = "ms_5_page";
constexpr int kBleVendorId = 0x331A;
constexpr int kBleProductId = 0x5044;
// Subscribing waits until the daemon has resolved the mouse's services.
constexpr int kBleRegisterDelayMs = 2000;
// The virtual receivers beat like real ones, well inside the 6 s watchdog.
constexpr int kSimHeartbeatMs = 1000;

}  // namespace

std::string DeviceSession::Texts::Text(std::string_view key) const {
    return window_.toolkit()
        .Text(QString::fromUtf8(key.data(), static_cast<qsizetype>(key.size())))
        .toStdString();
}

DeviceSession::DeviceSession(toolkit::Window& window, Options options)
    : window_(window),
      options_(std::move(options)),
      texts_(window),
      controls_(window),
      store_(options_.data_dir, texts_),
      macro_store_(options_.data_dir, texts_),
      ui_queue_(std::make_unique<device::UiTaskQueue>(this)) {
    if (options_.simulate) {
        mouse_ = sim::VirtualMouse::Create(
            sim::VirtualMouse::OptionsFromEnvironment(*options_.simulate));
        sim_control_ = sim::SimControl::FromEnvironment(mouse_);
        if (*options_.simulate == sim::SimLink::kWired) {
            vendor_ = std::make_shared<sim::SimVendorLibrary>(mouse_);
        }
    } else {
        vendor_ = protocol::LoadVendorLibrary(options_.app_dir + TALVIK_HIDDRIVER_FILE);
        if (!vendor_) {
            platform::Trace("vendor library missing; the wired link stays absent");
        }
    }
    reports_ = std::make_unique<protocol::DeviceReports>(state_, *this, vendor_);
    jobs_ = std::make_unique<protocol::PageJobs>(state_, *this, ui_queue_->poster());
    protocol::Clock& clock = options_.clock != nullptr ? *options_.clock : real_clock_;
    worker_ = std::make_unique<protocol::Worker>(*jobs_, clock);
}

DeviceSession::~DeviceSession() {
    Shutdown();
}

void DeviceSession::Shutdown() {
    if (shut_down_) {
        return;
    }
    shut_down_ = true;
    window_.UnregisterVirtualWindow(QString::fromLatin1(kPageName));
    // First the worker: a silent device must not hold up quitting, and its result would land in
    // a UI queue that no longer runs.
    worker_->Stop();
    delete bluez_;  // stops its subscriptions while the handlers it calls still exist
    bluez_ = nullptr;
    if (receivers_) {
        receivers_->StopReaders();
    }
    hotplug_.reset();
    if (vendor_) {
        vendor_->CloseFeatureDevice();
        vendor_->CloseDevMonitor();
    }
    sim_control_.reset();
    if (mouse_) {
        mouse_->SetHeartbeatPeriod(0);
        mouse_->SetNotificationSink({});
    }
    receivers_.reset();  // joins the readers
    SaveNow();
    macro_store_.WaitForSaves();
}

void DeviceSession::SaveNow() {
    if (!started_ || state_.profiles.empty()) {
        return;  // nothing was loaded, so nothing may replace what is on disk
    }
    profile::ProfileStoreHeader header;
    header.active_profile_index = state_.active_profile_index;
    const profile::FileStatus status = store_.Save(state_.profiles, header);
    if (!status.ok()) {
        platform::Trace("saving the profiles failed: %s", status.detail.c_str());
    }
}

void DeviceSession::Start() {
    if (QWidget* page = window_.Find<QWidget>(QString::fromLatin1(kPageContainer))) {
        // The page's handlers come with the page; until then its notifications are dropped
        // here instead of reaching the main window.
        window_.RegisterVirtualWindow(QString::fromLatin1(kPageName), page, {});
    }
    controls_.ApplyItemTexts();
    state_.force_full_apply = true;
    LoadStores();
    started_ = true;
    RefreshFromProfile();
    StartWiredLink();
    StartReceivers();
    if (options_.simulate == sim::SimLink::kBle) {
        StartBluetoothSim();
    } else if (!options_.simulate) {
        StartBluetooth();
    }
    UpdateAnyLink();
    Post(msg::WM_MS5_DEVICE_STATE, 0, 0);
}

void DeviceSession::LoadStores() {
    profile::ProfileStoreHeader header;
    const profile::LoadReport report = store_.Load(state_.profiles, header);
    if (report.damaged) {
        platform::Trace("profile store damaged; kept %d profiles", report.records_loaded);
    }
    const macro::LoadReport macros = macro_store_.LoadMacros(macros_);
    if (macros.damaged) {
        platform::Trace("macro store damaged; kept %d macros", macros.records_loaded);
    }
    state_.active_profile_index = header.active_profile_index;
    state_.current_profile = state_.profiles[header.active_profile_index].get();
    *state_.applied_profile = *state_.current_profile;

    if (auto* list = window_.Find<QListWidget>(QStringLiteral("ms_5_list_profile"))) {
        const QSignalBlocker block(list);
        list->clear();
        for (const auto& profile : state_.profiles) {
            list->addItem(QString::fromUtf16(profile->name));
        }
        list->setCurrentRow(state_.active_profile_index);
    }
}

void DeviceSession::StartWiredLink() {
    if (!vendor_) {
        SetVisible("ms_5_wired", false);
        return;
    }
    vendor_->SetVidPid(protocol::kWiredVendorId, protocol::kWiredProductId);
    vendor_->OpenDevMonitor(window_.Handle(), msg::WM_MS5_DRIVER_DATA, msg::WM_MS5_DRIVER_PLUG);
    if (vendor_->OpenFeatureDevice()) {
        state_.links.wired = protocol::WiredState::kConnected;
        state_.handles.wired = vendor_;
        SetText("ms_5_label_power", LanguageText("charging_text"));
        SetTimer(protocol::kTimerChargeAnimation, protocol::kChargeAnimationMs);
        SetVisible("ms_5_wired", true);
        Post(msg::WM_MS5_LINK_READY, 1, 0);
    } else {
        SetVisible("ms_5_wired", false);
    }
}

void DeviceSession::StartReceivers() {
    if (options_.simulate) {
        const sim::SimLink link = *options_.simulate;
        if (link != sim::SimLink::k24g && link != sim::SimLink::k4k && link != sim::SimLink::k4kB) {
            return;
        }
        backend_ = std::make_unique<sim::SimHidBackend>(mouse_, link);
        mouse_->SetHeartbeatPeriod(kSimHeartbeatMs);
    } else {
        if (hid_init() != 0) {
            platform::Trace("hid_init failed; receivers not opened");
            return;
        }
        backend_ = std::make_unique<device::HidapiBackend>();
    }
    device::ReceiverEnv env;
    env.backend = backend_.get();
    env.window = &window_;
    env.sink = this;
    env.post = ui_queue_->poster();
    receivers_ = std::make_unique<device::ReceiverSets>(env);
    receivers_->OpenAll();
    if (mouse_) {
        mouse_->EmitHeartbeat();  // the virtual receiver is live at once, not a beat later
    }
    if (!options_.simulate) {
        hotplug_ = std::make_unique<device::HotplugMonitor>(
            [this](const device::DeviceEvent& event) { receivers_->OnDeviceEvent(event); }, this);
        if (!hotplug_->Start()) {
            platform::Trace("no device monitor; receivers plugged in later need a restart");
        }
    }
}

void DeviceSession::StartBluetooth() {
    bluez_ = new device::BluezClient(QDBusConnection::systemBus(), this);
    connect(bluez_, &device::BluezClient::MouseArrived, this, [this] {
        if (!state_.links.ble) {
            SetBleLink(true);
        }
        RefreshBleWriter();
    });
    connect(bluez_, &device::BluezClient::ObjectsListed, this, [this] {
        if (bluez_->IsMousePresent() != state_.links.ble) {
            SetBleLink(bluez_->IsMousePresent());
        }
        RefreshBleWriter();
    });
    connect(bluez_, &device::BluezClient::MouseGone, this, [this] {
        if (state_.links.ble && !bluez_->IsMousePresent()) {
            SetBleLink(false);
        }
        RefreshBleWriter();
    });
    // The daemon adds a mouse's services after it reports the connection: the writer and the
    // subscription follow the characteristics, not only the presence.
    connect(bluez_, &device::BluezClient::CharacteristicsChanged, this, [this] {
        RefreshBleWriter();
        if (state_.links.ble && !bluez_->HasNotificationRegistration() &&
            bluez_->RegisterNotifications()) {
            KillTimer(protocol::kTimerBleRegister);
            Post(msg::WM_MS5_LINK_READY, 1, 0);
        }
    });
    connect(bluez_, &device::BluezClient::NotificationValue, this, [this](const QByteArray& value) {
        const auto* bytes = reinterpret_cast<const std::uint8_t*>(value.constData());
        reports_->OnBleNotification(
            std::span<const std::uint8_t>(bytes, static_cast<std::size_t>(value.size())));
    });
    if (!bluez_->Start()) {
        platform::Trace("Bluetooth daemon not reachable; the Bluetooth LE link stays down");
    }
    // The mouse listed by the HID layer counts as present before the daemon has answered.
    hid_device_info* ble = hid_init() == 0 ? hid_enumerate(kBleVendorId, kBleProductId) : nullptr;
    const bool present = ble != nullptr;
    hid_free_enumeration(ble);
    if (present) {
        SetBleLink(true);
    }
}

void DeviceSession::RefreshBleWriter() {
    if (bluez_ == nullptr || !state_.links.ble) {
        return;
    }
    state_.handles.ble = std::make_shared<device::BluezWriter>(bluez_->WriteTarget());
}

void DeviceSession::OnBleRegisterTimer() {
    KillTimer(protocol::kTimerBleRegister);
    if (bluez_ != nullptr && !bluez_->HasNotificationRegistration()) {
        bluez_->RegisterNotifications();
        Post(msg::WM_MS5_LINK_READY, 1, 0);
    }
}

void DeviceSession::StartBluetoothSim() {
    const device::UiPoster post = ui_queue_->poster();
    protocol::DeviceReports* reports = reports_.get();
    // The mouse notifies on its own thread; the report handlers run on the UI thread.
    mouse_->SetNotificationSink([post, reports](std::vector<std::uint8_t> value) {
        post([reports, value = std::move(value)] { reports->OnBleNotification(value); });
    });
    state_.handles.ble = mouse_->GattWriter();
    SetBleLink(true);
}

void DeviceSession::SetBleLink(bool up) {
    state_.links.ble = up;
    SetVisible("ms_5_BLE", up);
    if (up) {
        // The mouse is on Bluetooth: the receivers' links end, their watchdogs stop.
        reports_->SetLink24g(false);
        reports_->SetLink4k(false);
        reports_->SetLink4kB(false);
        for (int id : {protocol::kTimerWatchdog24g, protocol::kTimerWatchdog4k,
                       protocol::kTimerWatchdog4kB}) {
            KillTimer(id);
        }
        SetProgress("ms_5_progress_power", 100);
        SetText("ms_5_label_power", "100%");
        RefreshBleWriter();
        if (bluez_ != nullptr) {
            SetTimer(protocol::kTimerBleRegister, kBleRegisterDelayMs);
        }
    } else {
        state_.handles.ble.reset();
        KillTimer(protocol::kTimerBleRegister);
        KillTimer(protocol::kTimerChargeAnimation);
        if (bluez_ != nullptr) {
            bluez_->UnregisterNotifications();
        }
    }
    reports_->RefreshModeControls();
    UpdateAnyLink();
    Post(msg::WM_MS5_DEVICE_STATE, 0, 0);
}

void DeviceSession::UpdateAnyLink() {
    state_.links.any_link = state_.links.AnyUp();
}

void DeviceSession::OnPageTimer(int id) {
    if (reports_->OnPageTimer(id)) {
        return;
    }
    if (id == protocol::kTimerBleRegister) {
        OnBleRegisterTimer();
        return;
    }
    KillTimer(id);  // the settings scroll comes with the page's handlers
}

void DeviceSession::OnDriverEvent(uint32_t value) {
    reports_->OnDriverEvent(value);
}

void DeviceSession::PostToWorker(uintptr_t wparam, intptr_t lparam) {
    worker_->Post(wparam, lparam);
}

void DeviceSession::OnMenuItem(const QString& name) {
    platform::Trace("menu item %s has no page action yet", qPrintable(name));
}

void DeviceSession::RefreshFromProfile() {
    controls_.ApplyItemTexts();
    controls_.Refresh(state_.current_profile, state_.links);
}

void DeviceSession::ReopenReceivers24g() {
    if (receivers_) {
        receivers_->OnTimer(msg::TIMER_REOPEN_24G);
    }
}

void DeviceSession::ReopenReceivers4k() {
    if (receivers_) {
        receivers_->OnTimer(msg::TIMER_REOPEN_4K);
    }
}

void DeviceSession::SetVisible(std::string_view control, bool visible) {
    controls_.SetVisible(control, visible);
}
void DeviceSession::Select(std::string_view control) {
    controls_.Select(control);
}
void DeviceSession::SetChecked(std::string_view control, bool checked) {
    controls_.SetChecked(control, checked);
}
void DeviceSession::SetProgress(std::string_view control, int value) {
    controls_.SetProgress(control, value);
}
void DeviceSession::SetText(std::string_view control, const std::string& text) {
    controls_.SetText(control, QString::fromStdString(text));
}
std::string DeviceSession::LanguageText(std::string_view key) {
    return texts_.Text(key);
}
void DeviceSession::UpdateLightControls() {
    controls_.UpdateLightControls(state_.current_profile ? state_.current_profile->light_mode : 0);
}

void DeviceSession::SaveStore() {
    profile::ProfileStoreHeader header;
    header.active_profile_index = state_.active_profile_index;
    const profile::FileStatus status =
        store_.SaveInBackground(state_.profiles, header, [](const macro::FileStatus& done) {
            if (!done.ok()) {
                platform::Trace("saving the profiles failed: %s", done.detail.c_str());
            }
        });
    if (!status.ok()) {
        platform::Trace("saving the profiles refused: %s", status.detail.c_str());
    }
}

void DeviceSession::SetTimer(int id, int period_ms) {
    window_.SetTimer(id, period_ms);
}
void DeviceSession::KillTimer(int id) {
    window_.KillTimer(id);
}
void DeviceSession::Post(std::uint32_t message, std::uintptr_t wparam, std::intptr_t lparam) {
    window_.Post(message, wparam, lparam);
}

void DeviceSession::OnReceiverLive(device::ReceiverFamily family,
                                   std::shared_ptr<platform::HidDevice> command,
                                   std::shared_ptr<platform::HidDevice>) {
    switch (family) {
        case device::ReceiverFamily::k24g:
            state_.handles.command_24g = std::move(command);
            break;
        case device::ReceiverFamily::k4k:
            state_.handles.command_4k = std::move(command);
            break;
        case device::ReceiverFamily::k4kB:
            state_.handles.command_4k_b = std::move(command);
            break;
    }
}

void DeviceSession::OnHeartbeat(device::ReceiverFamily family) {
    switch (family) {
        case device::ReceiverFamily::k24g:
            reports_->SetLink24g(true);
            break;
        case device::ReceiverFamily::k4k:
            reports_->SetLink4k(true);
            break;
        case device::ReceiverFamily::k4kB:
            reports_->SetLink4kB(true);
            break;
    }
}

void DeviceSession::OnReport(device::ReceiverFamily family, std::span<const uint8_t> report) {
    const device::ReportWords words = device::ToReportWords(report);
    switch (family) {
        case device::ReceiverFamily::k24g:
            reports_->HandleReport24g(words.a, words.b);
            break;
        case device::ReceiverFamily::k4k:
            reports_->HandleReport4k(words.a, words.b);
            break;
        case device::ReceiverFamily::k4kB:
            reports_->HandleReport4kB(report);
            break;
    }
}

void DeviceSession::OnReceiverRemoved(device::ReceiverFamily family) {
    switch (family) {
        case device::ReceiverFamily::k24g:
            reports_->SetLink24g(false);
            break;
        case device::ReceiverFamily::k4k:
            reports_->SetLink4k(false);
            break;
        case device::ReceiverFamily::k4kB:
            reports_->SetLink4kB(false);
            break;
    }
}

}  // namespace talvik::page
