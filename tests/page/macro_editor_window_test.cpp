// The macro editor window on its real layout: initial state, rows, budget warning, recording
// through a scripted hook, key capture, renaming and importing.
#include "page/macro_editor_window.h"

#include <gtest/gtest.h>

#include <QFocusEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QStackedWidget>
#include <QTemporaryDir>
#include <QTest>

#include "../macro/test_support.h"
#include "../toolkit/test_support.h"
#include "macro/record_name.h"
#include "page/input_route.h"
#include "page/key_capture.h"
#include "platform/live_keyboard_layout.h"

namespace talvik::page {
namespace {

// The hook library as a script: it accepts every call.
struct Hook {
    static inline std::vector<std::string> calls;
    static int Install(TalvikWindowHandle*) {
        calls.push_back("installhook");
        return 1;
    }
    static void Remove() { calls.push_back("removehook"); }
    static void RemoveMouse() {}
    static void Mouse(int) {}
    static void Enable(int on) { calls.push_back(on != 0 ? "enablehook" : "disablehook"); }
    static void Wheel(int) {}
};

class FakeEditorDialogs final : public MacroEditorDialogs {
public:
    bool Confirm(std::string_view key) override {
        boxes.emplace_back(key);
        return confirm;
    }
    void Warn(std::string_view key) override { boxes.emplace_back(key); }
    std::optional<std::filesystem::path> ChooseMacroToImport(
        const std::filesystem::path&) override {
        return file;
    }
    std::optional<std::filesystem::path> ChooseMacroExport(const std::filesystem::path&) override {
        return file;
    }
    bool confirm = true;
    std::optional<std::filesystem::path> file;
    std::vector<std::string> boxes;
};

class MacroEditorWindowTest : public ::testing::Test {
protected:
    // Key names from a known layout, not the X server's.
    static void SetUpTestSuite() {
        unsetenv("DISPLAY");
        setenv("XKB_DEFAULT_LAYOUT", "us", 1);
    }
    void SetUp() override {
        Hook::calls.clear();
        ASSERT_TRUE(toolkit.LoadLanguage(QStringLiteral("lan/EN.xml")));
        // M1: press A with 300 ms and its release.
        auto m1 = std::make_unique<macro::MacroInfo>();
        macro::WriteName(m1->name, u"M1");
        m1->action_count = 2;
        m1->actions[0] = {0, 0x04, 1, 0, 300, 0, 0, 0};
        m1->actions[1] = {0, 0x04, 2, 0, 1, 0, 0, 0};
        macros.push_back(std::move(m1));
        auto m2 = std::make_unique<macro::MacroInfo>();
        macro::WriteName(m2->name, u"M2");
        macros.push_back(std::move(m2));
        MacroEditorWindow::Context context;
        context.macros = &macros;
        context.store = &store;
        context.capture = InputCapture{&route, &keys, &layout};
        context.dialogs = &dialogs;
        window = std::make_unique<MacroEditorWindow>(toolkit, std::move(context));
        ASSERT_TRUE(window->Create()) << window->LoadError().toStdString()
                                      << window->MissingControls().join(' ').toStdString();
        window->Show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window->Widget()));
    }
    void TearDown() override {
        window.reset();
        store.WaitForSaves();
    }

    template <class T = QWidget>
    T* Get(const char* name) {
        T* control = window->Find<T>(QString::fromLatin1(name));
        EXPECT_NE(control, nullptr) << name;
        return control;
    }
    void Click(const char* name) { QTest::mouseClick(Get<QAbstractButton>(name), Qt::LeftButton); }
    void ClickRow(const char* list_name, int row) {
        auto* list = Get<QListWidget>(list_name);
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                          list->visualItemRect(list->item(row)).center());
    }
    void Send(const char* name, QEvent::Type focus) {
        QFocusEvent event(focus);
        QCoreApplication::sendEvent(Get(name), &event);
    }
    QString RowText(int row, const char* sub) {
        auto* list = Get<QListWidget>("ms_5_macro_action_list");
        auto* label = list->itemWidget(list->item(row))->findChild<QLabel*>(sub);
        return label != nullptr ? label->text() : QString();
    }

    QTemporaryDir home;
    test::FakeTexts texts;
    toolkit::Toolkit toolkit{test::ResDir()};
    macro::MacroList macros;
    macro::MacroStore store{home.path().toStdString(), texts};
    platform::HookFunctions hooks{nullptr,       &Hook::RemoveMouse, &Hook::Mouse, &Hook::Install,
                                  &Hook::Remove, &Hook::Enable,      &Hook::Wheel};
    platform::LiveKeyboardLayout layout;
    InputRoute route{hooks, nullptr, layout};
    KeyCapture keys{route, layout};
    FakeEditorDialogs dialogs;
    std::unique_ptr<MacroEditorWindow> window;
};

TEST_F(MacroEditorWindowTest, OpensWithNothingSelectedShowsTheRowsAndWarnsBeyondTheBudget) {
    EXPECT_EQ(Get<QListWidget>("ms_5_macro_list")->currentRow(), -1);
    EXPECT_EQ(Get<QListWidget>("ms_5_macro_action_list")->count(), 0);
    EXPECT_TRUE(Get<QRadioButton>("ms_5_default_delay_btn")->isChecked());
    EXPECT_EQ(Get<QLineEdit>("ms_5_default_delay_edit")->text(), "10");
    EXPECT_FALSE(Get("ms_5_macro_mouse_event_tab")->isVisible());
    EXPECT_EQ(Get<QLabel>("ms_5_macro_input_mode")->text(),
              toolkit.Text(QStringLiteral("input_mode_global_text")));

    ClickRow("ms_5_macro_list", 0);
    EXPECT_EQ(Get<QLineEdit>("ms_5_macro_name_edit")->text(), "M1");
    ASSERT_EQ(Get<QListWidget>("ms_5_macro_action_list")->count(), 2);
    EXPECT_EQ(RowText(0, "key"), "A");
    EXPECT_EQ(RowText(0, "action"), "Press");
    EXPECT_EQ(RowText(0, "delay"), "300");
    EXPECT_EQ(RowText(1, "action"), "Release");
    Click("ms_5_macro_insert_mouse_btn");
    EXPECT_TRUE(Get("ms_5_macro_mouse_event_tab")->isVisible());
    Click("ms_5_macro_move_btn");
    EXPECT_EQ(RowText(2, "key"), "Mouse move");
    EXPECT_EQ(RowText(2, "action"), "X: 0 Y: 0");
    EXPECT_EQ(macros[0]->action_count, 3);

    // An edit beyond the budget is undone with a warning.
    for (int i = 0; i < 189; ++i) {  // releases with the shortest pause: one unit each
        macros[1]->actions[i] = {0, 0x04, 2, 0, 1, 0, 0, 0};
    }
    macros[1]->action_count = 189;
    ClickRow("ms_5_macro_list", 1);
    Click("ms_5_macro_move_btn");  // 192 units
    EXPECT_EQ(dialogs.boxes, std::vector<std::string>{"macro_too_long_text"});
    EXPECT_EQ(macros[1]->action_count, 189);
    EXPECT_EQ(Get<QListWidget>("ms_5_macro_action_list")->count(), 189);
}

// The recorded input and the mouse gate are driven end to end on Xvfb.
TEST_F(MacroEditorWindowTest, RecordingLocksTheMacroListUntilItStops) {
    ClickRow("ms_5_macro_list", 1);
    Click("ms_5_macro_record_btn");
    EXPECT_EQ(Get<QPushButton>("ms_5_macro_record_btn")->text(), "Stop recording");
    EXPECT_EQ(Hook::calls, (std::vector<std::string>{"installhook", "enablehook"}));
    EXPECT_FALSE(Get("ms_5_macro_list")->isEnabled());
    Click("ms_5_macro_record_btn");
    EXPECT_EQ(Hook::calls.back(), "disablehook");
    EXPECT_TRUE(Get("ms_5_macro_list")->isEnabled());
}

TEST_F(MacroEditorWindowTest, CapturedKeysChangeTheKeyActionAndUnmappedKeysAreIgnored) {
    ClickRow("ms_5_macro_list", 0);
    ClickRow("ms_5_macro_action_list", 0);
    Click("ms_5_macro_action_edit_check");
    ASSERT_EQ(Get<QStackedWidget>("ms_5_macro_action_edit_tab")->currentIndex(), 1);
    EXPECT_EQ(Get<QLineEdit>("ms_5_macro_action_edit")->text(), "A");
    Send("ms_5_macro_action_edit", QEvent::FocusIn);
    EXPECT_EQ(route.CurrentMode(), InputRoute::Mode::kGlobal);
    route.OnHookInput(0x10, 0);  // the generic Shift key has no key code
    EXPECT_EQ(macros[0]->actions[0].code, 0x04);
    route.OnHookInput(0x42, 0);
    EXPECT_EQ(macros[0]->actions[0].code, 0x05);
    EXPECT_EQ(RowText(0, "key"), "B");
    Send("ms_5_macro_action_edit", QEvent::FocusOut);
    EXPECT_EQ(route.CurrentMode(), InputRoute::Mode::kOff);
}

// Deleting with a confirmation and exporting are driven end to end on Xvfb.
TEST_F(MacroEditorWindowTest, RenameOnLeavingTheNameRefusedDeleteAndImports) {
    ClickRow("ms_5_macro_list", 0);
    Get<QLineEdit>("ms_5_macro_name_edit")->setText(QStringLiteral("Jump"));
    Send("ms_5_macro_name_edit", QEvent::FocusOut);
    EXPECT_EQ(macro::ReadName(macros[0]->name), u"Jump");
    EXPECT_EQ(Get<QListWidget>("ms_5_macro_list")->item(0)->text(), "Jump");
    dialogs.confirm = false;
    Click("ms_5_macro_delete_btn");
    EXPECT_EQ(macros.size(), 2u);

    dialogs.file = std::filesystem::path(home.path().toStdString()) / "m1.macro";
    Click("ms_5_macro_export_btn");
    Click("ms_5_macro_import_btn");
    ASSERT_EQ(macros.size(), 3u);
    EXPECT_EQ(Get<QListWidget>("ms_5_macro_list")->currentRow(), 2);
    EXPECT_EQ(Get<QListWidget>("ms_5_macro_action_list")->count(), 2);
    dialogs.file = std::filesystem::path(home.path().toStdString()) / "missing.macro";
    Click("ms_5_macro_import_btn");
    EXPECT_EQ(dialogs.boxes.back(), "macro_import_failed_text");
    EXPECT_EQ(macros.size(), 3u);
}

}  // namespace
}  // namespace talvik::page
