#pragma once

#include <QTemporaryDir>
#include <functional>
#include <memory>

#include "app/main_window.h"
#include "app/toolkit/toolkit.h"
#include "page/device_session.h"
#include "page/dpi_color_dialog.h"
#include "sim/virtual_clock.h"

namespace talvik::test {

// The real main window and device session on a private data folder, the protocol's pauses in
// virtual time.
struct SessionRig {
    // `before_start` runs between building the session and starting it.
    void Build(std::optional<sim::SimLink> link,
               const std::function<void(page::DeviceSession&)>& before_start = {}) {
        qputenv("TALVIK_SIM_LOG", "");
        qunsetenv("TALVIK_SIM_CONTROL");
        page::DpiColorDialog::RegisterWidgets(toolkit);
        window = std::make_unique<app::MainWindow>(toolkit, settings);
        window->SetHookLibraryPath(home.filePath(QStringLiteral("none.so")));
        if (!window->Create()) {
            return;
        }
        page::DeviceSession::Options options;
        options.data_dir = DataDir();
        options.app_dir = home.path().toStdString() + "/";
        options.simulate = link;
        options.clock = &clock;
        options.buttons = buttons;
        session = std::make_unique<page::DeviceSession>(*window, options);
        window->SetDeviceHost(session.get());
        if (before_start) {
            before_start(*session);
        }
        session->Start();
    }

    std::string DataDir() const { return home.filePath(QStringLiteral("data")).toStdString(); }

    void Destroy() {
        session.reset();
        window.reset();
    }

    QTemporaryDir home;
    toolkit::Toolkit toolkit{QStringLiteral(TALVIK_SOURCE_DIR "/res/")};
    app::SettingsStore settings{
        platform::IniFile(home.filePath(QStringLiteral("CONFIG.ini"))),
        platform::Autostart(home.filePath(QStringLiteral("autostart")), QStringLiteral("/x"))};
    sim::VirtualClock clock;
    page::ButtonDialogs* buttons = nullptr;  // null: the real menu and dialogs
    std::unique_ptr<app::MainWindow> window;
    std::unique_ptr<page::DeviceSession> session;
};

}  // namespace talvik::test
