// libHook.so as the program loads it, on a private X server driven by xdotool (XTEST input
// produces XInput2 raw events there).
#include "platform/hook_library.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
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

    // Waits until `message` arrived; false after the timeout.
    bool WaitFor(Message message, std::chrono::milliseconds timeout = std::chrono::seconds(5)) {
        std::unique_lock lock(mutex_);
        return arrived_.wait_for(lock, timeout, [&] {
            return std::any_of(entries_.begin(), entries_.end(),
                               [&](const Message& m) { return m == message; });
        });
    }
    // The messages so far, a repeat of the one before dropped (xdotool may release twice).
    std::vector<Message> Messages() {
        std::lock_guard lock(mutex_);
        std::vector<Message> out;
        for (const Message& m : entries_) {
            if (out.empty() || out.back() != m) {
                out.push_back(m);
            }
        }
        return out;
    }
    int Count(Message message) {
        std::lock_guard lock(mutex_);
        return static_cast<int>(std::count_if(entries_.begin(), entries_.end(),
                                              [&](const Message& m) { return m == message; }));
    }
    void Clear() {
        std::lock_guard lock(mutex_);
        entries_.clear();
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
        server_ = std::make_unique<XServer>();
        ASSERT_TRUE(server_->Running()) << "Xvfb did not start";
        platform::SetTraceSink([this](std::string_view line) {
            std::lock_guard lock(trace_mutex_);
            trace_ += line;
        });
        ASSERT_TRUE(library_.Load(HOOK_LIBRARY_PATH));
        ASSERT_TRUE(hooks().CanRecord());
    }
    void TearDown() override {
        library_.Unload();
        platform::SetTraceSink({});
    }

    const platform::HookFunctions& hooks() const { return library_.Functions(); }
    void Start(bool mouse) {
        ASSERT_EQ(hooks().installhook(&inbox_.handle), 1);
        hooks().enablehook(1);
        hooks().enablemousehook(mouse ? 1 : 0);
    }
    static void Xdotool(const std::string& args) {
        ASSERT_TRUE(XServer::Run("xdotool " + args)) << args;
    }
    // A key that marks the end of what was sent before it.
    void Marker(int keycode, int vk) { Marker(keycode, vk, inbox_); }
    static void Marker(int keycode, int vk, Inbox& inbox) {
        Xdotool("key " + std::to_string(keycode));
        ASSERT_TRUE(inbox.WaitFor(Release(vk)));
    }
    std::string Trace() {
        std::lock_guard lock(trace_mutex_);
        return trace_;
    }

    std::unique_ptr<XServer> server_;
    platform::HookLibrary library_;
    Inbox inbox_;
    std::mutex trace_mutex_;
    std::string trace_;
};

// X key codes (evdev + 8) of the US positions used below.
constexpr int kKeyA = 38;
constexpr int kKeyB = 56;
constexpr int kKeyC = 54;
constexpr int kKeyD = 40;
constexpr int kKeyQ = 24;

TEST_F(HookLibraryTest, KeysAndButtonsArriveAsWindowsMessagesAndTheWheelNever) {
    Start(true);
    EXPECT_NE(Trace().find("input hook: listening"), std::string::npos) << Trace();
    Xdotool("key " + std::to_string(kKeyA));
    Xdotool("click 1 click 2 click 3 click 8 click 9 click 4 click 5 click 6 click 7");
    Marker(kKeyB, 'B');
    const std::vector<Message> expected = {
        Press('A'), Release('A'), {0x201, 0}, {0x202, 0}, {0x207, 0}, {0x208, 0}, {0x204, 0},
        {0x205, 0}, {0x20B, 2},   {0x20C, 2}, {0x20B, 1}, {0x20C, 1}, Press('B'), Release('B'),
    };
    EXPECT_EQ(inbox_.Messages(), expected);
    hooks().removehook();
    EXPECT_NE(Trace().find("input hook: stopped listening"), std::string::npos) << Trace();
}

TEST_F(HookLibraryTest, NothingArrivesWhileDisabledOrRemoved) {
    Start(false);
    Xdotool("click 1");  // the mouse part is off
    hooks().enablehook(0);
    Xdotool("key " + std::to_string(kKeyA));
    hooks().enablehook(1);
    Marker(kKeyB, 'B');
    EXPECT_EQ(inbox_.Messages(), (std::vector<Message>{Press('B'), Release('B')}));

    hooks().enablemousehook(1);
    Xdotool("click 3");
    ASSERT_TRUE(inbox_.WaitFor({0x205, 0}));

    hooks().removehook();
    inbox_.Clear();
    Xdotool("key " + std::to_string(kKeyC));
    ASSERT_EQ(hooks().installhook(&inbox_.handle), 1);
    Marker(kKeyD, 'D');
    EXPECT_EQ(inbox_.Messages(), (std::vector<Message>{Press('D'), Release('D')}));
}

TEST_F(HookLibraryTest, ASecondInstallKeepsOneListenerAndTakesTheNewWindow) {
    Start(false);
    Inbox second;
    EXPECT_EQ(hooks().installhook(&second.handle), 1);
    Marker(kKeyA, 'A', second);
    EXPECT_EQ(second.Count(Press('A')), 1);  // one listener, not two
    EXPECT_TRUE(inbox_.Messages().empty());
    hooks().removehook();  // one removal ends it
    EXPECT_EQ(Trace().find("input hook: listening"), Trace().rfind("input hook: listening"));
    EXPECT_NE(Trace().find("input hook: stopped listening"), std::string::npos);
}

TEST_F(HookLibraryTest, KeysFollowTheLayoutSwitchedWhileListening) {
    Start(false);
    Marker(kKeyQ, 'Q');
    ASSERT_TRUE(XServer::Run("setxkbmap fr"));
    Marker(kKeyQ, 'A');  // the French layout types A at the US Q position

    struct Key {
        int keycode;
        int vk;
    };
    // Left/right Ctrl, the arrows, keypad 7, 0, decimal point and Enter.
    const Key keys[] = {{37, 0xA2},  {105, 0xA3}, {111, 0x26}, {113, 0x25}, {114, 0x27},
                        {116, 0x28}, {79, 0x67},  {90, 0x60},  {91, 0x6E},  {104, 0x6C}};
    for (const Key& key : keys) {
        inbox_.Clear();
        Marker(key.keycode, key.vk);
        EXPECT_EQ(inbox_.Messages(), (std::vector<Message>{Press(key.vk), Release(key.vk)}))
            << "keycode " << key.keycode;
    }
}

TEST(HookLibraryWithoutX, InstallRefusesAndRemoveIsHarmless) {
    platform::HookLibrary library;
    ASSERT_TRUE(library.Load(HOOK_LIBRARY_PATH));
    Inbox inbox;
    for (const char* display : {static_cast<const char*>(nullptr), ":9999"}) {
        if (display == nullptr) {
            unsetenv("DISPLAY");
        } else {
            setenv("DISPLAY", display, 1);
        }
        EXPECT_EQ(library.Functions().installhook(&inbox.handle), 0);
        EXPECT_EQ(library.Functions().installhook(nullptr), 0);
        library.Functions().enablehook(1);
        library.Functions().removemousehook();
        library.Functions().removehook();
    }
}

}  // namespace
}  // namespace talvik::test
