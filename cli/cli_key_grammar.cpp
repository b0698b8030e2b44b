#include "cli/cli_key_grammar.h"

#include <array>
#include <vector>

#include "cli/cli_args.h"

namespace norvik::cli {
namespace {

using profiles::FieldRange;
using profiles::KeyAssignment;
using profiles::KeyAssignmentForm;
using profiles::KeyCodeRow;
using profiles::KeyFunction;
using profiles::kNoItem;
using profiles::MouseMotion;

// Modifier options 1-4.
constexpr std::array<std::string_view, 4> kModifierWords = {"Ctrl", "Shift", "Alt", "Win"};
constexpr std::array<std::string_view, 2> kSwingDirections = {"left", "right"};
constexpr std::array<std::string_view, 2> kWheelDirections = {"up", "down"};
constexpr std::string_view kFunctionWords =
    "default, mouse, swing, wheel, dpi, fire, key, media, system, macro, shoot or shortcut";

std::vector<std::string_view> SplitWords(std::string_view text, char separator) {
  std::vector<std::string_view> parts;
  for (;;) {
    const std::size_t at = text.find(separator);
    parts.push_back(text.substr(0, at));
    if (at == std::string_view::npos) return parts;
    text.remove_prefix(at + 1);
  }
}

// Names compare as the tables' words do.
bool SameName(std::string_view word, std::string_view name) {
  const KeyCodeRow row{0, {}, "", name};
  return profiles::FindChoiceByWord(std::span<const KeyCodeRow>(&row, 1), word).has_value();
}

template <std::size_t N>
std::optional<int> NameIndex(const std::array<std::string_view, N>& names, std::string_view word) {
  for (std::size_t i = 0; i < N; ++i) {
    if (SameName(word, names[i])) return static_cast<int>(i);
  }
  return std::nullopt;
}

std::optional<int> Number(std::string_view word, FieldRange range, std::string_view what,
                          std::string& error) {
  const auto value = ParseInteger(word, range.min, range.max);
  if (!value) {
    error = std::string(what) + " must be " + std::to_string(range.min) + " to " +
            std::to_string(range.max);
    return std::nullopt;
  }
  return static_cast<int>(*value);
}

std::optional<int> Choice(std::span<const KeyCodeRow> choices, std::string_view word,
                          std::string_view what, std::string& error) {
  if (const auto item = profiles::FindChoiceByWord(choices, word)) return static_cast<int>(*item);
  error = "no " + std::string(what) + " named \"" + std::string(word) + "\"";
  return std::nullopt;
}

// swing:DIR:COUNT[:DELAY[:SPEED]] and wheel:DIR:COUNT[:DELAY[:SPEED]].
bool ParseMotion(const std::vector<std::string_view>& parts,
                 const std::array<std::string_view, 2>& directions, bool wheel, MouseMotion& motion,
                 std::string& error) {
  if (parts.size() < 3 || parts.size() > 5) {
    error = std::string(parts[0]) + " takes DIRECTION:COUNT[:DELAY[:SPEED]]";
    return false;
  }
  const auto direction = NameIndex(directions, parts[1]);
  if (!direction) {
    error =
        "the direction must be " + std::string(directions[0]) + " or " + std::string(directions[1]);
    return false;
  }
  motion.direction_item = *direction;
  const FieldRange count_range =
      wheel && *direction == 1 ? profiles::kWheelDownCountRange : profiles::kMotionCountRange;
  const auto count = Number(parts[2], count_range, "COUNT", error);
  const auto delay = parts.size() > 3 ? Number(parts[3], profiles::kNibbleRange, "DELAY", error)
                                      : std::optional<int>(0);
  const auto speed = parts.size() > 4 ? Number(parts[4], profiles::kNibbleRange, "SPEED", error)
                                      : std::optional<int>(0);
  if (!count || !delay || !speed) return false;
  motion.count = *count;
  motion.delay = *delay;
  motion.speed = *speed;
  return true;
}

// key:[MOD+]KEY
bool ParseKey(std::string_view text, KeyAssignmentForm& form, std::string& error) {
  const std::vector<std::string_view> parts = SplitWords(text, '+');
  if (parts.size() > 2) {
    error = "key takes one modifier at most: key:[MOD+]KEY";
    return false;
  }
  if (parts.size() == 2) {
    const auto modifier = NameIndex(kModifierWords, parts[0]);
    if (!modifier) {
      error = "MOD must be ctrl, shift, alt or win";
      return false;
    }
    form.modifier_option = *modifier + 1;
  }
  const auto row = profiles::FindKeyRowByWord(parts.back());
  if (!row) {
    error = "no key named \"" + std::string(parts.back()) + "\"";
    return false;
  }
  form.keyboard_key_row = static_cast<int>(*row);
  if (parts.size() == 2 && profiles::ClampForm(form).modifier_option == 0) {
    error = "\"" + std::string(parts.back()) + "\" takes no modifier";
    return false;
  }
  return true;
}

// macro:N[:mode:M|:repeat:COUNT]
bool ParseMacro(const std::vector<std::string_view>& parts, int macro_count,
                KeyAssignmentForm& form, std::string& error) {
  if (parts.size() != 2 && parts.size() != 4) {
    error = "macro takes N[:mode:M|:repeat:COUNT]";
    return false;
  }
  if (macro_count <= 0) {
    error = "the device has no macros";
    return false;
  }
  const auto index = Number(parts[1], {0, macro_count - 1}, "the macro number", error);
  if (!index) return false;
  form.macro_item = *index;
  form.macro_play_item = 0;
  if (parts.size() == 2) return true;
  std::optional<int> value;
  if (SameName(parts[2], "mode")) {
    value = Number(parts[3], {0, profiles::kMacroPlayModes - 1}, "the play mode", error);
    if (value) form.macro_play_item = *value;
  } else if (SameName(parts[2], "repeat")) {
    value = Number(parts[3], profiles::kByteRange, "the repeat count", error);
    form.macro_play_item = profiles::kMacroRepeatItem;
    if (value) form.macro_repeat = *value;
  } else {
    error = "macro takes N[:mode:M|:repeat:COUNT]";
  }
  return value.has_value();
}

// The functions of one word after the colon.
bool ParseSimple(const std::vector<std::string_view>& parts, KeyAssignmentForm& form,
                 std::string& error) {
  const std::string_view kind = parts[0];
  if (parts.size() != 2) {
    error = std::string(kind) + " takes one value: " + std::string(kind) + ":VALUE";
    return false;
  }
  std::optional<int> item;
  if (kind == "mouse") {
    item = Choice(profiles::MouseButtonChoices(), parts[1], "mouse button", error);
    form.mouse_button_item = item.value_or(kNoItem);
  } else if (kind == "dpi") {
    item = Choice(profiles::DpiChoices(), parts[1], "DPI step", error);
    form.dpi_item = item.value_or(kNoItem);
  } else if (kind == "media") {
    item = Choice(profiles::MediaChoices(), parts[1], "media key", error);
    form.media_item = item.value_or(kNoItem);
  } else if (kind == "system") {
    item = Choice(profiles::SystemChoices(), parts[1], "system key", error);
    form.system_item = item.value_or(kNoItem);
  } else if (kind == "shortcut") {
    item = Choice(profiles::ShortcutChoices(), parts[1], "shortcut", error);
    form.shortcut_item = item.value_or(kNoItem);
  } else {
    item = Number(parts[1], profiles::kByteRange, "the pattern number", error);
    form.shoot_item = item.value_or(kNoItem);
  }
  return item.has_value();
}

struct FunctionWord {
  std::string_view word;
  KeyFunction function;
};
constexpr std::array<FunctionWord, 12> kFunctions = {{
    {"default", KeyFunction::Default},
    {"mouse", KeyFunction::MouseButton},
    {"swing", KeyFunction::Swing},
    {"wheel", KeyFunction::Wheel},
    {"dpi", KeyFunction::Dpi},
    {"fire", KeyFunction::RapidFire},
    {"key", KeyFunction::KeyboardKey},
    {"media", KeyFunction::Media},
    {"system", KeyFunction::System},
    {"macro", KeyFunction::Macro},
    {"shoot", KeyFunction::ShootPattern},
    {"shortcut", KeyFunction::Shortcut},
}};

bool ParseFunction(std::string_view text, const std::vector<std::string_view>& parts,
                   int macro_count, KeyAssignmentForm& form, std::string& error) {
  switch (form.function) {
    case KeyFunction::Default:
      if (parts.size() != 1) error = "default takes no value";
      return parts.size() == 1;
    case KeyFunction::Swing:
      return ParseMotion(parts, kSwingDirections, false, form.swing, error);
    case KeyFunction::Wheel:
      return ParseMotion(parts, kWheelDirections, true, form.wheel, error);
    case KeyFunction::RapidFire: {
      if (parts.size() != 3) {
        error = "fire takes INTERVAL:COUNT";
        return false;
      }
      const auto interval = Number(parts[1], profiles::kByteRange, "INTERVAL", error);
      const auto count = Number(parts[2], profiles::kByteRange, "COUNT", error);
      form.fire_interval = interval.value_or(0);
      form.fire_count = count.value_or(0);
      return interval && count;
    }
    case KeyFunction::KeyboardKey:
      return ParseKey(text.substr(text.find(':') + 1), form, error);
    case KeyFunction::Macro:
      return ParseMacro(parts, macro_count, form, error);
    default:
      return ParseSimple(parts, form, error);
  }
}

std::string Word(std::span<const KeyCodeRow> choices, int item) {
  return std::string(choices[static_cast<std::size_t>(item)].word);
}

std::string MotionWords(std::string_view kind, const std::array<std::string_view, 2>& directions,
                        const MouseMotion& motion) {
  return std::string(kind) + ":" + std::string(directions[motion.direction_item]) + ":" +
         std::to_string(motion.count) + ":" + std::to_string(motion.delay) + ":" +
         std::to_string(motion.speed);
}

std::string KeyWords(const KeyAssignmentForm& form, const KeyAssignment& assignment) {
  if (form.keyboard_key_row == kNoItem) {
    return assignment.B == 0 && assignment.C == 0 ? std::string("none") : std::string("other");
  }
  if (form.modifier_option == kNoItem) return "other";
  const std::string key = Word(profiles::KeyCodeTable(), form.keyboard_key_row);
  if (form.modifier_option == 0) return "key:" + key;
  return "key:" + std::string(kModifierWords[static_cast<std::size_t>(form.modifier_option - 1)]) +
         "+" + key;
}

std::string MacroWords(const KeyAssignment& assignment, int macro_count) {
  const bool repeat = assignment.A == profiles::TypeByte(profiles::AssignType::MacroRepeat);
  std::string words = "macro:" + std::to_string(assignment.B) + (repeat ? ":repeat:" : ":mode:") +
                      std::to_string(assignment.C);
  if (assignment.B >= macro_count) words += " (no such macro)";
  return words;
}

// A list's word, or "other" when the bytes are no row of it.
std::string ChoiceWords(std::string_view kind, std::span<const KeyCodeRow> choices, int item) {
  return item == kNoItem ? std::string("other") : std::string(kind) + ":" + Word(choices, item);
}

}  // namespace

std::string DescribeAssignment(const KeyAssignment& assignment, int macro_count) {
  const KeyAssignmentForm form = profiles::ShowAssignment(assignment, macro_count);
  if (!form.enabled) {
    // Device functions the page does not offer still have names in the key table.
    const auto row = profiles::FindKeyRow(assignment);
    return row ? "key:" + Word(profiles::KeyCodeTable(), static_cast<int>(*row)) : "other";
  }
  switch (form.function) {
    case KeyFunction::Default:
      return "none";
    case KeyFunction::MouseButton:
      return ChoiceWords("mouse", profiles::MouseButtonChoices(), form.mouse_button_item);
    case KeyFunction::Swing:
      return MotionWords("swing", kSwingDirections, form.swing);
    case KeyFunction::Wheel:
      return MotionWords("wheel", kWheelDirections, form.wheel);
    case KeyFunction::Dpi:
      return ChoiceWords("dpi", profiles::DpiChoices(), form.dpi_item);
    case KeyFunction::RapidFire:
      return "fire:" + std::to_string(form.fire_interval) + ":" + std::to_string(form.fire_count);
    case KeyFunction::KeyboardKey:
      return KeyWords(form, assignment);
    case KeyFunction::Media:
      return ChoiceWords("media", profiles::MediaChoices(), form.media_item);
    case KeyFunction::System:
      return ChoiceWords("system", profiles::SystemChoices(), form.system_item);
    case KeyFunction::Macro:
      return MacroWords(assignment, macro_count);
    case KeyFunction::ShootPattern:
      return "shoot:" + std::to_string(form.shoot_item);
    case KeyFunction::Shortcut:
      return ChoiceWords("shortcut", profiles::ShortcutChoices(), form.shortcut_item);
  }
  return "other";
}

std::optional<KeyAssignmentForm> ParseAssignmentWords(std::string_view text, int macro_count,
                                                      std::string& error) {
  std::vector<std::string_view> parts = SplitWords(text, ':');
  const FunctionWord* kind = nullptr;
  for (const FunctionWord& entry : kFunctions) {
    if (SameName(parts[0], entry.word)) kind = &entry;
  }
  if (kind == nullptr) {
    error = "unknown function \"" + std::string(parts[0]) + "\": " + std::string(kFunctionWords);
    return std::nullopt;
  }
  parts[0] = kind->word;  // as the messages and ParseSimple spell it
  if (parts.size() == 1 && kind->function != KeyFunction::Default) {
    error = std::string(kind->word) + " needs a value (" + std::string(kind->word) + ":...)";
    return std::nullopt;
  }
  KeyAssignmentForm form;
  form.function = kind->function;
  if (!ParseFunction(text, parts, macro_count, form, error)) return std::nullopt;
  return form;
}

}  // namespace norvik::cli
