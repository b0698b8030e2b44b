#include "profiles/key_assignment_form.h"

#include <algorithm>

namespace norvik::profiles {
namespace {

constexpr std::uint8_t kNibbleMask = 0x0F;
constexpr std::uint8_t kCountMask = 0x7F;
constexpr std::uint8_t kDirectionBit = 0x80;
constexpr int kWheelDownBase = 128;
constexpr int kLastModifierOption = 4;

int Clamp(int value, FieldRange range) {
  return std::clamp(value, range.min, range.max);
}

// An item of a list of `count` items, or kNoItem.
int ClampItem(int item, std::size_t count) {
  return item >= 0 && static_cast<std::size_t>(item) < count ? item : kNoItem;
}

int ItemOf(std::optional<std::size_t> found) {
  return found ? static_cast<int>(*found) : kNoItem;
}

std::uint8_t Byte(int value) {
  return static_cast<std::uint8_t>(value);
}

// A key of the table that is sent as it stands (a modifier alone, a media, system or device key)
// rather than as a usage with the modifier option's bit.
bool IsWholeCode(const KeyCodeRow& row) {
  return row.code.A != TypeByte(AssignType::KeyboardKey) || row.code.B != 0;
}

void ShowMotion(MouseMotion& motion, std::uint8_t b) {
  motion.delay = b >> 4;
  motion.speed = b & kNibbleMask;
}

void ShowKeyboardKey(KeyAssignmentForm& form, std::uint8_t b, std::uint8_t c) {
  if (const auto row = FindKeyRow({TypeByte(AssignType::KeyboardKey), b, c})) {
    form.keyboard_key_row = static_cast<int>(*row);
    form.modifier_option = 0;
    return;
  }
  form.modifier_option = b == 0 ? 0 : kNoItem;
  for (int option = 1; option <= kLastModifierOption; ++option) {
    if (ModifierBit(option) == b) form.modifier_option = option;
  }
  form.keyboard_key_row = ItemOf(FindKeyRowByUsage(c));
}

void ShowMacro(KeyAssignmentForm& form, bool repeat, std::uint8_t b, std::uint8_t c,
               int macro_count) {
  const bool valid = b < macro_count;
  form.macro_item = valid ? b : kNoItem;
  if (repeat) {
    form.macro_play_item = kMacroRepeatItem;
    form.macro_repeat = c;
    form.macro_repeat_shown = valid;
  } else {
    form.macro_play_item = valid && c < kMacroPlayModes ? c : kNoItem;
  }
}

KeyAssignment ChoiceOr(std::span<const KeyCodeRow> choices, int item, const KeyAssignment& stored) {
  return item == kNoItem ? stored : choices[static_cast<std::size_t>(item)].code;
}

// Modifier bits no single option shows (right-hand modifiers, several at once) are kept as
// stored while no option is chosen: opening such a key and saving it must not drop them.
std::uint8_t ModifierOf(const KeyAssignmentForm& form, const KeyAssignment& stored) {
  if (form.modifier_option == kNoItem && stored.A == TypeByte(AssignType::KeyboardKey)) {
    return stored.B;
  }
  return ModifierBit(form.modifier_option);
}

KeyAssignment BuildKeyboardKey(const KeyAssignmentForm& form, const KeyAssignment& stored) {
  const std::uint8_t modifier = ModifierOf(form, stored);
  if (form.keyboard_key_row == kNoItem) {
    return {TypeByte(AssignType::KeyboardKey), modifier, 0};
  }
  const KeyCodeRow& row = KeyCodeTable()[static_cast<std::size_t>(form.keyboard_key_row)];
  if (IsWholeCode(row)) return row.code;
  return {TypeByte(AssignType::KeyboardKey), modifier, row.code.C};
}

KeyAssignment BuildMotion(AssignType type, const MouseMotion& motion) {
  const std::uint8_t b = Byte(motion.delay << 4 | motion.speed);
  if (motion.direction_item == 0) return {TypeByte(type), b, Byte(motion.count)};
  if (type == AssignType::Swing) return {TypeByte(type), b, Byte(motion.count | kDirectionBit)};
  // Wheel going down: minus the count as a signed byte. No scroll has no direction: a count of
  // 0 is stored as 0, not as 0x80 (which would read back as 128).
  if (motion.count == 0) return {TypeByte(type), b, 0};
  return {TypeByte(type), b, Byte(kDirectionBit | (kWheelDownBase - motion.count))};
}

KeyAssignment BuildMacro(const KeyAssignmentForm& form, const KeyAssignment& stored) {
  if (form.macro_item == kNoItem) return stored;
  if (form.macro_play_item == kMacroRepeatItem) {
    return {TypeByte(AssignType::MacroRepeat), Byte(form.macro_item), Byte(form.macro_repeat)};
  }
  return {TypeByte(AssignType::MacroPlayMode), Byte(form.macro_item),
          Byte(std::max(form.macro_play_item, 0))};
}

}  // namespace

std::uint8_t ModifierBit(int option) {
  if (option < 1 || option > kLastModifierOption) return 0;
  return Byte(1 << (option - 1));
}

KeyAssignmentForm ShowAssignment(const KeyAssignment& assignment, int macro_count) {
  KeyAssignmentForm form;
  const std::uint8_t b = assignment.B;
  const std::uint8_t c = assignment.C;
  switch (static_cast<AssignType>(assignment.A)) {
    case AssignType::None:
      form.function = KeyFunction::Default;
      break;
    case AssignType::MouseButton:
      form.function = KeyFunction::MouseButton;
      form.mouse_button_item = ItemOf(FindChoice(MouseButtonChoices(), b, c));
      break;
    case AssignType::Swing:
      form.function = KeyFunction::Swing;
      ShowMotion(form.swing, b);
      form.swing.count = c & kCountMask;
      form.swing.direction_item = c >> 7;
      break;
    case AssignType::Wheel:
      form.function = KeyFunction::Wheel;
      ShowMotion(form.wheel, b);
      form.wheel.direction_item = c >> 7;
      form.wheel.count = (c & kDirectionBit) != 0 ? kWheelDownBase - (c & kCountMask) : c;
      break;
    case AssignType::Dpi:
      form.function = KeyFunction::Dpi;
      form.dpi_item = ItemOf(FindChoice(DpiChoices(), b, c));
      break;
    case AssignType::RapidFire:
      form.function = KeyFunction::RapidFire;
      form.fire_interval = b;
      form.fire_count = c;
      break;
    case AssignType::KeyboardKey:
      ShowKeyboardKey(form, b, c);
      form.shortcut_item = ItemOf(FindChoice(ShortcutChoices(), b, c));
      form.function =
          form.shortcut_item != kNoItem ? KeyFunction::Shortcut : KeyFunction::KeyboardKey;
      break;
    case AssignType::Media:
      form.function = KeyFunction::Media;
      form.media_item = ItemOf(FindChoice(MediaChoices(), b, c));
      break;
    case AssignType::System:
      form.function = KeyFunction::System;
      form.system_item = ItemOf(FindChoice(SystemChoices(), b, c));
      break;
    case AssignType::MacroPlayMode:
    case AssignType::MacroRepeat:
      form.function = KeyFunction::Macro;
      ShowMacro(form, assignment.A == TypeByte(AssignType::MacroRepeat), b, c, macro_count);
      break;
    case AssignType::ShootPattern:
      form.function = KeyFunction::ShootPattern;
      form.shoot_item = b;
      break;
    case AssignType::Shortcut:
      form.function = KeyFunction::Shortcut;
      form.shortcut_item = ItemOf(FindChoice(ShortcutChoices(), b, c));
      break;
    default:
      form.enabled = false;
      break;
  }
  return form;
}

KeyAssignmentForm ClampForm(KeyAssignmentForm form) {
  for (MouseMotion* motion : {&form.swing, &form.wheel}) {
    motion->direction_item = std::clamp(motion->direction_item, 0, kDirectionItems - 1);
    motion->delay = Clamp(motion->delay, kNibbleRange);
    motion->speed = Clamp(motion->speed, kNibbleRange);
  }
  form.swing.count = Clamp(form.swing.count, kMotionCountRange);
  form.wheel.count = Clamp(
      form.wheel.count, form.wheel.direction_item == 0 ? kMotionCountRange : kWheelDownCountRange);
  form.fire_interval = Clamp(form.fire_interval, kByteRange);
  form.fire_count = Clamp(form.fire_count, kByteRange);
  form.macro_repeat = Clamp(form.macro_repeat, kByteRange);

  form.mouse_button_item = ClampItem(form.mouse_button_item, MouseButtonChoices().size());
  form.dpi_item = ClampItem(form.dpi_item, DpiChoices().size());
  form.media_item = ClampItem(form.media_item, MediaChoices().size());
  form.system_item = ClampItem(form.system_item, SystemChoices().size());
  form.shortcut_item = ClampItem(form.shortcut_item, ShortcutChoices().size());
  form.shoot_item = ClampItem(form.shoot_item, kByteRange.max + 1);

  form.keyboard_key_row = ClampItem(form.keyboard_key_row, KeyCodeTable().size());
  if (form.modifier_option != kNoItem) {
    form.modifier_option = ClampItem(form.modifier_option, kModifierOptionRange.max + 1);
    if (form.modifier_option == kNoItem) form.modifier_option = 0;
  }
  // A key that carries its own bytes takes no modifier option: that is what gets stored.
  if (form.keyboard_key_row != kNoItem &&
      IsWholeCode(KeyCodeTable()[static_cast<std::size_t>(form.keyboard_key_row)])) {
    form.modifier_option = 0;
  }

  form.macro_item = ClampItem(form.macro_item, kByteRange.max + 1);
  if (form.macro_item != kNoItem) {
    form.macro_play_item = ClampItem(form.macro_play_item, kMacroRepeatItem + 1);
    if (form.macro_play_item == kNoItem) form.macro_play_item = 0;
  }
  form.macro_repeat_shown = form.macro_item != kNoItem && form.macro_play_item == kMacroRepeatItem;
  return form;
}

KeyAssignment BuildAssignment(const KeyAssignmentForm& input, const KeyAssignment& stored,
                              const KeyAssignment& default_assignment) {
  const KeyAssignmentForm form = ClampForm(input);
  if (!form.enabled) return stored;
  switch (form.function) {
    case KeyFunction::Default:
      return default_assignment;
    case KeyFunction::MouseButton:
      return ChoiceOr(MouseButtonChoices(), form.mouse_button_item, stored);
    case KeyFunction::Swing:
      return BuildMotion(AssignType::Swing, form.swing);
    case KeyFunction::Wheel:
      return BuildMotion(AssignType::Wheel, form.wheel);
    case KeyFunction::Dpi:
      return ChoiceOr(DpiChoices(), form.dpi_item, stored);
    case KeyFunction::RapidFire:
      return {TypeByte(AssignType::RapidFire), Byte(form.fire_interval), Byte(form.fire_count)};
    case KeyFunction::KeyboardKey:
      return BuildKeyboardKey(form, stored);
    case KeyFunction::Media:
      return ChoiceOr(MediaChoices(), form.media_item, stored);
    case KeyFunction::System:
      return ChoiceOr(SystemChoices(), form.system_item, stored);
    case KeyFunction::Macro:
      return BuildMacro(form, stored);
    case KeyFunction::ShootPattern:
      if (form.shoot_item == kNoItem) return stored;
      return {TypeByte(AssignType::ShootPattern), Byte(form.shoot_item), 0};
    case KeyFunction::Shortcut:
      return ChoiceOr(ShortcutChoices(), form.shortcut_item, stored);
  }
  return stored;  // a category number outside the list
}

}  // namespace norvik::profiles
