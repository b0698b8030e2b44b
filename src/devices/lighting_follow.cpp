#include "devices/lighting_follow.h"

#include <algorithm>
#include <array>

#include "base/debug_trace.h"
#include "profiles/folder_lock.h"

namespace norvik::devices {
namespace {

using hid::DeviceKind;

// Modes by effect (breathing, steady, blinking, colour cycle, dark).
constexpr std::array<int, 5> kKeyboardModes = {5, 6, 23, 4, 28};
constexpr std::array<int, 5> kOtherModes = {2, 3, 4, 1, 8};
constexpr int kDarkEffect = static_cast<int>(SyncEffect::Dark);
constexpr long kGameBrightnessMin = 1;
constexpr long kGameBrightnessMax = 20;

const std::array<int, 5>& ModesOf(SyncGroup group) {
  return group == SyncGroup::Keyboards ? kKeyboardModes : kOtherModes;
}

}  // namespace

std::optional<SyncGroup> SyncGroupOf(DeviceKind kind) {
  switch (kind) {
    case DeviceKind::Keyboard:
    case DeviceKind::KeyboardSecondModel:
      return SyncGroup::Keyboards;
    case DeviceKind::MouseCable:
    case DeviceKind::MouseReceiver:
      return SyncGroup::Mice;
    case DeviceKind::MousePad:
      return SyncGroup::MousePads;
    case DeviceKind::Headset:
      return SyncGroup::Headsets;
    default:
      return std::nullopt;
  }
}

std::optional<int> SyncEffectOfMode(DeviceKind kind, int mode, int previous_effect) {
  const auto group = SyncGroupOf(kind);
  if (!group) return previous_effect;
  const auto& modes = ModesOf(*group);
  const auto found = std::find(modes.begin(), modes.end(), mode);
  if (found == modes.end()) return std::nullopt;
  return static_cast<int>(found - modes.begin());
}

int ModeOfSyncEffect(SyncGroup group, int effect) {
  const auto& modes = ModesOf(group);
  if (effect < 0 || effect >= static_cast<int>(modes.size())) effect = kDarkEffect;
  return modes[static_cast<std::size_t>(effect)];
}

SyncParameters SyncParametersOf(const profiles::LightState& leader, int effect) {
  SyncParameters parameters;
  parameters.effect = effect;
  parameters.brightness_level = leader.Light;
  parameters.speed_index = leader.Speed;
  parameters.direction_up = leader.Fx != 0;
  parameters.colourful = leader.MultiColor != 0;
  parameters.colour = SyncColour{leader.Red, leader.Green, leader.Blue};
  return parameters;
}

profiles::LightState FollowLight(const profiles::LightState& own,
                                 const profiles::LightState& leader, int mode) {
  profiles::LightState state = own;
  state.SelectItem = static_cast<std::uint8_t>(mode);
  state.Light = leader.Light;
  state.Speed = leader.Speed;
  state.Fx = leader.Fx;
  state.MultiColor = leader.MultiColor;
  state.Red = leader.Red;
  state.Green = leader.Green;
  state.Blue = leader.Blue;
  return state;
}

std::optional<profiles::LightState> GameLight(const profiles::LightState& current, long form,
                                              long mode) {
  if (form < 0 || form > 2 || mode < 0 || mode > 0xFF) return std::nullopt;
  profiles::LightState state = current;
  state.SelectItem = static_cast<std::uint8_t>(mode);
  if (form == 0 && (state.Light < kGameBrightnessMin || state.Light > kGameBrightnessMax))
    state.Light = static_cast<std::uint8_t>(kGameBrightnessMin);
  return state;
}

std::optional<profiles::LightState> ReadLight(DeviceDriver& driver) {
  profiles::CBasicProfiledata* profile = driver.Profile();
  if (profile == nullptr) return std::nullopt;
  if (!profile->Section().isObject() && !driver.LoadProfile()) return std::nullopt;
  if (!profile->Section().isObject()) return std::nullopt;
  return profile->GetLightInfo();
}

LightWrite WriteLight(DeviceDriver& driver, const LightMaker& make) {
  LightWrite write;
  // Read, change and save in one step against other writers of the profile folder.
  const profiles::FolderLock lock(driver.DataFolder());
  const auto current = ReadLight(driver);
  if (!current) return write;
  write.before = *current;
  const auto state = make(*current);
  if (!state) return write;
  profiles::CBasicProfiledata& profile = *driver.Profile();
  profile.SetLightInfo(*state);
  driver.NormaliseProfile();
  write.written = true;
  // The device first: what the user sees should not wait for the file.
  write.pushed = driver.WriteLightSettings();
  write.saved = profile.Save();
  if (!write.saved) DebugTraceF("%s: profile not saved", driver.DeviceName().c_str());
  return write;
}

}  // namespace norvik::devices
