#pragma once

#include <QPointer>
#include <array>
#include <memory>

#include "app/app_settings.h"
#include "app/toolkit/window.h"
#include "page/device_host.h"
#include "page/input_capture.h"
#include "platform/hook_library.h"

class QAbstractButton;
class QCheckBox;
class QLabel;
class QComboBox;
class QPushButton;
class QStackedWidget;

namespace talvik::page {
class DpiOsd;
class InputRoute;
class KeyCapture;
class PowerListener;
}  // namespace talvik::page

namespace talvik::platform {
class DesktopNotifier;
class LiveKeyboardLayout;
}  // namespace talvik::platform

namespace talvik::toolkit {
class PopupMenu;
class TrayIcon;
}  // namespace talvik::toolkit

namespace talvik::app {

class TrayStatus;

// The program's one top-level window and its message hub: it routes notifications, custom
// messages and timers, owns the tray icon and its menu, the input-hook library and the
// application settings. Device behaviour sits behind DeviceHost.
class MainWindow : public toolkit::Window {
    Q_OBJECT
public:
    static constexpr int kDeviceTabs = 20;
    // The tab that shows the mouse's page; page 0 is "no mouse connected".
    static constexpr int kMouseTab = 5;

    MainWindow(toolkit::Toolkit& toolkit, const SettingsStore& settings);
    ~MainWindow() override;

    QString ClassName() const override { return QStringLiteral("Talvik Gaming Mouse"); }
    QString LayoutFile() const override { return QStringLiteral("main.xml"); }

    // The device side; may be set once before Create(). Without it the window runs with no
    // mouse.
    void SetDeviceHost(page::DeviceHost* host);
    // The input-hook library is looked for here (default: the program's folder).
    void SetHookLibraryPath(const QString& path) { hook_path_ = path; }

    void SwitchLanguage(int code);
    // Some of our devices are present but this user may not open them: the no-mouse page says
    // so, with the commands that fix it and a button that copies them. No devices: no banner.
    void ShowPermissionProblem(const QStringList& nodes, const QString& commands);
    // Follows the mouse's power and link for the tray (valid after Create()).
    page::PowerListener& Power();
    // Ends the program: the tray menu's "exit".
    void Destroy();

    const AppSettings& Settings() const { return settings_; }
    const platform::HookFunctions* Hooks() const { return hooks_.Table(); }
    // Recording and key capture (after Create()).
    page::InputCapture Capture() const;
    toolkit::PopupMenu* TrayMenu() const { return tray_menu_.get(); }
    page::DpiOsd* Osd() const { return dpi_osd_.get(); }
    toolkit::TrayIcon* Tray() const { return tray_.get(); }

signals:
    // The window was destroyed (tray menu "exit", or closed by the window manager): the program
    // leaves its event loop.
    void ended();

protected:
    void BindControls() override;
    void OnInit() override;
    void Notify(const toolkit::Notification& notification) override;
    bool HandleCustomMessage(uint32_t message, uintptr_t wparam, intptr_t lparam) override;
    void OnTimer(int id) override;

private:
    void OnClick(const QString& name);
    void OnTrayIcon(intptr_t mouse_message);
    void OnMenuClick(uintptr_t wparam);
    void RefreshDeviceState();
    void ShowDpi(uintptr_t kind, intptr_t value);
    void CloseDpi();
    void OpenAbout();
    void OnDestroy();

    const SettingsStore& store_;
    AppSettings settings_;
    page::DeviceHost* device_ = nullptr;
    QString hook_path_;
    platform::HookLibrary hooks_;
    std::unique_ptr<platform::LiveKeyboardLayout> keyboard_;
    std::unique_ptr<page::InputRoute> input_route_;
    std::unique_ptr<page::KeyCapture> key_capture_;
    std::unique_ptr<toolkit::TrayIcon> tray_;
    std::unique_ptr<platform::DesktopNotifier> notifier_;
    std::unique_ptr<TrayStatus> tray_status_;
    std::unique_ptr<toolkit::PopupMenu> tray_menu_;
    std::unique_ptr<page::DpiOsd> dpi_osd_;
    bool destroyed_ = false;

    QPushButton* exit_btn_ = nullptr;
    QPushButton* min_btn_ = nullptr;
    QPushButton* about_btn_ = nullptr;
    QComboBox* combo_lan_ = nullptr;
    QCheckBox* check_startup_ = nullptr;
    QStackedWidget* device_tab_switch_ = nullptr;
    std::array<QAbstractButton*, kDeviceTabs> option_device_{};
    QWidget* permission_banner_ = nullptr;
    QLabel* permission_commands_ = nullptr;
};

}  // namespace talvik::app
