#include "profile/profile_record.h"

#include <gtest/gtest.h>

#include <cstring>

#include "macro/record_name.h"
#include "profile/button_function.h"
#include "profile/profile_defaults.h"

namespace talvik::profile {
namespace {

const unsigned char* Bytes(const ProfileInfo& p) {
    return reinterpret_cast<const unsigned char*>(&p);
}

std::int32_t Int32At(const ProfileInfo& p, std::size_t offset) {
    std::int32_t v;
    std::memcpy(&v, Bytes(p) + offset, sizeof(v));
    return v;
}

constexpr std::size_t Button(int b) {
    return 2468 + 4128 * static_cast<std::size_t>(b);
}

TEST(ProfileDefaults, ButtonBytesHoldTheDefaultFunctions) {
    const auto p = CreateProfile();
    const unsigned char expected[18] = {1, 2, 3, 6, 4, 5, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 11, 12};
    for (int b = 0; b < 18; ++b) {
        EXPECT_EQ(Bytes(*p)[Button(b)], b) << b;
        EXPECT_EQ(Bytes(*p)[Button(b) + 1], expected[b]) << b;
        EXPECT_EQ(Bytes(*p)[Button(b) + 8], 0x32) << b;  // 562 = 0x0232
        EXPECT_EQ(Bytes(*p)[Button(b) + 9], 0x02) << b;
        EXPECT_EQ(Int32At(*p, Button(b) + 1072), -1) << b;
        EXPECT_EQ(Int32At(*p, Button(b) + 1076), -1) << b;
    }
    for (std::size_t i = Button(18); i < sizeof(ProfileInfo); ++i) {
        ASSERT_EQ(Bytes(*p)[i], 0) << "byte " << i;
    }
}

TEST(ProfileDefaults, SettingsHoldTheirDefaults) {
    const auto p = CreateProfile();
    EXPECT_EQ(Int32At(*p, 2200), 420);
    EXPECT_EQ(Int32At(*p, 2204), 3);
    EXPECT_EQ(Int32At(*p, 2212), 6);
    EXPECT_EQ(Int32At(*p, 2244), 16);  // 800 DPI
    EXPECT_EQ(p->current_dpi_stage, 1);
    EXPECT_EQ(p->dpi_value[p->current_dpi_stage] * 50, 1200);
    const std::int32_t dpi[8] = {16, 24, 32, 48, 64, 80, 0, 0};
    EXPECT_EQ(std::memcmp(p->dpi_value, dpi, sizeof(dpi)), 0);
    EXPECT_EQ(std::memcmp(p->dpi_value_y, dpi, sizeof(dpi)), 0);
    EXPECT_EQ(p->dpi_enabled[5], 1);
    EXPECT_EQ(p->dpi_enabled[6], 0);
    EXPECT_EQ(p->brightness, 8);
    EXPECT_EQ(p->breath_speed, 6);
    EXPECT_EQ(p->sleep_timer, 10);
    EXPECT_EQ(p->light_off_time, 2);
    EXPECT_EQ(p->polling_rate, 3);
    EXPECT_EQ(p->polling_rate_hs, 3);
    EXPECT_EQ(p->ripple_control, 1);
    EXPECT_EQ(p->angle_snap, 0);
    EXPECT_EQ(p->motion_sync, 1);
    EXPECT_EQ(p->light_mode, 12);
    EXPECT_EQ(Bytes(*p)[2392], 1);
    EXPECT_EQ(p->key_debounce, 4);
    EXPECT_EQ(p->light_color, 0x00FF00u);
    const ColorValue dpi_color[8] = {0x0000FF, 0x00FF00, 0xFF0000, 0xFFFF00,
                                     0x00FFFF, 0x00FFFF, 0x0040FF, 0xFFFFFF};
    EXPECT_EQ(std::memcmp(p->dpi_color, dpi_color, sizeof(dpi_color)), 0);
    const ColorValue spare[8] = {0x0000FF, 0x00FF00, 0xFF0000, 0xFF00FF,
                                 0x00FFFF, 0xFFFFFF, 0xFFFFFF, 0x0080FF};
    EXPECT_EQ(std::memcmp(p->spare_color, spare, sizeof(spare)), 0);
    // Every byte that no field sets is zero.
    for (std::size_t i = 0; i < 2200; ++i) {
        ASSERT_EQ(Bytes(*p)[i], 0) << i;
    }
    for (std::size_t i : {2209u, 2210u, 2211u, 2216u, 2223u, 2236u, 2243u, 2393u, 2395u}) {
        EXPECT_EQ(Bytes(*p)[i], 0) << i;
    }
}

TEST(ProfileDefaults, ColoursKeepRedInTheFirstByte) {
    EXPECT_EQ(MakeColor(255, 64, 0), 0x0040FFu);
    EXPECT_EQ(ColorToScreen(0x0040FF), 0xFFFF4000u);
    EXPECT_EQ(ColorRed(0x0040FF), 255);
    EXPECT_EQ(ColorGreen(0x0040FF), 64);
    EXPECT_EQ(ColorBlue(0x0040FF), 0);
}

TEST(ProfileDefaults, ResettingKeepsTheNameAndWipesEverythingElse) {
    auto p = CreateProfile();
    macro::WriteName(p->name, u"Office");
    const auto fresh = CreateProfile();
    macro::WriteName(fresh->name, u"Office");
    p->brightness = 15;
    p->note_a[0] = u'x';
    p->buttons[0].function = static_cast<std::uint8_t>(ButtonFunction::kMacro);
    macro::WriteName(p->buttons[0].macro_name, u"M");
    p->buttons[0].macro_event_count = 2;
    p->buttons[0].macro_actions[1].delay = 99;
    p->buttons[21].function = 7;  // an unused slot
    p->reserved_2236[3] = 9;
    SetDefaults(*p);
    EXPECT_EQ(std::memcmp(p.get(), fresh.get(), sizeof(ProfileInfo)), 0);
    EXPECT_EQ(macro::ReadName(p->name), u"Office");
}

TEST(MacroStartSlot, GivesTheFirstSlotOfTheFirstSevenButtons) {
    const int expected[18] = {1, 5, 9, 13, 17, 21, 25, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    for (int b = 0; b < 18; ++b) {
        EXPECT_EQ(macro_start_slot[b], expected[b]) << b;
    }
}

class CompareTest : public ::testing::Test {
protected:
    ChangeSet Changes() const { return Compare(*current, *applied); }
    std::unique_ptr<ProfileInfo> current = CreateProfile();
    std::unique_ptr<ProfileInfo> applied = CreateProfile();
};

TEST_F(CompareTest, EqualRecordsChangeNothing) {
    EXPECT_FALSE(Changes().Any());
}

TEST_F(CompareTest, EachSettingMarksOnlyItsGroup) {
    current->brightness = 3;
    ChangeSet c = Changes();
    EXPECT_TRUE(c.light);
    EXPECT_FALSE(c.sensor || c.polling || c.keys);

    *current = *applied;
    current->polling_rate_hs = 6;
    c = Changes();
    EXPECT_TRUE(c.polling);
    EXPECT_FALSE(c.sensor || c.light || c.keys);

    *current = *applied;
    current->dpi_color[7] = 0x123456;
    c = Changes();
    EXPECT_TRUE(c.sensor);
    EXPECT_FALSE(c.polling || c.light || c.keys);

    for (auto member :
         {&ProfileInfo::reserved_2224, &ProfileInfo::reserved_2232, &ProfileInfo::lift_off_distance,
          &ProfileInfo::current_dpi_stage, &ProfileInfo::ripple_control, &ProfileInfo::angle_snap,
          &ProfileInfo::motion_sync}) {
        *current = *applied;
        (*current).*member += 1;
        EXPECT_TRUE(Changes().sensor);
    }
    for (auto member :
         {&ProfileInfo::light_mode, &ProfileInfo::reserved_2388, &ProfileInfo::breath_speed,
          &ProfileInfo::key_debounce, &ProfileInfo::sleep_timer, &ProfileInfo::light_off_time}) {
        *current = *applied;
        (*current).*member += 1;
        EXPECT_TRUE(Changes().light);
    }
}

TEST_F(CompareTest, FieldsOutsideTheGroupsChangeNothing) {
    macro::WriteName(current->name, u"Renamed");
    current->move_mode = 1;
    current->spare_color[2] = 0;
    current->note_b[3] = u'n';
    current->reserved_2200 = 1;
    EXPECT_FALSE(Changes().Any());
}

TEST_F(CompareTest, MacroMembersMarkTheirButtonAndTheKeyGroup) {
    current->buttons[5].macro_actions[189].x = 4;
    ChangeSet c = Changes();
    EXPECT_TRUE(c.keys);
    for (int b = 0; b < 18; ++b) {
        EXPECT_EQ(c.macro[b], b == 5) << b;
    }
    *current = *applied;
    current->buttons[2].reserved_1084[2] = 1;
    EXPECT_TRUE(Changes().macro[2]);
    *current = *applied;
    current->buttons[2].reserved_1087 = 1;
    EXPECT_TRUE(Changes().macro[2]);
    *current = *applied;
    current->buttons[17].macro_repeat = 3;
    EXPECT_TRUE(Changes().macro[17]);
    *current = *applied;
    current->buttons[0].macro_loop_mode = 2;
    EXPECT_TRUE(Changes().macro[0]);

    // A key combination is part of the key group only.
    *current = *applied;
    current->buttons[4].key_code = 0x04;
    c = Changes();
    EXPECT_TRUE(c.keys);
    EXPECT_FALSE(c.macro[4]);
    // So is the name of the macro.
    *current = *applied;
    current->buttons[4].macro_name[0] = u'Z';
    c = Changes();
    EXPECT_TRUE(c.keys);
    EXPECT_FALSE(c.macro[4]);
}

TEST(RepairProfile, TerminatesNamesAndClampsEventCounts) {
    auto p = CreateProfile();
    EXPECT_FALSE(RepairProfile(*p));
    std::fill(std::begin(p->name), std::end(p->name), u'P');
    std::fill(std::begin(p->note_b), std::end(p->note_b), u'n');
    std::fill(std::begin(p->buttons[23].macro_name), std::end(p->buttons[23].macro_name), u'm');
    p->buttons[3].macro_event_count = 191;
    p->buttons[4].macro_event_count = 190;
    EXPECT_TRUE(RepairProfile(*p));
    EXPECT_EQ(macro::ReadName(p->name).size(), 99u);
    EXPECT_EQ(macro::ReadName(p->note_b).size(), 499u);
    EXPECT_EQ(macro::ReadName(p->buttons[23].macro_name).size(), 23u);
    EXPECT_EQ(p->buttons[3].macro_event_count, 190);
    EXPECT_EQ(p->buttons[4].macro_event_count, 190);
    EXPECT_FALSE(RepairProfile(*p));
}

TEST(ButtonFunction, TextKeys) {
    EXPECT_EQ(ButtonFunctionTextKey(0), "button_off_text");
    EXPECT_EQ(ButtonFunctionTextKey(13), "titl_left_text");
    EXPECT_EQ(ButtonFunctionTextKey(17), "assign_macro_text");
    EXPECT_EQ(ButtonFunctionTextKey(89), "my_computer_text");
    EXPECT_EQ(ButtonFunctionTextKey(16), "");
    EXPECT_EQ(ButtonFunctionTextKey(19), "");
    EXPECT_EQ(ButtonFunctionTextKey(115), "");
}

}  // namespace
}  // namespace talvik::profile
