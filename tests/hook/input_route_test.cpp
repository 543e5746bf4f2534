// The input route and key capture with a fake hook table, on the offscreen platform.
#include "page/input_route.h"

#include <gtest/gtest.h>

#include <QFocusEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QSignalSpy>
#include <QWidget>
#include <QWindow>
#include <cstdlib>
#include <optional>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "page/key_capture.h"
#include "platform/live_keyboard_layout.h"

namespace talvik::page {
namespace {

using Message = std::pair<std::uintptr_t, std::intptr_t>;

std::string g_calls;  // the hook calls, each followed by a space
int g_install_result = 1;

platform::HookFunctions FakeHooks() {
    platform::HookFunctions hooks;
    hooks.installhook = [](TalvikWindowHandle*) {
        g_calls += "install ";
        return g_install_result;
    };
    hooks.removehook = [] { g_calls += "remove "; };
    hooks.removemousehook = [] { g_calls += "removemouse "; };
    hooks.enablehook = [](int on) { g_calls += "keys" + std::to_string(on) + ' '; };
    hooks.enablemousehook = [](int on) { g_calls += "mouse" + std::to_string(on) + ' '; };
    hooks.mousewheelenable = [](int on) { g_calls += "wheel" + std::to_string(on) + ' '; };
    return hooks;
}

// A set-1 key's native scan code as the X and Wayland platforms report it.
constexpr quint32 kNativeA = 0x1E + 8;

class InputRouteTest : public ::testing::Test {
protected:
    // No X display here: the layout is the environment's.
    static void SetUpTestSuite() {
        unsetenv("DISPLAY");
        setenv("XKB_DEFAULT_LAYOUT", "us", 1);
    }
    void SetUp() override {
        g_calls.clear();
        g_install_result = 1;
        window_.resize(200, 100);
        window_.show();
    }

    std::string TakeCalls() { return std::exchange(g_calls, {}); }
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

    platform::HookFunctions hooks_ = FakeHooks();
    platform::LiveKeyboardLayout layout_;
    QWidget window_;
    InputRoute route_{hooks_, nullptr, layout_};
    std::vector<Message> got_;
};

TEST_F(InputRouteTest, GlobalModeCallsTheHookAsSpecifiedAndDropsLateMessages) {
    EXPECT_EQ(route_.Start(InputRoute::Purpose::kKeyCapture, &window_, Collect()),
              InputRoute::Mode::kGlobal);
    EXPECT_EQ(TakeCalls(), "install keys1 mouse0 ");
    route_.OnHookInput(0x41, 0);
    SendKey(QEvent::KeyPress, kNativeA);  // the hook delivers keys, not the window
    route_.Stop();
    EXPECT_EQ(TakeCalls(), "remove keys0 ");
    route_.OnHookInput(0x41, 1);  // posted before removehook, arriving after
    EXPECT_EQ(got_, (std::vector<Message>{{0x41, 0}}));

    route_.Start(InputRoute::Purpose::kRecording, &window_, Collect());
    route_.EnableMouse(true);
    EXPECT_EQ(TakeCalls(), "install keys1 mouse0 wheel0 mouse1 ");
    route_.Stop();
    EXPECT_EQ(TakeCalls(), "remove removemouse mouse0 keys0 wheel0 ");
}

TEST_F(InputRouteTest, WithoutTheHookTheWindowsOwnKeysAndButtonsAreUsed) {
    g_install_result = 0;  // no X display
    QSignalSpy modes(&route_, &InputRoute::modeChanged);
    EXPECT_EQ(route_.Start(InputRoute::Purpose::kRecording, &window_, Collect()),
              InputRoute::Mode::kWindow);
    EXPECT_EQ(modes.count(), 1);
    EXPECT_EQ(InputRoute::ModeTextKey(route_.CurrentMode()), "input_mode_window_text");
    SendKey(QEvent::KeyPress, kNativeA);
    SendKey(QEvent::KeyPress, kNativeA, true);  // auto-repeat
    SendKey(QEvent::KeyRelease, kNativeA);
    SendKey(QEvent::KeyPress, 0);                          // no scan code: no key
    SendButton(QEvent::MouseButtonPress, Qt::LeftButton);  // buttons are off
    route_.EnableMouse(true);
    SendButton(QEvent::MouseButtonPress, Qt::LeftButton);
    SendButton(QEvent::MouseButtonRelease, Qt::LeftButton);
    SendButton(QEvent::MouseButtonPress, Qt::BackButton);
    SendButton(QEvent::MouseButtonRelease, Qt::ForwardButton);
    route_.Stop();
    SendKey(QEvent::KeyPress, kNativeA);
    EXPECT_EQ(got_, (std::vector<Message>{
                        {0x41, 0}, {0x41, 1}, {0x201, 0}, {0x202, 0}, {0x20B, 2}, {0x20C, 1}}));
    EXPECT_EQ(route_.CurrentMode(), InputRoute::Mode::kOff);

    // Without the library the same holds.
    const platform::HookFunctions none;
    InputRoute bare(none, nullptr, layout_);
    EXPECT_EQ(bare.Start(InputRoute::Purpose::kKeyCapture, &window_, Collect()),
              InputRoute::Mode::kWindow);
}

// Focus starting and ending the capture and the key codes are covered with the macro editor.
TEST_F(InputRouteTest, KeyCaptureDeliversPressAndReleaseAndTheFieldTypesNothing) {
    auto* edit = new QLineEdit(&window_);
    auto* other = new QLineEdit(&window_);
    KeyCapture capture(route_, layout_);
    std::vector<std::tuple<int, std::optional<std::uint8_t>, bool>> keys;
    capture.Attach(edit, [&](const KeyCapture::Key& key) {
        keys.emplace_back(key.virtual_key, key.key_code, key.pressed);
    });
    QFocusEvent in(QEvent::FocusIn);
    QCoreApplication::sendEvent(edit, &in);
    route_.OnHookInput(0x41, 0);
    route_.OnHookInput(0x41, 1);
    route_.OnHookInput(0x201, 0);  // a button is no key
    route_.OnHookInput(0x10, 0);   // generic Shift: a key without a row
    EXPECT_EQ(keys, (decltype(keys){{0x41, 0x04, true}, {0x41, 0x04, false}, {0x10, {}, true}}));
    QKeyEvent typed(QEvent::KeyPress, Qt::Key_X, Qt::NoModifier, QStringLiteral("x"));
    QCoreApplication::sendEvent(edit, &typed);
    EXPECT_TRUE(edit->text().isEmpty());
    QKeyEvent shortcut(QEvent::ShortcutOverride, Qt::Key_Q, Qt::ControlModifier);
    shortcut.ignore();
    QCoreApplication::sendEvent(edit, &shortcut);
    EXPECT_TRUE(shortcut.isAccepted());  // Ctrl+Q is captured, not taken as a shortcut

    // A start by someone else (recording) is not ended by the control losing focus.
    route_.Start(InputRoute::Purpose::kRecording, &window_, Collect());
    QFocusEvent out(QEvent::FocusOut);
    QCoreApplication::sendEvent(edit, &out);
    EXPECT_EQ(route_.CurrentMode(), InputRoute::Mode::kGlobal);

    // A control that goes away while capturing ends its capture.
    capture.Attach(other, [](const KeyCapture::Key&) {});
    QCoreApplication::sendEvent(other, &in);
    EXPECT_EQ(capture.Capturing(), other);
    delete other;
    EXPECT_EQ(route_.CurrentMode(), InputRoute::Mode::kOff);
}

}  // namespace
}  // namespace talvik::page
