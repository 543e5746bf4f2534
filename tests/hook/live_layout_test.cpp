// The active layout follows a switch made on the X server while the program runs.
#include <gtest/gtest.h>

#include <QSignalSpy>

#include "../toolkit/test_support.h"
#include "platform/live_keyboard_layout.h"
#include "x_server.h"

namespace talvik::test {
namespace {

TEST(LiveKeyboardLayout, FollowsANewKeymapAndAnotherGroup) {
    XServer server;
    ASSERT_TRUE(server.Running());
    platform::LiveKeyboardLayout layout;
    EXPECT_EQ(layout.Current()->VirtualKeyToScanCode('A'), 0x1E);
    QSignalSpy changed(&layout, &platform::LiveKeyboardLayout::changed);

    ASSERT_TRUE(XServer::Run("setxkbmap -layout fr"));
    ASSERT_TRUE(WaitUntil([&] { return layout.Current()->VirtualKeyToScanCode('A') == 0x10; }));
    EXPECT_GE(changed.count(), 1);

    // Two groups; the second one (French) becomes active.
    ASSERT_TRUE(XServer::Run("setxkbmap -layout us,fr"));
    ASSERT_TRUE(WaitUntil([&] { return layout.Current()->VirtualKeyToScanCode('A') == 0x1E; }));
    ASSERT_TRUE(XServer::LockGroup(1));
    EXPECT_TRUE(WaitUntil([&] { return layout.Current()->VirtualKeyToScanCode('A') == 0x10; }));
}

}  // namespace
}  // namespace talvik::test
