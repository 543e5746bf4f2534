#include "app/main_window.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QCursor>
#include <QDesktopServices>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QStackedWidget>
#include <QUrl>

#include "app/about_window.h"
#include "app/toolkit/menu_command.h"
#include "app/toolkit/popup_menu.h"
#include "app/toolkit/toolkit.h"
#include "app/toolkit/tray_icon.h"
#include "app/tray_status.h"
#include "page/dpi_osd.h"
#include "page/input_route.h"
#include "page/key_capture.h"
#include "platform/app_paths.h"
#include "platform/desktop_notifier.h"
#include "platform/live_keyboard_layout.h"
#include "platform/trace.h"
#include "protocol/mouse_report.h"

namespace talvik::app {

namespace {

constexpr auto kWebSite = "https://www.talvik-gaming.example/";
// Values the vendor library's plug message becomes for the page.
constexpr uint32_t kDriverPlugOut = 0x7F000002;
constexpr uint32_t kDriverPlugIn = 0x7F000001;
constexpr uint32_t kDriverPlugOther = 0x7F000000;
// The tray menu opens this far above the pointer.
constexpr int kTrayMenuLift = 50;
// WM_MS5_DPI_OSD: the kind that carries a DPI value, in units of 50.
constexpr uintptr_t kDpiKind = 4;
constexpr int kOsdCloseMs = 2000;

// Messages the window accepts without acting on them.
bool IsQuietMessage(uint32_t message) {
    switch (message) {
        case msg::WM_MS5_LINK_READY:
        case 0x50C:
        case 0x651:
        case 0x652:
        case 0x657:
        case 0x1401:
            return true;
        default:
            return false;
    }
}

}  // namespace

MainWindow::MainWindow(toolkit::Toolkit& toolkit, const SettingsStore& settings)
    : toolkit::Window(toolkit),
      store_(settings),
      hook_path_(QString::fromStdString(platform::GetAppDir()) + QStringLiteral("libHook.so")) {
    // Settings and language come before the layout, so its controls show their texts at once.
    settings_ = store_.LoadAtStart(QLocale::system());
    if (!toolkit.LoadLanguage(LanguageFileForCode(settings_.language_code))) {
        platform::Trace("language file missing for code %d", settings_.language_code);
    }
}

MainWindow::~MainWindow() {
    OnDestroy();
}

void MainWindow::BindControls() {
    Bind(exit_btn_, QStringLiteral("exit_btn"));
    Bind(min_btn_, QStringLiteral("min_btn"));
    Bind(about_btn_, QStringLiteral("about_btn"));
    Bind(combo_lan_, QStringLiteral("combo_lan"));
    Bind(check_startup_, QStringLiteral("check_startup"));
    Bind(device_tab_switch_, QStringLiteral("device_tab_switch"));
    Bind(permission_banner_, QStringLiteral("permission_banner"));
    Bind(permission_commands_, QStringLiteral("permission_commands"));
    for (int n = 1; n <= kDeviceTabs; ++n) {
        // Only the mouse's tab is in the layout; the others are optional.
        option_device_[n - 1] = Find<QAbstractButton>(QStringLiteral("option_device_%1").arg(n));
    }
}

void MainWindow::OnInit() {
    const QString name = toolkit().Text(QStringLiteral("mouse_name_text"));
    const QIcon icon(toolkit().ResourcePath(QStringLiteral("skins/app_icon.png")));
    Widget()->setWindowIcon(icon);
    tray_ = std::make_unique<toolkit::TrayIcon>(*this, icon, name, msg::WM_MS5_TRAYICON);
    notifier_ = std::make_unique<platform::DesktopNotifier>();
    tray_status_ = std::make_unique<TrayStatus>(
        toolkit(),
        [this](const QString& tip) {
            if (tray_) {
                tray_->SetToolTip(tip);
            }
        },
        notifier_.get());

    {
        const QSignalBlocker block_combo(combo_lan_);
        combo_lan_->setCurrentIndex(settings_.language_code - 1);
        const QSignalBlocker block_check(check_startup_);
        check_startup_->setChecked(settings_.autostart != 0);
    }

    if (!hooks_.Load(hook_path_.toStdString())) {
        platform::Trace("input hook library not loaded; macro recording unavailable");
    }
    keyboard_ = std::make_unique<platform::LiveKeyboardLayout>();
    input_route_ = std::make_unique<page::InputRoute>(hooks_.Functions(), Handle(), *keyboard_);
    key_capture_ = std::make_unique<page::KeyCapture>(*input_route_, *keyboard_);
    if (device_ != nullptr) {
        device_->SetInputCapture(Capture());
    }
    connect(this, &toolkit::Window::closed, this, [this] { Destroy(); });
    RefreshDeviceState();
}

void MainWindow::SetDeviceHost(page::DeviceHost* host) {
    device_ = host;
    if (device_ != nullptr && input_route_ != nullptr) {
        device_->SetInputCapture(Capture());
    }
}

page::InputCapture MainWindow::Capture() const {
    return page::InputCapture{input_route_.get(), key_capture_.get(), keyboard_.get()};
}

void MainWindow::SwitchLanguage(int code) {
    settings_.language_code = code;
    {
        const QSignalBlocker block(combo_lan_);
        combo_lan_->setCurrentIndex(code - 1);
    }
    toolkit().LoadLanguage(LanguageFileForCode(code));  // reloads every window's texts
    if (tray_status_) {
        tray_status_->Retranslate();
    }
    Relayout();
    if (device_ != nullptr) {
        device_->RefreshFromProfile();
    }
    store_.WriteLanguage(code);
}

void MainWindow::ShowPermissionProblem(const QStringList& nodes, const QString& commands) {
    permission_commands_->setText(commands.trimmed());
    permission_commands_->setToolTip(nodes.join(QLatin1Char('\n')));
    permission_banner_->setVisible(!nodes.isEmpty());
}

page::PowerListener& MainWindow::Power() {
    return *tray_status_;
}

void MainWindow::Destroy() {
    if (destroyed_) {
        return;
    }
    OnDestroy();
    Hide();
    emit ended();
}

void MainWindow::Notify(const toolkit::Notification& n) {
    switch (n.type) {
        case toolkit::NotifyType::kClick:
            OnClick(n.sender_name);
            break;
        case toolkit::NotifyType::kSelectChanged:
            for (int i = 0; i < kDeviceTabs; ++i) {
                if (option_device_[i] != nullptr && n.sender == option_device_[i]) {
                    device_tab_switch_->setCurrentIndex(
                        std::min(i + 1, device_tab_switch_->count() - 1));
                }
            }
            break;
        case toolkit::NotifyType::kItemSelect:
            if (n.sender == combo_lan_ && IsLanguageCode(static_cast<int>(n.wparam) + 1)) {
                SwitchLanguage(static_cast<int>(n.wparam) + 1);
            }
            break;
        case toolkit::NotifyType::kCheckClick:
            // The setting held by the window stays; only the file and the entry change.
            if (n.sender == check_startup_) {
                store_.WriteAutostart(check_startup_->isChecked());
            }
            break;
        default:
            break;
    }
}

void MainWindow::OnClick(const QString& name) {
    if (name == QLatin1String("exit_btn")) {
        Hide();  // the program stays in the tray
    } else if (name == QLatin1String("min_btn")) {
        Widget()->showMinimized();
    } else if (name == QLatin1String("btn_website")) {
        QDesktopServices::openUrl(QUrl(QString::fromLatin1(kWebSite)));
    } else if (name == QLatin1String("about_btn")) {
        OpenAbout();
    } else if (name == QLatin1String("permission_copy_btn")) {
        QGuiApplication::clipboard()->setText(permission_commands_->text() + QLatin1Char('\n'));
    }
}

bool MainWindow::HandleCustomMessage(uint32_t message, uintptr_t wparam, intptr_t lparam) {
    switch (message) {
        case msg::WM_MS5_TRAYICON:
            OnTrayIcon(lparam);
            return true;
        case msg::WM_MS5_MENU_CLICK:
            OnMenuClick(wparam);
            return true;
        case msg::WM_MS5_SHOW:
            Activate();
            return true;
        case msg::WM_MS5_DEVICE_STATE:
            RefreshDeviceState();
            return true;
        case msg::WM_MS5_DPI_OSD:
            ShowDpi(wparam, lparam);
            return true;
        case msg::WM_MS5_LANGUAGE:
            if (IsLanguageCode(static_cast<int>(wparam))) {
                SwitchLanguage(static_cast<int>(wparam));
            }
            return true;
        case msg::WM_MS5_STARTUP:
            settings_.autostart = wparam == 1 ? 1 : 0;
            store_.WriteAutostart(wparam == 1);
            return true;
        case msg::WM_MS5_FEEDBACK:
            settings_.feedback = static_cast<int>(wparam);
            store_.WriteFeedback(static_cast<int>(wparam));
            return true;
        case msg::WM_MS5_DRIVER_DATA:
            if (device_ != nullptr) {
                device_->OnDriverEvent(protocol::DriverDataCode(wparam, lparam));
            }
            return true;
        case msg::WM_MS5_DRIVER_PLUG:
            if (device_ != nullptr) {
                device_->OnDriverEvent(wparam == 0   ? kDriverPlugOut
                                       : wparam == 1 ? kDriverPlugIn
                                                     : kDriverPlugOther);
            }
            return true;
        case msg::WM_MS5_HOOK_INPUT:
            // The hook posts to this window for the page and its dialogs.
            if (input_route_ != nullptr) {
                input_route_->OnHookInput(wparam, lparam);
            }
            return true;
        case msg::WM_MS5_POST_WORKER:
            if (device_ != nullptr) {
                device_->PostToWorker(wparam, lparam);
            }
            return true;
        default:
            return IsQuietMessage(message);
    }
}

void MainWindow::OnTimer(int id) {
    if (id == msg::TIMER_OSD_CLOSE) {
        KillTimer(id);
        CloseDpi();
    } else if (id == msg::TIMER_REOPEN_24G) {
        KillTimer(id);
        if (device_ != nullptr) {
            device_->ReopenReceivers24g();
        }
    } else if (id == msg::TIMER_REOPEN_4K) {
        KillTimer(id);
        if (device_ != nullptr) {
            device_->ReopenReceivers4k();
        }
    } else if (id >= msg::kFirstPageTimer && id <= msg::kLastPageTimer) {
        if (device_ != nullptr) {
            device_->OnPageTimer(id);
        }
    }
}

void MainWindow::OnTrayIcon(intptr_t mouse_message) {
    if (mouse_message == toolkit::TrayIcon::kLeftButtonUp) {
        Activate();
    } else if (mouse_message == toolkit::TrayIcon::kRightButtonUp) {
        tray_menu_.reset();  // one menu at a time
        tray_menu_ = std::make_unique<toolkit::PopupMenu>(*this);
        if (tray_menu_->Load(QStringLiteral("traymenu.xml"))) {
            const QPoint cursor = QCursor::pos();
            tray_menu_->Open(QPoint(cursor.x(), cursor.y() - kTrayMenuLift));
        }
    }
}

void MainWindow::OnMenuClick(uintptr_t wparam) {
    const toolkit::MenuCommand* command = DeliveredMenuCommand(wparam);
    if (command == nullptr) {
        return;
    }
    const QString name = command->name;
    if (name.compare(QLatin1String("configuration"), Qt::CaseInsensitive) == 0) {
        Activate();
    } else if (name.compare(QLatin1String("exit"), Qt::CaseInsensitive) == 0) {
        Destroy();
    } else if (name.startsWith(QLatin1String("ms_5"))) {
        if (device_ != nullptr) {
            device_->OnMenuItem(name);
        }
    }
}

void MainWindow::RefreshDeviceState() {
    const bool any_link = device_ != nullptr && device_->AnyLink();
    QAbstractButton* mouse_tab = option_device_[kMouseTab - 1];
    if (mouse_tab != nullptr) {
        mouse_tab->setVisible(any_link);
        if (!any_link && mouse_tab->isChecked()) {
            SetOptionSelected(mouse_tab, false, true);
        }
        if (any_link) {
            SetOptionSelected(mouse_tab, true, false);
        }
    }
    device_tab_switch_->setCurrentIndex(
        any_link ? std::min(kMouseTab, device_tab_switch_->count() - 1) : 0);
}

void MainWindow::ShowDpi(uintptr_t kind, intptr_t value) {
    QString text = QStringLiteral("DPI :");
    if (kind == kDpiKind) {
        text += QString::number(static_cast<long long>(value) * 50);
    }
    KillTimer(msg::TIMER_OSD_CLOSE);
    SetTimer(msg::TIMER_OSD_CLOSE, kOsdCloseMs);
    if (dpi_osd_) {
        dpi_osd_->SetText(text);
        return;
    }
    auto osd = std::make_unique<page::DpiOsd>(toolkit(), text);
    if (!osd->Create()) {
        return;
    }
    osd->Show();
    dpi_osd_ = std::move(osd);
}

void MainWindow::CloseDpi() {
    dpi_osd_.reset();
}

void MainWindow::OpenAbout() {
    AboutWindow about(toolkit(), settings_.language_code, settings_.autostart, settings_.feedback,
                      *this);
    if (!about.Create(this)) {
        return;
    }
    about.CenterWindow();
    about.ShowModal();
}

void MainWindow::OnDestroy() {
    if (destroyed_) {
        return;
    }
    destroyed_ = true;
    KillTimer(msg::TIMER_OSD_CLOSE);
    CloseDpi();
    tray_menu_.reset();
    if (input_route_ != nullptr) {
        input_route_->Stop();  // the page may hold the route until it goes
    }
    hooks_.Unload();  // removes the hooks first
    tray_.reset();
}

}  // namespace talvik::app
