// The device session behind the real main window, with the virtual mouse on each link: the link
// comes up, an apply reaches the mouse, a stage switched on the mouse reaches the page.
#include "page/device_session.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QTemporaryDir>
#include <array>

#include "../toolkit/test_support.h"
#include "page/dpi_osd.h"
#include "session_rig.h"

namespace talvik::page {
namespace {

using test::WaitUntil;

class DeviceSessionTest : public ::testing::TestWithParam<sim::SimLink> {
protected:
    void SetUp() override {
        rig_.Build(GetParam());
        ASSERT_TRUE(session_);
    }
    void TearDown() override { rig_.Destroy(); }

    test::SessionRig rig_;
    QTemporaryDir& home_ = rig_.home;
    sim::VirtualClock& clock_ = rig_.clock;
    std::unique_ptr<app::MainWindow>& window_ = rig_.window;
    std::unique_ptr<DeviceSession>& session_ = rig_.session;
};

TEST_P(DeviceSessionTest, LinkComesUpAndShowsTheMousePage) {
    ASSERT_TRUE(WaitUntil([&] { return session_->AnyLink(); }));
    auto* tab = window_->Find<QAbstractButton>(QStringLiteral("option_device_5"));
    ASSERT_NE(tab, nullptr);
    EXPECT_TRUE(WaitUntil([&] { return tab->isVisibleTo(window_->Widget()); }));
    // A fresh data folder holds one default profile, written at once.
    EXPECT_EQ(session_->State().profiles.size(), 1u);
    EXPECT_TRUE(QFile::exists(home_.filePath(QStringLiteral("data/ms_5/pro.data"))));
}

TEST_P(DeviceSessionTest, ApplyReachesTheMouseOnlyOverLinksThatWrite) {
    ASSERT_TRUE(WaitUntil([&] { return session_->AnyLink(); }));
    window_->Post(msg::WM_MS5_POST_WORKER, 0, 0);
    const sim::SimLink link = GetParam();
    const bool writes =
        link == sim::SimLink::kWired || link == sim::SimLink::k4kB || link == sim::SimLink::kBle;
    if (writes) {
        EXPECT_TRUE(WaitUntil([&] { return !session_->VirtualMouse()->Commands().empty(); }));
        // The pauses between packets run in virtual time.
        EXPECT_TRUE(WaitUntil([&] { return clock_.slept_ms() > 0; }));
    } else {
        // The receivers carry reports only: the job runs and sends nothing.
        WaitUntil([&] { return clock_.sleeps() > 0; }, 300);
        EXPECT_TRUE(session_->VirtualMouse()->Commands().empty());
    }
}

TEST_P(DeviceSessionTest, StageSwitchedOnTheMouseReachesThePageAndTheDisplay) {
    ASSERT_TRUE(WaitUntil([&] { return session_->AnyLink(); }));
    ASSERT_TRUE(session_->VirtualMouse()->Command("stage 3"));
    EXPECT_TRUE(
        WaitUntil([&] { return session_->State().current_profile->current_dpi_stage == 2; }));
    EXPECT_TRUE(WaitUntil([&] { return window_->Osd() != nullptr; }));
    auto* option = window_->Find<QAbstractButton>(QStringLiteral("ms_5_option_dpi_step_3"));
    ASSERT_NE(option, nullptr);
    EXPECT_TRUE(option->isChecked());
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
