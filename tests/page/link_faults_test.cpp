// Links that come up after start-up must carry applies, and quitting must keep every edit.
#include <gtest/gtest.h>

#include "../app/qt_wait.h"
#include "page/page_timers.h"
#include "profile/profile_store.h"
#include "session_rig.h"

namespace talvik::page {
namespace {

using test::WaitUntil;

class NoTexts final : public macro::TextLookup {
public:
    std::string Text(std::string_view) const override { return {}; }
};

TEST(LateLinks, CablePluggedInAfterStartUpTakesTheApply) {
    test::SessionRig rig;
    rig.Build(sim::SimLink::kWired,
              [](DeviceSession& session) { session.VirtualMouse()->SetPlugged(false); });
    ASSERT_TRUE(rig.session);
    const auto mouse = rig.session->VirtualMouse();
    EXPECT_FALSE(rig.session->AnyLink());

    ASSERT_TRUE(mouse->Command("plug"));
    // The open waits a second for the device to settle; the test takes that timer's turn.
    ASSERT_TRUE(WaitUntil([&] {
        rig.session->OnPageTimer(kTimerWiredOpen);
        return rig.session->AnyLink();
    }));
    rig.window->Post(msg::WM_MS5_POST_WORKER, 0, 0);
    EXPECT_TRUE(WaitUntil([&] { return mouse->Commands().size() >= 5; }));

    // Unplugged, the cable's handle goes: a later apply has no link and sends nothing.
    ASSERT_TRUE(mouse->Command("unplug"));
    ASSERT_TRUE(WaitUntil([&] { return !rig.session->AnyLink(); }));
    EXPECT_EQ(rig.session->State().handles.wired, nullptr);
}

TEST(Quitting, AnEditMadeJustBeforeQuittingIsInTheStore) {
    test::SessionRig rig;
    rig.Build(sim::SimLink::k4kB);
    ASSERT_TRUE(rig.session);
    ASSERT_TRUE(WaitUntil([&] { return rig.session->AnyLink(); }));
    // What a slider's handler does: edit the active profile, ask for an apply.
    rig.session->State().current_profile->brightness = 3;
    rig.window->Post(msg::WM_MS5_POST_WORKER, 0, 0);
    QCoreApplication::processEvents();
    rig.Destroy();  // the event loop ends here; the apply's own save never runs

    NoTexts texts;
    profile::ProfileStore store(rig.DataDir(), texts);
    profile::ProfileList profiles;
    profile::ProfileStoreHeader header;
    store.Load(profiles, header);
    ASSERT_EQ(profiles.size(), 1u);
    EXPECT_EQ(profiles[0]->brightness, 3);
}

}  // namespace
}  // namespace talvik::page
