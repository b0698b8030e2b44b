#pragma once
// The keys the macro editor records and names. Each key is known by its PC set-1 scan code and
// extended flag (what a keyboard hook reports, independent of the keyboard layout) and stored in
// a macro event either as a HID keyboard usage (Type 10) or as a bit of the HID modifier byte
// (Type 9). The keys are the modifier and ordinary keys of the key table (key_code_table.h),
// which gives their codes and names; this table adds what a hook reports for each.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace norvik::profiles {

// A set-1 make code and whether the key sends the 0xE0 prefix.
struct ScanCode {
  std::uint8_t code = 0;
  bool extended = false;
  friend bool operator==(const ScanCode&, const ScanCode&) = default;
};

struct MacroKey {
  ScanCode scan;                  // code 0: the key is shown but never recorded
  std::size_t key_row = 0;        // the key's row in KeyCodeTable()
  std::uint8_t modifier_bit = 0;  // non-zero for the eight modifier keys
  std::uint8_t usage = 0;         // HID Keyboard/Keypad usage; 0 for the modifier keys
  std::string name_id;            // language text key of the key's name
};

// Rows 0-113 of the key table in its order: the modifier keys (in modifier bit order), then the
// ordinary keys.
std::span<const MacroKey> MacroKeys();

// The first key with that scan code and extended flag; nothing for keys the editor does not
// record (media keys, for instance).
const MacroKey* FindMacroKeyByScanCode(ScanCode scan);
// The name of a key event: the first ordinary key with that HID usage (Type 10), or the modifier
// key with that bit (Type 9).
const MacroKey* FindMacroKeyByUsage(std::int64_t usage);
const MacroKey* FindMacroKeyByModifierBit(std::int64_t bit);

// The scan code of a Linux input (evdev) key code. Most evdev codes below 89 are the set-1 make
// codes themselves; the extended keys (right Ctrl, arrows, keypad Enter ...), Num Lock (which a
// keyboard hook reports extended, unlike Pause) and the international keys come from a table.
// Nothing for codes no PC keyboard key sends.
std::optional<ScanCode> ScanCodeFromEvdev(std::uint32_t evdev_code);

}  // namespace norvik::profiles
