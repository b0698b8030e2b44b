#include "profiles/macro_key_table.h"

#include <algorithm>
#include <array>
#include <vector>

#include "profiles/key_code_table.h"

namespace norvik::profiles {
namespace {

constexpr ScanCode Plain(std::uint8_t code) {
  return {code, false};
}
constexpr ScanCode Ext(std::uint8_t code) {
  return {code, true};
}

// The scan codes of the key table's modifier and ordinary keys, row by row (names in the
// comments).
// clang-format off
constexpr std::array<ScanCode, kFirstMediaKeyRow> kScanCodeOfRow = {{
    Plain(0x1D),  // LCtrl
    Plain(0x2A),  // LShift
    Plain(0x38),  // LAlt
    Ext(0x5B),  // LWin
    Ext(0x1D),  // RCtrl
    Ext(0x36),  // RShift
    Ext(0x38),  // RAlt
    Ext(0x5C),  // RWin
    Plain(0x1E),  // A
    Plain(0x30),  // B
    Plain(0x2E),  // C
    Plain(0x20),  // D
    Plain(0x12),  // E
    Plain(0x21),  // F
    Plain(0x22),  // G
    Plain(0x23),  // H
    Plain(0x17),  // I
    Plain(0x24),  // J
    Plain(0x25),  // K
    Plain(0x26),  // L
    Plain(0x32),  // M
    Plain(0x31),  // N
    Plain(0x18),  // O
    Plain(0x19),  // P
    Plain(0x10),  // Q
    Plain(0x13),  // R
    Plain(0x1F),  // S
    Plain(0x14),  // T
    Plain(0x16),  // U
    Plain(0x2F),  // V
    Plain(0x11),  // W
    Plain(0x2D),  // X
    Plain(0x15),  // Y
    Plain(0x2C),  // Z
    Plain(0x02),  // 1
    Plain(0x03),  // 2
    Plain(0x04),  // 3
    Plain(0x05),  // 4
    Plain(0x06),  // 5
    Plain(0x07),  // 6
    Plain(0x08),  // 7
    Plain(0x09),  // 8
    Plain(0x0A),  // 9
    Plain(0x0B),  // 0
    Plain(0x1C),  // Enter
    Plain(0x01),  // Esc
    Plain(0x0E),  // BackSpace
    Plain(0x0F),  // Tab
    Plain(0x39),  // Space
    Plain(0x0C),  // -
    Plain(0x0D),  // =
    Plain(0x1A),  // [
    Plain(0x1B),  // ]
    Plain(0x2B),  // xiegang
    Plain(0x27),  // ;
    Plain(0x28),  // '
    Plain(0x29),  // `
    Plain(0x33),  // <
    Plain(0x34),  // .
    Plain(0x35),  // /
    Plain(0x3A),  // Caplk
    Plain(0x3B),  // F1
    Plain(0x3C),  // F2
    Plain(0x3D),  // F3
    Plain(0x3E),  // F4
    Plain(0x3F),  // F5
    Plain(0x40),  // F6
    Plain(0x41),  // F7
    Plain(0x42),  // F8
    Plain(0x43),  // F9
    Plain(0x44),  // F10
    Plain(0x57),  // F11
    Plain(0x58),  // F12
    Ext(0x37),  // Print Scr
    Plain(0x46),  // Scroll Lock
    Plain(0x45),  // Pause
    Ext(0x52),  // Insert
    Ext(0x47),  // Home
    Ext(0x49),  // Page Up
    Ext(0x53),  // Delete
    Ext(0x4F),  // End
    Ext(0x51),  // Page Down
    Ext(0x4D),  // Right
    Ext(0x4B),  // Left
    Ext(0x50),  // Down
    Ext(0x48),  // Up
    Ext(0x45),  // Num Lock
    Ext(0x35),  // Num /
    Plain(0x37),  // Num *
    Plain(0x4A),  // Num -
    Plain(0x4E),  // Num +
    Ext(0x1C),  // Num Enter
    Plain(0x4F),  // Num 1
    Plain(0x50),  // Num 2
    Plain(0x51),  // Num 3
    Plain(0x4B),  // Num 4
    Plain(0x4C),  // Num 5
    Plain(0x4D),  // Num 6
    Plain(0x47),  // Num 7
    Plain(0x48),  // Num 8
    Plain(0x49),  // Num 9
    Plain(0x52),  // Num 0
    Plain(0x53),  // Decimal
    Ext(0x5D),  // App
    Plain(0x56),  // K45
    Plain(0x73),  // K56
    Plain(0x7D),  // K14
    Plain(0x7E),  // K107
    Plain(0x7B),  // K131
    Plain(0x79),  // K132
    Plain(0x70),  // K133
    Plain(0x71),  // K150
    Plain(0x72),  // K151
    // Non-US "#": a hook cannot tell it from the backslash key, so it is named but not recorded.
    Plain(0x00),  // K42
}};
// clang-format on

constexpr std::size_t kModifierKeyCount = kFirstOrdinaryKeyRow;

struct EvdevScanCode {
  std::uint32_t evdev;
  ScanCode scan;
};

// Linux input codes whose scan code is not the code itself.
constexpr std::array<EvdevScanCode, 30> kEvdevExceptions = {{
    {54, Ext(0x36)},     // right Shift, reported extended by the hook
    {69, Ext(0x45)},     // Num Lock (Pause is 0x45 without the flag)
    {85, Plain(0x76)},   // Zenkaku/Hankaku
    {89, Plain(0x73)},   // Ro
    {92, Plain(0x79)},   // Henkan
    {93, Plain(0x70)},   // Katakana/Hiragana
    {94, Plain(0x7B)},   // Muhenkan
    {96, Ext(0x1C)},     // keypad Enter
    {97, Ext(0x1D)},     // right Ctrl
    {98, Ext(0x35)},     // keypad /
    {99, Ext(0x37)},     // Print Screen
    {100, Ext(0x38)},    // right Alt
    {102, Ext(0x47)},    // Home
    {103, Ext(0x48)},    // Up
    {104, Ext(0x49)},    // Page Up
    {105, Ext(0x4B)},    // Left
    {106, Ext(0x4D)},    // Right
    {107, Ext(0x4F)},    // End
    {108, Ext(0x50)},    // Down
    {109, Ext(0x51)},    // Page Down
    {110, Ext(0x52)},    // Insert
    {111, Ext(0x53)},    // Delete
    {119, Plain(0x45)},  // Pause
    {121, Plain(0x7E)},  // keypad comma (Brazilian keypad ".")
    {122, Plain(0x72)},  // Hangul
    {123, Plain(0x71)},  // Hanja
    {124, Plain(0x7D)},  // Yen
    {125, Ext(0x5B)},    // left Windows
    {126, Ext(0x5C)},    // right Windows
    {127, Ext(0x5D)},    // application (menu) key
}};

// Codes 1..88 are the set-1 make codes, except the ones in the table above and the unused 84.
constexpr std::uint32_t kLastPlainEvdev = 88;
constexpr std::uint32_t kUnusedEvdev = 84;

// The key table's rows with their scan codes: names and codes come from the key table.
std::vector<MacroKey> JoinKeyTable() {
  const std::span<const KeyCodeRow> rows = KeyCodeTable();
  std::vector<MacroKey> keys;
  keys.reserve(kScanCodeOfRow.size());
  for (std::size_t row = 0; row < kScanCodeOfRow.size(); ++row) {
    const KeyAssignment& code = rows[row].code;
    const bool modifier = row < kModifierKeyCount;
    keys.push_back({kScanCodeOfRow[row], row, modifier ? code.B : std::uint8_t{0},
                    modifier ? std::uint8_t{0} : code.C, KeyTextKey(rows[row])});
  }
  return keys;
}

const std::vector<MacroKey>& Keys() {
  static const std::vector<MacroKey> keys = JoinKeyTable();
  return keys;
}

}  // namespace

std::span<const MacroKey> MacroKeys() {
  return Keys();
}

const MacroKey* FindMacroKeyByScanCode(ScanCode scan) {
  if (scan.code == 0) return nullptr;
  const std::vector<MacroKey>& keys = Keys();
  const auto found =
      std::find_if(keys.begin(), keys.end(), [&](const MacroKey& key) { return key.scan == scan; });
  return found == keys.end() ? nullptr : &*found;
}

const MacroKey* FindMacroKeyByUsage(std::int64_t usage) {
  if (usage <= 0) return nullptr;
  const std::vector<MacroKey>& keys = Keys();
  const auto found = std::find_if(keys.begin() + kModifierKeyCount, keys.end(),
                                  [&](const MacroKey& key) { return key.usage == usage; });
  return found == keys.end() ? nullptr : &*found;
}

const MacroKey* FindMacroKeyByModifierBit(std::int64_t bit) {
  if (bit <= 0) return nullptr;
  const std::vector<MacroKey>& keys = Keys();
  const auto end = keys.begin() + kModifierKeyCount;
  const auto found =
      std::find_if(keys.begin(), end, [&](const MacroKey& key) { return key.modifier_bit == bit; });
  return found == end ? nullptr : &*found;
}

std::optional<ScanCode> ScanCodeFromEvdev(std::uint32_t evdev_code) {
  for (const EvdevScanCode& entry : kEvdevExceptions) {
    if (entry.evdev == evdev_code) return entry.scan;
  }
  if (evdev_code == 0 || evdev_code == kUnusedEvdev || evdev_code > kLastPlainEvdev) {
    return std::nullopt;
  }
  return Plain(static_cast<std::uint8_t>(evdev_code));
}

}  // namespace norvik::profiles
