#pragma once
// What an event row of the macro editor shows: the name of the key, button or move direction
// (a language text key), the style of each cell and, for moves, the distance.

#include <cstdint>
#include <string>

#include "profiles/macro_event.h"

namespace norvik::profiles {

// Styles of the row's cells (the skin resolves them).
inline constexpr char kMacroKeyboardNameStyle[] = "macro_label_keyboard_style";
inline constexpr char kMacroMouseNameStyle[] = "macro_label_mouse_style";
inline constexpr char kMacroDownStyle[] = "macro_label_down_style";
inline constexpr char kMacroUpStyle[] = "macro_label_up_style";
inline constexpr char kMacroTextStyle[] = "macro_label_text_style";

// "Button" of a mouse button event (Type 1).
enum MouseButtonBit : std::uint8_t {
  kMouseLeft = 1,
  kMouseRight = 2,
  kMouseMiddle = 4,
  kMouseBack = 8,
  kMouseForward = 16,
};

struct MacroRowLook {
  std::string name_id;      // empty when no key, button or direction matches
  std::string name_style;   // empty for types the editor does not know
  std::string action_text;  // the distance of a move, else empty
  std::string action_style;
};

MacroRowLook DescribeMacroEvent(const MacroEvent& event);

// "mouse_key_left" ... for a button bit; null for anything else.
const char* MouseButtonNameId(std::int64_t button_bit);
// "mouse_move_to_left_text" ... for a move of Type 4 or 5; null for other types.
const char* MouseMoveNameId(std::int64_t type, bool down);

}  // namespace norvik::profiles
