#include "devices/light_mode_controls.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace norvik::devices {
namespace {

void Add(std::string& text, const char* name, const std::optional<bool>& flag) {
  text += std::string(text.empty() ? "" : " ") + name + (!flag ? "." : *flag ? "+" : "-");
}

// Enabled groups (lower case), shown groups (upper case), then the direction texts; '.' leaves
// a control as it is.
std::string Summary(const LightModeControls& c) {
  std::string text;
  Add(text, "eff", c.effect_enabled);
  Add(text, "7c", c.seven_colour_enabled);
  Add(text, "col", c.colour_enabled);
  Add(text, "pal", c.palette_enabled);
  Add(text, "bri", c.brightness_enabled);
  Add(text, "spd", c.speed_enabled);
  Add(text, "dir", c.direction_enabled);
  Add(text, "lcol", c.light_colour_enabled);
  Add(text, "SPD", c.speed_shown);
  Add(text, "CUS", c.custom_shown);
  Add(text, "ZZ", c.second_mode_shown);
  Add(text, "SAME", c.same_mode_shown);
  return text + " " + (c.direction_texts ? std::string(c.direction_texts->first) : ".");
}

using Family = LightLayoutFamily;

TEST(LightModeControls, EachFamilyAndModeSetsItsGroups) {
  struct Row {
    Family family;
    int mode;
    bool same_mode_allowed;
    std::string controls;
  };
  const std::string kRightToLeft = "light_set_right_to_left_text";
  const std::vector<Row> rows = {
      {Family::Keyboard, 1, true,
       "eff+ 7c+ col+ pal+ bri+ spd+ dir+ lcol+ SPD+ CUS- ZZ- SAME- " + kRightToLeft},
      {Family::Keyboard, 3, true,
       "eff+ 7c+ col+ pal+ bri+ spd+ dir+ lcol+ SPD+ CUS- ZZ- SAME- light_set_clockwise_text"},
      {Family::Keyboard, 4, true,
       "eff+ 7c- col- pal- bri+ spd+ dir- lcol- SPD+ CUS- ZZ- SAME+ " + kRightToLeft},
      {Family::Keyboard, 4, false,
       "eff+ 7c- col- pal- bri+ spd+ dir- lcol- SPD+ CUS- ZZ- SAME- " + kRightToLeft},
      {Family::Keyboard, 6, true,
       "eff+ 7c+ col+ pal+ bri+ spd- dir- lcol+ SPD+ CUS- ZZ- SAME+ " + kRightToLeft},
      {Family::Keyboard, 12, false,
       "eff+ 7c+ col+ pal+ bri+ spd+ dir+ lcol+ SPD+ CUS- ZZ- SAME- light_set_up_to_down_text"},
      // Mode 17: the second mode list instead of the speed group.
      {Family::Keyboard, 17, true,
       "eff+ 7c- col- pal- bri+ spd+ dir- lcol- SPD- CUS- ZZ+ SAME- " + kRightToLeft},
      {Family::Keyboard, 18, true,
       "eff+ 7c- col- pal- bri+ spd- dir+ lcol- SPD+ CUS- ZZ- SAME- "
       "light_set_inside_to_outside_text"},
      // Mode 20: custom per-key colours, the speed group hidden.
      {Family::Keyboard, 20, true,
       "eff+ 7c- col+ pal+ bri+ spd- dir- lcol+ SPD- CUS+ ZZ- SAME- " + kRightToLeft},
      {Family::Keyboard, 28, true,
       "eff+ 7c- col- pal- bri- spd- dir- lcol+ SPD+ CUS- ZZ- SAME+ " + kRightToLeft},
      // Modes without a row disable every group but the effect list.
      {Family::Keyboard, 19, true,
       "eff+ 7c- col- pal- bri- spd- dir- lcol+ SPD+ CUS- ZZ- SAME- " + kRightToLeft},
      {Family::Keyboard, -1, true,
       "eff+ 7c- col- pal- bri- spd- dir- lcol+ SPD+ CUS- ZZ- SAME- " + kRightToLeft},
      {Family::Keyboard, 40, true,
       "eff+ 7c- col- pal- bri- spd- dir- lcol+ SPD+ CUS- ZZ- SAME- " + kRightToLeft},
      // Other families leave the keyboard's extra groups alone.
      {Family::Mouse, 3, true, "eff+ 7c- col+ pal+ bri+ spd- dir- lcol. SPD. CUS. ZZ. SAME+ ."},
      {Family::Mouse, 5, true, "eff+ 7c+ col+ pal+ bri+ spd+ dir+ lcol. SPD. CUS. ZZ. SAME- ."},
      {Family::Mouse, 9, true, "eff+ 7c- col- pal- bri- spd- dir- lcol. SPD. CUS. ZZ. SAME- ."},
      {Family::MousePad, 2, true, "eff+ 7c+ col+ pal+ bri+ spd+ dir- lcol. SPD. CUS. ZZ. SAME+ ."},
      {Family::MousePad, 5, true, "eff+ 7c- col- pal- bri- spd- dir- lcol. SPD. CUS. ZZ. SAME- ."},
      {Family::Headset, 1, true, "eff+ 7c- col- pal- bri+ spd+ dir- lcol. SPD. CUS. ZZ. SAME+ ."},
      {Family::Headset2, 8, false, "eff+ 7c- col- pal- bri- spd- dir- lcol. SPD. CUS. ZZ. SAME- ."},
      // The hub leaves the direction and "deng_same_mode" as they are.
      {Family::Hub, 1, true, "eff+ 7c- col+ pal+ bri+ spd- dir. lcol. SPD. CUS. ZZ. SAME. ."},
      {Family::Hub, 4, true, "eff+ 7c- col- pal- bri+ spd+ dir. lcol. SPD. CUS. ZZ. SAME. ."},
      {Family::Fixed, 1, true, "eff. 7c. col. pal. bri. spd. dir. lcol. SPD. CUS. ZZ. SAME. ."},
      {static_cast<Family>(0), 1, true,
       "eff. 7c. col. pal. bri. spd. dir. lcol. SPD. CUS. ZZ. SAME. ."},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(Summary(ApplyMode(row.family, row.mode, row.same_mode_allowed)), row.controls)
        << "family " << static_cast<int>(row.family) << " mode " << row.mode;
  }
}

// The modes that offer "deng_same_mode" outside the keyboard are the ones the lighting
// synchroniser can follow.
TEST(LightModeControls, SameModeIsOfferedForTheModesTheSynchroniserFollows) {
  for (const Family family : {Family::Mouse, Family::MousePad, Family::Headset, Family::Headset2}) {
    std::vector<int> offered;
    for (int mode = 0; mode < 32; ++mode) {
      if (ApplyMode(family, mode, true).same_mode_shown.value_or(false)) offered.push_back(mode);
    }
    EXPECT_EQ(offered, (std::vector<int>{1, 2, 3, 4, 8})) << static_cast<int>(family);
  }
}

TEST(ModeList, HiddenModesKeepTheirPlace) {
  const std::vector<std::string> names = {"Static", "Breathing", "Wave", "Ripple"};
  const std::vector<int> visible = {1, 0, 1};  // no flag for the last name: shown
  const ModeList list = SetModeList(names, visible, -3, 4);
  ASSERT_EQ(list.items.size(), 4u);
  EXPECT_EQ(list.items[1], (ModeListItem{"Breathing", false}));
  EXPECT_EQ(list.items[2], (ModeListItem{"Wave", true}));
  EXPECT_EQ(list.items[3], (ModeListItem{"Ripple", true}));
  EXPECT_EQ(list.brightness_max, 0);
  EXPECT_EQ(list.speed_max, 4);
}

}  // namespace
}  // namespace norvik::devices
