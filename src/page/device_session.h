#pragma once

#include <QObject>
#include <filesystem>
#include <memory>
#include <optional>

#include "device/usb/report_sink.h"
#include "macro/macro_record.h"
#include "macro/macro_store.h"
#include "macro/text_lookup.h"
#include "page/device_host.h"
#include "page/page_controls.h"
#include "page/page_state.h"
#include "page/page_view.h"
#include "profile/profile_store.h"
#include "protocol/clock.h"
#include "sim/virtual_mouse.h"

namespace talvik::device {
class BluezClient;
class HidBackend;
class HotplugMonitor;
class ReceiverSets;
class UiTaskQueue;
}  // namespace talvik::device

namespace talvik::protocol {
class DeviceReports;
class PageJobs;
class VendorLibrary;
class Worker;
}  // namespace talvik::protocol

namespace talvik::sim {
class SimControl;
}  // namespace talvik::sim

namespace talvik::toolkit {
class Window;
}  // namespace talvik::toolkit

namespace talvik::page {

// The device side of the main window: the page's settings data and stores, the worker, the
// report handlers and the links to the mouse (the real devices, or the virtual mouse). It lives
// on the UI thread; readers, the worker and the virtual mouse reach it through posted tasks.
class DeviceSession final : public QObject,
                            public DeviceHost,
                            public PageView,
                            public device::ReportSink {
    Q_OBJECT
public:
    struct Options {
        std::filesystem::path data_dir;
        std::string app_dir;  // where the vendor library lies, ending with '/'
        std::optional<sim::SimLink> simulate;
        // The protocol's pauses; null: real time. Tests give a virtual clock.
        protocol::Clock* clock = nullptr;
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

    const PageState& State() const { return state_; }
    std::shared_ptr<sim::VirtualMouse> VirtualMouse() const { return mouse_; }

    // DeviceHost
    void OnPageTimer(int id) override;
    void OnDriverEvent(uint32_t value) override;
    void PostToWorker(uintptr_t wparam, intptr_t lparam) override;
    void OnMenuItem(const QString& name) override;
    bool AnyLink() const override { return state_.links.any_link; }
    void RefreshFromProfile() override;
    void ReopenReceivers24g() override;
    void ReopenReceivers4k() override;

    // PageView
    void SetVisible(std::string_view control, bool visible) override;
    void Select(std::string_view control) override;
    void SetChecked(std::string_view control, bool checked) override;
    void SetProgress(std::string_view control, int value) override;
    void SetText(std::string_view control, const std::string& text) override;
    std::string LanguageText(std::string_view key) override;
    void UpdateLightControls() override;
    void SaveStore() override;
    void SetTimer(int id, int period_ms) override;
    void KillTimer(int id) override;
    void Post(std::uint32_t message, std::uintptr_t wparam, std::intptr_t lparam) override;

    // ReportSink
    void OnReceiverLive(device::ReceiverFamily family, std::shared_ptr<platform::HidDevice> command,
                        std::shared_ptr<platform::HidDevice> input) override;
    void OnHeartbeat(device::ReceiverFamily family) override;
    void OnReport(device::ReceiverFamily family, std::span<const uint8_t> report) override;
    void OnReceiverRemoved(device::ReceiverFamily family) override;

private:
    class Texts : public macro::TextLookup {
    public:
        explicit Texts(toolkit::Window& window) : window_(window) {}
        std::string Text(std::string_view key) const override;

    private:
        toolkit::Window& window_;
    };

    void LoadStores();
    void StartWiredLink();
    void StartReceivers();
    void StartBluetoothSim();
    void StartBluetooth();
    void SetBleLink(bool up);
    // A writer for the worker from what the Bluetooth daemon lists now.
    void RefreshBleWriter();
    void OnBleRegisterTimer();
    void UpdateAnyLink();

    toolkit::Window& window_;
    Options options_;
    Texts texts_;
    PageControls controls_;
    PageState state_;
    profile::ProfileStore store_;
    macro::MacroStore macro_store_;
    macro::MacroList macros_;
    protocol::RealClock real_clock_;
    std::unique_ptr<device::UiTaskQueue> ui_queue_;
    std::shared_ptr<protocol::VendorLibrary> vendor_;
    std::unique_ptr<protocol::DeviceReports> reports_;
    std::unique_ptr<protocol::PageJobs> jobs_;
    std::unique_ptr<protocol::Worker> worker_;
    std::shared_ptr<sim::VirtualMouse> mouse_;
    std::unique_ptr<sim::SimControl> sim_control_;
    std::unique_ptr<device::HidBackend> backend_;
    std::unique_ptr<device::ReceiverSets> receivers_;
    std::unique_ptr<device::HotplugMonitor> hotplug_;
    device::BluezClient* bluez_ = nullptr;  // owned as a child QObject
    bool started_ = false;
    bool shut_down_ = false;
};

}  // namespace talvik::page
