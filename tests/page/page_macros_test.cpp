// The macro editor's changes carried into the buttons of every profile.
#include <gtest/gtest.h>

#include "page_fakes.h"
#include "profile/button_function.h"

namespace talvik::page {
namespace {

using Kind = macro::MacroListChange::Kind;
constexpr std::uint8_t kMacro = static_cast<std::uint8_t>(profile::ButtonFunction::kMacro);

struct MacroRig : testing::PageRig {
    MacroRig() : PageRig(2) {
        AddMacro(u"A", 1, 0x04);
        AddMacro(u"B", 1, 0x05);
    }
    // Button b of profile p runs the macro called `name`, as the macro dialog leaves it.
    void Assign(int p, int b, const char16_t* name) {
        profile::ButtonAssign& a = state.profiles[p]->buttons[b];
        a.function = kMacro;
        macro::WriteName(a.macro_name, name);
        a.macro_event_count = 1;
        a.macro_index = 7;
    }
    const profile::ButtonAssign& Button(int p, int b) const {
        return state.profiles[p]->buttons[b];
    }
    void Close(std::vector<macro::MacroListChange> changes) {
        macro_windows.changes = std::move(changes);
        page.Notify(toolkit::NotifyType::kClick, "ms_5_btn_macro", 0);
    }
    void Erase(int index) { files.macros.erase(files.macros.begin() + index); }
};

// The active profile's button taking its default and being sent is driven end to end on Xvfb.
TEST(PageMacros, ADeletedMacroGivesTheButtonsOfEveryProfileTheirDefault) {
    MacroRig rig;
    rig.Assign(0, 2, u"A");
    rig.Assign(1, 5, u"a");
    rig.state.profiles[1]->buttons[4].function = 1;  // a name left behind by an earlier macro
    macro::WriteName(rig.state.profiles[1]->buttons[4].macro_name, u"A");
    rig.Erase(0);
    rig.Close({{Kind::kDeleted, u"A", {}}});
    EXPECT_EQ(rig.Button(1, 5).function, profile::CreateProfile()->buttons[5].function);
    EXPECT_EQ(rig.Button(1, 4).function, 1) << "only buttons that run a macro are reset";
    EXPECT_GE(rig.view.refreshes, 1);
    EXPECT_EQ(rig.files.saves, 1);
}

TEST(PageMacros, RenamedMacrosAreFollowedAndTheirCopiesAndPositionsRefreshed) {
    MacroRig rig;
    rig.Assign(1, 0, u"b");  // names are followed without regard to case
    rig.Assign(1, 1, u"A");
    // A deleted, then B renamed to A: the buttons of the old A lose their macro.
    macro::WriteName(rig.files.macros[1]->name, u"A");
    rig.Erase(0);
    rig.Close({{Kind::kDeleted, u"A", {}}, {Kind::kRenamed, u"B", u"A"}});
    EXPECT_EQ(rig.Button(1, 0).function, kMacro);
    EXPECT_EQ(macro::ReadName(rig.Button(1, 0).macro_name), u"A");
    EXPECT_EQ(rig.Button(1, 0).macro_index, 0);
    EXPECT_EQ(rig.Button(1, 0).macro_actions[0].code, 0x05);
    EXPECT_NE(rig.Button(1, 1).function, kMacro);
    EXPECT_EQ(rig.window.Count(msg::WM_MS5_POST_WORKER), 0) << "the active profile is unchanged";
    EXPECT_EQ(rig.files.saves, 1);
}

TEST(PageMacros, NothingChangedSendsAndSavesNothing) {
    MacroRig rig;
    rig.Assign(0, 0, u"B");
    rig.Close({});  // the first run brings the copy and the position in line
    const int saves = rig.files.saves;
    const int applies = rig.window.Count(msg::WM_MS5_POST_WORKER);
    rig.Close({});
    EXPECT_EQ(rig.macro_windows.runs, 2);
    EXPECT_EQ(rig.Button(0, 0).macro_index, 1);
    EXPECT_EQ(rig.files.saves, saves);
    EXPECT_EQ(rig.window.Count(msg::WM_MS5_POST_WORKER), applies);
}

}  // namespace
}  // namespace talvik::page
