#include "devices/settings_values.h"

#include <algorithm>

namespace norvik::devices {
namespace {

std::uint16_t Clamped(int value, int low, int high) {
  return static_cast<std::uint16_t>(std::clamp(value, low, high));
}

std::uint16_t Flag(int value) {
  return value != 0 ? 1 : 0;
}

bool ApplyKeyboardEdit(profiles::KeyboardSystem& system, const SettingsEdit& edit) {
  switch (edit.field) {
    case SettingField::PollingRate:
      system.PollingRate = Clamped(edit.value, 0, kPollingRateOptionCount - 1);
      return true;
    case SettingField::RepeatRate:
      system.Repeat = Clamped(edit.value, 0, kRepeatRateMax);
      return true;
    case SettingField::RepeatDelay:
      system.RepeatDelay = Clamped(edit.value, 0, kRepeatDelayOptionCount - 1);
      return true;
    case SettingField::ResetRepeat:
      system.Repeat = kDefaultRepeatRate;
      system.RepeatDelay = kDefaultRepeatDelay;
      return true;
    case SettingField::WinLock:
      system.WinFlag = Flag(edit.value);
      return true;
    case SettingField::WFlag:
      system.WFlag = Flag(edit.value);
      return true;
    case SettingField::SixKeyFlag:
      system.Key6Flag = Flag(edit.value);
      return true;
    default:
      return false;
  }
}

// The DPI stage edits; the stage must be one of the profile's stages that the block carries.
bool ApplyStageEdit(MouseSettingsValues& mouse, const SettingsEdit& edit) {
  const std::size_t usable = std::min(mouse.stages.size(), kDpiStageCount);
  if (edit.index < 0 || static_cast<std::size_t>(edit.index) >= usable) return false;
  profiles::DpiStage& stage = mouse.stages[static_cast<std::size_t>(edit.index)];
  switch (edit.field) {
    case SettingField::DpiValue: {
      const int highest = mouse.ranges.edit_max > 0 ? mouse.ranges.edit_max : kDpiFallbackMax;
      stage.StageDPIX = Clamped(edit.value, 1, highest);
      stage.StageDPIY = stage.StageDPIX;
      stage.StageXY = 0;
      return true;
    }
    case SettingField::DpiEnabled:
      stage.StageActive = static_cast<std::uint8_t>(Flag(edit.value));
      return true;
    default:
      return false;
  }
}

bool ApplyMouseEdit(MouseSettingsValues& mouse, const SettingsEdit& edit) {
  profiles::MouseSystem& system = mouse.system;
  switch (edit.field) {
    case SettingField::PollingRate:
      system.ReportStage = Clamped(edit.value, 0, kPollingRateOptionCount - 1);
      return true;
    case SettingField::DpiValue:
    case SettingField::DpiEnabled:
      return ApplyStageEdit(mouse, edit);
    case SettingField::ActiveDpiStage: {
      const std::size_t usable = std::min(mouse.stages.size(), kDpiStageCount);
      if (edit.value < 0 || static_cast<std::size_t>(edit.value) >= usable) return false;
      mouse.active_stage = edit.value;
      return true;
    }
    case SettingField::PointerSpeed:
      system.MouseSpeed = Clamped(edit.value, kPointerSpeedMin, kPointerSpeedMax);
      return true;
    case SettingField::ScrollLines:
      system.WheelScorlllinse = Clamped(edit.value, kScrollLinesMin, kScrollLinesMax);
      return true;
    case SettingField::DoubleClickTime:
      system.DoubleClickTime = Clamped(edit.value, kDoubleClickMinMs, kDoubleClickMaxMs);
      return true;
    case SettingField::PointerPrecision:
      system.PointerPrecision = Flag(edit.value);
      return true;
    case SettingField::ScrollByPage:
      system.ScorllPage = Flag(edit.value);
      return true;
    default:
      return false;
  }
}

std::uint8_t Byte(int value, int high = 255) {
  return static_cast<std::uint8_t>(std::clamp(value, 0, high));
}

void ApplyLightEdit(profiles::LightState& light, const SettingsEdit& edit) {
  switch (edit.field) {
    case SettingField::LightMode:
      light.SelectItem = Byte(edit.value);
      break;
    case SettingField::LightBrightness:
      light.Light = Byte(edit.value, kLightBrightnessMax);
      break;
    case SettingField::LightSpeed:
      light.Speed = Byte(edit.value, kLightSpeedMax);
      break;
    case SettingField::LightDirection:
      light.Fx = static_cast<std::uint8_t>(Flag(edit.value));
      break;
    case SettingField::LightMultiColour:
      light.MultiColor = static_cast<std::uint8_t>(Flag(edit.value));
      break;
    case SettingField::LightPresetColour:
      light.MultiColor = 0;
      [[fallthrough]];
    case SettingField::LightColour:
      light.Red = static_cast<std::uint8_t>((edit.value >> 16) & 0xFF);
      light.Green = static_cast<std::uint8_t>((edit.value >> 8) & 0xFF);
      light.Blue = static_cast<std::uint8_t>(edit.value & 0xFF);
      break;
    case SettingField::LightCustomGroup:
      light.CustomGroup = Byte(edit.value);
      break;
    case SettingField::LightSecondMode:
      light.ZZCCLedMode = Byte(edit.value);
      break;
    default:
      break;
  }
}

}  // namespace

bool IsLightField(SettingField field) {
  return field >= SettingField::LightMode && field <= SettingField::LightSecondMode;
}

std::string EditKey(const SettingsEdit& edit) {
  return "setting " + std::to_string(static_cast<int>(edit.field)) + ":" +
         std::to_string(edit.index);
}

bool ApplyEdit(SettingsValues& values, const SettingsEdit& edit) {
  if (IsLightField(edit.field)) {
    ApplyLightEdit(values.light, edit);
    return true;
  }
  if (values.keyboard) return ApplyKeyboardEdit(*values.keyboard, edit);
  if (values.mouse) return ApplyMouseEdit(*values.mouse, edit);
  return false;
}

}  // namespace norvik::devices
