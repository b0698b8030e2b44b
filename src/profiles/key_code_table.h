#pragma once
// The functions a key can be given, as tables of assignment bytes: the keyboard key table (what
// each keyboard key, media key, system key and device function sends), and the rows of the key
// page's choice lists (mouse buttons, DPI steps, shortcuts). The key page, the macro editor and
// `norvikctl key` share them; the rows' order is the order of the page's lists.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "profiles/profile_records.h"

namespace norvik::profiles {

// Assignment types (byte A).
enum class AssignType : std::uint8_t {
  None = 0x00,
  MouseButton = 0x10,
  Swing = 0x11,
  Wheel = 0x12,
  Dpi = 0x13,
  RapidFire = 0x14,
  KeyboardKey = 0x20,
  Media = 0x30,
  System = 0x40,
  MacroPlayMode = 0x70,
  MacroRepeat = 0x71,
  ShootPattern = 0x72,
  DeviceFunction = 0xA0,
  Shortcut = 0xB0,
  MacroKey = 0xD0,
};

inline constexpr std::uint8_t TypeByte(AssignType type) {
  return static_cast<std::uint8_t>(type);
}

// One row: the bytes a function sends and the names it goes by.
struct KeyCodeRow {
  // Windows virtual-key code; 0 when the function has none, 0xFF for keys Windows reports
  // without one, 0x101 for the keypad's Enter (Enter with the extended-key flag).
  std::uint16_t virtual_key = 0;
  KeyAssignment code;     // A, B, C
  std::string_view name;  // keyboard table: the text key is "keyboard_key_" + name
  std::string_view word;  // the command line's name: one word, no '+' or ':'
};

// The keyboard key table, 142 rows: 0-7 the modifiers alone, 8-113 the ordinary keys (HID
// keyboard usage in C), 114-131 media keys, 132-134 power, sleep and wake-up, 135-139 M1-M5,
// 140-141 FN and GM.
inline constexpr std::size_t kKeyCodeRowCount = 142;
inline constexpr std::size_t kFirstOrdinaryKeyRow = 8;
inline constexpr std::size_t kFirstMediaKeyRow = 114;
inline constexpr std::size_t kMediaKeyCount = 18;
inline constexpr std::size_t kFirstSystemKeyRow = 132;
inline constexpr std::size_t kSystemKeyCount = 3;
std::span<const KeyCodeRow> KeyCodeTable();

// "keyboard_key_" + the row's name.
std::string KeyTextKey(const KeyCodeRow& row);

// Lookups into the key table (row numbers). A virtual-key code of 0 or 0xFF (no key) finds
// nothing; where two rows share a code the first is found.
std::optional<std::size_t> FindKeyRow(const KeyAssignment& code);
std::optional<std::size_t> FindKeyRowByUsage(std::uint8_t hid_usage);  // type 0x20, no modifier
std::optional<std::size_t> FindKeyRowByVirtualKey(std::uint16_t virtual_key);
// By the row's word, ignoring letter case.
std::optional<std::size_t> FindKeyRowByWord(std::string_view word);

// The choice lists of the key page, in item order. Media and system lists are the media and
// system rows of the key table.
std::span<const KeyCodeRow> MouseButtonChoices();  // left, middle, right, forward, back
std::span<const KeyCodeRow> DpiChoices();          // B = 1, 2, 3
std::span<const KeyCodeRow> MediaChoices();
std::span<const KeyCodeRow> SystemChoices();
std::span<const KeyCodeRow> ShortcutChoices();  // left Ctrl with O, N, Z, S, C, X, V, F, A, -, =

// The item of a list whose row has the same B and C (the type is not compared), if any.
std::optional<std::size_t> FindChoice(std::span<const KeyCodeRow> choices, std::uint8_t b,
                                      std::uint8_t c);
// The item of a list with that word, ignoring letter case.
std::optional<std::size_t> FindChoiceByWord(std::span<const KeyCodeRow> choices,
                                            std::string_view word);

}  // namespace norvik::profiles
