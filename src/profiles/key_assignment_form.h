#pragma once
// A key's assignment as the key page shows it: the function category, the item of each choice
// list, the edit values and the modifier option. `ShowAssignment` turns the three stored bytes
// into that form and `BuildAssignment` turns a form back into bytes; the key page applies the
// form to its controls and reads it back, and `norvikctl key` parses its readable values into
// the same form.
//
// Edit values outside their field's range are clamped to it (`ClampForm`), and the clamped form
// is what the page shows after a build: a count of 200 becomes 127 on screen and in the bytes,
// rather than being masked to 72 behind the user's back.

#include <cstdint>

#include "profiles/key_code_table.h"
#include "profiles/profile_records.h"

namespace norvik::profiles {

// The function categories, as the function list's user data carries them.
enum class KeyFunction : int {
  Default = 0,
  MouseButton = 1,
  Swing = 2,
  Wheel = 3,
  Dpi = 4,
  RapidFire = 5,
  KeyboardKey = 6,
  Media = 7,
  System = 8,
  Macro = 9,
  ShootPattern = 10,
  Shortcut = 11,
};
inline constexpr int kKeyFunctionCount = 12;

// No item of a list is selected (a cleared combo; Qt's current index -1).
inline constexpr int kNoItem = -1;

// The range of an edit field.
struct FieldRange {
  int min;
  int max;
};
inline constexpr FieldRange kNibbleRange{0, 15};        // swing and wheel delay and speed
inline constexpr FieldRange kMotionCountRange{0, 127};  // swing count, wheel count going up
// A wheel count going down is stored as minus the count in a signed byte, so it reaches 128.
inline constexpr FieldRange kWheelDownCountRange{0, 128};
inline constexpr FieldRange kByteRange{0, 255};  // rapid-fire interval and count, macro repeat
inline constexpr FieldRange kModifierOptionRange{0, 4};
inline constexpr int kDirectionItems = 2;   // swing and wheel direction lists
inline constexpr int kMacroPlayModes = 4;   // play mode items 0-3
inline constexpr int kMacroRepeatItem = 4;  // the play mode item that repeats a count

// Swing or wheel: direction item, count, delay and speed.
struct MouseMotion {
  int direction_item = 0;
  int count = 0;
  int delay = 0;
  int speed = 0;
  bool operator==(const MouseMotion&) const = default;
};

struct KeyAssignmentForm {
  // False for a type the page cannot show: the function list and the pages are disabled.
  bool enabled = true;
  KeyFunction function = KeyFunction::Default;
  int mouse_button_item = kNoItem;
  MouseMotion swing;
  MouseMotion wheel;
  int dpi_item = kNoItem;
  int fire_interval = 0;
  int fire_count = 0;
  // The key table row named in the keyboard key edit (kNoItem: the edit is empty) and the
  // modifier option: 0 none, k = 1-4 left Ctrl, Shift, Alt, Win; kNoItem when the stored
  // modifier bits are none of the four.
  int keyboard_key_row = kNoItem;
  int modifier_option = 0;
  int media_item = kNoItem;
  int system_item = kNoItem;
  int macro_item = kNoItem;
  int macro_play_item = kNoItem;  // 0-3 play modes, kMacroRepeatItem
  int macro_repeat = 0;
  bool macro_repeat_shown = false;  // the repeat count's layout
  int shoot_item = kNoItem;
  int shortcut_item = kNoItem;
  bool operator==(const KeyAssignmentForm&) const = default;
};

// The modifier bit of option k (1-4); 0 for option 0 or anything else.
std::uint8_t ModifierBit(int option);

// The form of a stored assignment. macro_count is the number of macros of the device: a macro
// assignment beyond it shows no macro.
KeyAssignmentForm ShowAssignment(const KeyAssignment& assignment, int macro_count);

// Every edit value brought into its field's range, every list item into its list (kNoItem when
// outside), the modifier option into 0-4.
KeyAssignmentForm ClampForm(KeyAssignmentForm form);

// The assignment a form describes, its values clamped as ClampForm does. `stored` is kept where
// the form selects nothing usable (no row of a list, no macro, a disabled form), and a stored
// keyboard key's modifier bits are kept while no modifier option is chosen;
// `default_assignment` is category 0's.
KeyAssignment BuildAssignment(const KeyAssignmentForm& form, const KeyAssignment& stored,
                              const KeyAssignment& default_assignment);

}  // namespace norvik::profiles
