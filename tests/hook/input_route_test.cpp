// The input route and key capture with a fake hook table, on the offscreen platform.
#include "page/input_route.h"

#include <gtest/gtest.h>

#include <QFocusEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QSignalSpy>
#include <QVBoxLayout>
#include <QWidget>
#include <QWindow>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "page/key_capture.h"
#include "platform/live_keyboard_layout.h"

namespace talvik::page {
namespace {

using Message = std::pair<std::uintptr_t, std::intptr_t>;

std::vector<std::string> g_calls;
int g_install_result = 1;

void Log(const char* call, int on) {
    g_calls.push_back(call + (" " + std::to_string(on)));
}

platform::HookFunctions FakeHooks() {
    platform::HookFunctions hooks;
    hooks.installhook = [](TalvikWindowHandle*) {
        g_calls.push_back("installhook");
        return g_install_result;
    };
    hooks.removehook = [] { g_calls.push_back("removehook"); };
    hooks.removemousehook = [] { g_calls.push_back("removemousehook"); };
    hooks.enablehook = [](int on) { Log("enablehook", on); };
    hooks.enablemousehook = [](int on) { Log("enablemousehook", on); };
    hooks.mousewheelenable = [](int on) { Log("mousewheelenable", on); };
    return hooks;
}

// A set-1 key's native scan code as the X and Wayland platforms report it.
constexpr quint32 kNativeA = 0x1E + 8;

class InputRouteTest : public ::testing::Test {
protected:
    void SetUp() override {
        g_calls.clear();
        g_install_result = 1;
        window_.resize(200, 100);
        window_.show();
    }

    std::vector<std::string> TakeCalls() { return std::exchange(g_calls, {}); }
    InputRoute::Sink Collect() {
        return [this](std::uintptr_t w, std::intptr_t l) { got_.emplace_back(w, l); };
    }
    void SendKey(QEvent::Type type, quint32 native, bool repeat = false) {
        QKeyEvent event(type, Qt::Key_A, Qt::NoModifier, native, 0, 0, QString(), repeat);
        QCoreApplication::sendEvent(window_.windowHandle(), &event);
    }
    void SendButton(QEvent::Type type, Qt::MouseButton button) {
        QMouseEvent event(type, QPointF(5, 5), QPointF(5, 5), button, button, Qt::NoModifier);
        QCoreApplication::sendEvent(window_.windowHandle(), &event);
    }

    // No X display here: the layout is the environment's.
    static platform::LiveKeyboardLayout& Layout() {
        static platform::LiveKeyboardLayout* layout = [] {
            unsetenv("DISPLAY");
            setenv("XKB_DEFAULT_LAYOUT", "us", 1);
            return new platform::LiveKeyboardLayout();
        }();
        return *layout;
    }

    platform::HookFunctions hooks_ = FakeHooks();
    TalvikWindowHandle target_{nullptr, nullptr};
    QWidget window_;
    std::vector<Message> got_;
};

TEST_F(InputRouteTest, GlobalModeCallsTheHookAsSpecifiedAndDropsLateMessages) {
    InputRoute route(hooks_, &target_, Layout());
    EXPECT_EQ(route.Start(InputRoute::Purpose::kKeyCapture, &window_, Collect()),
              InputRoute::Mode::kGlobal);
    EXPECT_EQ(TakeCalls(),
              (std::vector<std::string>{"installhook", "enablehook 1", "enablemousehook 0"}));
    route.OnHookInput(0x41, 0);
    SendKey(QEvent::KeyPress, kNativeA);  // the hook delivers keys, not the window
    route.Stop();
    EXPECT_EQ(TakeCalls(), (std::vector<std::string>{"removehook", "enablehook 0"}));
    route.OnHookInput(0x41, 1);  // posted before removehook, arriving after
    EXPECT_EQ(got_, (std::vector<Message>{{0x41, 0}}));

    route.Start(InputRoute::Purpose::kRecording, &window_, Collect());
    route.EnableMouse(true);
    EXPECT_EQ(TakeCalls(),
              (std::vector<std::string>{"installhook", "enablehook 1", "enablemousehook 0",
                                        "mousewheelenable 0", "enablemousehook 1"}));
    route.Stop();
    EXPECT_EQ(TakeCalls(),
              (std::vector<std::string>{"removehook", "removemousehook", "enablemousehook 0",
                                        "enablehook 0", "mousewheelenable 0"}));
}

TEST_F(InputRouteTest, WithoutTheHookTheWindowsOwnKeysAndButtonsAreUsed) {
    g_install_result = 0;  // no X display
    InputRoute route(hooks_, &target_, Layout());
    QSignalSpy modes(&route, &InputRoute::modeChanged);
    EXPECT_EQ(route.Start(InputRoute::Purpose::kRecording, &window_, Collect()),
              InputRoute::Mode::kWindow);
    EXPECT_EQ(modes.count(), 1);
    EXPECT_EQ(InputRoute::ModeTextKey(route.CurrentMode()), "input_mode_window_text");
    SendKey(QEvent::KeyPress, kNativeA);
    SendKey(QEvent::KeyPress, kNativeA, true);  // auto-repeat
    SendKey(QEvent::KeyRelease, kNativeA);
    SendKey(QEvent::KeyPress, 0);                          // no scan code: no key
    SendButton(QEvent::MouseButtonPress, Qt::LeftButton);  // buttons are off
    route.EnableMouse(true);
    SendButton(QEvent::MouseButtonPress, Qt::LeftButton);
    SendButton(QEvent::MouseButtonRelease, Qt::LeftButton);
    SendButton(QEvent::MouseButtonPress, Qt::BackButton);
    SendButton(QEvent::MouseButtonRelease, Qt::ForwardButton);
    route.Stop();
    SendKey(QEvent::KeyPress, kNativeA);
    EXPECT_EQ(got_, (std::vector<Message>{
                        {0x41, 0}, {0x41, 1}, {0x201, 0}, {0x202, 0}, {0x20B, 2}, {0x20C, 1}}));
    EXPECT_EQ(route.CurrentMode(), InputRoute::Mode::kOff);

    // Without the library the same holds.
    const platform::HookFunctions none;
    InputRoute bare(none, &target_, Layout());
    EXPECT_EQ(bare.Start(InputRoute::Purpose::kKeyCapture, &window_, Collect()),
              InputRoute::Mode::kWindow);
}

TEST_F(InputRouteTest, KeyCaptureRunsWhileItsControlHasFocusAndDeliversPressAndRelease) {
    auto* edit = new QLineEdit(&window_);
    auto* other = new QLineEdit(&window_);
    InputRoute route(hooks_, &target_, Layout());
    KeyCapture capture(route, Layout());
    std::vector<KeyCapture::Key> keys;
    capture.Attach(edit, [&](const KeyCapture::Key& key) { keys.push_back(key); });
    EXPECT_TRUE(TakeCalls().empty());  // nothing until the control has focus

    QFocusEvent in(QEvent::FocusIn);
    QCoreApplication::sendEvent(edit, &in);
    EXPECT_EQ(capture.Capturing(), edit);
    EXPECT_EQ(TakeCalls().front(), "installhook");
    route.OnHookInput(0x41, 0);
    route.OnHookInput(0x41, 1);
    route.OnHookInput(0x201, 0);  // a button is no key
    route.OnHookInput(0x10, 0);   // generic Shift: a key without a row
    ASSERT_EQ(keys.size(), 3u);
    EXPECT_EQ(keys[0].virtual_key, 0x41);
    EXPECT_EQ(keys[0].key_code, 0x04);
    EXPECT_TRUE(keys[0].pressed);
    EXPECT_EQ(keys[1].key_code, 0x04);
    EXPECT_FALSE(keys[1].pressed);
    EXPECT_EQ(keys[2].key_code, std::nullopt);
    QKeyEvent typed(QEvent::KeyPress, Qt::Key_X, Qt::NoModifier, QStringLiteral("x"));
    QCoreApplication::sendEvent(edit, &typed);
    EXPECT_TRUE(edit->text().isEmpty());  // the field itself types nothing
    QKeyEvent shortcut(QEvent::ShortcutOverride, Qt::Key_Q, Qt::ControlModifier);
    shortcut.ignore();
    QCoreApplication::sendEvent(edit, &shortcut);
    EXPECT_TRUE(shortcut.isAccepted());  // Ctrl+Q is captured, not taken as a shortcut

    QFocusEvent out(QEvent::FocusOut);
    QCoreApplication::sendEvent(edit, &out);
    EXPECT_EQ(capture.Capturing(), nullptr);
    EXPECT_EQ(TakeCalls(), (std::vector<std::string>{"removehook", "enablehook 0"}));

    // A start by someone else (recording) is not ended by the control losing focus.
    QCoreApplication::sendEvent(edit, &in);
    route.Start(InputRoute::Purpose::kRecording, &window_, Collect());
    QCoreApplication::sendEvent(edit, &out);
    EXPECT_EQ(route.CurrentMode(), InputRoute::Mode::kGlobal);
    route.Stop();

    // A control that goes away while capturing ends its capture.
    capture.Attach(other, [](const KeyCapture::Key&) {});
    QCoreApplication::sendEvent(other, &in);
    EXPECT_EQ(route.CurrentMode(), InputRoute::Mode::kGlobal);
    delete other;
    EXPECT_EQ(route.CurrentMode(), InputRoute::Mode::kOff);
}

}  // namespace
}  // namespace talvik::page
