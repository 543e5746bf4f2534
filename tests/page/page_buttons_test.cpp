// The button functions: the menu's names and codes, the left-click rule, the key-combination and
// macro assignments, the labels and where the menu opens.
#include <gtest/gtest.h>

#include <fstream>
#include <set>
#include <sstream>

#include "../macro/test_support.h"
#include "page/button_labels.h"
#include "page/button_menu.h"
#include "page/menu_placement.h"
#include "page_fakes.h"
#include "platform/keyboard_layout_xkb.h"
#include "profile/button_function.h"

namespace talvik::page {
namespace {

using toolkit::NotifyType;

constexpr std::uint8_t kKeyCombination = 16;
constexpr std::uint8_t kMacro = 17;

using ButtonRig = testing::PageRig;

// Every item of the menu file has its own code, named by a label text unless composed.
TEST(ButtonMenu, EveryItemOfTheMenuFileHasItsOwnCode) {
    std::ifstream file(TALVIK_SOURCE_DIR "/res/ms_5_menu.xml");
    std::stringstream text;
    text << file.rdbuf();
    const std::string menu = text.str();
    ASSERT_FALSE(menu.empty());
    std::set<int> codes;
    const std::string item = "<item name=\"";
    for (std::size_t at = menu.find(item); at != std::string::npos; at = menu.find(item, at)) {
        at += item.size();
        const std::string name = menu.substr(at, menu.find('"', at) - at);
        const std::optional<std::uint8_t> code = FunctionMenuCode(name);
        ASSERT_TRUE(code) << name;
        const std::size_t data = menu.find("userdata=\"", at) + 10;  // the file's own code
        EXPECT_EQ(*code, std::stoi(menu.substr(data))) << name;
        EXPECT_TRUE(codes.insert(*code).second) << name;
        const bool composed = code == kKeyCombination || code == kMacro;
        EXPECT_TRUE(composed || !profile::ButtonFunctionTextKey(*code).empty()) << name;
    }
}

TEST(ButtonMenu, ButtonsOneToTwelveOpenTheirMenuAndOnlyAKnownChoiceAssignsAndApplies) {
    ButtonRig rig;
    rig.page.Notify(NotifyType::kClick, "ms_5_btn_key_13", 0);
    rig.page.OnMenuItem("ms_5_copy");  // no menu was opened
    EXPECT_TRUE(rig.buttons.menus.empty());
    rig.Choose(1, "ms_5_cop");
    EXPECT_EQ(rig.applies(), 0);
    rig.Choose(1, "ms_5_COPY");
    EXPECT_EQ(rig.buttons.menus.back(), "ms_5_btn_key_2");
    EXPECT_EQ(rig.button(1).function, 33);
    EXPECT_EQ(rig.applies(), 1);
    EXPECT_EQ(rig.view.labels, (std::map<int, int>{{1, 33}}));
}

TEST(ButtonMenu, TheLastLeftClickAmongTheFirstSixteenButtonsStays) {
    ButtonRig rig;
    rig.button(16).function = 1;  // not one of the buttons that count
    rig.Choose(0, "ms_5_copy");
    EXPECT_EQ(rig.dialogs.boxes, std::vector<std::string>{"one_click_text"});
    EXPECT_EQ(rig.button(0).function, 1);
    EXPECT_EQ(rig.applies(), 0);

    rig.Choose(1, "ms_5_click");
    rig.Choose(0, "ms_5_copy");
    EXPECT_EQ(rig.button(0).function, 33);
    EXPECT_EQ(rig.applies(), 2);
    EXPECT_EQ(rig.dialogs.boxes.size(), 1u);
}

TEST(ButtonKeyCombination, TheDialogStartsWithTheModifiersAndOkClearsTheReservedBytes) {
    ButtonRig rig;
    rig.button(2).modifiers = profile::kModifierShift;
    rig.button(2).key_code = 0x09;
    rig.button(2).reserved_4[0] = 7;
    rig.buttons.key = KeyCombination{0x3A, profile::kModifierCtrl};
    rig.Choose(2, "ms_5_shortcut");
    // A button that had no combination starts with no key but keeps its modifier bits.
    ASSERT_TRUE(rig.buttons.key_asked);
    EXPECT_EQ(rig.buttons.key_asked->key_code, 0);
    EXPECT_EQ(rig.buttons.key_asked->modifiers, profile::kModifierShift);
    EXPECT_EQ(rig.button(2).reserved_4[0], 0);
    EXPECT_EQ(rig.applies(), 1);
}

TEST(ButtonDialogs, CancelOrAnEmptyOrInvalidAnswerLeavesTheButtonAsItWas) {
    for (const std::optional<KeyCombination>& answer :
         {std::optional<KeyCombination>(), std::optional<KeyCombination>(KeyCombination{})}) {
        ButtonRig rig;
        rig.button(2).function = kKeyCombination;
        rig.button(2).key_code = 0x04;
        rig.button(2).modifiers = profile::kModifierAlt;
        rig.buttons.key = answer;
        rig.Choose(2, "ms_5_shortcut");
        EXPECT_EQ(rig.buttons.key_asked->key_code, 0x04);
        EXPECT_EQ(rig.button(2).function, kKeyCombination);
        EXPECT_EQ(rig.button(2).key_code, 0x04);
        EXPECT_EQ(rig.button(2).modifiers, profile::kModifierAlt);
        EXPECT_EQ(rig.applies(), 0);
    }
    // No valid macro choice changes nothing either.
    for (const std::optional<MacroSelection>& answer :
         {std::optional<MacroSelection>(), std::optional<MacroSelection>(MacroSelection{}),
          std::optional<MacroSelection>(MacroSelection{2, 0, 5})}) {
        ButtonRig rig;
        rig.AddMacro(u"First", 1);
        rig.AddMacro(u"Second", 1);
        rig.buttons.macro = answer;
        const std::uint8_t before = rig.button(3).function;
        rig.Choose(3, "ms_5_select_macro");
        EXPECT_EQ(rig.button(3).function, before);
        EXPECT_EQ(rig.button(3).macro_name[0], 0);
        EXPECT_EQ(rig.applies(), 0);
    }
}

TEST(ButtonMacro, ChoiceCopiesTheMacroIntoTheAssignment) {
    ButtonRig rig;
    rig.AddMacro(u"First", 2);
    rig.AddMacro(u"Second", 3);
    rig.buttons.macro = MacroSelection{1, 0, 255};
    rig.Choose(3, "ms_5_select_macro");
    ASSERT_TRUE(rig.buttons.macro_asked);
    EXPECT_EQ(rig.buttons.macro_asked->index, -1);
    EXPECT_EQ(rig.buttons.macro_asked->loop_mode, 0);
    EXPECT_EQ(rig.buttons.macro_asked->repeat, 1);
    EXPECT_EQ(rig.buttons.macros_shown, 2u);
    const profile::ButtonAssign& a = rig.button(3);
    EXPECT_EQ(a.macro_index, 1);
    EXPECT_EQ(a.macro_event_count, 3);
    EXPECT_EQ(a.macro_actions[2].code, 0x06);
    EXPECT_EQ(rig.applies(), 1);
}

TEST(ButtonMacro, DialogStartsAtTheButtonsMacroFoundByName) {
    const std::pair<int, int> cases[] = {{1, 1}, {7, 1}, {0, 1}, {-1, 1}};  // stored -> shown
    for (const auto& [stored, shown] : cases) {
        ButtonRig rig;
        rig.AddMacro(u"First", 1);
        rig.AddMacro(u"Second", 1);
        profile::ButtonAssign& a = rig.button(3);
        a.function = kMacro;
        a.macro_index = stored;
        a.macro_loop_mode = 9;
        a.macro_repeat = 1000;
        macro::WriteName(a.macro_name, u"second");
        rig.Choose(3, "ms_5_select_macro");
        ASSERT_TRUE(rig.buttons.macro_asked);
        EXPECT_EQ(rig.buttons.macro_asked->index, shown) << stored;
        EXPECT_EQ(rig.buttons.macro_asked->loop_mode, 2);
        EXPECT_EQ(rig.buttons.macro_asked->repeat, 255);
    }
    ButtonRig rig;
    rig.AddMacro(u"First", 1);
    rig.button(3).function = kMacro;
    rig.button(3).macro_index = 0;
    macro::WriteName(rig.button(3).macro_name, u"Gone");
    rig.Choose(3, "ms_5_select_macro");
    EXPECT_EQ(rig.buttons.macro_asked->index, -1);
}

TEST(ButtonLabels, TextKeysForFunctionsComposedTextsForKeysAndMacros) {
    std::string error;
    platform::XkbKeyboardLayout::Names names;
    names.layout = "us";
    const auto us = platform::XkbKeyboardLayout::FromNames(names, &error);
    ASSERT_NE(us, nullptr) << error;
    const test::FakeTexts texts({{"keyboard_ctrl_text", "Ctrl"},
                                 {"keyboard_shift_text", "Shift"},
                                 {"keyboard_alt_text", "Alt"},
                                 {"keyboard_win_text", "Win"},
                                 {"key_F1", "F1"},
                                 {"assign_macro_text", "Macro: "}});
    auto label = [&](std::uint8_t function, std::uint8_t key, std::uint8_t modifiers) {
        profile::ButtonAssign a{};
        a.function = function;
        a.key_code = key;
        a.modifiers = modifiers;
        macro::WriteName(a.macro_name, u"Reload");
        return ComposeButtonLabel(a, texts, *us);
    };
    EXPECT_EQ(label(39, 0, 0).text_key, "undo_text");
    EXPECT_EQ(label(200, 0, 0).text_key, "");
    EXPECT_EQ(label(200, 0, 0).text, "");
    EXPECT_EQ(label(kMacro, 0, 0).text, "Macro: Reload");
    const std::tuple<int, int, const char*> cases[] = {
        {0x3A, 1, "Ctrl+F1"}, {0x04, 9, "Ctrl+Win+A"}, {0x04, 15, "Ctrl+Shift+Alt+Win+A"},
        {0x04, 0, "A"},       {0x00, 2, "Shift"},      {0x2D, 4, "Alt+-"},
    };
    for (const auto& [key, modifiers, text] : cases) {
        const ButtonLabel composed = label(kKeyCombination, static_cast<std::uint8_t>(key),
                                           static_cast<std::uint8_t>(modifiers));
        EXPECT_EQ(composed.text_key, "");
        EXPECT_EQ(composed.text, text);
    }
}

TEST(FunctionMenuPlacement, OpensBesideTheButtonAndStaysInsideTheArea) {
    const QRect area(0, 0, 1280, 770);
    const QRect right_screen(1280, 30, 1920, 1050);  // a panel on top
    const std::tuple<QRect, QSize, QRect, QPoint> cases[] = {
        {QRect(100, 100, 80, 24), QSize(200, 300), area, QPoint(180, 100)},   // right, level
        {QRect(100, 700, 80, 24), QSize(200, 300), area, QPoint(180, 424)},   // bottoms level
        {QRect(100, 471, 80, 24), QSize(200, 300), area, QPoint(180, 195)},   // a pixel short
        {QRect(1150, 100, 80, 24), QSize(200, 300), area, QPoint(950, 100)},  // left of it
        {QRect(100, 700, 80, 24), QSize(200, 1200), area, QPoint(180, 0)},    // taller: from top
        {QRect(1300, 40, 80, 24), QSize(200, 1200), right_screen, QPoint(1380, 30)},
    };
    for (const auto& [button, menu, screen, at] : cases) {
        EXPECT_EQ(FunctionMenuPosition(button, menu, screen), at)
            << button.x() << "," << button.y();
    }
}

}  // namespace
}  // namespace talvik::page
