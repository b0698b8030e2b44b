#pragma once
// The device settings the pages show and edit (lighting values, the keyboard's system record,
// the mouse's DPI stages, polling rate and system record), and one user edit of them as a
// value. The same edit is applied twice: at once to the copy the pages show, and on the
// device's command worker to the driver's profile before the settings are pushed. Pure: no
// device, file or toolkit.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "devices/mouse_blocks.h"
#include "profiles/profile_records.h"

namespace norvik::devices {

// Option counts and ranges of the settings pages.
inline constexpr int kPollingRateOptionCount = 4;  // 125, 250, 500, 1000 Hz
inline constexpr int kRepeatDelayOptionCount = 4;  // 250, 500, 750, 1000 ms
inline constexpr int kRepeatRateMax = 31;
inline constexpr int kDefaultRepeatRate = 31;
inline constexpr int kDefaultRepeatDelay = 1;
inline constexpr int kPointerSpeedMin = 1;
inline constexpr int kPointerSpeedMax = 20;
inline constexpr int kScrollLinesMin = 1;
inline constexpr int kScrollLinesMax = 20;
inline constexpr int kDoubleClickMinMs = 200;
inline constexpr int kDoubleClickMaxMs = 900;
// The DPI stages the mouse's settings block carries.
inline constexpr std::size_t kDpiStageCount = 5;
// Highest DPI when the device did not report its range yet.
inline constexpr int kDpiFallbackMax = 26000;

struct MouseSettingsValues {
  std::vector<profiles::DpiStage> stages;
  int active_stage = 0;
  profiles::MouseSystem system;  // pointer speed, scrolling, double-click, polling rate
  DpiRanges ranges;              // from the device information block
  bool operator==(const MouseSettingsValues&) const = default;
};

struct SettingsValues {
  profiles::LightState light;
  std::optional<profiles::KeyboardSystem> keyboard;
  std::optional<MouseSettingsValues> mouse;
  bool operator==(const SettingsValues&) const = default;
};

enum class SettingField : std::uint8_t {
  PollingRate,  // keyboard or mouse, option 0-3
  RepeatRate,   // keyboard, 0-31
  RepeatDelay,  // keyboard, option 0-3
  ResetRepeat,  // keyboard: rate and delay back to their defaults
  WinLock,      // keyboard flags, 0/1
  WFlag,
  SixKeyFlag,
  DpiValue,        // mouse stage `index`, value in DPI
  DpiEnabled,      // mouse stage `index`, 0/1
  ActiveDpiStage,  // mouse, value = stage
  PointerSpeed,    // mouse system record
  ScrollLines,
  DoubleClickTime,   // milliseconds
  PointerPrecision,  // 0/1
  ScrollByPage,      // 0/1
  // The lighting values of every device (the light state of the profile).
  LightMode,          // lighting mode number, 0-255
  LightBrightness,    // 0-kLightBrightnessMax
  LightSpeed,         // 0-kLightSpeedMax
  LightDirection,     // 0/1
  LightMultiColour,   // 0/1
  LightColour,        // value = 0xRRGGBB
  LightPresetColour,  // value = 0xRRGGBB; the seven-colour flag is cleared with it
  LightCustomGroup,   // 0-255
  LightSecondMode,    // 0-255
};

// The lighting edits (they change SettingsValues::light).
bool IsLightField(SettingField field);
inline constexpr int kLightBrightnessMax = 4;
inline constexpr int kLightSpeedMax = 5;

struct SettingsEdit {
  SettingField field = SettingField::PollingRate;
  int index = 0;  // the DPI stage of the stage edits
  int value = 0;
  bool operator==(const SettingsEdit&) const = default;
};

// Edits with the same key supersede each other (the newest queued one is enough).
std::string EditKey(const SettingsEdit& edit);

// Applies edit to values, values out of range brought to the nearest bound. False, and nothing
// changed, when values have no such setting (the edit of another device, a stage the profile
// does not have, a DPI stage past the block's five).
bool ApplyEdit(SettingsValues& values, const SettingsEdit& edit);

}  // namespace norvik::devices
