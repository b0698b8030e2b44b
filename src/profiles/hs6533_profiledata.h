#pragma once
// Profile object of the headset: adds "SystemSetStages" and the equaliser keys
// "EQHzValueInfo" (presets 0-13), "CustomEQNameInfo" and "CustomEQHzValueInfo".

#include <optional>
#include <string>
#include <vector>

#include "profiles/basic_profiledata.h"

namespace norvik::profiles {

// Presets 0..kMaxEqPreset; 0 is "none selected", 1-13 the thirteen built-in presets.
inline constexpr int kMaxEqPreset = 13;
// Custom presets have no natural bound; this one keeps a wrong index from growing the file
// without limit.
inline constexpr int kMaxCustomEqPresets = 256;

// Whether name can become a new custom preset beside existing (the combo's names).
enum class CustomEqName { Ok, Empty, Taken, Refused };
// Spaces around the name are not part of it: name is trimmed first; an empty name, one equal to
// an existing one, or one CheckName refuses cannot be used.
CustomEqName CheckCustomEqName(std::string& name, const std::vector<std::string>& existing);

class CHs6533Profiledata : public CBasicProfiledata {
 public:
  // "SystemSetStages"; missing members read as 0.
  HeadsetSettings GetHeadsetSettings();
  void SetHeadsetSettings(const HeadsetSettings& settings);
  const HeadsetSettings& HeadsetSettingsMirror() const { return settings_; }

  // "EQHzValueInfo"[preset]: ten "value" members. A missing array or band is created in the
  // section with value 0 and reads as 0 (without a loaded section: zeros, nothing created).
  // A preset outside 0..13 returns nothing and changes nothing.
  std::optional<EqBands> GetEqValues(int preset);
  bool SetEqValues(int preset, const EqBands& values);

  // "CustomEQNameInfo": element i is {"Name": name}. Names CheckName refuses (control
  // characters, over 64 characters) refuse the whole set: false and nothing changes.
  std::vector<std::string> GetCustomEqNames();
  bool SetCustomEqNames(const std::vector<std::string>& names);

  // "CustomEQHzValueInfo"[index], with the same rules as the built-in presets; the index is
  // bounded by kMaxCustomEqPresets.
  std::optional<EqBands> GetCustomEqValues(int index);
  bool SetCustomEqValues(int index, const EqBands& values);

  // Removes element index of "CustomEQNameInfo" and of "CustomEQHzValueInfo" (whichever holds
  // it); false when neither does.
  bool RemoveCustomEq(int index);

  // The values of the last preset read or written.
  const EqBands& EqValuesMirror() const { return eqValues_; }

 private:
  std::optional<EqBands> ReadBands(const char* key, int index);
  void WriteBands(const char* key, int index, const EqBands& values);

  HeadsetSettings settings_;
  EqBands eqValues_{};
};

}  // namespace norvik::profiles
