#pragma once
// Profile object of the keyboards: adds "SystemStages" (keyboard layout) and "CustomLightMode".

#include <cstdint>
#include <vector>

#include "profiles/basic_profiledata.h"

namespace norvik::profiles {

// Bounds of the custom colour lists: CustomGroup is one byte, and the colour block of a group
// holds at most 170 light positions, far below kMaxCustomColours.
inline constexpr int kMaxCustomGroups = 256;
inline constexpr int kMaxCustomColours = 512;

class CKeyboardProfiledata : public CBasicProfiledata {
 public:
  // "SystemStages"; a missing object gives zeros.
  KeyboardSystem GetSystemStages();
  void SetSystemStages(std::uint32_t w0, std::uint32_t w1, std::uint32_t w2);
  void SetSystemStages(const KeyboardSystem& system);
  const KeyboardSystem& SystemMirror() const { return system_; }

  // "CustomLightMode"."LightColorInfo"[group], `count` colours. Missing colours are created in
  // the section as zeros and read as zero (without a loaded section: zeros, nothing created). A
  // group or count outside the bounds above gives an empty list and changes nothing.
  std::vector<ColourRecord> GetCustomColours(int group, int count);
  // Replaces the colour list of `group`; false (nothing changed) outside the bounds.
  bool SetCustomColours(const std::vector<ColourRecord>& colours, int group);
  const std::vector<ColourRecord>& CustomColoursMirror() const { return customColours_; }

  // "CustomLightMode"."CustomLightModeGroupIndex"; missing reads as 0.
  int GetCustomGroup();
  void SetCustomGroup(int group);

 private:
  KeyboardSystem system_;
  std::vector<ColourRecord> customColours_;
  int customGroup_ = 0;
};

}  // namespace norvik::profiles
