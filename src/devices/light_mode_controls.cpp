#include "devices/light_mode_controls.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <initializer_list>

namespace norvik::devices {
namespace {

constexpr std::uint32_t Modes(std::initializer_list<int> modes) {
  std::uint32_t mask = 0;
  for (const int mode : modes) mask |= 1u << mode;
  return mask;
}

// What a row changes beyond the six groups.
enum Extra : std::uint8_t {
  kNone = 0,
  kSameMode = 1 << 0,        // "deng_same_mode" offered
  kLightColourOff = 1 << 1,  // "light_color_layout" disabled
  kSpeedHidden = 1 << 2,     // the speed group hidden
  kSecondModeList = 1 << 3,  // the second mode list shown
  kCustomColours = 1 << 4,   // the custom per-key colour group shown
  kTextsRotation = 1 << 5,   // directions: clockwise / anticlockwise
  kTextsVertical = 1 << 6,   // directions: up to down / down to up
  kTextsRadial = 1 << 7,     // directions: inside to outside / outside to inside
};

constexpr bool E = true;
constexpr bool D = false;

// One row: the modes it covers and the enabled state of the seven-colour option and the colour,
// palette, brightness, speed and direction groups.
struct ModeRow {
  std::uint32_t modes;
  bool seven_colour, colour, palette, brightness, speed, direction;
  std::uint8_t extra;
};

// clang-format off
constexpr std::array kKeyboardRows = {
    ModeRow{Modes({1, 2}),                         E, E, E, E, E, E, kNone},
    ModeRow{Modes({3, 24}),                        E, E, E, E, E, E, kTextsRotation},
    ModeRow{Modes({4}),                            D, D, D, E, E, D, kLightColourOff | kSameMode},
    ModeRow{Modes({5, 23}),                        E, E, E, E, E, D, kSameMode},
    ModeRow{Modes({6}),                            E, E, E, E, D, D, kSameMode},
    ModeRow{Modes({7, 8, 9, 10, 13, 15, 22, 25}),  E, E, E, E, E, D, kNone},
    ModeRow{Modes({11}),                           D, D, D, E, E, D, kLightColourOff},
    ModeRow{Modes({12, 21}),                       E, E, E, E, E, E, kTextsVertical},
    ModeRow{Modes({14}),                           E, E, E, E, E, D, kNone},
    ModeRow{Modes({16}),                           E, E, E, E, D, D, kNone},
    ModeRow{Modes({17}),                           D, D, D, E, E, D,
            kSpeedHidden | kSecondModeList | kLightColourOff},
    ModeRow{Modes({18}),                           D, D, D, E, D, E, kLightColourOff | kTextsRadial},
    ModeRow{Modes({20}),                           D, E, E, E, D, D, kSpeedHidden | kCustomColours},
    ModeRow{Modes({26, 27}),                       D, D, D, E, E, D, kNone},
    ModeRow{Modes({28}),                           D, D, D, D, D, D, kSameMode},
};

constexpr std::array kMouseRows = {
    ModeRow{Modes({0, 5}),  E, E, E, E, E, E, kNone},
    ModeRow{Modes({1}),     D, D, D, E, E, D, kSameMode},
    ModeRow{Modes({2}),     E, E, E, E, E, E, kSameMode},
    ModeRow{Modes({3}),     D, E, E, E, D, D, kSameMode},
    ModeRow{Modes({4}),     E, E, E, E, E, D, kSameMode},
    ModeRow{Modes({6, 7}),  D, D, D, E, E, D, kNone},
    ModeRow{Modes({8}),     D, D, D, D, D, D, kSameMode},
};

// Mouse pad and headsets.
constexpr std::array kPadRows = {
    ModeRow{Modes({0}),     E, E, E, E, E, E, kNone},
    ModeRow{Modes({1}),     D, D, D, E, E, D, kSameMode},
    ModeRow{Modes({2, 4}),  E, E, E, E, E, D, kSameMode},
    ModeRow{Modes({3}),     D, E, E, E, D, D, kSameMode},
    ModeRow{Modes({8}),     D, D, D, D, D, D, kSameMode},
};

// The hub has no direction column; it leaves the direction and "deng_same_mode" alone.
constexpr std::array kHubRows = {
    ModeRow{Modes({0, 2, 3}), E, E, E, E, E, D, kNone},
    ModeRow{Modes({1}),       D, E, E, E, D, D, kNone},
    ModeRow{Modes({4}),       D, D, D, E, E, D, kNone},
};
// clang-format on

// Modes without a row: every group disabled.
constexpr ModeRow kNoRow{0, D, D, D, D, D, D, kNone};

constexpr DirectionTexts kHorizontalTexts{"light_set_right_to_left_text",
                                          "light_set_left_to_right_text"};
constexpr DirectionTexts kRotationTexts{"light_set_clockwise_text", "light_set_anticlockwise_text"};
constexpr DirectionTexts kVerticalTexts{"light_set_up_to_down_text", "light_set_down_to_up_text"};
constexpr DirectionTexts kRadialTexts{"light_set_inside_to_outside_text",
                                      "light_set_outside_to_inside_text"};

const ModeRow& RowOf(std::span<const ModeRow> rows, int mode) {
  if (mode < 0 || mode >= 32) return kNoRow;
  const auto found = std::find_if(rows.begin(), rows.end(), [&](const ModeRow& row) {
    return (row.modes & (1u << mode)) != 0;
  });
  return found != rows.end() ? *found : kNoRow;
}

// The five groups every family but the hub's sets, and the direction group.
LightModeControls Groups(const ModeRow& row) {
  LightModeControls controls;
  controls.effect_enabled = true;
  controls.seven_colour_enabled = row.seven_colour;
  controls.colour_enabled = row.colour;
  controls.palette_enabled = row.palette;
  controls.brightness_enabled = row.brightness;
  controls.speed_enabled = row.speed;
  controls.direction_enabled = row.direction;
  return controls;
}

LightModeControls KeyboardMode(int mode, bool same_mode_allowed) {
  const ModeRow& row = RowOf(kKeyboardRows, mode);
  LightModeControls controls = Groups(row);
  controls.same_mode_shown = same_mode_allowed && (row.extra & kSameMode) != 0;
  controls.light_colour_enabled = (row.extra & kLightColourOff) == 0;
  controls.speed_shown = (row.extra & kSpeedHidden) == 0;
  controls.second_mode_shown = (row.extra & kSecondModeList) != 0;
  controls.custom_shown = (row.extra & kCustomColours) != 0;
  controls.direction_texts = kHorizontalTexts;
  if ((row.extra & kTextsRotation) != 0) controls.direction_texts = kRotationTexts;
  if ((row.extra & kTextsVertical) != 0) controls.direction_texts = kVerticalTexts;
  if ((row.extra & kTextsRadial) != 0) controls.direction_texts = kRadialTexts;
  return controls;
}

LightModeControls FamilyMode(std::span<const ModeRow> rows, int mode, bool same_mode_allowed) {
  const ModeRow& row = RowOf(rows, mode);
  LightModeControls controls = Groups(row);
  controls.same_mode_shown = same_mode_allowed && (row.extra & kSameMode) != 0;
  return controls;
}

}  // namespace

LightModeControls ApplyMode(LightLayoutFamily family, int mode, bool same_mode_allowed) {
  switch (family) {
    case LightLayoutFamily::Keyboard:
      return KeyboardMode(mode, same_mode_allowed);
    case LightLayoutFamily::Mouse:
      return FamilyMode(kMouseRows, mode, same_mode_allowed);
    case LightLayoutFamily::MousePad:
    case LightLayoutFamily::Headset:
    case LightLayoutFamily::Headset2:
      return FamilyMode(kPadRows, mode, same_mode_allowed);
    case LightLayoutFamily::Hub: {
      LightModeControls controls = Groups(RowOf(kHubRows, mode));
      controls.direction_enabled.reset();
      return controls;
    }
    case LightLayoutFamily::Fixed:
      break;
  }
  return {};
}

ModeList SetModeList(std::span<const std::string> names, std::span<const int> visible,
                     int brightness_max, int speed_max) {
  ModeList list;
  list.brightness_max = std::max(brightness_max, 0);
  list.speed_max = std::max(speed_max, 0);
  list.items.reserve(names.size());
  for (std::size_t i = 0; i < names.size(); ++i) {
    list.items.push_back({names[i], i >= visible.size() || visible[i] != 0});
  }
  return list;
}

}  // namespace norvik::devices
