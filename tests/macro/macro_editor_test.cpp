// The editor's rules: edits kept within the unit budget, insertion points, names, and recording
// with a virtual clock and scripted hook events.
#include "macro/macro_editor.h"

#include <gtest/gtest.h>

#include <tuple>

#include "test_support.h"

namespace talvik::macro {
namespace {

constexpr std::uintptr_t kVkA = 0x41;
constexpr std::uintptr_t kVkB = 0x42;
constexpr std::uintptr_t kVkLeftCtrl = 0xA2;
constexpr std::intptr_t kDown = 0;
constexpr std::intptr_t kUp = 1;

// Letters and Left Ctrl as on a US layout; nothing else has a key code.
std::optional<std::uint8_t> UsKeys(int vk) {
    if (vk >= 0x41 && vk <= 0x5A) {
        return static_cast<std::uint8_t>(0x04 + vk - 0x41);
    }
    if (vk == 0xA2) {
        return 0xE0;
    }
    return std::nullopt;
}

// An action's code, kind and delay, compared at once.
using Act = std::tuple<int, int, int>;
Act A(const MacroAction& a) {
    return {a.code, a.kind, a.delay};
}

struct Rig {
    // A macro "M" holding `count` releases of key code 0x10 + i with delay 1 (one unit each).
    explicit Rig(int count = 0) {
        auto m = std::make_unique<MacroInfo>();
        WriteName(m->name, u"M");
        for (int i = 0; i < count; ++i) {
            m->actions[i] = {0, static_cast<std::uint8_t>(0x10 + i % 0x20), 2, 0, 1, 0, 0, 0};
        }
        m->action_count = count;
        list.push_back(std::move(m));
        editor.SelectMacro(0);
    }
    void Event(std::uintptr_t vk, std::intptr_t lparam, std::uint32_t advance_ms = 0) {
        now += advance_ms;
        editor.RecordEvent(vk, lparam, now, UsKeys);
    }
    const MacroAction& At(int i) const { return editor.Actions()[static_cast<std::size_t>(i)]; }
    const MacroInfo& Stored() const { return *list[0]; }

    test::TempFolder folder;
    test::FakeTexts texts{{{"add_macro_text", "Macro"}}};
    MacroStore store{folder.path(), texts};
    MacroList list;
    MacroEditor editor{list, store};
    std::uint32_t now = 1000;
};

TEST(MacroEditorBudget, AnEditIsKeptUpTo191UnitsAndUndoneBeyond) {
    Rig rig(188);
    ASSERT_EQ(rig.editor.InsertMove(5, -5), CommitResult::kSaved);
    EXPECT_EQ(rig.editor.Units(), 191);
    EXPECT_EQ(rig.Stored().action_count, 189);
    EXPECT_EQ(rig.editor.InsertClick(kCodeLeftButton, 10), std::nullopt) << "190 actions max";
    rig.editor.SelectAction(0);
    ASSERT_EQ(rig.editor.DeleteAction(), CommitResult::kSaved);
    ASSERT_EQ(rig.editor.InsertClick(kCodeLeftButton, 10), CommitResult::kOverBudget);
    EXPECT_EQ(rig.editor.Count(), 188) << "the working copy is reloaded";
    EXPECT_EQ(rig.Stored().action_count, 188);
    EXPECT_EQ(rig.editor.SelectedAction(), 0) << "the selection stays where it was";
    rig.store.WaitForSaves();
    EXPECT_EQ(test::ReadBytes(rig.store.FilePath()).size(), sizeof(MacroInfo));
}

TEST(MacroEditorInsert, ClicksGoAfterTheSelectionOrToTheStartAndMovesToTheEnd) {
    Rig rig(3);
    rig.editor.SelectAction(-1);
    rig.editor.InsertClick(kCodeRightButton, 10);
    EXPECT_EQ(rig.At(0).code, kCodeRightButton);
    EXPECT_EQ(rig.At(1).kind, static_cast<std::uint8_t>(ActionKind::kRelease));
    EXPECT_EQ(rig.editor.SelectedAction(), 1);
    rig.editor.SelectAction(-1);
    rig.editor.InsertMove(1500, -2000);
    ASSERT_EQ(rig.editor.Count(), 6);
    EXPECT_EQ(std::tuple(rig.At(5).code, rig.At(5).x, rig.At(5).y),
              std::tuple(kCodeMove, 999, -999));
    rig.editor.SelectAction(2);
    rig.editor.InsertMove(1, 2);
    EXPECT_EQ(rig.At(3).code, kCodeMove);
    EXPECT_EQ(rig.editor.SelectedAction(), 3);
}

TEST(MacroEditorActions, MoveDeleteAndClearFollowTheSelection) {
    Rig rig(3);
    EXPECT_EQ(rig.editor.MoveDown(), std::nullopt) << "the last action cannot go down";
    rig.editor.SelectAction(0);
    rig.editor.MoveDown();
    EXPECT_EQ(rig.At(1).code, 0x10);
    EXPECT_EQ(rig.editor.SelectedAction(), 1);
    rig.editor.MoveUp();
    EXPECT_EQ(rig.At(0).code, 0x10);
    EXPECT_EQ(rig.editor.SelectedAction(), 0);
    rig.editor.SelectAction(2);
    rig.editor.DeleteAction();
    EXPECT_EQ(rig.editor.SelectedAction(), 1);
    EXPECT_EQ(rig.Stored().action_count, 2);
    rig.editor.Clear();
    EXPECT_EQ(rig.editor.SelectedAction(), -1);
    EXPECT_EQ(rig.Stored().action_count, 0);
    EXPECT_EQ(rig.editor.DeleteAction(), std::nullopt);
}

TEST(MacroEditorActions, DelaysAndMovementsAreClampedOrRefused) {
    Rig rig(3);
    rig.editor.SelectAction(0);
    rig.editor.SetKeyDelay(30000);
    EXPECT_EQ(rig.Stored().actions[0].delay, 25000);
    rig.editor.SetKeyDelay(5);
    EXPECT_EQ(rig.Stored().actions[0].delay, 10);
    rig.editor.SelectAction(2);
    EXPECT_EQ(rig.editor.SetKeyDelay(500), std::nullopt) << "the last action's pause is fixed";
    rig.editor.SetMoveDelay(30000);
    EXPECT_EQ(rig.Stored().actions[2].delay, 25000);
    rig.editor.SetMoveDelay(0);
    EXPECT_EQ(rig.Stored().actions[2].delay, 1);
    rig.editor.SetMovement(-5000, 42);
    EXPECT_EQ(std::pair(rig.Stored().actions[2].x, rig.Stored().actions[2].y), std::pair(-999, 42));
    EXPECT_EQ(rig.editor.SetDefaultDelay(70000), 25000);
    EXPECT_EQ(rig.editor.SetDefaultDelay(0), 1);
}

TEST(MacroEditorNames, RenameRefusesTakenNamesDeleteSelectsTheNextAndBothAreJournalled) {
    Rig rig;
    rig.editor.AddMacro();
    rig.editor.AddMacro();
    EXPECT_EQ(ReadName(rig.list[1]->name), u"Macro2");
    rig.editor.SelectMacro(1);
    using R = MacroEditor::RenameResult;
    EXPECT_EQ(rig.editor.Rename(u""), R::kRefused);
    EXPECT_EQ(rig.editor.Rename(u"m"), R::kRefused) << "another macro's name in other case";
    EXPECT_EQ(rig.editor.Rename(u"MACRO2"), R::kUnchanged);
    EXPECT_EQ(rig.editor.Rename(u"A name of thirty characters!!"), R::kRenamed);
    EXPECT_EQ(ReadName(rig.list[1]->name), u"A name of thirty charac");

    ASSERT_TRUE(rig.editor.DeleteMacro());
    EXPECT_EQ(rig.editor.CurrentIndex(), 1);
    rig.editor.DeleteMacro();
    EXPECT_EQ(rig.editor.CurrentIndex(), 0) << "the one before when the last went";
    rig.editor.DeleteMacro();
    EXPECT_EQ(rig.editor.CurrentIndex(), -1);
    EXPECT_FALSE(rig.editor.DeleteMacro());
    ASSERT_EQ(rig.editor.Changes().size(), 4u);
    EXPECT_EQ(rig.editor.Changes()[0].old_name, u"Macro2");
    EXPECT_EQ(rig.editor.Changes()[0].kind, MacroListChange::Kind::kRenamed);
    EXPECT_EQ(rig.editor.Changes()[3].old_name, u"M");
    EXPECT_EQ(rig.editor.Changes()[3].kind, MacroListChange::Kind::kDeleted);
}

struct ModeCase {
    DelayMode mode;
    int first, second;
};

class MacroRecordingModes : public ::testing::TestWithParam<ModeCase> {};

// A held key's repeats give one press; its pause runs from the press to the release.
TEST_P(MacroRecordingModes, FillThePausesByMode) {
    Rig rig;
    rig.editor.SetDelayMode(GetParam().mode);
    rig.editor.SetDefaultDelay(70);
    rig.editor.StartRecording(rig.now);
    rig.Event(kVkA, kDown, 10);
    rig.Event(kVkA, kDown, 30);
    rig.Event(kVkA, kUp, 90);
    rig.Event(kVkB, kDown, 40000);  // longer than the cap
    EXPECT_EQ(rig.editor.StopRecording(), CommitResult::kSaved);
    ASSERT_EQ(rig.Stored().action_count, 4) << "B's release is added at the stop";
    EXPECT_EQ(A(rig.Stored().actions[0]), (Act{0x04, 1, GetParam().first}));
    EXPECT_EQ(A(rig.Stored().actions[1]), (Act{0x04, 2, GetParam().second}));
    EXPECT_EQ(A(rig.Stored().actions[2]), (Act{0x05, 1, 1}));
    EXPECT_EQ(A(rig.Stored().actions[3]), (Act{0x05, 2, 1}));
}

INSTANTIATE_TEST_SUITE_P(Modes, MacroRecordingModes,
                         ::testing::Values(ModeCase{DelayMode::kRecorded, 120, 25000},
                                           ModeCase{DelayMode::kDefault, 70, 70},
                                           ModeCase{DelayMode::kNone, 1, 1}));

TEST(MacroRecording, InsertsAfterTheSelectionWithThePausesWhereTheyBelong) {
    Rig rig(5);
    rig.editor.SetDelayMode(DelayMode::kRecorded);
    rig.editor.SelectAction(1);
    rig.editor.StartRecording(rig.now);
    rig.Event(kVkA, kUp, 200);
    rig.Event(kVkB, kUp, 300);
    rig.editor.StopRecording();
    ASSERT_EQ(rig.editor.Count(), 7);
    EXPECT_EQ(A(rig.At(2)), (Act{0x04, 2, 300}));
    EXPECT_EQ(rig.At(3).code, 0x05);
    EXPECT_EQ(rig.At(4).delay, 200) << "the first pause goes to the action that follows";
    EXPECT_EQ(rig.editor.SelectedAction(), 3);

    // After the last action, the first pause goes to the selected one.
    rig.editor.SelectAction(6);
    rig.editor.StartRecording(rig.now);
    rig.Event(kVkA, kUp, 250);
    rig.editor.StopRecording();
    EXPECT_EQ(rig.Stored().actions[6].delay, 250);
    EXPECT_EQ(rig.Stored().action_count, 8);
}

TEST(MacroRecording, ANewRecordingTakesTheLastEventOfThePreviousOne) {
    Rig rig;
    rig.editor.StartRecording(rig.now);
    rig.Event(kVkA, kUp);
    rig.editor.StopRecording();
    rig.editor.SelectAction(-1);
    rig.editor.StartRecording(rig.now);
    rig.Event(kVkA, kUp);
    rig.Event(0x07, kDown);  // a key without a key code is not recorded
    rig.editor.StopRecording();
    EXPECT_EQ(rig.Stored().action_count, 1);
}

TEST(MacroRecording, PressesHeldAtTheStopAreReleasedOrDroppedWhenFull) {
    Rig rig;
    rig.editor.StartRecording(rig.now);
    rig.Event(kVkLeftCtrl, kDown);
    rig.Event(kVkA, kDown);
    rig.Event(kVkA, kUp);
    rig.editor.StopRecording();
    ASSERT_EQ(rig.Stored().action_count, 4);
    EXPECT_EQ(A(rig.Stored().actions[3]), (Act{0xE0, 2, 1}));

    Rig full(188);
    full.editor.StartRecording(full.now);
    full.Event(kVkA, kDown);
    full.Event(kVkB, kDown);  // the 190th action stops the recording
    EXPECT_FALSE(full.editor.Recording());
    // No room for two releases: the last press goes, the first gets its release.
    ASSERT_EQ(full.Stored().action_count, 190);
    EXPECT_EQ(full.Stored().actions[188].code, 0x04);
    EXPECT_EQ(A(full.Stored().actions[189]), (Act{0x04, 2, 1}));
}

TEST(MacroRecording, AMacroAt190UnitsStopsAtTheNextEvent) {
    Rig rig(187);
    rig.editor.SelectAction(0);
    rig.editor.SetKeyDelay(128);
    rig.editor.SelectAction(1);
    rig.editor.SetKeyDelay(128);
    rig.editor.SelectAction(186);
    ASSERT_EQ(rig.editor.Units(), 189);
    rig.editor.StartRecording(rig.now);
    rig.Event(kVkA, kUp);
    EXPECT_TRUE(rig.editor.Recording());
    rig.Event(kVkB, kUp);
    EXPECT_FALSE(rig.editor.Recording());
    EXPECT_EQ(rig.Stored().action_count, 188) << "the event that found it full is lost";
}

TEST(MacroRecording, StartingWithoutAMacroAddsOne) {
    Rig rig;
    rig.editor.SelectMacro(-1);
    EXPECT_TRUE(rig.editor.StartRecording(rig.now));
    EXPECT_EQ(rig.editor.CurrentIndex(), 1);
    rig.Event(kVkA, kDown);
    rig.editor.StopRecording();
    EXPECT_EQ(rig.list[1]->action_count, 2);
}

TEST(MacroRecording, DecodeTable) {
    const struct {
        std::uintptr_t wparam;
        std::intptr_t lparam;
        std::optional<std::uint8_t> code;
        bool pressed;
    } cases[] = {
        {0x201, 0, 0xF1, true},  {0x202, 0, 0xF1, false}, {0x204, 0, 0xF2, true},
        {0x205, 9, 0xF2, false}, {0x207, 0, 0xF3, true},  {0x208, 0, 0xF3, false},
        {0x20B, 2, 0xF4, true},  {0x20B, 1, 0xF5, true},  {0x20C, 2, 0xF4, false},
        {0x20C, 1, 0xF5, false}, {0x20B, 3, {}, false},   {0x41, 0, 0x04, true},
        {0x41, 1, 0x04, false},  {0x10, 0, {}, false},
    };
    for (const auto& c : cases) {
        const auto decoded = DecodeHookInput(c.wparam, c.lparam, UsKeys);
        ASSERT_EQ(decoded.has_value(), c.code.has_value()) << std::hex << c.wparam;
        if (decoded) {
            EXPECT_EQ(decoded->code, *c.code) << std::hex << c.wparam;
            EXPECT_EQ(decoded->pressed, c.pressed) << std::hex << c.wparam;
        }
    }
}

}  // namespace
}  // namespace talvik::macro
