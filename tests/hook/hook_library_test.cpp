// libHook.so as the program loads it, on a private X server driven by xdotool (XTEST input
// produces XInput2 raw events there).
#include "platform/hook_library.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "platform/trace.h"
#include "x_server.h"

namespace talvik::test {
namespace {

using Message = std::pair<std::uintptr_t, std::intptr_t>;

// The window the hook posts to: collects WM_MS5_HOOK_INPUT.
class Inbox {
public:
    TalvikWindowHandle handle{this, &Inbox::Post};

    // Waits until `message` arrived; false after five seconds.
    bool WaitFor(Message message) {
        std::unique_lock lock(mutex_);
        return arrived_.wait_for(lock, std::chrono::seconds(5), [&] {
            return std::find(entries_.begin(), entries_.end(), message) != entries_.end();
        });
    }
    // What arrived, and forgets it; with `unique`, a repeat of the one before is dropped
    // (xdotool may release twice).
    std::vector<Message> Take(bool unique = true) {
        std::lock_guard lock(mutex_);
        std::vector<Message> out = std::exchange(entries_, {});
        if (unique) {
            out.erase(std::unique(out.begin(), out.end()), out.end());
        }
        return out;
    }

private:
    static void Post(void* context, uint32_t message, uintptr_t wparam, intptr_t lparam) {
        auto* self = static_cast<Inbox*>(context);
        EXPECT_EQ(message, msg::WM_MS5_HOOK_INPUT);
        {
            std::lock_guard lock(self->mutex_);
            self->entries_.emplace_back(wparam, lparam);
        }
        self->arrived_.notify_all();
    }

    std::mutex mutex_;
    std::condition_variable arrived_;
    std::vector<Message> entries_;
};

constexpr Message Press(int vk) {
    return {static_cast<std::uintptr_t>(vk), 0};
}
constexpr Message Release(int vk) {
    return {static_cast<std::uintptr_t>(vk), 1};
}

class HookLibraryTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!XServer::Has("Xvfb") || !XServer::Has("xdotool")) {
            GTEST_SKIP() << "Xvfb or xdotool is not installed";
        }
        ASSERT_TRUE(server_.Running()) << "Xvfb did not start";
        platform::SetTraceSink([this](std::string_view line) {
            std::lock_guard lock(trace_mutex_);
            trace_ += line;
        });
        ASSERT_TRUE(library_.Load(HOOK_LIBRARY_PATH));
        ASSERT_TRUE(hooks().CanRecord());
        ASSERT_EQ(hooks().installhook(&inbox_.handle), 1);
        hooks().enablehook(1);
    }
    void TearDown() override {
        library_.Unload();
        platform::SetTraceSink({});
    }

    const platform::HookFunctions& hooks() const { return library_.Functions(); }
    static void Xdotool(const std::string& args) {
        ASSERT_TRUE(XServer::Run("xdotool " + args)) << args;
    }
    // A key that marks the end of what was sent before it.
    static void Marker(int keycode, int vk, Inbox& inbox) {
        Xdotool("key " + std::to_string(keycode));
        ASSERT_TRUE(inbox.WaitFor(Release(vk)));
    }
    std::string Trace() {
        std::lock_guard lock(trace_mutex_);
        return trace_;
    }
    int Traced(const std::string& line) {
        const std::string trace = Trace();
        int n = 0;
        for (auto at = trace.find(line); at != std::string::npos; at = trace.find(line, at + 1)) {
            ++n;
        }
        return n;
    }

    XServer server_;
    platform::HookLibrary library_;
    Inbox inbox_;
    std::mutex trace_mutex_;
    std::string trace_;
};

// X key codes (evdev + 8) of the US positions used below.
constexpr int kKeyA = 38;
constexpr int kKeyB = 56;
constexpr int kKeyC = 54;
constexpr int kKeyQ = 24;

TEST_F(HookLibraryTest, KeysAndButtonsArriveAsWindowsMessagesAndTheWheelNever) {
    hooks().enablemousehook(1);
    hooks().mousewheelenable(1);
    EXPECT_NE(Trace().find("input hook: listening"), std::string::npos) << Trace();
    Xdotool("key " + std::to_string(kKeyA));
    Xdotool("click 1 click 2 click 3 click 8 click 9 click 4 click 5 click 6 click 7");
    Marker(kKeyB, 'B', inbox_);
    const std::vector<Message> expected = {
        Press('A'), Release('A'), {0x201, 0}, {0x202, 0}, {0x207, 0}, {0x208, 0}, {0x204, 0},
        {0x205, 0}, {0x20B, 2},   {0x20C, 2}, {0x20B, 1}, {0x20C, 1}, Press('B'), Release('B'),
    };
    EXPECT_EQ(inbox_.Take(), expected);
    hooks().removehook();
    EXPECT_NE(Trace().find("input hook: stopped listening"), std::string::npos) << Trace();
}

TEST_F(HookLibraryTest, NothingArrivesWhileDisabledOrRemoved) {
    Xdotool("click 1");  // the mouse part is off
    hooks().enablehook(0);
    Xdotool("key " + std::to_string(kKeyA));
    hooks().enablehook(1);
    Marker(kKeyB, 'B', inbox_);
    EXPECT_EQ(inbox_.Take(), (std::vector<Message>{Press('B'), Release('B')}));

    hooks().removehook();
    Xdotool("key " + std::to_string(kKeyC));
    // A second install while listening keeps one listener and takes the new window.
    Inbox second;
    ASSERT_EQ(hooks().installhook(&inbox_.handle), 1);
    ASSERT_EQ(hooks().installhook(&second.handle), 1);
    Marker(kKeyA, 'A', second);
    const std::vector<Message> got = second.Take(false);
    EXPECT_EQ(std::count(got.begin(), got.end(), Press('A')), 1);
    EXPECT_TRUE(inbox_.Take().empty());
    hooks().removehook();  // one removal ends it
    EXPECT_EQ(Traced("input hook: listening"), 2);
    EXPECT_EQ(Traced("input hook: stopped listening"), 2);
}

TEST_F(HookLibraryTest, KeysFollowTheLayoutSwitchedWhileListening) {
    Marker(kKeyQ, 'Q', inbox_);
    ASSERT_TRUE(XServer::Run("setxkbmap fr"));
    Marker(kKeyQ, 'A', inbox_);  // the French layout types A at the US Q position
    inbox_.Take();
    // Left/right Ctrl, the arrows, keypad 7, 0, decimal point and Enter.
    const std::pair<int, int> keys[] = {{37, 0xA2},  {105, 0xA3}, {111, 0x26}, {113, 0x25},
                                        {114, 0x27}, {116, 0x28}, {79, 0x67},  {90, 0x60},
                                        {91, 0x6E},  {104, 0x6C}};
    for (const auto& [keycode, vk] : keys) {
        Marker(keycode, vk, inbox_);
        EXPECT_EQ(inbox_.Take(), (std::vector<Message>{Press(vk), Release(vk)})) << keycode;
    }
}

TEST(HookLibraryWithoutX, InstallRefusesAndRemoveIsHarmless) {
    platform::HookLibrary library;
    ASSERT_TRUE(library.Load(HOOK_LIBRARY_PATH));
    Inbox inbox;
    setenv("DISPLAY", ":9999", 1);  // no server there
    EXPECT_EQ(library.Functions().installhook(&inbox.handle), 0);
    EXPECT_EQ(library.Functions().installhook(nullptr), 0);
    library.Functions().enablehook(1);
    library.Functions().removemousehook();
    library.Functions().removehook();
}

}  // namespace
}  // namespace talvik::test
