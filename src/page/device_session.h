#pragma once

#include <QDBusConnection>
#include <QObject>
#include <filesystem>
#include <memory>
#include <optional>

#include "macro/macro_record.h"
#include "macro/macro_store.h"
#include "macro/text_lookup.h"
#include "page/device_host.h"
#include "page/input_capture.h"
#include "page/modal_button_dialogs.h"
#include "page/modal_macro_windows.h"
#include "page/modal_page_dialogs.h"
#include "page/page_controller.h"
#include "page/page_controls.h"
#include "page/profile_files.h"
#include "profile/profile_store.h"
#include "protocol/clock.h"
#include "protocol/session_state.h"
#include "sim/virtual_mouse.h"

namespace talvik::device {
class DeviceLinks;
class UiTaskQueue;
}  // namespace talvik::device

namespace talvik::protocol {
class DeviceReports;
class SessionJobs;
class Worker;
}  // namespace talvik::protocol

namespace talvik::sim {
class SimControl;
}  // namespace talvik::sim

namespace talvik::toolkit {
class Window;
}  // namespace talvik::toolkit

namespace talvik::page {

// The device side of the main window: the session's data and stores, the worker, the report
// handlers and the links to the mouse (the real devices, or the virtual mouse), with the page's
// controller in front. It lives on the UI thread; readers, the worker and the virtual mouse reach
// it through posted tasks.
class DeviceSession final : public QObject, public DeviceHost, public ProfileFiles {
    Q_OBJECT
public:
    struct Options {
        std::filesystem::path data_dir;
        std::string app_dir;  // where the vendor library lies, ending with '/'
        std::optional<sim::SimLink> simulate;
        // The protocol's pauses; null: real time. Tests give a virtual clock.
        protocol::Clock* clock = nullptr;
        // Where the page's dialogs come from; null: real windows over the main window.
        PageDialogs* dialogs = nullptr;
        // The function menu and the button dialogs; null: real ones over the main window.
        ButtonDialogs* buttons = nullptr;
        // Where the macro editor comes from; null: the real window over the main window.
        MacroWindows* macro_windows = nullptr;
        // The bus of the Bluetooth daemon; none: the system bus.
        std::optional<QDBusConnection> bus;
    };

    // `window` holds the page's controls and receives the page's timers and messages.
    DeviceSession(toolkit::Window& window, Options options);
    ~DeviceSession() override;

    // Loads the stores, shows the active profile and brings the links up.
    void Start();
    // Writes the profiles as they are now, waiting until they are on disk.
    void SaveNow();
    // Ends the links and the worker (an apply under way abandons what it has not sent) and saves
    // the profiles with the user's latest edits, whatever the mouse got. Runs once; the
    // destructor calls it too.
    void Shutdown();

    const protocol::SessionState& State() const { return state_; }
    std::shared_ptr<sim::VirtualMouse> VirtualMouse() const { return mouse_; }
    PageController& Controller() { return controller_; }

    // DeviceHost
    void OnPageTimer(int id) override;
    void OnDriverEvent(uint32_t value) override;
    void PostToWorker(uintptr_t wparam, intptr_t lparam) override;
    void OnMenuItem(const QString& name) override;
    bool AnyLink() const override { return state_.links.any(); }
    void RefreshFromProfile() override;
    void ReopenReceivers24g() override;
    void ReopenReceivers4k() override;
    void SetInputCapture(const InputCapture& capture) override;
    // Recording and key capture for the page's dialogs (empty until the main window gives them).
    const InputCapture& Capture() const { return capture_; }

    // ProfileFiles
    void SaveProfiles() override;
    profile::ImportedProfile Import(const std::filesystem::path& path) override;
    macro::FileStatus Export(const std::filesystem::path& path,
                             const profile::ProfileInfo& record) override;
    const macro::MacroList& Macros() const override { return macros_; }
    std::filesystem::path DataFolder() const override { return options_.data_dir; }

protected:
    // Follows the main window being shown, hidden or minimised.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    class Texts : public macro::TextLookup {
    public:
        explicit Texts(toolkit::Window& window) : window_(window) {}
        std::string Text(std::string_view key) const override;

    private:
        toolkit::Window& window_;
    };

    void RegisterPage();
    void LoadStores();
    void StartSimulation();
    bool SimulatesReceiver() const;
    void OnKeyboardLayoutChanged();

    toolkit::Window& window_;
    Options options_;
    Texts texts_;
    protocol::SessionState state_;
    PageControls controls_;
    ModalPageDialogs modal_dialogs_;
    InputCapture capture_;
    ModalButtonDialogs modal_buttons_;
    ModalMacroWindows modal_macros_;  // edits macros_ and saves through macro_store_
    PageController controller_;
    profile::ProfileStore store_;
    macro::MacroStore macro_store_;
    macro::MacroList macros_;
    protocol::RealClock real_clock_;
    std::unique_ptr<device::UiTaskQueue> ui_queue_;
    std::unique_ptr<protocol::DeviceReports> reports_;
    std::unique_ptr<protocol::SessionJobs> jobs_;
    std::unique_ptr<protocol::Worker> worker_;
    std::shared_ptr<sim::VirtualMouse> mouse_;
    std::unique_ptr<sim::SimControl> sim_control_;
    std::unique_ptr<device::DeviceLinks> links_;
    bool started_ = false;
    bool shut_down_ = false;
};

}  // namespace talvik::page
