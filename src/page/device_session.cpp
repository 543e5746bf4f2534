#include "page/device_session.h"

#include <QEvent>
#include <QWidget>

#include "app/toolkit/toolkit.h"
#include "app/toolkit/window.h"
#include "device/links/device_links.h"
#include "device/usb/ui_task_queue.h"
#include "page/page_timers.h"
#include "platform/live_keyboard_layout.h"
#include "platform/messages.h"
#include "platform/trace.h"
#include "protocol/device_reports.h"
#include "protocol/session_jobs.h"
#include "protocol/worker.h"
#include "sim/sim_control.h"
#include "sim/sim_devices.h"

namespace talvik::page {

namespace {

constexpr auto kPageName = "MS_5_Page";
constexpr auto kPageContainer = "ms_5_page";
// The virtual receivers beat at half the 6 s watchdog.
constexpr int kSimHeartbeatMs = 3000;

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
    device::LinkParts parts;
    if (options_.simulate) {
        mouse_ = sim::VirtualMouse::Create(
            sim::VirtualMouse::OptionsFromEnvironment(*options_.simulate));
        sim_control_ = sim::SimControl::FromEnvironment(mouse_);
        parts = sim::SimLinkParts(mouse_, *options_.simulate);
    } else {
        parts = device::SystemLinkParts(
            options_.app_dir, options_.bus ? *options_.bus : QDBusConnection::systemBus());
    }
    reports_ = std::make_unique<protocol::DeviceReports>(state_, controller_, parts.cable);
    jobs_ = std::make_unique<protocol::SessionJobs>(state_, controller_, ui_queue_->poster());
    protocol::Clock& clock = options_.clock != nullptr ? *options_.clock : real_clock_;
    worker_ = std::make_unique<protocol::Worker>(*jobs_, clock);
    device::DeviceLinks::Env env;
    env.state = &state_;
    env.reports = reports_.get();
    env.events = &controller_;
    env.window = &window_;
    env.window_handle = window_.Handle();
    env.post = ui_queue_->poster();
    links_ = std::make_unique<device::DeviceLinks>(env, std::move(parts), this);
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
    sim_control_.reset();
    if (mouse_) {
        mouse_->SetHeartbeatPeriod(0);
        mouse_->SetNotificationSink({});
    }
    links_->Stop();  // joins the readers
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
    if (mouse_) {
        StartSimulation();
    }
    links_->Start();
    if (SimulatesReceiver()) {
        mouse_->EmitHeartbeat();  // the virtual receiver is live at once, not a beat later
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

// The virtual mouse beats like a real receiver and notifies on its own thread; the report
// handlers run on the UI thread.
void DeviceSession::StartSimulation() {
    if (SimulatesReceiver()) {
        mouse_->SetHeartbeatPeriod(kSimHeartbeatMs);
    }
    const device::UiPoster post = ui_queue_->poster();
    device::DeviceLinks* links = links_.get();
    mouse_->SetNotificationSink([post, links](std::vector<std::uint8_t> value) {
        post([links, value = std::move(value)] { links->OnBleValue(value); });
    });
}

bool DeviceSession::SimulatesReceiver() const {
    return options_.simulate == sim::SimLink::k24g || options_.simulate == sim::SimLink::k4k ||
           options_.simulate == sim::SimLink::k4kB;
}

void DeviceSession::OnPageTimer(int id) {
    if (controller_.OnTimer(id)) {
        return;
    }
    if (const auto timer = PageController::DeviceTimerOf(id)) {
        reports_->OnTimer(*timer);
        return;
    }
    if (links_->OnTimer(id)) {
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
    links_->OnTimer(msg::TIMER_REOPEN_24G);
}

void DeviceSession::ReopenReceivers4k() {
    links_->OnTimer(msg::TIMER_REOPEN_4K);
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

}  // namespace talvik::page
