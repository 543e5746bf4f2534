#include "profile/profile_record.h"

#include <gtest/gtest.h>

#include <cstring>

#include "macro/record_name.h"
#include "profile/button_function.h"
#include "profile/profile_defaults.h"

namespace talvik::profile {
namespace {

std::int32_t Int32At(const ProfileInfo& p, std::size_t offset) {
    std::int32_t v;
    std::memcpy(&v, reinterpret_cast<const unsigned char*>(&p) + offset, sizeof(v));
    return v;
}

// The defaults the settings packets do not show (those are in the packets' golden bytes); resetting
// keeps the name and wipes everything else.
TEST(ProfileDefaults, FieldsOutsideThePacketsZerosElsewhereAndResetting) {
    const auto p = CreateProfile();
    const auto* bytes = reinterpret_cast<const unsigned char*>(p.get());
    EXPECT_EQ(std::memcmp(p->dpi_value_y, p->dpi_value, sizeof p->dpi_value), 0);
    const ColorValue spare[8] = {0x0000FF, 0x00FF00, 0xFF0000, 0xFF00FF,
                                 0x00FFFF, 0xFFFFFF, 0xFFFFFF, 0x0080FF};
    EXPECT_EQ(std::memcmp(p->spare_color, spare, sizeof(spare)), 0);
    EXPECT_EQ((std::array{Int32At(*p, 2200), Int32At(*p, 2204), Int32At(*p, 2212)}),
              (std::array{420, 3, 6}));
    EXPECT_EQ(bytes[2392], 1);
    for (int b = 0; b < 18; ++b) {
        const std::size_t at = 2468 + 4128 * static_cast<std::size_t>(b);
        EXPECT_EQ(bytes[at], b);
        EXPECT_EQ(Int32At(*p, at + 8) & 0xFFFF, 562) << b;
        EXPECT_EQ(Int32At(*p, at + 1072), -1) << b;
        EXPECT_EQ(Int32At(*p, at + 1076), -1) << b;
    }
    for (std::size_t i = 0; i < sizeof(ProfileInfo); ++i) {
        if (i < 2200 || i >= 2468 + 4128 * 18) {
            ASSERT_EQ(bytes[i], 0) << "byte " << i;
        }
    }
    EXPECT_EQ(ColorToScreen(MakeColor(255, 64, 0)), 0xFFFF4000u) << "red in the first byte";

    auto used = std::make_unique<ProfileInfo>(*p);
    macro::WriteName(used->name, u"Office");
    used->note_a[0] = u'x';
    used->buttons[0].macro_actions[1].delay = 99;
    used->buttons[21].function = 7;  // an unused slot
    used->reserved_2236[3] = 9;
    SetDefaults(*used);
    macro::WriteName(p->name, u"Office");
    EXPECT_EQ(std::memcmp(used.get(), p.get(), sizeof(ProfileInfo)), 0);
}

// Each setting marks only its packet group; macro members mark their button too.
TEST(Compare, EachFieldMarksItsGroupOnly) {
    auto current = CreateProfile();
    const auto applied = CreateProfile();
    EXPECT_FALSE(Compare(*current, *applied).Any());
    using P = ProfileInfo;
    using Fields = std::vector<std::int32_t P::*>;
    const std::pair<Fields, ChangeSet> groups[] = {
        {{&P::brightness, &P::light_mode, &P::reserved_2388, &P::breath_speed, &P::key_debounce,
          &P::sleep_timer, &P::light_off_time},
         {.light = true}},
        {{&P::polling_rate_hs}, {.polling = true}},
        {{&P::reserved_2224, &P::reserved_2232, &P::lift_off_distance, &P::current_dpi_stage,
          &P::ripple_control, &P::angle_snap, &P::motion_sync},
         {.sensor = true}},
        {{&P::move_mode, &P::reserved_2200}, {}}};
    for (const auto& [fields, want] : groups) {
        for (const auto field : fields) {
            *current = *applied;
            (*current).*field += 1;
            const ChangeSet c = Compare(*current, *applied);
            EXPECT_EQ(std::make_tuple(c.sensor, c.polling, c.light, c.keys),
                      std::make_tuple(want.sensor, want.polling, want.light, want.keys))
                << reinterpret_cast<const char*>(&((*current).*field)) -
                       reinterpret_cast<const char*>(current.get());
        }
    }
    *current = *applied;
    current->dpi_color[7] = 0x123456;
    EXPECT_TRUE(Compare(*current, *applied).sensor);
    *current = *applied;
    macro::WriteName(current->name, u"Renamed");
    current->spare_color[2] = 0;
    current->note_b[3] = u'n';
    EXPECT_FALSE(Compare(*current, *applied).Any());

    const auto marks = [&](auto edit) {
        *current = *applied;
        edit(current->buttons);
        const ChangeSet c = Compare(*current, *applied);
        EXPECT_TRUE(c.keys);
        return std::vector<bool>(std::begin(c.macro), std::end(c.macro));
    };
    std::vector<bool> only5(18, false);
    only5[5] = true;
    EXPECT_EQ(marks([](ButtonAssign* b) { b[5].macro_actions[189].x = 4; }), only5);
    EXPECT_EQ(marks([](ButtonAssign* b) { b[5].reserved_1084[2] = 1; }), only5);
    EXPECT_EQ(marks([](ButtonAssign* b) { b[5].reserved_1087 = 1; }), only5);
    EXPECT_EQ(marks([](ButtonAssign* b) { b[5].macro_repeat = 3; }), only5);
    EXPECT_EQ(marks([](ButtonAssign* b) { b[5].macro_loop_mode = 2; }), only5);
    // A key combination and the macro's name are part of the key group only.
    EXPECT_EQ(marks([](ButtonAssign* b) { b[5].key_code = 4; }), std::vector<bool>(18, false));
    EXPECT_EQ(marks([](ButtonAssign* b) { b[5].macro_name[0] = u'Z'; }),
              std::vector<bool>(18, false));
}

TEST(RepairProfile, TerminatesNamesAndClampsEventCounts) {
    auto p = CreateProfile();
    EXPECT_FALSE(RepairProfile(*p));
    std::fill(std::begin(p->name), std::end(p->name), u'P');
    EXPECT_TRUE(RepairProfile(*p)) << "a name without its end";
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

}  // namespace
}  // namespace talvik::profile
