// The device session behind the real main window, with the virtual mouse on each link: the link
// comes up, an apply reaches the mouse, a stage switched on the mouse reaches the page.
#include "page/device_session.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <array>

#include "../toolkit/test_support.h"
#include "page/dpi_osd.h"
#include "session_rig.h"

namespace talvik::page {
namespace {

using test::WaitUntil;

class DeviceSessionTest : public ::testing::TestWithParam<sim::SimLink> {};

// The link comes up and shows the mouse page, an apply reaches the mouse over links that write,
// and a stage switched on the mouse reaches the page and the display.
TEST_P(DeviceSessionTest, LinkComesUpAppliesAndHearsTheMouse) {
    test::SessionRig rig;
    rig.Build(GetParam());
    ASSERT_TRUE(rig.session);
    DeviceSession& session = *rig.session;
    ASSERT_TRUE(WaitUntil([&] { return session.AnyLink(); }));
    // The link that came up is the mouse's own, and no other.
    const sim::SimLink link = GetParam();
    const protocol::LinkFlags& up = session.State().links.flags();
    EXPECT_EQ(up.wired_up(), link == sim::SimLink::kWired);
    EXPECT_EQ(up.link_24g, link == sim::SimLink::k24g);
    EXPECT_EQ(up.link_4k, link == sim::SimLink::k4k);
    EXPECT_EQ(up.link_4k_b, link == sim::SimLink::k4kB);
    EXPECT_EQ(up.ble, link == sim::SimLink::kBle);
    auto* tab = rig.window->Find<QAbstractButton>(QStringLiteral("option_device_5"));
    EXPECT_TRUE(WaitUntil([&] { return tab->isVisibleTo(rig.window->Widget()); }));
    // A fresh data folder holds one default profile, written at once.
    EXPECT_EQ(session.State().profiles.size(), 1u);
    EXPECT_TRUE(QFile::exists(rig.home.filePath(QStringLiteral("data/ms_5/pro.data"))));

    rig.window->Post(msg::WM_MS5_POST_WORKER, 0, 0);
    if (link == sim::SimLink::kWired || link == sim::SimLink::k4kB || link == sim::SimLink::kBle) {
        EXPECT_TRUE(WaitUntil([&] { return !session.VirtualMouse()->Commands().empty(); }));
        // The pauses between packets run in virtual time.
        EXPECT_TRUE(WaitUntil([&] { return rig.clock.slept_ms() > 0; }));
    } else {
        // The receivers carry reports only: the job runs and sends nothing.
        WaitUntil([&] { return rig.clock.sleeps() > 0; }, 300);
        EXPECT_TRUE(session.VirtualMouse()->Commands().empty());
    }

    ASSERT_TRUE(session.VirtualMouse()->Command("stage 3"));
    EXPECT_TRUE(WaitUntil([&] { return session.State().current_profile->current_dpi_stage == 2; }));
    EXPECT_TRUE(WaitUntil([&] { return rig.window->Osd() != nullptr; }));
    EXPECT_TRUE(
        rig.window->Find<QAbstractButton>(QStringLiteral("ms_5_option_dpi_step_3"))->isChecked());
    rig.Destroy();
}

std::string LinkName(const ::testing::TestParamInfo<sim::SimLink>& info) {
    static const std::array<const char*, 5> kNames = {"Wired", "Receiver24g", "Receiver4k",
                                                      "Receiver4kB", "Bluetooth"};
    return kNames.at(static_cast<std::size_t>(info.param));
}

INSTANTIATE_TEST_SUITE_P(EveryLink, DeviceSessionTest,
                         ::testing::Values(sim::SimLink::kWired, sim::SimLink::k24g,
                                           sim::SimLink::k4k, sim::SimLink::k4kB,
                                           sim::SimLink::kBle),
                         LinkName);

}  // namespace
}  // namespace talvik::page
