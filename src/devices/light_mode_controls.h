#pragma once
// Which lighting controls a mode offers. The lighting page has one layout per device family;
// each lighting mode enables or disables the colour, seven-colour, brightness, speed and
// direction groups, and a few modes show extra groups (the keyboard's custom per-key colours and
// its second mode list) or rename the two directions. These are pure tables: the page applies
// what they return to its widgets.

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace norvik::devices {

// The lighting page's layout families, set by the device.
enum class LightLayoutFamily : int {
  Keyboard = 1,
  Mouse = 2,
  MousePad = 3,
  Headset = 4,
  Hub = 5,
  Fixed = 6,  // no mode changes any control
  Headset2 = 7,
};

// Text keys of the two direction options ("deng_FXL_check", "deng_FXR_check").
struct DirectionTexts {
  std::string_view first;
  std::string_view second;
  bool operator==(const DirectionTexts&) const = default;
};

// The state of the page's controls for one mode; nullopt leaves a control as it is.
struct LightModeControls {
  std::optional<bool> effect_enabled;        // "lighteffect_layout"
  std::optional<bool> seven_colour_enabled;  // "deng_7color_check"
  std::optional<bool> colour_enabled;        // "deng_color_layout"
  std::optional<bool> palette_enabled;       // "colorpallet_layout"
  std::optional<bool> brightness_enabled;    // "deng_light_layout"
  std::optional<bool> speed_enabled;         // "deng_speed_layout"
  std::optional<bool> direction_enabled;     // "deng_fx_layout"
  std::optional<bool> light_colour_enabled;  // "light_color_layout"
  std::optional<bool> speed_shown;           // "deng_speed_layout"
  std::optional<bool> custom_shown;          // "lightcustom_layout"
  std::optional<bool> second_mode_shown;     // "light_combo_ZZCCmodeSelectLayout"
  std::optional<bool> same_mode_shown;       // "deng_same_mode"
  std::optional<DirectionTexts> direction_texts;
  bool operator==(const LightModeControls&) const = default;
};

// The controls for `mode` in `family`. "deng_same_mode" is shown only for modes that offer it
// and only when the device allows it (same_mode_allowed).
LightModeControls ApplyMode(LightLayoutFamily family, int mode, bool same_mode_allowed);

// The mode list: one item per name (text and user data the name), hidden when its visible flag
// is 0. A hidden mode keeps its place, so the item index stays the lighting mode number. A name
// without a flag is shown; maxima below 0 become 0.
struct ModeListItem {
  std::string name;
  bool visible = true;
  bool operator==(const ModeListItem&) const = default;
};
struct ModeList {
  std::vector<ModeListItem> items;
  int brightness_max = 0;  // "deng_light_slider"
  int speed_max = 0;       // "deng_speed_slider"
};
ModeList SetModeList(std::span<const std::string> names, std::span<const int> visible,
                     int brightness_max, int speed_max);

}  // namespace norvik::devices
