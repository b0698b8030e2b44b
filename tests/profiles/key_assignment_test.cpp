#include "profiles/key_assignment_form.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cstdio>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "profiles/key_code_table.h"

namespace norvik::profiles {
namespace {

std::string Hex(const KeyAssignment& code) {
  char text[16];
  std::snprintf(text, sizeof text, "%02X %02X %02X", code.A, code.B, code.C);
  return text;
}

// The fields a form shows, for failure messages.
std::string Describe(const KeyAssignmentForm& f) {
  char text[256];
  std::snprintf(text, sizeof text,
                "enabled=%d function=%d mouse=%d swing={%d,%d,%d,%d} wheel={%d,%d,%d,%d} dpi=%d "
                "fire=%d/%d key=%d option=%d media=%d system=%d macro=%d play=%d repeat=%d "
                "shown=%d shoot=%d shortcut=%d",
                f.enabled, static_cast<int>(f.function), f.mouse_button_item,
                f.swing.direction_item, f.swing.count, f.swing.delay, f.swing.speed,
                f.wheel.direction_item, f.wheel.count, f.wheel.delay, f.wheel.speed, f.dpi_item,
                f.fire_interval, f.fire_count, f.keyboard_key_row, f.modifier_option, f.media_item,
                f.system_item, f.macro_item, f.macro_play_item, f.macro_repeat,
                f.macro_repeat_shown, f.shoot_item, f.shortcut_item);
  return text;
}

constexpr int kRowA = 8;  // key table rows
constexpr int kRowS = 26;
constexpr int kRowLCtrl = 0;
constexpr int kRowFN = 140;

using F = KeyFunction;

// Forms of one function with its fields set.
KeyAssignmentForm Form(F function) {
  KeyAssignmentForm form;
  form.function = function;
  return form;
}

// The chosen item of a function's list.
KeyAssignmentForm Item(F function, int item) {
  KeyAssignmentForm form = Form(function);
  for (auto [list, field] : {std::pair{F::MouseButton, &KeyAssignmentForm::mouse_button_item},
                             {F::Dpi, &KeyAssignmentForm::dpi_item},
                             {F::Media, &KeyAssignmentForm::media_item},
                             {F::System, &KeyAssignmentForm::system_item},
                             {F::ShootPattern, &KeyAssignmentForm::shoot_item},
                             {F::Shortcut, &KeyAssignmentForm::shortcut_item}}) {
    if (list == function) form.*field = item;
  }
  return form;
}

KeyAssignmentForm Motion(F function, MouseMotion motion) {
  KeyAssignmentForm form = Form(function);
  (function == F::Swing ? form.swing : form.wheel) = motion;
  return form;
}

KeyAssignmentForm Fire(int interval, int count) {
  KeyAssignmentForm form = Form(F::RapidFire);
  form.fire_interval = interval;
  form.fire_count = count;
  return form;
}

KeyAssignmentForm Key(int row, int option, KeyAssignmentForm form = Form(F::KeyboardKey)) {
  form.keyboard_key_row = row;
  form.modifier_option = option;
  return form;
}

KeyAssignmentForm Macro(int item, int play, int repeat = 0, bool repeat_shown = false) {
  KeyAssignmentForm form = Form(F::Macro);
  form.macro_item = item;
  form.macro_play_item = play;
  form.macro_repeat = repeat;
  form.macro_repeat_shown = repeat_shown;
  return form;
}

KeyAssignmentForm Disabled(KeyAssignmentForm form = Form(F::Default)) {
  form.enabled = false;
  return form;
}

TEST(KeyAssignmentForm, ShowsEachStoredTypeOnItsPage) {
  constexpr int kMacros = 2;
  const std::vector<std::pair<KeyAssignment, KeyAssignmentForm>> rows = {
      {{0x00, 0x00, 0x00}, Form(F::Default)},
      {{0x10, 0x04, 0x00}, Item(F::MouseButton, 1)},
      {{0x10, 0x03, 0x00}, Item(F::MouseButton, kNoItem)},  // no such button
      {{0x11, 0x23, 0x85}, Motion(F::Swing, {1, 5, 2, 3})},
      {{0x12, 0x0F, 0x85}, Motion(F::Wheel, {1, 123, 0, 15})},
      {{0x12, 0x0F, 0x80}, Motion(F::Wheel, {1, 128, 0, 15})},
      {{0x12, 0xF0, 0x05}, Motion(F::Wheel, {0, 5, 15, 0})},
      {{0x13, 0x02, 0x00}, Item(F::Dpi, 1)},
      {{0x14, 0x0A, 0x03}, Fire(10, 3)},
      {{0x20, 0x00, 0x04}, Key(kRowA, 0)},
      {{0x20, 0x02, 0x04}, Key(kRowA, 2)},
      // Left Ctrl with S is a shortcut: the shortcut page, the key fields filled as well.
      {{0x20, 0x01, 0x16}, Key(kRowS, 1, Item(F::Shortcut, 3))},
      // A modifier alone is a row of its own, with no option.
      {{0x20, 0x01, 0x00}, Key(kRowLCtrl, 0)},
      // Right Ctrl with A: no option can show the modifier.
      {{0x20, 0x10, 0x04}, Key(kRowA, kNoItem)},
      {{0x30, 0xE9, 0x00}, Item(F::Media, 6)},
      {{0x40, 0x04, 0x00}, Item(F::System, 2)},
      {{0x70, 0x01, 0x02}, Macro(1, 2)},
      {{0x70, 0x03, 0x02}, Macro(kNoItem, kNoItem)},  // macro 3 of 2: both lists cleared
      {{0x71, 0x01, 0x05}, Macro(1, kMacroRepeatItem, 5, true)},
      {{0x71, 0x05, 0x05}, Macro(kNoItem, kMacroRepeatItem, 5, false)},
      {{0x72, 0x03, 0x00}, Item(F::ShootPattern, 3)},
      {{0xB0, 0x01, 0x12}, Item(F::Shortcut, 0)},
      // Types the page has no page for disable it.
      {{0xA0, 0x01, 0x00}, Disabled()},
      {{0xD0, 0xA2, 0x01}, Disabled()},
      {{0x16, 0x90, 0x01}, Disabled()},
  };
  for (const auto& [stored, shown] : rows) {
    EXPECT_EQ(Describe(ShowAssignment(stored, kMacros)), Describe(shown))
        << "stored " << Hex(stored);
  }
}

TEST(KeyAssignmentForm, BuildsTheBytesOfEachPage) {
  const KeyAssignment stored{0x55, 0x66, 0x77};
  const KeyAssignment factory{0x20, 0x00, 0x29};
  const std::vector<std::pair<KeyAssignmentForm, KeyAssignment>> rows = {
      {Form(F::Default), factory},
      {Item(F::MouseButton, 3), {0x10, 0x10, 0x00}},
      {Item(F::MouseButton, kNoItem), stored},  // nothing chosen keeps the assignment
      {Motion(F::Swing, {1, 5, 2, 3}), {0x11, 0x23, 0x85}},
      {Motion(F::Wheel, {1, 123, 0, 15}), {0x12, 0x0F, 0x85}},
      {Motion(F::Wheel, {1, 128, 0, 0}), {0x12, 0x00, 0x80}},
      // No scroll has no direction (0x80 would read back as 128 down).
      {Motion(F::Wheel, {1, 0, 1, 1}), {0x12, 0x11, 0x00}},
      {Item(F::Dpi, 2), {0x13, 0x03, 0x00}},
      {Fire(40, 3), {0x14, 0x28, 0x03}},
      {Key(kRowA, 2), {0x20, 0x02, 0x04}},
      {Key(kNoItem, 1), {0x20, 0x01, 0x00}},      // the key edit is empty
      {Key(kRowA, kNoItem), {0x20, 0x00, 0x04}},  // no modifier to keep: stored is no key
      // Keys that carry their own bytes are sent as they are, whatever the option.
      {Key(kRowLCtrl, 2), {0x20, 0x01, 0x00}},
      {Key(kRowFN, 0), {0xA0, 0x01, 0x00}},
      {Item(F::Media, 0), {0x30, 0x83, 0x01}},
      {Item(F::System, 1), {0x40, 0x02, 0x00}},
      {Macro(2, 3), {0x70, 0x02, 0x03}},
      {Macro(2, kNoItem), {0x70, 0x02, 0x00}},
      {Macro(2, kMacroRepeatItem, 9), {0x71, 0x02, 0x09}},
      {Macro(kNoItem, kMacroRepeatItem, 9), stored},  // no macro chosen
      {Item(F::ShootPattern, 7), {0x72, 0x07, 0x00}},
      {Item(F::ShootPattern, kNoItem), stored},
      {Item(F::Shortcut, 10), {0x20, 0x01, 0x2E}},
      {Disabled(Item(F::MouseButton, 0)), stored},
      {Form(static_cast<KeyFunction>(12)), stored},
  };
  for (const auto& [form, built] : rows) {
    EXPECT_EQ(Hex(BuildAssignment(form, stored, factory)), Hex(built)) << Describe(form);
  }
  // A stored key's modifiers that no option shows (right Alt and left Shift) stay while no
  // option is chosen, whatever key is picked; choosing an option replaces them.
  const KeyAssignment stored_key{0x20, 0x42, 0x29};
  EXPECT_EQ(Hex(BuildAssignment(Key(kRowS, kNoItem), stored_key, factory)), "20 42 16");
  EXPECT_EQ(Hex(BuildAssignment(Key(kRowS, 3), stored_key, factory)), "20 04 16");
  EXPECT_EQ(Hex(BuildAssignment(Key(kRowS, 0), stored_key, factory)), "20 00 16");
}

// Out-of-range edits are clamped, not masked into another value, and the clamped value is the
// one the page shows again after the build.
TEST(KeyAssignmentForm, OutOfRangeEditsAreClampedAndShownAsClamped) {
  struct Row {
    KeyAssignmentForm typed;
    KeyAssignment built;
  };
  const std::vector<Row> rows = {
      // Masking would give count 200 & 0x7F = 72, delay 20 & 0x0F = 4.
      {Motion(F::Swing, {0, 200, 20, -3}), {0x11, 0xF0, 0x7F}},
      {Motion(F::Swing, {7, 5, 0, 0}), {0x11, 0x00, 0x85}},
      {Motion(F::Wheel, {0, 300, 0, 99}), {0x12, 0x0F, 0x7F}},
      {Motion(F::Wheel, {1, 300, 0, 0}), {0x12, 0x00, 0x80}},
      {Fire(256, -5), {0x14, 0xFF, 0x00}},
      {Macro(1, kMacroRepeatItem, 1000), {0x71, 0x01, 0xFF}},
      {Macro(1, 9), {0x70, 0x01, 0x00}},
  };
  for (const Row& row : rows) {
    const KeyAssignment built = BuildAssignment(row.typed, {}, {});
    EXPECT_EQ(Hex(built), Hex(row.built)) << Describe(row.typed);
    const KeyAssignmentForm shown = ShowAssignment(built, 2);
    const KeyAssignmentForm clamped = ClampForm(row.typed);
    EXPECT_EQ(shown.swing, clamped.swing) << Describe(row.typed);
    EXPECT_EQ(shown.wheel, clamped.wheel) << Describe(row.typed);
    EXPECT_EQ(shown.fire_interval, clamped.fire_interval);
    EXPECT_EQ(shown.fire_count, clamped.fire_count);
    EXPECT_EQ(shown.macro_play_item, clamped.macro_play_item);
    EXPECT_EQ(shown.macro_repeat, clamped.macro_repeat);
  }
  // Lists: an item beyond the list selects nothing; a modifier option beyond 4 is none.
  KeyAssignmentForm lists = Key(142, 5);
  lists.mouse_button_item = 5;
  lists.dpi_item = -7;
  lists.media_item = 18;
  lists.shoot_item = 256;
  EXPECT_EQ(Describe(ClampForm(lists)), Describe(Key(kNoItem, 0)));
}

// Every assignment the page shows with its own values builds back to the same bytes: all B and
// C of the computed and listed types, and every ordinary key with each modifier option.
TEST(KeyAssignmentForm, ShownAssignmentsBuildBackUnchanged) {
  for (const std::uint8_t type : {0x10, 0x11, 0x12, 0x13, 0x14, 0x30, 0x40, 0x71}) {
    int failures = 0;
    for (int b = 0; b < 256 && failures < 3; ++b) {
      for (int c = 0; c < 256 && failures < 3; ++c) {
        const KeyAssignment code{type, static_cast<std::uint8_t>(b), static_cast<std::uint8_t>(c)};
        const KeyAssignment built = BuildAssignment(ShowAssignment(code, 256), code, {});
        if (built == code) continue;
        ++failures;
        ADD_FAILURE() << Hex(code) << " built back as " << Hex(built);
      }
    }
  }
  // Every ordinary key with every modifier byte: the four single left modifiers show as their
  // option, other bytes as no option, and all build back (the page is given the stored bytes).
  for (std::size_t row = kFirstOrdinaryKeyRow; row < kFirstMediaKeyRow; ++row) {
    for (int b = 0; b < 256; ++b) {
      const KeyAssignment code{0x20, static_cast<std::uint8_t>(b), KeyCodeTable()[row].code.C};
      const KeyAssignmentForm shown = ShowAssignment(code, 0);
      int option = b == 0 ? 0 : kNoItem;
      for (int k = 1; k <= 4; ++k) option = ModifierBit(k) == b ? k : option;
      ASSERT_EQ(shown.keyboard_key_row, static_cast<int>(row)) << Hex(code);
      ASSERT_EQ(shown.modifier_option, option) << Hex(code);
      ASSERT_EQ(Hex(BuildAssignment(shown, code, {})), Hex(code));
    }
  }
}

TEST(KeyCodeTable, RowsAreUniqueByCodeUsageAndWord) {
  const auto table = KeyCodeTable();
  ASSERT_EQ(table.size(), kKeyCodeRowCount);
  std::set<std::string> words;
  std::set<std::uint32_t> codes;
  for (std::size_t i = 0; i < table.size(); ++i) {
    const KeyCodeRow& row = table[i];
    EXPECT_TRUE(codes.insert(PackAssignment(row.code)).second) << "row " << i << " code repeated";
    EXPECT_EQ(FindKeyRowByWord(row.word), i) << row.word;
    EXPECT_EQ(FindKeyRow(row.code), i) << row.word;
    std::string folded;
    for (const char ch : row.word) folded += static_cast<char>(std::tolower(ch));
    EXPECT_TRUE(words.insert(folded).second) << "word " << row.word << " repeated";
    EXPECT_FALSE(row.name.empty()) << "row " << i;
  }
  // The list views are the key table's media and system rows.
  EXPECT_EQ(Hex(MediaChoices()[1].code), "30 CD 00");
  EXPECT_EQ(Hex(SystemChoices()[0].code), "40 01 00");
}

TEST(KeyCodeTable, LooksUpByUsageVirtualKeyAndWord) {
  const auto text_of = [](std::optional<std::size_t> row) {
    return row ? KeyTextKey(KeyCodeTable()[*row]) : std::string("none");
  };
  EXPECT_EQ(text_of(FindKeyRowByUsage(0x04)), "keyboard_key_A");
  EXPECT_EQ(text_of(FindKeyRowByUsage(0x58)), "keyboard_key_Num Enter");
  EXPECT_EQ(text_of(FindKeyRowByUsage(0x32)), "keyboard_key_K42");
  EXPECT_EQ(text_of(FindKeyRowByUsage(0x00)), "none");
  EXPECT_EQ(text_of(FindKeyRowByVirtualKey(0x101)), "keyboard_key_Num Enter");
  EXPECT_EQ(text_of(FindKeyRowByVirtualKey(0xBF)), "keyboard_key_/");  // before K42's 0xBF
  EXPECT_EQ(text_of(FindKeyRowByVirtualKey(0xA3)), "keyboard_key_RCtrl");
  EXPECT_EQ(text_of(FindKeyRowByVirtualKey(0xFF)), "none");  // several keys without a code
  EXPECT_EQ(text_of(FindKeyRowByVirtualKey(0x00)), "none");
  EXPECT_EQ(text_of(FindKeyRowByWord("page-up")), "keyboard_key_Page Up");
  EXPECT_EQ(text_of(FindKeyRowByWord("VOLUME_UP")), "keyboard_key_Volume Up");
  EXPECT_EQ(text_of(FindKeyRowByWord("-")), "none");
  EXPECT_EQ(text_of(FindKeyRowByWord("")), "none");
}

}  // namespace
}  // namespace norvik::profiles
