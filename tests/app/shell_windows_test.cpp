// The main window's routing, the about and message boxes, the DPI display and colour dialog,
// on the real layout files.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDeadlineTimer>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPointer>
#include <QPushButton>
#include <QSignalSpy>
#include <QStackedWidget>
#include <QSystemTrayIcon>
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

class FakeDevice : public page::DeviceHost {
public:
    void OnPageTimer(int id) override { timers.push_back(id); }
    void OnDriverEvent(uint32_t value) override { driver_events.push_back(value); }
    void PostToWorker(uintptr_t wparam, intptr_t lparam) override {
        worker.emplace_back(wparam, lparam);
    }
    void OnMenuItem(const QString& name) override { menu_items << name; }
    bool AnyLink() const override { return any_link; }
    void RefreshFromProfile() override { ++refreshes; }
    void ReopenReceivers24g() override { ++reopen_24g; }
    void ReopenReceivers4k() override { ++reopen_4k; }

    std::vector<int> timers;
    std::vector<uint32_t> driver_events;
    std::vector<std::pair<uintptr_t, intptr_t>> worker;
    QStringList menu_items;
    bool any_link = false;
    int refreshes = 0;
    int reopen_24g = 0;
    int reopen_4k = 0;
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

TEST_F(ShellWindowsTest, StartUpTakesTitleLanguageAndAutostartFromTheSettings) {
    platform::IniFile(home_.filePath(QStringLiteral("CONFIG.ini"))).WriteInt("SETTING", "lanId", 3);
    const SettingsStore store = Store();
    auto window = MakeMain(store);
    EXPECT_EQ(window->Settings().language_code, 3);
    EXPECT_EQ(window->Find<QComboBox>(QStringLiteral("combo_lan"))->currentIndex(), 2);
    EXPECT_FALSE(window->Find<QCheckBox>(QStringLiteral("check_startup"))->isChecked());
    EXPECT_EQ(window->Widget()->windowTitle(), toolkit_.Text(QStringLiteral("mouse_name_text")));
    EXPECT_FALSE(window->Hooks()->CanRecord());  // no hook library: recording is unavailable

    window->HandleCustomMessage(msg::WM_MS5_LANGUAGE, 1, 0);
    EXPECT_EQ(window->Settings().language_code, 1);
    EXPECT_EQ(window->Find<QComboBox>(QStringLiteral("combo_lan"))->currentIndex(), 0);
    EXPECT_EQ(platform::IniFile(store.Ini().Path()).ReadInt("SETTING", "lanId", -1), 1);
    EXPECT_EQ(device_.refreshes, 1);
    // A code no language has changes nothing.
    window->HandleCustomMessage(msg::WM_MS5_LANGUAGE, 77, 0);
    EXPECT_EQ(window->Settings().language_code, 1);
}

TEST_F(ShellWindowsTest, DeviceMessagesAndTimersReachTheDeviceSide) {
    const SettingsStore store = Store();
    auto window = MakeMain(store);
    window->HandleCustomMessage(msg::WM_MS5_DRIVER_PLUG, 0, 0);
    window->HandleCustomMessage(msg::WM_MS5_DRIVER_PLUG, 1, 0);
    window->HandleCustomMessage(msg::WM_MS5_DRIVER_PLUG, 5, 0);
    window->HandleCustomMessage(msg::WM_MS5_DRIVER_DATA, 0x10C5, 0x1234F003);
    EXPECT_EQ(device_.driver_events,
              (std::vector<uint32_t>{0x7F000002, 0x7F000001, 0x7F000000, 0x10C5F003}));

    window->HandleCustomMessage(msg::WM_MS5_POST_WORKER, 2, 7);
    ASSERT_EQ(device_.worker.size(), 1u);
    EXPECT_EQ(device_.worker[0], std::make_pair(uintptr_t{2}, intptr_t{7}));

    for (int id : {592, 595, 598, 599, 600, 53}) {
        window->OnTimer(id);
    }
    EXPECT_EQ(device_.timers, (std::vector<int>{592, 595, 598, 599}));
    window->SetTimer(msg::TIMER_REOPEN_24G, 1000);
    window->OnTimer(msg::TIMER_REOPEN_24G);
    window->OnTimer(msg::TIMER_REOPEN_4K);
    EXPECT_EQ(device_.reopen_24g, 1);
    EXPECT_EQ(device_.reopen_4k, 1);
    EXPECT_FALSE(window->HasTimer(msg::TIMER_REOPEN_24G));

    // Accepted and ignored; unknown numbers are left to the toolkit.
    EXPECT_TRUE(window->HandleCustomMessage(msg::WM_MS5_LINK_READY, 1, 0));
    EXPECT_TRUE(window->HandleCustomMessage(0x1401, 0, 0));
    EXPECT_FALSE(window->HandleCustomMessage(0x7777, 0, 0));
}

TEST_F(ShellWindowsTest, DeviceStateShowsTheMousePageOnlyWhileALinkIsUp) {
    const SettingsStore store = Store();
    auto window = MakeMain(store);
    auto* tabs = window->Find<QStackedWidget>(QStringLiteral("device_tab_switch"));
    auto* mouse_tab = window->Find<QAbstractButton>(QStringLiteral("option_device_5"));

    device_.any_link = true;
    window->HandleCustomMessage(msg::WM_MS5_DEVICE_STATE, 0, 0);
    if (tabs->count() > MainWindow::kMouseTab) {
        EXPECT_EQ(tabs->currentIndex(), MainWindow::kMouseTab);
    }
    device_.any_link = false;
    window->HandleCustomMessage(msg::WM_MS5_DEVICE_STATE, 0, 0);
    EXPECT_EQ(tabs->currentIndex(), 0);
    if (mouse_tab != nullptr) {
        EXPECT_FALSE(mouse_tab->isVisible());
        EXPECT_FALSE(mouse_tab->isChecked());
    }
}

TEST_F(ShellWindowsTest, DpiReportsKeepOneDisplayAndItClosesOnItsTimer) {
    const SettingsStore store = Store();
    auto window = MakeMain(store);
    window->HandleCustomMessage(msg::WM_MS5_DPI_OSD, 4, 16);
    QPointer<page::DpiOsd> first = window->Osd();
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->Text(), QStringLiteral("DPI :800"));
    EXPECT_TRUE(window->HasTimer(msg::TIMER_OSD_CLOSE));

    window->HandleCustomMessage(msg::WM_MS5_DPI_OSD, 4, 32);
    EXPECT_EQ(window->Osd(), first.data());
    EXPECT_EQ(first->Text(), QStringLiteral("DPI :1600"));
    EXPECT_EQ(first->Find<QLabel>(QStringLiteral("dpi_label"))->text(),
              QStringLiteral("DPI :1600"));
    window->HandleCustomMessage(msg::WM_MS5_DPI_OSD, 7, 32);  // another kind: no value
    EXPECT_EQ(first->Text(), QStringLiteral("DPI :"));

    window->OnTimer(msg::TIMER_OSD_CLOSE);
    EXPECT_EQ(window->Osd(), nullptr);
    EXPECT_TRUE(first.isNull());
    EXPECT_FALSE(window->HasTimer(msg::TIMER_OSD_CLOSE));
}

TEST_F(ShellWindowsTest, DisplayTakesItsCornerOfTheWorkArea) {
    EXPECT_EQ(page::DpiOsd::Placement(QRect(0, 0, 1920, 1040)), QRect(1710, 980, 200, 50));
    // A panel on the left or at the top moves the work area's origin; the corner follows it.
    EXPECT_EQ(page::DpiOsd::Placement(QRect(64, 32, 1856, 1048)), QRect(1710, 1020, 200, 50));
}

TEST_F(ShellWindowsTest, TrayMenuIsRebuiltOnceAndItsItemsRouteByName) {
    const SettingsStore store = Store();
    auto window = MakeMain(store);
    window->HandleCustomMessage(msg::WM_MS5_TRAYICON, 0, 0x205);
    QPointer<QMenu> first = window->TrayMenu()->Menu();
    window->HandleCustomMessage(msg::WM_MS5_TRAYICON, 0, 0x205);
    ASSERT_NE(window->TrayMenu(), nullptr);
    EXPECT_TRUE(first.isNull());  // the earlier menu is gone: one menu object at a time

    QSignalSpy ended(window.get(), &MainWindow::ended);
    window->Hide();
    window->TrayMenu()->Item(QStringLiteral("configuration"))->trigger();
    EXPECT_TRUE(WaitUntil([&] { return window->Widget()->isVisible(); }));
    EXPECT_EQ(ended.count(), 0);
    window->TrayMenu()->Item(QStringLiteral("exit"))->trigger();
    EXPECT_TRUE(WaitUntil([&] { return ended.count() == 1; }));
    // A message without a record, or with a made-up one, is ignored.
    EXPECT_TRUE(window->HandleCustomMessage(msg::WM_MS5_MENU_CLICK, 0, 0));
    window->Post(msg::WM_MS5_MENU_CLICK, 0x1234, 0);
    QCoreApplication::processEvents();
    EXPECT_EQ(ended.count(), 1);
}

TEST_F(ShellWindowsTest, MenuNamesStartingWithTheDevicePrefixGoToThePageCaseSensitively) {
    const SettingsStore store = Store();
    auto window = MakeMain(store);
    toolkit::PopupMenu menu(*window);
    for (const char* name : {"ms_5_left_click", "MS_5_left_click", "ms_", "CONFIGURATION"}) {
        QAction* action = menu.Menu()->addAction(QString::fromLatin1(name));
        action->setObjectName(QString::fromLatin1(name));
        window->Hide();
        action->trigger();
    }
    EXPECT_TRUE(WaitUntil([&] { return window->Widget()->isVisible(); }));
    EXPECT_EQ(device_.menu_items, QStringList{QStringLiteral("ms_5_left_click")});
}

TEST_F(ShellWindowsTest, ExitButtonHidesAndShowRequestBringsTheWindowBack) {
    const SettingsStore store = Store();
    auto window = MakeMain(store);
    window->Show();
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
    EXPECT_FALSE(startup->isChecked());
    EXPECT_TRUE(feedback->isChecked());  // never set counts as on
    EXPECT_EQ(about.Find<QLabel>(QStringLiteral("version"))->text(), QStringLiteral("1.0.0.1"));
    about.Show();

    QTest::mouseClick(startup, Qt::LeftButton, {}, QPoint(8, startup->height() / 2));
    QTest::mouseClick(startup, Qt::LeftButton, {}, QPoint(8, startup->height() / 2));
    QTest::mouseClick(feedback, Qt::LeftButton, {}, QPoint(8, feedback->height() / 2));
    QCoreApplication::processEvents();
    EXPECT_EQ(main_window.posts,
              (std::vector<std::pair<uint32_t, uintptr_t>>{
                  {msg::WM_MS5_STARTUP, 1}, {msg::WM_MS5_STARTUP, 0}, {msg::WM_MS5_FEEDBACK, 0}}));
    EXPECT_EQ(FormatFileVersion(1, 2, 3, 260), QStringLiteral("1.2.3.4"));
}

TEST_F(ShellWindowsTest, MessageBoxGivesOneOnlyForOk) {
    for (const auto& [button, expected] :
         {std::pair{"btn_ok", 1}, std::pair{"btn_cancel", 0}, std::pair{"", 0}}) {
        MsgWindow box(toolkit_, QStringLiteral("warning_title_text"),
                      QStringLiteral("delete_profile_text"));
        ASSERT_TRUE(box.Create());
        EXPECT_EQ(box.Find<QLabel>(QStringLiteral("warning"))->text(),
                  toolkit_.Text(QStringLiteral("delete_profile_text")));
        const QString name = QString::fromLatin1(button);
        QTimer::singleShot(0, &box, [&box, name] {
            if (name.isEmpty()) {
                box.Widget()->close();  // closed by the window manager
            } else {
                QTest::mouseClick(box.Find<QPushButton>(name), Qt::LeftButton);
            }
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
    EXPECT_EQ(g->text(), QStringLiteral("0"));
    EXPECT_EQ(b->text(), QStringLiteral("0"));
    EXPECT_EQ(dialog.Widget()->pos(), QPoint(40, 30));
    dialog.Show();

    g->setFocus();
    g->clear();
    QTest::keyClicks(g, QStringLiteral("300"));
    EXPECT_EQ(g->text(), QStringLiteral("255"));
    EXPECT_EQ(dialog.Color(), 0xFFFFFF00u);
    b->clear();
    QTest::keyClicks(b, QStringLiteral("-4"));
    EXPECT_EQ(b->text(), QStringLiteral("0"));
    EXPECT_EQ(r->text(), QStringLiteral("255"));  // the other edits are not rewritten

    QTest::mouseClick(dialog.Find<QPushButton>(QStringLiteral("mouse_dpi_color_12")),
                      Qt::LeftButton);
    EXPECT_EQ(dialog.Color(), 0xFFFF00FFu);
    EXPECT_EQ(g->text(), QStringLiteral("0"));
    EXPECT_EQ(b->text(), QStringLiteral("255"));

    auto* palette = dialog.Find<page::ColorPalette>(QStringLiteral("ColorPallet"));
    ASSERT_NE(palette, nullptr);
    const QPoint green_point = page::ColorPalette::PointOf(QColor(0, 255, 0), palette->size());
    QTest::mouseClick(palette, Qt::LeftButton, {}, green_point);
    EXPECT_EQ(QColor::fromRgb(dialog.Color()).hsvHue() / 10, 12);  // about 120 degrees
    EXPECT_EQ(r->text(), QString::number(qRed(dialog.Color())));

    bool clamped = false;
    EXPECT_EQ(page::DpiColorDialog::ChannelValue(QStringLiteral("abc"), &clamped), 0);
    EXPECT_FALSE(clamped);
    EXPECT_EQ(page::DpiColorDialog::ChannelValue(QStringLiteral("99999999999999"), &clamped), 255);
    EXPECT_TRUE(clamped);
    EXPECT_EQ(page::DpiColorDialog::ChannelValue(QStringLiteral("12abc"), &clamped), 12);
}

TEST_F(ShellWindowsTest, PermissionBannerShowsTheFixAndCopiesIt) {
    const SettingsStore store = Store();
    auto window = MakeMain(store);
    window->Show();
    auto* banner = window->Find<QWidget>(QStringLiteral("permission_banner"));
    EXPECT_FALSE(banner->isVisible());
    const QString commands =
        QStringLiteral("sudo udevadm control --reload-rules\nsudo udevadm trigger\n");
    window->ShowPermissionProblem({QStringLiteral("/dev/hidraw3")}, commands);
    EXPECT_TRUE(banner->isVisible());
    EXPECT_EQ(window->Find<QLabel>(QStringLiteral("permission_commands"))->text(),
              commands.trimmed());
    QTest::mouseClick(window->Find<QPushButton>(QStringLiteral("permission_copy_btn")),
                      Qt::LeftButton);
    EXPECT_TRUE(WaitUntil([&] { return QGuiApplication::clipboard()->text() == commands; }));
    window->ShowPermissionProblem({}, commands);
    EXPECT_FALSE(banner->isVisible());
}

TEST_F(ShellWindowsTest, TrayTipFollowsThePower) {
    const SettingsStore store = Store();
    auto window = MakeMain(store);
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
