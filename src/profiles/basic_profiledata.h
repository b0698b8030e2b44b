#pragma once
// The profile object of a device: the "Device" section of the selected profile file (the source of
// truth) and plain mirrors of the parts the device code reads often. Used as is by the mouse pad
// and as the base of the keyboard, mouse and headset profile objects.
//
// Getters read the section (and refresh the mirrors); setters change the section and the mirrors
// only. Nothing reaches the disk before Save or SaveSection. A section of the wrong JSON type, or
// members of the wrong type, read as missing; no call throws.

#include <cstdint>
#include <filesystem>
#include <vector>

#include <json/value.h>

#include "profiles/profile_records.h"

namespace norvik::profiles {

// Largest accepted section index (the "Device" element of a profile). Devices use 0; the bound
// keeps a wrong index from growing the array without limit.
inline constexpr int kMaxSectionIndex = 255;

class CBasicProfiledata {
 public:
  CBasicProfiledata() = default;
  virtual ~CBasicProfiledata() = default;
  CBasicProfiledata(const CBasicProfiledata&) = default;
  CBasicProfiledata& operator=(const CBasicProfiledata&) = default;
  CBasicProfiledata(CBasicProfiledata&&) = default;
  CBasicProfiledata& operator=(CBasicProfiledata&&) = default;

  // Writes the in-memory section into the profile file (SaveSection with the profile path).
  virtual bool Save();
  // Under the folder's lock, reads the document at `path` afresh, puts `section` at the section
  // index of its "Device" array (other elements and top-level keys stay) and writes the document
  // back. A section that is not an object (never loaded) is not written: that would replace the
  // stored settings by nothing. Nor is a file that no longer exists (its profile was deleted,
  // perhaps by another program: writing would leave an unlisted file). A damaged document is
  // moved aside first. Returns false when nothing was written.
  virtual bool SaveSection(const std::filesystem::path& path, const Json::Value& section);
  // Writes the whole document to `path` atomically in the stored (styled) form.
  virtual bool WriteDocument(const std::filesystem::path& path, const Json::Value& document);

  // Empty arguments leave the paths unchanged.
  void SetProfilePath(const std::filesystem::path& path);
  const std::filesystem::path& GetProfilePath() const { return profilePath_; }
  void SetDefaultPath(const std::filesystem::path& path);
  const std::filesystem::path& GetDefaultPath() const { return defaultPath_; }
  void SetLightingListPath(const std::filesystem::path& path) { lightingListPath_ = path; }
  const std::filesystem::path& GetLightingListPath() const { return lightingListPath_; }

  // Values outside 0..kMaxSectionIndex are refused (the index stays); returns whether accepted.
  bool SetSectionIndex(int index);
  int GetSectionIndex() const { return sectionIndex_; }

  // Number of lighting modes the firmware provides; a SelectItem at or above it names a user
  // lighting effect. Negative values count as 0.
  void SetBuiltInModeCount(int count) { builtInModeCount_ = count < 0 ? 0 : count; }
  int GetBuiltInModeCount() const { return builtInModeCount_; }

  // Loads the section from the document at `path`. When the document lacks it (missing,
  // unreadable, unparsable, not an object, no such "Device" element), the section of the default
  // data file is taken, stored into the document at the same place and the document written back
  // to `path`, so a new or damaged profile file is filled from the defaults. A damaged file (one
  // that exists but is not a profile document) is first moved aside (recovery_report.h); when
  // that fails it is left alone and the defaults serve from memory only. Without default data
  // the section stays null and nothing is written. Runs under the folder's lock. Returns a copy
  // of the section.
  Json::Value LoadSection(const std::filesystem::path& path);
  const Json::Value& Section() const { return section_; }

  // Reads the lighting list file at `path` (and remembers it as the lighting list path); a
  // missing or unparsable file gives a null list, meaning no user effects. Returns a copy.
  Json::Value LoadLightingList(const std::filesystem::path& path);
  const Json::Value& LightingList() const { return lightingList_; }

  // "LightInfo": when the section or "LightInfo" is missing, the mirror is returned unchanged;
  // otherwise all eleven members are read (missing ones as 0, "MultiColor" as a flag).
  LightState GetLightInfo();
  void SetLightInfo(std::uint32_t w0, std::uint32_t w1, std::uint32_t w2, std::uint16_t w3);
  void SetLightInfo(const LightState& state);
  const LightState& LightStateMirror() const { return lightState_; }

  // "LightList", element i the factory preset of mode i; missing: empty.
  std::vector<LightPreset> GetModePresets();
  const std::vector<LightPreset>& ModePresetsMirror() const { return modePresets_; }

  // When a lighting list is loaded and SelectItem is at or above the built-in mode count, reads
  // the ".light" file of the entry "LightInfo"[section index][SelectItem - count] and returns its
  // steps. The file is looked up beside the lighting list file; a "Guid" that could leave that
  // folder is treated as missing. In every other case the steps stay as they were.
  std::vector<EffectStep> GetEffectSteps();
  const std::vector<EffectStep>& EffectStepsMirror() const { return effectSteps_; }

  // "KeyList": element i gives entry i (assignment and default assignment split into bytes).
  std::vector<KeyEntry> GetKeyList();
  // Replaces the mirror and writes "Assignment" of element i for each entry i; the factory
  // "DefaultAssignment" is never written.
  void SetKeyList(const std::vector<KeyEntry>& entries);
  const std::vector<KeyEntry>& KeyListMirror() const { return keyEntries_; }

 protected:
  // The section for writing; becomes an object when it is not one.
  Json::Value& MutableSection();
  // The default data's section at the section index (null without default data), read once per
  // default path: the factory values that stand in for stored values out of their range.
  const Json::Value& FactorySection();

 private:
  std::filesystem::path profilePath_;
  std::filesystem::path defaultPath_;
  int builtInModeCount_ = 0;
  LightState lightState_;
  std::vector<LightPreset> modePresets_;
  Json::Value section_;
  std::filesystem::path lightingListPath_;
  std::vector<EffectStep> effectSteps_;
  Json::Value lightingList_;
  std::vector<KeyEntry> keyEntries_;
  int sectionIndex_ = 0;
  Json::Value factorySection_;
  std::filesystem::path factoryReadFrom_;
};

}  // namespace norvik::profiles
