// Start-up order: single instance, toolkit resources, main window, event loop, teardown.
#include <QApplication>
#include <QFileInfo>
#include <QLocale>
#include <QSessionManager>
#include <cstdio>
#include <cstring>
#include <memory>

#include "app/app_settings.h"
#include "app/command_line.h"
#include "app/main_window.h"
#include "app/startup_probe.h"
#include "app/theme.h"
#include "app/toolkit/toolkit.h"
#include "app/toolkit/trace_category.h"
#include "device/usb/hidapi_backend.h"
#include "device/usb/node_access_watch.h"
#include "page/device_session.h"
#include "page/dpi_color_dialog.h"
#include "platform/app_paths.h"
#include "platform/autostart.h"
#include "platform/ini_file.h"
#include "platform/quit_signals.h"
#include "platform/single_instance.h"
#include "platform/trace.h"

namespace {

int CommandLineLength(int argc, char** argv) {
    int length = 0;
    for (int i = 1; i < argc; ++i) {
        length += static_cast<int>(std::strlen(argv[i])) + (i > 1 ? 1 : 0);
    }
    return length;
}

}  // namespace

int main(int argc, char** argv) {
    using namespace talvik;

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("talvik-mouse"));
    QApplication::setApplicationVersion(QStringLiteral(TALVIK_VERSION));
    // The window hides to the tray; only the tray menu or a close request ends the program.
    QApplication::setQuitOnLastWindowClosed(false);
    toolkit::InstallTraceCategory();

    platform::SingleInstance instance(QString::fromLatin1(platform::kProgramInstanceName));
    if (instance.Acquire() == platform::SingleInstance::Role::kSecondary) {
        return 1;
    }

    platform::Trace("ilen = %d\r\n", CommandLineLength(argc, argv));
    const app::CommandLine command_line = app::ParseCommandLine(app.arguments().mid(1));
    for (const QString& arg : command_line.ignored) {
        platform::Trace("ignored argument: %s", qPrintable(arg));
    }

    toolkit::Toolkit toolkit(QString::fromStdString(platform::GetAppDir()) +
                             QStringLiteral("res/"));
    page::DpiColorDialog::RegisterWidgets(toolkit);
    app::ApplyTheme(app, toolkit.ResourceDir());
    const QString data_dir = QString::fromStdString(platform::GetDataDir());
    if (!QFileInfo(data_dir).isDir()) {
        platform::Trace("data folder %s is not a folder; settings and profiles cannot be saved",
                        qPrintable(data_dir));
    }
    const app::SettingsStore settings(
        platform::IniFile(data_dir + QStringLiteral("CONFIG.ini")),
        // The entry starts this very executable, wherever it was installed and however named.
        platform::Autostart(platform::Autostart::DefaultDir(),
                            QString::fromStdString(platform::GetExecutablePath())));

    app::MainWindow window(toolkit, settings);
    if (!window.Create()) {
        std::fprintf(stderr, "talvik-mouse: cannot build the main window: %s %s\n",
                     qPrintable(window.LoadError()),
                     qPrintable(window.MissingControls().join(QLatin1Char(' '))));
        return 2;
    }
    page::DeviceSession::Options device_options;
    device_options.data_dir = data_dir.toStdString();
    device_options.app_dir = platform::GetAppDir();
    device_options.simulate = command_line.simulate;
    page::DeviceSession device(window, device_options);
    window.SetDeviceHost(&device);
    device.Controller().SetPowerListener(&window.Power());
    device.Start();
    // Devices this user may not open are named with the fix; the virtual mouse needs none.
    std::unique_ptr<device::NodeAccessWatch> access_watch;
    if (!command_line.simulate) {
        access_watch = std::make_unique<device::NodeAccessWatch>(device::HidapiBackend::Create());
        QObject::connect(access_watch.get(), &device::NodeAccessWatch::Changed, &window,
                         [&window, &watch = *access_watch] {
                             const device::PermissionFix fix =
                                 device::MakePermissionFix(platform::GetAppDir());
                             QStringList nodes;
                             for (const device::BlockedNode& node : watch.Blocked()) {
                                 nodes << QString::fromStdString(node.path);
                             }
                             window.ShowPermissionProblem(
                                 nodes, QString::fromStdString(device::CommandLines(fix)));
                         });
        access_watch->Start();
    }
    QObject::connect(&instance, &platform::SingleInstance::ShowRequested, &window,
                     &app::MainWindow::Activate);
    QObject::connect(&window, &app::MainWindow::ended, &app, &QApplication::quit);
    // Every way out goes through the tray's exit, so the profiles are saved on the way.
    platform::QuitSignals quit_signals;
    QObject::connect(&quit_signals, &platform::QuitSignals::QuitRequested, &window,
                     &app::MainWindow::Destroy);
    // The session may end the process right after asking: save now, not at the end.
    QObject::connect(&app, &QGuiApplication::commitDataRequest, &device,
                     [&device](QSessionManager&) { device.SaveNow(); });
    app::InstallStartupProbe(window.Widget());
    window.CenterWindow();
    window.Show();
    return app.exec();
}
