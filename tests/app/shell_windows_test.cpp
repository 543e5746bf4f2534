// The main window's routing, the about and message boxes, the DPI display and colour dialog,
// on the real layout files.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPointer>
#include <QPushButton>
#include <QSignalSpy>
#include <QStackedWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "../toolkit/recording_target.h"
#include "../toolkit/test_support.h"
#include "app/about_window.h"
#include "app/main_window.h"
#include "app/toolkit/msg_window.h"
#include "app/toolkit/popup_menu.h"
#include "app/toolkit/toolkit.h"
#include "app/toolkit/tray_icon.h"
#include "page/color_palette.h"
#include "page/dpi_color_dialog.h"
#include "page/dpi_osd.h"
#include "page/power_listener.h"

namespace talvik::app {
namespace {

using test::ResDir;
using test::WaitUntil;
using toolkit::MsgWindow;

// Records what reaches the device side, in order.
class FakeDevice : public page::DeviceHost {
public:
    void OnPageTimer(int id) override { log << QStringLiteral("timer %1").arg(id); }
    void OnDriverEvent(uint32_t value) override { log << QString::number(value, 16); }
    void PostToWorker(uintptr_t wparam, intptr_t lparam) override {
        log << QStringLiteral("worker %1 %2").arg(wparam).arg(lparam);
    }
    void OnMenuItem(const QString& name) override { log << name; }
    bool AnyLink() const override { return any_link; }
    void RefreshFromProfile() override { log << QStringLiteral("refresh"); }
    void ReopenReceivers24g() override { log << QStringLiteral("reopen 2.4"); }
    void ReopenReceivers4k() override { log << QStringLiteral("reopen 4k"); }

    QStringList log;
    bool any_link = false;
};

// Opens the protected handlers to the test, so timers can expire without waiting for them.
class TestMainWindow : public MainWindow {
public:
    using MainWindow::HandleCustomMessage;
    using MainWindow::MainWindow;
    using MainWindow::OnTimer;
};

class ShellWindowsTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(home_.isValid());
        page::DpiColorDialog::RegisterWidgets(toolkit_);
    }

    SettingsStore Store() const {
        return SettingsStore(platform::IniFile(home_.filePath(QStringLiteral("CONFIG.ini"))),
                             platform::Autostart(home_.filePath(QStringLiteral("autostart")),
                                                 QStringLiteral("/opt/talvik/talvik-mouse")));
    }

    std::unique_ptr<TestMainWindow> MakeMain(const SettingsStore& store) {
        auto window = std::make_unique<TestMainWindow>(toolkit_, store);
        window->SetDeviceHost(&device_);
        window->SetHookLibraryPath(home_.filePath(QStringLiteral("no-such-libHook.so")));
        EXPECT_TRUE(window->Create()) << window->LoadError().toStdString()
                                      << window->MissingControls().join(' ').toStdString();
        return window;
    }

    QTemporaryDir home_;
    toolkit::Toolkit toolkit_{ResDir()};
    FakeDevice device_;
};

TEST_F(ShellWindowsTest, StartUpTakesTheLanguageFromTheSettingsAndFollowsLanguageMessages) {
    platform::IniFile(home_.filePath(QStringLiteral("CONFIG.ini"))).WriteInt("SETTING", "lanId", 3);
    const SettingsStore store = Store();
    auto window = MakeMain(store);
    EXPECT_EQ(window->Find<QComboBox>(QStringLiteral("combo_lan"))->currentIndex(), 2);
    EXPECT_FALSE(window->Hooks()->CanRecord());  // no hook library: recording is unavailable

    window->HandleCustomMessage(msg::WM_MS5_LANGUAGE, 1, 0);
    EXPECT_EQ(window->Find<QComboBox>(QStringLiteral("combo_lan"))->currentIndex(), 0);
    EXPECT_EQ(device_.log, QStringList{QStringLiteral("refresh")});
    window->HandleCustomMessage(msg::WM_MS5_LANGUAGE, 77, 0);  // no such language
    EXPECT_EQ(window->Settings().language_code, 1);
}

TEST_F(ShellWindowsTest, DeviceMessagesAndTimersReachTheDeviceSide) {
    const SettingsStore store = Store();
    auto window = MakeMain(store);
    for (uintptr_t plug : {0, 1, 5}) {
        window->HandleCustomMessage(msg::WM_MS5_DRIVER_PLUG, plug, 0);
    }
    window->HandleCustomMessage(msg::WM_MS5_DRIVER_DATA, 0x10C5, 0x1234F003);
    window->HandleCustomMessage(msg::WM_MS5_POST_WORKER, 2, 7);
    window->SetTimer(msg::TIMER_REOPEN_24G, 1000);
    for (int id : {592, 595, 598, 599, 600, 53, msg::TIMER_REOPEN_24G, msg::TIMER_REOPEN_4K}) {
        window->OnTimer(id);
    }
    EXPECT_EQ(device_.log, QStringList({"7f000002", "7f000001", "7f000000", "10c5f003",
                                        "worker 2 7", "timer 592", "timer 595", "timer 598",
                                        "timer 599", "reopen 2.4", "reopen 4k"}));
    EXPECT_FALSE(window->HasTimer(msg::TIMER_REOPEN_24G));
    EXPECT_FALSE(window->HandleCustomMessage(0x7777, 0, 0));  // left to the toolkit

    // The mouse page shows while a link is up.
    auto* tabs = window->Find<QStackedWidget>(QStringLiteral("device_tab_switch"));
    device_.any_link = true;
    window->HandleCustomMessage(msg::WM_MS5_DEVICE_STATE, 0, 0);
    EXPECT_EQ(tabs->currentIndex(), MainWindow::kMouseTab);
    device_.any_link = false;
    window->HandleCustomMessage(msg::WM_MS5_DEVICE_STATE, 0, 0);
    EXPECT_EQ(tabs->currentIndex(), 0);
    EXPECT_FALSE(window->Find<QAbstractButton>(QStringLiteral("option_device_5"))->isVisible());
}

// Its closing is driven end to end on Xvfb.
TEST_F(ShellWindowsTest, DpiReportsKeepOneDisplayInItsCorner) {
    const SettingsStore store = Store();
    auto window = MakeMain(store);
    window->HandleCustomMessage(msg::WM_MS5_DPI_OSD, 4, 16);
    QPointer<page::DpiOsd> first = window->Osd();
    ASSERT_NE(first, nullptr);
    window->HandleCustomMessage(msg::WM_MS5_DPI_OSD, 4, 32);
    EXPECT_EQ(window->Osd(), first.data());
    EXPECT_EQ(first->Find<QLabel>(QStringLiteral("dpi_label"))->text(),
              QStringLiteral("DPI :1600"));
    window->HandleCustomMessage(msg::WM_MS5_DPI_OSD, 7, 32);  // another kind: no value
    EXPECT_EQ(first->Text(), QStringLiteral("DPI :"));

    EXPECT_EQ(page::DpiOsd::Placement(QRect(0, 0, 1920, 1040)), QRect(1710, 980, 200, 50));
    // A panel on the left or at the top moves the work area's origin; the corner follows it.
    EXPECT_EQ(page::DpiOsd::Placement(QRect(64, 32, 1856, 1048)), QRect(1710, 1020, 200, 50));
}

TEST_F(ShellWindowsTest, TrayMenuIsRebuiltOnceAndMenuItemsRouteByName) {
    const SettingsStore store = Store();
    auto window = MakeMain(store);
    window->HandleCustomMessage(msg::WM_MS5_TRAYICON, 0, 0x205);
    QPointer<QMenu> first = window->TrayMenu()->Menu();
    window->HandleCustomMessage(msg::WM_MS5_TRAYICON, 0, 0x205);
    EXPECT_TRUE(first.isNull());  // one menu object at a time

    QSignalSpy ended(window.get(), &MainWindow::ended);
    window->Hide();
    window->TrayMenu()->Item(QStringLiteral("configuration"))->trigger();
    EXPECT_TRUE(WaitUntil([&] { return window->Widget()->isVisible(); }));
    // Names with the device prefix go to the page, case-sensitively.
    toolkit::PopupMenu menu(*window);
    for (const char* name : {"ms_5_left_click", "MS_5_left_click", "ms_"}) {
        QAction* action = menu.Menu()->addAction(QString::fromLatin1(name));
        action->setObjectName(QString::fromLatin1(name));
        action->trigger();
    }
    window->TrayMenu()->Item(QStringLiteral("exit"))->trigger();
    EXPECT_TRUE(WaitUntil([&] { return ended.count() == 1; }));
    EXPECT_EQ(device_.log, QStringList{QStringLiteral("ms_5_left_click")});
    window->Post(msg::WM_MS5_MENU_CLICK, 0x1234, 0);  // a made-up record is ignored
    QCoreApplication::processEvents();
    EXPECT_EQ(ended.count(), 1);

    QTest::mouseClick(window->Find<QPushButton>(QStringLiteral("exit_btn")), Qt::LeftButton);
    EXPECT_TRUE(WaitUntil([&] { return !window->Widget()->isVisible(); }));
    window->HandleCustomMessage(msg::WM_MS5_SHOW, 0, 0);
    EXPECT_TRUE(window->Widget()->isVisible());
}

TEST_F(ShellWindowsTest, AboutWindowShowsTheSettingsAndPostsEachChange) {
    test::RecordingTarget main_window;
    AboutWindow about(toolkit_, 3, 0, -1, main_window);
    ASSERT_TRUE(about.Create());
    EXPECT_EQ(about.Find<QComboBox>(QStringLiteral("combo_lan"))->currentIndex(), 2);
    auto* startup = about.Find<QCheckBox>(QStringLiteral("check_startup"));
    auto* feedback = about.Find<QCheckBox>(QStringLiteral("check_window_feedback"));
    EXPECT_TRUE(feedback->isChecked());  // never set counts as on
    about.Show();
    for (QCheckBox* box : {startup, startup, feedback}) {
        QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(8, box->height() / 2));
    }
    QCoreApplication::processEvents();
    EXPECT_EQ(main_window.posts,
              (std::vector<std::pair<uint32_t, uintptr_t>>{
                  {msg::WM_MS5_STARTUP, 1}, {msg::WM_MS5_STARTUP, 0}, {msg::WM_MS5_FEEDBACK, 0}}));
    EXPECT_EQ(FormatFileVersion(1, 2, 3, 260), QStringLiteral("1.2.3.4"));
}

TEST_F(ShellWindowsTest, MessageBoxGivesOneOnlyForOk) {
    // Closing by the window manager is the toolkit's modal loop, tested with the toolkit.
    for (const auto& [button, expected] : {std::pair{"btn_ok", 1}, std::pair{"btn_cancel", 0}}) {
        MsgWindow box(toolkit_, QStringLiteral("warning_title_text"),
                      QStringLiteral("delete_profile_text"));
        ASSERT_TRUE(box.Create());
        const QString name = QString::fromLatin1(button);
        QTimer::singleShot(0, &box, [&box, name] {
            QTest::mouseClick(box.Find<QPushButton>(name), Qt::LeftButton);
        });
        EXPECT_EQ(box.ShowModal(), expected) << button;
    }
}

TEST_F(ShellWindowsTest, ColourDialogChannelsPresetsAndPalette) {
    page::DpiColorDialog dialog(toolkit_, 0xFFFF0000, QPoint(40, 30));
    ASSERT_TRUE(dialog.Create()) << dialog.MissingControls().join(' ').toStdString();
    auto* r = dialog.Find<QLineEdit>(QStringLiteral("r_edit"));
    auto* g = dialog.Find<QLineEdit>(QStringLiteral("g_edit"));
    auto* b = dialog.Find<QLineEdit>(QStringLiteral("b_edit"));
    EXPECT_EQ(r->text(), QStringLiteral("255"));
    dialog.Show();
    g->clear();
    QTest::keyClicks(g, QStringLiteral("300"));
    EXPECT_EQ(g->text(), QStringLiteral("255"));
    EXPECT_EQ(dialog.Color(), 0xFFFFFF00u);
    b->clear();
    QTest::keyClicks(b, QStringLiteral("-4"));
    EXPECT_EQ(b->text(), QStringLiteral("0"));

    QTest::mouseClick(dialog.Find<QPushButton>(QStringLiteral("mouse_dpi_color_12")),
                      Qt::LeftButton);
    EXPECT_EQ(dialog.Color(), 0xFFFF00FFu);
    EXPECT_EQ(b->text(), QStringLiteral("255"));
    auto* palette = dialog.Find<page::ColorPalette>(QStringLiteral("ColorPallet"));
    QTest::mouseClick(palette, Qt::LeftButton, {},
                      page::ColorPalette::PointOf(QColor(0, 255, 0), palette->size()));
    EXPECT_EQ(QColor::fromRgb(dialog.Color()).hsvHue() / 10, 12);  // about 120 degrees
    EXPECT_EQ(r->text(), QString::number(qRed(dialog.Color())));
    bool clamped = false;
    EXPECT_EQ(page::DpiColorDialog::ChannelValue(QStringLiteral("99999999999999"), &clamped), 255);
    EXPECT_TRUE(clamped);
}

TEST_F(ShellWindowsTest, PermissionBannerCopiesTheFixAndTheTrayTipFollowsThePower) {
    const SettingsStore store = Store();
    auto window = MakeMain(store);
    window->Show();
    auto* banner = window->Find<QWidget>(QStringLiteral("permission_banner"));
    const QString commands = QStringLiteral("sudo udevadm trigger\n");
    window->ShowPermissionProblem({QStringLiteral("/dev/hidraw3")}, commands);
    QTest::mouseClick(window->Find<QPushButton>(QStringLiteral("permission_copy_btn")),
                      Qt::LeftButton);
    EXPECT_TRUE(WaitUntil([&] { return QGuiApplication::clipboard()->text() == commands; }));
    window->ShowPermissionProblem({}, commands);
    EXPECT_FALSE(banner->isVisible());

    page::PowerState state;
    state.links.link_24g = true;
    state.source = page::PowerState::Source::kBattery;
    state.level = 64;
    window->Power().PowerChanged(state);
    EXPECT_EQ(window->Tray()->Native()->toolTip(),
              QStringLiteral("Talvik Gaming Mouse \u2014 2.4 GHz, 64 %"));
}

}  // namespace
}  // namespace talvik::app
