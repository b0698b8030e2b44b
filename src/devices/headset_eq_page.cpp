// The headset driver's operations behind the equaliser page: the user's own band curve, the
// custom presets, and the values the pages show.

#include "devices/headset_driver.h"

#include <algorithm>

namespace norvik::devices {

AudioResult HeadsetDriver::WriteEqBandsLocked(const profiles::EqBands& bands) {
  if (!audio_device_) return AudioResult::NoAudioDevice;
  if (!library_.WriteInteger(*audio_device_, audio_property::kEqEnable, 1))
    return AudioResult::Refused;
  values_.equaliser = 1;
  for (std::size_t band = 0; band < profiles::kEqBandCount; ++band) {
    if (!library_.WriteInteger(*audio_device_, EqSliderProperty(band), bands[band]))
      return AudioResult::Refused;
  }
  return AudioResult::Done;
}

AudioResult HeadsetDriver::ApplyEqBands(const profiles::EqBands& bands) {
  AudioResult sent = AudioResult::NoAudioDevice;
  {
    std::lock_guard lock(audio_lock_);
    sent = WriteEqBandsLocked(bands);
  }
  // A refusal leaves the profile as it was; without the library the profile still takes it.
  if (sent == AudioResult::Refused) return sent;
  profile_.SetEqValues(0, bands);
  profiles::HeadsetSettings settings = profile_.HeadsetSettingsMirror();
  settings.EqType = 0;
  if (!StoreSettings(settings)) return AudioResult::NotSaved;
  return sent;
}

EqApplyResult HeadsetDriver::ApplyCustomEq(int index) {
  EqApplyResult applied;
  const int count = static_cast<int>(profile_.GetCustomEqNames().size());
  const auto bands = index < count ? profile_.GetCustomEqValues(index) : std::nullopt;
  if (!bands) {
    applied.result = AudioResult::BadValue;
    return applied;
  }
  applied.bands = *bands;
  {
    std::lock_guard lock(audio_lock_);
    applied.result = WriteEqBandsLocked(applied.bands);
  }
  if (applied.result == AudioResult::Refused) return applied;
  // The custom preset's bands become the user's own curve, which the page shows.
  profile_.SetEqValues(0, applied.bands);
  profiles::HeadsetSettings settings = profile_.HeadsetSettingsMirror();
  settings.EqType = 0;
  settings.CustomEqSeletIndex = index;
  if (!StoreSettings(settings)) applied.result = AudioResult::NotSaved;
  return applied;
}

AudioResult HeadsetDriver::SaveCustomEq(const std::string& name, const profiles::EqBands& bands) {
  std::vector<std::string> names = profile_.GetCustomEqNames();
  std::string checked = name;
  if (profiles::CheckCustomEqName(checked, names) != profiles::CustomEqName::Ok)
    return AudioResult::BadValue;
  const int index = static_cast<int>(names.size());
  if (index >= profiles::kMaxCustomEqPresets) return AudioResult::BadValue;
  names.push_back(checked);
  if (!profile_.SetCustomEqNames(names) || !profile_.SetCustomEqValues(index, bands))
    return AudioResult::BadValue;
  profiles::HeadsetSettings settings = profile_.HeadsetSettingsMirror();
  settings.CustomEqSeletIndex = index;
  return StoreSettings(settings) ? AudioResult::Done : AudioResult::NotSaved;
}

AudioResult HeadsetDriver::DeleteCustomEq(int index) {
  const int count = static_cast<int>(profile_.GetCustomEqNames().size());
  if (index < 0 || index >= count || !profile_.RemoveCustomEq(index)) return AudioResult::BadValue;
  profiles::HeadsetSettings settings = profile_.HeadsetSettingsMirror();
  // The selection stays on the same preset when it was after the deleted one, and never points
  // past the list.
  int selected = settings.CustomEqSeletIndex;
  if (selected > index) --selected;
  settings.CustomEqSeletIndex = std::clamp(selected, 0, std::max(count - 2, 0));
  return StoreSettings(settings) ? AudioResult::Done : AudioResult::NotSaved;
}

HeadsetDriver::PageValues HeadsetDriver::ReadPageValues() {
  PageValues values;
  {
    std::lock_guard lock(audio_lock_);
    values.library_loaded = library_loaded_;
    values.audio_device = audio_device_.has_value();
    if (values.audio_device && values_.virtual_surround)
      values.virtual_surround = *values_.virtual_surround != 0;
  }
  values.settings = profile_.GetHeadsetSettings();
  values.custom_names = profile_.GetCustomEqNames();
  const int preset = values.settings.EqType;
  values.bands = profile_.GetEqValues(preset >= 0 && preset <= profiles::kMaxEqPreset ? preset : 0)
                     .value_or(profiles::EqBands{});
  return values;
}

std::optional<std::wstring> HeadsetDriver::ReadAudioProperty(std::wstring_view name) {
  std::lock_guard lock(audio_lock_);
  if (!audio_device_) return std::nullopt;
  const auto text = library_.Read(*audio_device_, name);
  if (!text) return std::nullopt;
  return text->value;
}

}  // namespace norvik::devices
