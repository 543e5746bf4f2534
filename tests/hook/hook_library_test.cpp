// libHook.so as the program loads it, on a private X server driven by xdotool (XTEST input
// produces XInput2 raw events there), posting to a window.
#include "platform/hook_library.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "../toolkit/test_support.h"
#include "x_server.h"

namespace talvik::test {
namespace {

using Input = std::pair<std::uintptr_t, std::intptr_t>;

constexpr Input Press(int vk) {
    return {static_cast<std::uintptr_t>(vk), 0};
}
constexpr Input Release(int vk) {
    return {static_cast<std::uintptr_t>(vk), 1};
}

class HookLibraryTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(server_.Running()) << "Xvfb did not start";
        ASSERT_TRUE(window_.Create() && second_.Create());
        ASSERT_TRUE(library_.Load(HOOK_LIBRARY_PATH));
        ASSERT_TRUE(hooks().CanRecord());
        ASSERT_EQ(hooks().installhook(window_.Handle()), 1);
        hooks().enablehook(1);
    }
    void TearDown() override { library_.Unload(); }

    const platform::HookFunctions& hooks() const { return library_.Functions(); }
    static void Xdotool(const std::string& args) {
        ASSERT_TRUE(XServer::Run("xdotool " + args)) << args;
    }
    // Sends a key that marks the end of what was sent before it and waits for its release.
    static void Marker(int keycode, int vk, RecordingWindow& window) {
        Xdotool("key " + std::to_string(keycode));
        ASSERT_TRUE(WaitUntil(
            [&] {
                return std::any_of(window.messages.begin(), window.messages.end(),
                                   [&](const Message& m) {
                                       return Input{m.wparam, m.lparam} == Release(vk);
                                   });
            },
            5000));
    }
    // The input `window` got, and forgets it; with `unique`, a repeat of the one before is
    // dropped (xdotool may release twice).
    static std::vector<Input> Take(RecordingWindow& window, bool unique = true) {
        std::vector<Input> out;
        for (const Message& m : std::exchange(window.messages, {})) {
            EXPECT_EQ(m.message, msg::WM_MS5_HOOK_INPUT);
            if (!unique || out.empty() || out.back() != Input{m.wparam, m.lparam}) {
                out.emplace_back(m.wparam, m.lparam);
            }
        }
        return out;
    }
    XServer server_;
    TraceRecorder trace_;
    TestToolkit toolkit_;
    RecordingWindow window_{toolkit_, QStringLiteral("controls.xml")};
    RecordingWindow second_{toolkit_, QStringLiteral("controls.xml")};
    platform::HookLibrary library_;
};

// X key codes (evdev + 8) of the US positions used below.
constexpr int kKeyA = 38;
constexpr int kKeyB = 56;
constexpr int kKeyC = 54;
constexpr int kKeyQ = 24;

TEST_F(HookLibraryTest, KeysAndButtonsArriveAsWindowsMessagesAndTheWheelNever) {
    hooks().enablemousehook(1);
    hooks().mousewheelenable(1);
    Xdotool("key " + std::to_string(kKeyA));
    Xdotool("click 1 click 2 click 3 click 8 click 9 click 4 click 5 click 6 click 7");
    Marker(kKeyB, 'B', window_);
    const std::vector<Input> expected = {
        Press('A'), Release('A'), {0x201, 0}, {0x202, 0}, {0x207, 0}, {0x208, 0}, {0x204, 0},
        {0x205, 0}, {0x20B, 2},   {0x20C, 2}, {0x20B, 1}, {0x20C, 1}, Press('B'), Release('B'),
    };
    EXPECT_EQ(Take(window_), expected);
}

TEST_F(HookLibraryTest, NothingArrivesWhileDisabledOrRemovedAndOneListenerServesAll) {
    EXPECT_NE(trace_.text.find("input hook: listening"), std::string::npos);  // always traced
    Xdotool("click 1");  // the mouse part is off
    hooks().enablehook(0);
    Xdotool("key " + std::to_string(kKeyA));
    hooks().enablehook(1);
    Marker(kKeyB, 'B', window_);
    EXPECT_EQ(Take(window_), (std::vector<Input>{Press('B'), Release('B')}));

    hooks().removehook();
    EXPECT_NE(trace_.text.find("input hook: stopped listening"), std::string::npos);
    trace_.text.clear();
    Xdotool("key " + std::to_string(kKeyC));
    // A second install while listening keeps one listener and takes the new window.
    ASSERT_EQ(hooks().installhook(window_.Handle()), 1);
    ASSERT_EQ(hooks().installhook(second_.Handle()), 1);
    Marker(kKeyA, 'A', second_);
    const std::vector<Input> got = Take(second_, false);
    EXPECT_EQ(std::count(got.begin(), got.end(), Press('A')), 1);
    QCoreApplication::processEvents();
    EXPECT_TRUE(Take(window_).empty());
    hooks().removehook();  // one removal ends it
    const size_t started = trace_.text.find("input hook: listening");
    EXPECT_EQ(started, trace_.text.rfind("input hook: listening"));
    EXPECT_NE(trace_.text.find("input hook: stopped listening", started), std::string::npos);
}

TEST_F(HookLibraryTest, KeysFollowTheLayoutSwitchedWhileListening) {
    Marker(kKeyQ, 'Q', window_);
    ASSERT_TRUE(XServer::Run("setxkbmap fr"));
    Marker(kKeyQ, 'A', window_);  // the French layout types A at the US Q position
    Take(window_);
    // Left/right Ctrl, the arrows, keypad 7, 0, decimal point and Enter.
    const std::pair<int, int> keys[] = {{37, 0xA2},  {105, 0xA3}, {111, 0x26}, {113, 0x25},
                                        {114, 0x27}, {116, 0x28}, {79, 0x67},  {90, 0x60},
                                        {91, 0x6E},  {104, 0x6C}};
    for (const auto& [keycode, vk] : keys) {
        Marker(keycode, vk, window_);
        EXPECT_EQ(Take(window_), (std::vector<Input>{Press(vk), Release(vk)})) << keycode;
    }
}

TEST(HookLibraryWithoutX, InstallRefusesAndRemoveIsHarmless) {
    platform::HookLibrary library;
    ASSERT_TRUE(library.Load(HOOK_LIBRARY_PATH));
    TalvikWindowHandle handle{nullptr, [](void*, uint32_t, uintptr_t, intptr_t) {}};
    setenv("DISPLAY", ":9999", 1);  // no server there
    EXPECT_EQ(library.Functions().installhook(&handle), 0);
    EXPECT_EQ(library.Functions().installhook(nullptr), 0);
    library.Functions().enablehook(1);
    library.Functions().removemousehook();
    library.Functions().removehook();
}

}  // namespace
}  // namespace talvik::test
