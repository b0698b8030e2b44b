#include "profiles/macro_event_names.h"

#include <array>

#include "profiles/macro_key_table.h"

namespace norvik::profiles {
namespace {

struct ButtonName {
  std::int64_t bit;
  const char* name_id;
};

constexpr std::array<ButtonName, 5> kButtonNames = {{
    {kMouseLeft, "mouse_key_left"},
    {kMouseRight, "mouse_key_right"},
    {kMouseMiddle, "mouse_key_middle"},
    {kMouseForward, "mouse_key_forward"},
    {kMouseBack, "mouse_key_back"},
}};

std::string NameOf(const MacroKey* key) {
  return key ? key->name_id : "";
}

std::string NameOf(const char* name_id) {
  return name_id ? name_id : "";
}

}  // namespace

const char* MouseButtonNameId(std::int64_t button_bit) {
  for (const ButtonName& entry : kButtonNames) {
    if (entry.bit == button_bit) return entry.name_id;
  }
  return nullptr;
}

const char* MouseMoveNameId(std::int64_t type, bool down) {
  switch (static_cast<MacroEventType>(type)) {
    case MacroEventType::MoveHorizontal:
      return down ? "mouse_move_to_left_text" : "mouse_move_to_right_text";
    case MacroEventType::MoveVertical:
      return down ? "mouse_move_to_up_text" : "mouse_move_to_down_text";
    default:
      return nullptr;
  }
}

MacroRowLook DescribeMacroEvent(const MacroEvent& event) {
  MacroRowLook look;
  look.action_style = event.IsPress() ? kMacroDownStyle : kMacroUpStyle;
  switch (static_cast<MacroEventType>(event.type)) {
    case MacroEventType::Key:
      look.name_style = kMacroKeyboardNameStyle;
      look.name_id = NameOf(FindMacroKeyByUsage(event.button));
      break;
    case MacroEventType::ModifierKey:
      look.name_style = kMacroKeyboardNameStyle;
      look.name_id = NameOf(FindMacroKeyByModifierBit(event.button));
      break;
    case MacroEventType::MouseButton:
      look.name_style = kMacroMouseNameStyle;
      look.name_id = NameOf(MouseButtonNameId(event.button));
      break;
    case MacroEventType::MoveHorizontal:
    case MacroEventType::MoveVertical:
      look.name_style = kMacroMouseNameStyle;
      look.name_id = NameOf(MouseMoveNameId(event.type, event.IsPress()));
      look.action_text = std::to_string(event.button);
      look.action_style = kMacroTextStyle;
      break;
    case MacroEventType::MouseOther2:
    case MacroEventType::MouseOther3:
      look.name_style = kMacroMouseNameStyle;
      look.action_style = kMacroTextStyle;
      break;
  }
  return look;
}

}  // namespace norvik::profiles
