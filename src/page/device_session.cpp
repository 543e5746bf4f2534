#include "page/device_session.h"

#include <QEvent>
#include <QWidget>

#include "app/toolkit/toolkit.h"
#include "app/toolkit/window.h"
#include "device/ble/ble_presence.h"
#include "device/ble/bluez_client.h"
#include "device/ble/bluez_writer.h"
#include "device/usb/hidapi_backend.h"
#include "device/usb/hotplug_monitor.h"
#include "device/usb/receiver_sets.h"
#include "device/usb/ui_task_queue.h"
#include "page/page_timers.h"
#include "platform/live_keyboard_layout.h"
#include "platform/messages.h"
#include "platform/trace.h"
#include "protocol/device_reports.h"
#include "protocol/hiddriver_api.h"
#include "protocol/session_jobs.h"
#include "protocol/vendor_library.h"
#include "protocol/worker.h"
#include "sim/sim_control.h"
#include "sim/sim_devices.h"

namespace talvik::page {

namespace {

constexpr auto kPageName = "MS_5_Page";
constexpr auto kPageContainer = "ms_5_page";
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
      modal_dialogs_(window),
      modal_buttons_(window, capture_, texts_),
      modal_macros_(
          window, macros_, macro_store_, [this] { return capture_; },
          [this] { return options_.data_dir; }),
      controller_(state_, controls_,
                  options_.dialogs != nullptr ? *options_.dialogs : modal_dialogs_,
                  options_.buttons != nullptr ? *options_.buttons : modal_buttons_, *this, window,
                  options_.macro_windows != nullptr ? *options_.macro_windows : modal_macros_),
      store_(options_.data_dir, texts_),
      macro_store_(options_.data_dir, texts_),
      ui_queue_(std::make_unique<device::UiTaskQueue>(this)) {
    state_.links.SetListener(
        [this](const protocol::LinkFlags& flags) { controller_.LinksChanged(flags); });
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
    reports_ = std::make_unique<protocol::DeviceReports>(state_, controller_, vendor_);
    jobs_ = std::make_unique<protocol::SessionJobs>(state_, controller_, ui_queue_->poster());
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
    if (QWidget* root = window_.Widget()) {
        root->installEventFilter(this);
        controller_.SetShown(root->isVisible() && !root->isMinimized());
    }
    RegisterPage();
    controls_.ApplyItemTexts();
    state_.force_full_apply = true;
    LoadStores();
    started_ = true;
    controller_.ShowProfiles();
    StartWiredLink();
    StartReceivers();
    if (options_.simulate == sim::SimLink::kBle) {
        StartBluetoothSim();
    } else if (!options_.simulate) {
        StartBluetooth();
    }
    controller_.LinksChanged(state_.links.flags());
}

// The page's controls notify the controller; the main window never sees them.
void DeviceSession::RegisterPage() {
    QWidget* page = window_.Find<QWidget>(QString::fromLatin1(kPageContainer));
    if (page == nullptr) {
        return;
    }
    toolkit::NotifyTable table;
    for (toolkit::NotifyType type :
         {toolkit::NotifyType::kClick, toolkit::NotifyType::kSelectChanged,
          toolkit::NotifyType::kItemSelect, toolkit::NotifyType::kCheckClick,
          toolkit::NotifyType::kKillFocus, toolkit::NotifyType::kReturn,
          toolkit::NotifyType::kValueChanged, toolkit::NotifyType::kTextChanged}) {
        table[type] = [this, type](const toolkit::Notification& n) {
            controller_.Notify(type, n.sender_name.toStdString(), n.wparam);
        };
    }
    window_.RegisterVirtualWindow(QString::fromLatin1(kPageName), page, std::move(table));
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
}

void DeviceSession::StartWiredLink() {
    if (!vendor_) {
        return;
    }
    vendor_->SetVidPid(protocol::kWiredVendorId, protocol::kWiredProductId);
    vendor_->OpenDevMonitor(window_.Handle(), msg::WM_MS5_DRIVER_DATA, msg::WM_MS5_DRIVER_PLUG);
    if (vendor_->OpenFeatureDevice()) {
        state_.handles.wired = vendor_;
        state_.links.Set(protocol::Link::kWired, true);
        controller_.BatteryCharging();
        controller_.LinkReady();
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
        backend_ = device::HidapiBackend::Create();
        if (!backend_) {
            platform::Trace("hid_init failed; receivers not opened");
            return;
        }
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
    bluez_ =
        new device::BluezClient(options_.bus ? *options_.bus : QDBusConnection::systemBus(), this);
    connect(bluez_, &device::BluezClient::MouseArrived, this, [this] {
        if (!state_.links.flags().ble) {
            SetBleLink(true);
        }
        RefreshBleWriter();
    });
    connect(bluez_, &device::BluezClient::ObjectsListed, this, [this] {
        if (bluez_->IsMousePresent() != state_.links.flags().ble) {
            SetBleLink(bluez_->IsMousePresent());
        }
        RefreshBleWriter();
    });
    connect(bluez_, &device::BluezClient::MouseGone, this, [this] {
        if (state_.links.flags().ble && !bluez_->IsMousePresent()) {
            SetBleLink(false);
        }
        RefreshBleWriter();
    });
    // The daemon adds a mouse's services after it reports the connection: the writer and the
    // subscription follow the characteristics, not only the presence.
    connect(bluez_, &device::BluezClient::CharacteristicsChanged, this, [this] {
        RefreshBleWriter();
        if (state_.links.flags().ble && !bluez_->HasNotificationRegistration() &&
            bluez_->RegisterNotifications()) {
            window_.KillTimer(kTimerBleRegister);
            controller_.LinkReady();
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
    if (device::BleMouseListedByHid()) {
        SetBleLink(true);
    }
}

void DeviceSession::RefreshBleWriter() {
    if (bluez_ == nullptr || !state_.links.flags().ble) {
        return;
    }
    state_.handles.ble = std::make_shared<device::BluezWriter>(bluez_->WriteTarget());
}

void DeviceSession::OnBleRegisterTimer() {
    window_.KillTimer(kTimerBleRegister);
    if (bluez_ != nullptr && !bluez_->HasNotificationRegistration()) {
        bluez_->RegisterNotifications();
        controller_.LinkReady();
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
    reports_->SetBleLink(up);
    if (up) {
        RefreshBleWriter();
        if (bluez_ != nullptr) {
            window_.SetTimer(kTimerBleRegister, kBleRegisterDelayMs);
        }
    } else {
        state_.handles.ble.reset();
        window_.KillTimer(kTimerBleRegister);
        if (bluez_ != nullptr) {
            bluez_->UnregisterNotifications();
        }
    }
}

void DeviceSession::OnPageTimer(int id) {
    if (controller_.OnTimer(id)) {
        return;
    }
    if (const auto timer = PageController::DeviceTimerOf(id)) {
        reports_->OnTimer(*timer);
        return;
    }
    if (id == kTimerBleRegister) {
        OnBleRegisterTimer();
        return;
    }
    window_.KillTimer(id);
}

void DeviceSession::OnDriverEvent(uint32_t value) {
    reports_->OnDriverEvent(value);
}

void DeviceSession::PostToWorker(uintptr_t wparam, intptr_t lparam) {
    worker_->Post(wparam, lparam);
}

void DeviceSession::OnMenuItem(const QString& name) {
    if (name.startsWith(QLatin1String("ms_5"))) {
        controller_.OnMenuItem(name.toStdString());
    }
}

void DeviceSession::SetInputCapture(const InputCapture& capture) {
    capture_ = capture;
    controls_.SetKeyboardLayout(capture.layout);
    if (capture.layout != nullptr) {
        // Key names follow the layout: a label showing a key is named again after a switch.
        connect(capture.layout, &platform::LiveKeyboardLayout::changed, this,
                &DeviceSession::OnKeyboardLayoutChanged, Qt::UniqueConnection);
    }
}

void DeviceSession::OnKeyboardLayoutChanged() {
    controller_.RefreshFromProfile();
}

void DeviceSession::RefreshFromProfile() {
    controls_.ApplyItemTexts();
    controller_.RefreshFromProfile();
}

bool DeviceSession::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    if (type == QEvent::Show || type == QEvent::Hide || type == QEvent::WindowStateChange) {
        const QWidget* root = window_.Widget();
        controller_.SetShown(root != nullptr && root->isVisible() && !root->isMinimized());
    }
    return QObject::eventFilter(watched, event);
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

void DeviceSession::SaveProfiles() {
    if (!started_) {
        return;
    }
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

profile::ImportedProfile DeviceSession::Import(const std::filesystem::path& path) {
    return profile::ImportProfile(path, state_.profiles, macros_, macro_store_);
}

macro::FileStatus DeviceSession::Export(const std::filesystem::path& path,
                                        const profile::ProfileInfo& record) {
    return profile::ExportProfile(path, record);
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
