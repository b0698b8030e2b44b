#include "profiles/macro_key_table.h"

#include <algorithm>
#include <array>

namespace norvik::profiles {
namespace {

constexpr ScanCode Plain(std::uint8_t code) {
  return {code, false};
}
constexpr ScanCode Ext(std::uint8_t code) {
  return {code, true};
}

constexpr std::uint8_t kNoModifier = 0;
constexpr std::uint8_t kNoUsage = 0;

// clang-format off
constexpr std::array<MacroKey, 114> kKeys = {{
    {Plain(0x1D), 0x01, kNoUsage, "keyboard_key_LCtrl"},
    {Plain(0x2A), 0x02, kNoUsage, "keyboard_key_LShift"},
    {Plain(0x38), 0x04, kNoUsage, "keyboard_key_LAlt"},
    {Ext(0x5B), 0x08, kNoUsage, "keyboard_key_LWin"},
    {Ext(0x1D), 0x10, kNoUsage, "keyboard_key_RCtrl"},
    {Ext(0x36), 0x20, kNoUsage, "keyboard_key_RShift"},
    {Ext(0x38), 0x40, kNoUsage, "keyboard_key_RAlt"},
    {Ext(0x5C), 0x80, kNoUsage, "keyboard_key_RWin"},
    {Plain(0x1E), kNoModifier, 4, "keyboard_key_A"},
    {Plain(0x30), kNoModifier, 5, "keyboard_key_B"},
    {Plain(0x2E), kNoModifier, 6, "keyboard_key_C"},
    {Plain(0x20), kNoModifier, 7, "keyboard_key_D"},
    {Plain(0x12), kNoModifier, 8, "keyboard_key_E"},
    {Plain(0x21), kNoModifier, 9, "keyboard_key_F"},
    {Plain(0x22), kNoModifier, 10, "keyboard_key_G"},
    {Plain(0x23), kNoModifier, 11, "keyboard_key_H"},
    {Plain(0x17), kNoModifier, 12, "keyboard_key_I"},
    {Plain(0x24), kNoModifier, 13, "keyboard_key_J"},
    {Plain(0x25), kNoModifier, 14, "keyboard_key_K"},
    {Plain(0x26), kNoModifier, 15, "keyboard_key_L"},
    {Plain(0x32), kNoModifier, 16, "keyboard_key_M"},
    {Plain(0x31), kNoModifier, 17, "keyboard_key_N"},
    {Plain(0x18), kNoModifier, 18, "keyboard_key_O"},
    {Plain(0x19), kNoModifier, 19, "keyboard_key_P"},
    {Plain(0x10), kNoModifier, 20, "keyboard_key_Q"},
    {Plain(0x13), kNoModifier, 21, "keyboard_key_R"},
    {Plain(0x1F), kNoModifier, 22, "keyboard_key_S"},
    {Plain(0x14), kNoModifier, 23, "keyboard_key_T"},
    {Plain(0x16), kNoModifier, 24, "keyboard_key_U"},
    {Plain(0x2F), kNoModifier, 25, "keyboard_key_V"},
    {Plain(0x11), kNoModifier, 26, "keyboard_key_W"},
    {Plain(0x2D), kNoModifier, 27, "keyboard_key_X"},
    {Plain(0x15), kNoModifier, 28, "keyboard_key_Y"},
    {Plain(0x2C), kNoModifier, 29, "keyboard_key_Z"},
    {Plain(0x02), kNoModifier, 30, "keyboard_key_1"},
    {Plain(0x03), kNoModifier, 31, "keyboard_key_2"},
    {Plain(0x04), kNoModifier, 32, "keyboard_key_3"},
    {Plain(0x05), kNoModifier, 33, "keyboard_key_4"},
    {Plain(0x06), kNoModifier, 34, "keyboard_key_5"},
    {Plain(0x07), kNoModifier, 35, "keyboard_key_6"},
    {Plain(0x08), kNoModifier, 36, "keyboard_key_7"},
    {Plain(0x09), kNoModifier, 37, "keyboard_key_8"},
    {Plain(0x0A), kNoModifier, 38, "keyboard_key_9"},
    {Plain(0x0B), kNoModifier, 39, "keyboard_key_0"},
    {Plain(0x1C), kNoModifier, 40, "keyboard_key_Enter"},
    {Plain(0x01), kNoModifier, 41, "keyboard_key_Esc"},
    {Plain(0x0E), kNoModifier, 42, "keyboard_key_BackSpace"},
    {Plain(0x0F), kNoModifier, 43, "keyboard_key_Tab"},
    {Plain(0x39), kNoModifier, 44, "keyboard_key_Space"},
    {Plain(0x0C), kNoModifier, 45, "keyboard_key_-"},
    {Plain(0x0D), kNoModifier, 46, "keyboard_key_="},
    {Plain(0x1A), kNoModifier, 47, "keyboard_key_["},
    {Plain(0x1B), kNoModifier, 48, "keyboard_key_]"},
    {Plain(0x2B), kNoModifier, 49, "keyboard_key_xiegang"},
    {Plain(0x27), kNoModifier, 51, "keyboard_key_;"},
    {Plain(0x28), kNoModifier, 52, "keyboard_key_'"},
    {Plain(0x29), kNoModifier, 53, "keyboard_key_`"},
    {Plain(0x33), kNoModifier, 54, "keyboard_key_<"},
    {Plain(0x34), kNoModifier, 55, "keyboard_key_."},
    {Plain(0x35), kNoModifier, 56, "keyboard_key_/"},
    {Plain(0x3A), kNoModifier, 57, "keyboard_key_Caplk"},
    {Plain(0x3B), kNoModifier, 58, "keyboard_key_F1"},
    {Plain(0x3C), kNoModifier, 59, "keyboard_key_F2"},
    {Plain(0x3D), kNoModifier, 60, "keyboard_key_F3"},
    {Plain(0x3E), kNoModifier, 61, "keyboard_key_F4"},
    {Plain(0x3F), kNoModifier, 62, "keyboard_key_F5"},
    {Plain(0x40), kNoModifier, 63, "keyboard_key_F6"},
    {Plain(0x41), kNoModifier, 64, "keyboard_key_F7"},
    {Plain(0x42), kNoModifier, 65, "keyboard_key_F8"},
    {Plain(0x43), kNoModifier, 66, "keyboard_key_F9"},
    {Plain(0x44), kNoModifier, 67, "keyboard_key_F10"},
    {Plain(0x57), kNoModifier, 68, "keyboard_key_F11"},
    {Plain(0x58), kNoModifier, 69, "keyboard_key_F12"},
    {Ext(0x37), kNoModifier, 70, "keyboard_key_Print Scr"},
    {Plain(0x46), kNoModifier, 71, "keyboard_key_Scroll Lock"},
    {Plain(0x45), kNoModifier, 72, "keyboard_key_Pause"},
    {Ext(0x52), kNoModifier, 73, "keyboard_key_Insert"},
    {Ext(0x47), kNoModifier, 74, "keyboard_key_Home"},
    {Ext(0x49), kNoModifier, 75, "keyboard_key_Page Up"},
    {Ext(0x53), kNoModifier, 76, "keyboard_key_Delete"},
    {Ext(0x4F), kNoModifier, 77, "keyboard_key_End"},
    {Ext(0x51), kNoModifier, 78, "keyboard_key_Page Down"},
    {Ext(0x4D), kNoModifier, 79, "keyboard_key_Right"},
    {Ext(0x4B), kNoModifier, 80, "keyboard_key_Left"},
    {Ext(0x50), kNoModifier, 81, "keyboard_key_Down"},
    {Ext(0x48), kNoModifier, 82, "keyboard_key_Up"},
    {Ext(0x45), kNoModifier, 83, "keyboard_key_Num Lock"},
    {Ext(0x35), kNoModifier, 84, "keyboard_key_Num /"},
    {Plain(0x37), kNoModifier, 85, "keyboard_key_Num *"},
    {Plain(0x4A), kNoModifier, 86, "keyboard_key_Num -"},
    {Plain(0x4E), kNoModifier, 87, "keyboard_key_Num +"},
    {Ext(0x1C), kNoModifier, 88, "keyboard_key_Num Enter"},
    {Plain(0x4F), kNoModifier, 89, "keyboard_key_Num 1"},
    {Plain(0x50), kNoModifier, 90, "keyboard_key_Num 2"},
    {Plain(0x51), kNoModifier, 91, "keyboard_key_Num 3"},
    {Plain(0x4B), kNoModifier, 92, "keyboard_key_Num 4"},
    {Plain(0x4C), kNoModifier, 93, "keyboard_key_Num 5"},
    {Plain(0x4D), kNoModifier, 94, "keyboard_key_Num 6"},
    {Plain(0x47), kNoModifier, 95, "keyboard_key_Num 7"},
    {Plain(0x48), kNoModifier, 96, "keyboard_key_Num 8"},
    {Plain(0x49), kNoModifier, 97, "keyboard_key_Num 9"},
    {Plain(0x52), kNoModifier, 98, "keyboard_key_Num 0"},
    {Plain(0x53), kNoModifier, 99, "keyboard_key_Decimal"},
    {Ext(0x5D), kNoModifier, 101, "keyboard_key_App"},
    {Plain(0x56), kNoModifier, 100, "keyboard_key_K45"},
    {Plain(0x73), kNoModifier, 135, "keyboard_key_K56"},
    {Plain(0x7D), kNoModifier, 137, "keyboard_key_K14"},
    {Plain(0x7E), kNoModifier, 133, "keyboard_key_K107"},
    {Plain(0x7B), kNoModifier, 139, "keyboard_key_K131"},
    {Plain(0x79), kNoModifier, 138, "keyboard_key_K132"},
    {Plain(0x70), kNoModifier, 136, "keyboard_key_K133"},
    {Plain(0x71), kNoModifier, 145, "keyboard_key_K150"},
    {Plain(0x72), kNoModifier, 144, "keyboard_key_K151"},
    // Non-US "#": a hook cannot tell it from the backslash key, so it is named but not recorded.
    {Plain(0x00), kNoModifier, 50, "keyboard_key_K42"},
}};
// clang-format on

constexpr std::size_t kModifierKeyCount = 8;

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

}  // namespace

std::span<const MacroKey> MacroKeys() {
  return kKeys;
}

const MacroKey* FindMacroKeyByScanCode(ScanCode scan) {
  if (scan.code == 0) return nullptr;
  const auto found = std::find_if(kKeys.begin(), kKeys.end(),
                                  [&](const MacroKey& key) { return key.scan == scan; });
  return found == kKeys.end() ? nullptr : &*found;
}

const MacroKey* FindMacroKeyByUsage(std::int64_t usage) {
  if (usage <= 0) return nullptr;
  const auto found = std::find_if(kKeys.begin() + kModifierKeyCount, kKeys.end(),
                                  [&](const MacroKey& key) { return key.usage == usage; });
  return found == kKeys.end() ? nullptr : &*found;
}

const MacroKey* FindMacroKeyByModifierBit(std::int64_t bit) {
  if (bit <= 0) return nullptr;
  const auto end = kKeys.begin() + kModifierKeyCount;
  const auto found = std::find_if(kKeys.begin(), end,
                                  [&](const MacroKey& key) { return key.modifier_bit == bit; });
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
