// The device page's rules against a fake view, fake dialogs and a fake main window.
#include "page/page_controller.h"

#include <gtest/gtest.h>

#include "page/page_timers.h"
#include "page_fakes.h"

namespace talvik::page {
namespace {

using toolkit::NotifyType;

using testing::PageRig;

TEST(PageDpi, TypedValuesAreClampedAndStoredInFiftiesADraggedOneWaitsForTheApply) {
    const std::pair<const char*, int> cases[] = {
        {"20", 1}, {"30000", 520}, {"1234", 24}, {"", 1}, {"99999999999999999999", 520}};
    for (const auto& [typed, stored] : cases) {
        PageRig rig;
        rig.view.texts["ms_5_edit_dpi_3"] = typed;
        rig.Send(NotifyType::kKillFocus, "ms_5_edit_dpi_3");
        EXPECT_EQ(rig.current().dpi_value[2], stored) << typed;
        EXPECT_EQ(rig.view.texts["ms_5_edit_dpi_3"], std::to_string(stored * 50)) << typed;
        EXPECT_EQ(rig.view.values["ms_5_slider_dpi_3"], stored) << typed;
    }
    PageRig rig;
    rig.Send(NotifyType::kValueChanged, "ms_5_slider_dpi_2", 40);
    EXPECT_EQ(rig.current().dpi_value[1], 40);
    EXPECT_EQ(rig.view.texts["ms_5_label_dpi_2"], "2000");
    EXPECT_EQ(rig.applies(), 0);
    rig.Send(NotifyType::kClick, "ms_5_btn_apply_dpi");
    EXPECT_EQ(rig.applies(), 1);
}

TEST(PageDpi, NonDigitsAreFilteredOtherNumbersIgnoredAndResetRestoresTheStages) {
    PageRig rig;
    rig.view.texts["ms_5_edit_dpi_1"] = "1a2b";
    rig.Send(NotifyType::kTextChanged, "ms_5_edit_dpi_1");
    EXPECT_EQ(rig.view.texts["ms_5_edit_dpi_1"], "12");
    rig.view.texts["ms_5_edit_dpi_9"] = "800";
    rig.Send(NotifyType::kKillFocus, "ms_5_edit_dpi_9");
    rig.Send(NotifyType::kKillFocus, "ms_5_edit_dpi_03");
    EXPECT_EQ(rig.view.texts["ms_5_edit_dpi_9"], "800");

    rig.current().dpi_value[0] = 200;
    rig.current().dpi_color[7] = 1;
    rig.Send(NotifyType::kClick, "ms_5_btn_reset_dpi");
    const auto defaults = profile::CreateProfile();
    EXPECT_EQ(rig.current().dpi_value[0], defaults->dpi_value[0]);
    EXPECT_EQ(rig.current().dpi_color[7], defaults->dpi_color[7]);
    EXPECT_EQ(rig.applies(), 1);
}

TEST(PageOptions, AnOptionOrAPickedColourSetsItsFieldAndAppliesAtOnce) {
    PageRig rig;
    rig.Send(NotifyType::kSelectChanged, "ms_5_btn_prate_hs_5");
    rig.Send(NotifyType::kSelectChanged, "ms_5_option_angle_snap_2");
    rig.Send(NotifyType::kSelectChanged, "ms_5_option_dpi_step_8");
    EXPECT_EQ(rig.current().polling_rate_hs, 4);
    EXPECT_EQ(rig.current().angle_snap, 1);
    EXPECT_EQ(rig.current().current_dpi_stage, 7);
    EXPECT_EQ(rig.applies(), 3);
    rig.Send(NotifyType::kSelectChanged, "ms_5_btn_prate_5");  // only four rates
    EXPECT_EQ(rig.applies(), 3);

    // A picked colour is stored and applied; a cancelled pick changes nothing.
    const auto before = rig.current().dpi_color[1];
    rig.Send(NotifyType::kClick, "ms_5_btn_dpi_color_2");
    EXPECT_EQ(rig.current().dpi_color[1], before);
    EXPECT_EQ(rig.applies(), 3);
    rig.dialogs.color = profile::MakeColor(1, 2, 3);
    rig.Send(NotifyType::kClick, "ms_5_btn_light_color");
    EXPECT_EQ(rig.current().light_color, profile::MakeColor(1, 2, 3));
    EXPECT_EQ(rig.applies(), 4);
}

TEST(PageSliders, ABurstOfMovesSendsOnceAfterTheLast) {
    PageRig rig;
    for (int v = 1; v <= 5; ++v) {
        rig.Send(NotifyType::kValueChanged, "ms_5_slider_brightness", v);
    }
    EXPECT_EQ(rig.current().brightness, 5);
    EXPECT_EQ(rig.applies(), 0);
    EXPECT_EQ(rig.window.running.at(kTimerApplyDelay), kApplyDelayMs);
    EXPECT_EQ(rig.window.starts.at(kTimerApplyDelay), 5) << "restarted by every move";
    EXPECT_TRUE(rig.page.OnTimer(kTimerApplyDelay));
    EXPECT_EQ(rig.applies(), 1);
    EXPECT_EQ(rig.window.running.count(kTimerApplyDelay), 0u);

    rig.Send(NotifyType::kValueChanged, "ms_5_slider_key_debounce", 4);
    EXPECT_EQ(rig.view.texts["ms_5_label_key_debounce"], "8 MS");
    rig.Send(NotifyType::kItemSelect, "ms_5_combo_light", 5);
    EXPECT_EQ(rig.current().light_mode, 5);
    EXPECT_EQ(rig.view.light_mode, 5);
    EXPECT_EQ(rig.window.running.at(kTimerApplyDelay), kLightEffectDelayMs);
}

TEST(PageSections, ABoxShowsItsContainerAndScrollsToIt) {
    PageRig rig;
    rig.Send(NotifyType::kCheckClick, "ms_5_check_power_setting", 1);
    EXPECT_TRUE(rig.view.visible["ms_5_ver_power_setting"]);
    EXPECT_TRUE(rig.page.OnTimer(kTimerScrollSettings));
    EXPECT_EQ(rig.view.scrolled, (std::vector<std::string>{"ms_5_ver_power_setting"}));
    rig.Send(NotifyType::kCheckClick, "ms_5_check_power_setting", 0);
    EXPECT_FALSE(rig.view.visible["ms_5_ver_power_setting"]);
    rig.Send(NotifyType::kCheckClick, "ms_5_check_movemode", 1);
    EXPECT_EQ(rig.current().move_mode, 1);
    EXPECT_EQ(rig.applies(), 1);
}

// Its full apply is driven end to end on Xvfb.
TEST(PageProfiles, AddingMakesTheNewProfileActiveAndShowsIt) {
    PageRig rig;
    rig.Send(NotifyType::kClick, "ms_5_profile_add_btn");  // dialog cancelled
    EXPECT_EQ(rig.state.profiles.size(), 1u);
    rig.dialogs.name = u"Work";
    rig.Send(NotifyType::kClick, "ms_5_profile_add_btn");
    ASSERT_EQ(rig.state.profiles.size(), 2u);
    EXPECT_EQ(rig.state.active_profile_index, 1);
    EXPECT_EQ(rig.state.current_profile, rig.state.profiles[1].get());
    EXPECT_EQ(rig.view.rows.back(), u"Work");
    EXPECT_EQ(rig.view.selected_row, 1);
    EXPECT_EQ(rig.files.saves, 1) << "kept without a mouse too";
}

// The row picked takes effect; deleting selects the neighbour (the last profile is kept: driven
// end to end on Xvfb).
TEST(PageProfiles, APickedRowTakesEffectAndDeletingSelectsTheNeighbour) {
    PageRig rig(3);
    rig.Send(NotifyType::kItemSelect, "ms_5_list_profile", 2);
    EXPECT_EQ(rig.state.current_profile, rig.state.profiles[2].get());
    EXPECT_EQ(rig.applies(), 1);
    rig.Send(NotifyType::kItemSelect, "ms_5_list_profile", 7);
    EXPECT_EQ(rig.state.active_profile_index, 2);
    rig.dialogs.confirm = false;
    rig.Send(NotifyType::kClick, "ms_5_profile_delete_btn");
    EXPECT_EQ(rig.state.profiles.size(), 3u);
    rig.dialogs.confirm = true;
    rig.Send(NotifyType::kClick, "ms_5_profile_delete_btn");  // the last row
    ASSERT_EQ(rig.state.profiles.size(), 2u);
    EXPECT_EQ(rig.state.active_profile_index, 1);
    EXPECT_EQ(rig.state.current_profile, rig.state.profiles[1].get());
    rig.Send(NotifyType::kItemSelect, "ms_5_list_profile", 0);
    rig.Send(NotifyType::kClick, "ms_5_profile_delete_btn");  // the first row
    EXPECT_EQ(macro::ReadName(rig.current().name), u"Two");
    EXPECT_EQ(rig.view.rows, (std::vector<std::u16string>{u"Two"}));
}

TEST(PageProfiles, RenameSavesWithoutSendingAndResetKeepsTheName) {
    PageRig rig;
    rig.dialogs.name = u"Office";
    rig.Send(NotifyType::kClick, "ms_5_profile_rename_btn");
    EXPECT_EQ(rig.view.rows[0], u"Office");
    EXPECT_EQ(rig.files.saves, 1);
    EXPECT_EQ(rig.applies(), 0);

    rig.current().buttons[0].function = 9;
    rig.dialogs.confirm = false;
    rig.Send(NotifyType::kClick, "ms_5_btn_reset");
    EXPECT_EQ(rig.current().buttons[0].function, 9);
    rig.dialogs.confirm = true;
    rig.Send(NotifyType::kClick, "ms_5_profile_reset_btn");
    EXPECT_EQ(rig.current().buttons[0].function, 1);
    EXPECT_EQ(macro::ReadName(rig.current().name), u"Office");
    EXPECT_TRUE(rig.state.force_full_apply);
    EXPECT_EQ(rig.applies(), 1);
}

TEST(PageProfiles, RefusedImportsAndFailedExportsAreReported) {
    PageRig rig;
    rig.dialogs.file = "/tmp/x.pro";
    rig.files.imported.status.error = macro::FileError::kWrongSize;
    rig.Send(NotifyType::kClick, "ms_5_profile_import_btn");
    rig.files.exported.error = macro::FileError::kCannotWrite;
    rig.Send(NotifyType::kClick, "ms_5_profile_export_btn");
    EXPECT_EQ(rig.dialogs.boxes,
              (std::vector<std::string>{"import_failed_text", "export_failed_text"}));
    EXPECT_EQ(rig.state.profiles.size(), 1u);
    EXPECT_EQ(rig.applies(), 0);
}

TEST(PageLinks, IndicatorsFollowTheLinksAndTheAnimationRunsOnlyWhenSeen) {
    PageRig rig;
    protocol::LinkFlags flags;
    flags.link_4k_b = true;
    rig.page.LinksChanged(flags);
    EXPECT_TRUE(rig.view.visible["ms_5_wireless_4k"]);
    EXPECT_FALSE(rig.view.visible["ms_5_wireless"]);
    EXPECT_EQ(rig.window.Count(msg::WM_MS5_DEVICE_STATE), 1);

    rig.page.BatteryCharging();
    EXPECT_EQ(rig.window.running.at(kTimerChargeAnimation), kChargeAnimationMs);
    rig.page.SetShown(false);
    EXPECT_EQ(rig.window.running.count(kTimerChargeAnimation), 0u);
    rig.page.SetShown(true);
    EXPECT_EQ(rig.window.running.count(kTimerChargeAnimation), 1u);
    for (int i = 0; i < 51; ++i) {
        rig.page.OnTimer(kTimerChargeAnimation);
    }
    EXPECT_EQ(rig.view.values["ms_5_progress_power"], 100);
    rig.page.BatteryLevel(64);
    EXPECT_EQ(rig.window.running.count(kTimerChargeAnimation), 0u);
    EXPECT_EQ(rig.view.texts["ms_5_label_power"], "64%");
}

// Whoever shows the power outside the page hears every report, an invalid level keeping the last.
TEST(PageLinks, ThePowerListenerHearsEveryReportAndLinkChange) {
    struct Recorder : PowerListener {
        void PowerChanged(const PowerState& state) override { seen.push_back(state); }
        std::vector<PowerState> seen;
    } recorder;
    PageRig rig;
    rig.page.SetPowerListener(&recorder);
    protocol::LinkFlags flags;
    flags.link_24g = true;
    rig.page.LinksChanged(flags);
    rig.page.BatteryLevel(64);
    rig.page.BatteryLevel(std::nullopt);
    rig.page.BatteryCharging();
    rig.page.BatteryFull();
    rig.page.LinksChanged(protocol::LinkFlags{});
    ASSERT_EQ(recorder.seen.size(), 6u);
    EXPECT_TRUE(recorder.seen[0].links.link_24g);
    EXPECT_EQ(recorder.seen[1].source, PowerState::Source::kBattery);
    EXPECT_EQ(recorder.seen[2].level, 64);
    EXPECT_EQ(recorder.seen[3].source, PowerState::Source::kCharging);
    EXPECT_EQ(recorder.seen[4].level, 100);
    EXPECT_EQ(recorder.seen[5].source, PowerState::Source::kUnknown);
    EXPECT_FALSE(recorder.seen[5].links.AnyUp());
}

}  // namespace
}  // namespace talvik::page
