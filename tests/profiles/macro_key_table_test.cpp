#include "profiles/macro_key_table.h"

#include <array>
#include <cstdint>
#include <cstdio>
#include <string>

#include <gtest/gtest.h>

#include "profiles/key_code_table.h"
#include "profiles/macro_event.h"
#include "profiles/macro_event_names.h"

namespace norvik::profiles {
namespace {

// Linux's own mapping of HID Keyboard/Keypad usages 0x00-0x91 to input key codes (hid-input's
// keyboard table), an independent source for the evdev codes the recorder receives.
// clang-format off
constexpr std::array<std::uint8_t, 0x92> kLinuxEvdevOfUsage = {
      0,  0,  0,  0, 30, 48, 46, 32, 18, 33, 34, 35, 23, 36, 37, 38,
     50, 49, 24, 25, 16, 19, 31, 20, 22, 47, 17, 45, 21, 44,  2,  3,
      4,  5,  6,  7,  8,  9, 10, 11, 28,  1, 14, 15, 57, 12, 13, 26,
     27, 43, 43, 39, 40, 41, 51, 52, 53, 58, 59, 60, 61, 62, 63, 64,
     65, 66, 67, 68, 87, 88, 99, 70,119,110,102,104,111,107,109,106,
    105,108,103, 69, 98, 55, 74, 78, 96, 79, 80, 81, 75, 76, 77, 71,
     72, 73, 82, 83, 86,127,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,
      0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,
      0,  0,  0,  0,  0,121,  0, 89, 93,124, 92, 94,  0,  0,  0,  0,
    122,123};
// Usages 0xE0-0xE7: left Ctrl, Shift, Alt, Meta, right Ctrl, Shift, Alt, Meta.
constexpr std::array<std::uint8_t, 8> kLinuxEvdevOfModifier = {29, 42, 56, 125, 97, 54, 100, 126};
// clang-format on

std::uint32_t LinuxEvdevOf(const MacroKey& key) {
  if (key.modifier_bit != 0) {
    for (std::size_t bit = 0; bit < kLinuxEvdevOfModifier.size(); ++bit) {
      if (key.modifier_bit == (1u << bit)) return kLinuxEvdevOfModifier[bit];
    }
    return 0;
  }
  return key.usage < kLinuxEvdevOfUsage.size() ? kLinuxEvdevOfUsage[key.usage] : 0;
}

std::string Scan(std::optional<ScanCode> scan) {
  if (!scan) return "none";
  char text[16];
  std::snprintf(text, sizeof text, "%s%02X", scan->extended ? "E0 " : "", scan->code);
  return text;
}

TEST(MacroKeyTable, EveryRecordableKeyIsFoundFromTheEvdevCodeLinuxGivesItsUsage) {
  int recordable = 0;
  for (const MacroKey& key : MacroKeys()) {
    if (key.scan.code == 0) continue;
    ++recordable;
    const std::uint32_t evdev = LinuxEvdevOf(key);
    ASSERT_NE(evdev, 0u) << key.name_id << " has no Linux key code in the reference";
    EXPECT_EQ(Scan(ScanCodeFromEvdev(evdev)), Scan(key.scan))
        << key.name_id << " (evdev " << evdev << ")";
    // Two rows with one scan code would make the second unreachable.
    EXPECT_EQ(FindMacroKeyByScanCode(key.scan), &key) << key.name_id;
  }
  EXPECT_EQ(recordable, 113);
}

TEST(MacroKeyTable, ScanCodesAndUsagesFindTheirEvents) {
  struct Case {
    ScanCode scan;
    MacroEventType type;
    int button;
    const char* name;
  };
  const Case cases[] = {
      {{0x1E, false}, MacroEventType::Key, 4, "keyboard_key_A"},
      {{0x1D, false}, MacroEventType::ModifierKey, 1, "keyboard_key_LCtrl"},
      {{0x1D, true}, MacroEventType::ModifierKey, 16, "keyboard_key_RCtrl"},
      {{0x36, true}, MacroEventType::ModifierKey, 32, "keyboard_key_RShift"},
      {{0x45, false}, MacroEventType::Key, 72, "keyboard_key_Pause"},
      {{0x45, true}, MacroEventType::Key, 83, "keyboard_key_Num Lock"},
      {{0x1C, false}, MacroEventType::Key, 40, "keyboard_key_Enter"},
      {{0x1C, true}, MacroEventType::Key, 88, "keyboard_key_Num Enter"},
      {{0x48, true}, MacroEventType::Key, 82, "keyboard_key_Up"},
      {{0x48, false}, MacroEventType::Key, 96, "keyboard_key_Num 8"},
      {{0x71, false}, MacroEventType::Key, 145, "keyboard_key_K150"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const MacroKey* key = FindMacroKeyByScanCode(c.scan);
    ASSERT_NE(key, nullptr);
    EXPECT_EQ(key->name_id, c.name);
    const MacroKey* named = c.type == MacroEventType::Key ? FindMacroKeyByUsage(c.button)
                                                          : FindMacroKeyByModifierBit(c.button);
    EXPECT_EQ(named, key);
    // The key page finds the same row of the key table from the key's bytes.
    const KeyAssignment bytes = c.type == MacroEventType::Key
                                    ? KeyAssignment{0x20, 0, static_cast<std::uint8_t>(c.button)}
                                    : KeyAssignment{0x20, static_cast<std::uint8_t>(c.button), 0};
    EXPECT_EQ(FindKeyRow(bytes), key->key_row);
  }
  // Keys the editor does not record: a media key's scan code, the shown-only non-US "#" key.
  EXPECT_EQ(FindMacroKeyByScanCode({0x22, true}), nullptr);
  EXPECT_EQ(FindMacroKeyByScanCode({0x00, false}), nullptr);
  ASSERT_NE(FindMacroKeyByUsage(50), nullptr);
  EXPECT_EQ(FindMacroKeyByUsage(50)->name_id, "keyboard_key_K42");
  EXPECT_EQ(FindMacroKeyByUsage(0), nullptr);
  EXPECT_EQ(FindMacroKeyByModifierBit(3), nullptr);
}

TEST(MacroKeyTable, EvdevCodesNoKeyboardKeySendsGiveNothing) {
  for (std::uint32_t evdev : {0u, 84u, 113u /* mute */, 164u /* play */, 240u, 0xFFFFFFFFu}) {
    EXPECT_EQ(Scan(ScanCodeFromEvdev(evdev)), "none") << evdev;
  }
  EXPECT_EQ(Scan(ScanCodeFromEvdev(1)), "01") << "Esc";
  EXPECT_EQ(Scan(ScanCodeFromEvdev(88)), "58") << "F12";
}

TEST(MacroEventNames, RowsShowTheirKeyButtonOrMove) {
  struct Case {
    const char* action;
    int type;
    int button;
    MacroRowLook look;
  };
  const Case cases[] = {
      {"down", 10, 4, {"keyboard_key_A", kMacroKeyboardNameStyle, "", kMacroDownStyle}},
      {"up", 10, 50, {"keyboard_key_K42", kMacroKeyboardNameStyle, "", kMacroUpStyle}},
      {"up", 10, 200, {"", kMacroKeyboardNameStyle, "", kMacroUpStyle}},
      {"down", 9, 16, {"keyboard_key_RCtrl", kMacroKeyboardNameStyle, "", kMacroDownStyle}},
      {"down", 1, 8, {"mouse_key_back", kMacroMouseNameStyle, "", kMacroDownStyle}},
      {"up", 1, 16, {"mouse_key_forward", kMacroMouseNameStyle, "", kMacroUpStyle}},
      {"down", 4, 12, {"mouse_move_to_left_text", kMacroMouseNameStyle, "12", kMacroTextStyle}},
      {"up", 4, 0, {"mouse_move_to_right_text", kMacroMouseNameStyle, "0", kMacroTextStyle}},
      {"down", 5, 7, {"mouse_move_to_up_text", kMacroMouseNameStyle, "7", kMacroTextStyle}},
      {"up", 5, 255, {"mouse_move_to_down_text", kMacroMouseNameStyle, "255", kMacroTextStyle}},
      {"down", 2, 1, {"", kMacroMouseNameStyle, "", kMacroTextStyle}},
      {"Down", 7, 1, {"", "", "", kMacroUpStyle}},
  };
  for (const Case& c : cases) {
    MacroEvent event;
    event.action = c.action;
    event.type = c.type;
    event.button = c.button;
    const MacroRowLook look = DescribeMacroEvent(event);
    const std::string where =
        std::string(c.action) + "/" + std::to_string(c.type) + "/" + std::to_string(c.button);
    EXPECT_EQ(look.name_id, c.look.name_id) << where;
    EXPECT_EQ(look.name_style, c.look.name_style) << where;
    EXPECT_EQ(look.action_text, c.look.action_text) << where;
    EXPECT_EQ(look.action_style, c.look.action_style) << where;
  }
}

}  // namespace
}  // namespace norvik::profiles
