// Loads a profile document through LoadSection (with a default data file), calls every getter
// and setter of the device's profile object, saves, and checks that a fresh object reading the
// saved file gets back exactly what was set.
//
// Input: one selector byte (device kind), then the profile file text, optionally followed by
// kSeparator and the default data file text (otherwise a small complete default is used).

#include <stdlib.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

#include "profiles/basic_profiledata.h"
#include "profiles/hs6533_profiledata.h"
#include "profiles/keyboard_profiledata.h"
#include "profiles/mouse_profiledata.h"
#include "support/temp_folder.h"

namespace {

using namespace norvik::profiles;

constexpr std::string_view kSeparator = "\n--default--\n";

constexpr std::string_view kDefaultDocument = R"({"Device": [{
  "LightInfo": {"SelectItem": 1, "Light": 4, "Speed": 2, "MultiColor": 1, "Red": 255,
                "Green": 0, "Blue": 0, "Fx": 0, "ZZCCLedMode": 0, "CustomGroup": 0,
                "OldLedmode": 0},
  "LightList": [{"LEDREGMode": 0, "LEDBrightness": 4, "LEDSpeed": 2, "LEDDirection": 0,
                 "LEDMultiColor": 1, "red": 255, "green": 0, "blue": 0}],
  "KeyList": [{"Assignment": 2097193, "DefaultAssignment": 2097193}],
  "SystemStages": {"Repeat": 31, "RepeatDelay": 1, "Key6Flag": 0, "PollingRate": 3,
                   "WFlag": 0, "WinFlag": 0, "DoubleClickTime": 500, "MouseSpeed": 10},
  "CustomLightMode": {"LightColorInfo": [[{"Red": 1, "Green": 2, "Blue": 3, "Alpha": 4}]],
                      "CustomLightModeGroupIndex": 0},
  "DPIStages": {"StageActive": 1, "StageDPIs": [{"StageActive": 1, "StageDPIX": 800}]},
  "ReportStages": {"StageActive": 3},
  "CorrectInfo": [{"CorrectPixThresh": 8, "CorrectMinSq": 16, "CorrectSelect": 0,
                   "CorrectName": "Low"}],
  "SystemSetStages": {"MagicEnable": 0, "EqType": 1, "MicInValue": 80},
  "EQHzValueInfo": [[{"value": 0}]], "CustomEQNameInfo": [{"Name": "Mine"}],
  "CustomEQHzValueInfo": [[{"value": 3}]]}]})";

void Check(bool condition) {
  if (!condition) abort();
}

// A scratch folder for this process, removed when it exits.
const std::filesystem::path& Folder() {
  static const norvik::testing::TempFolder folder;
  return folder.path();
}

void Write(const std::filesystem::path& file, std::string_view text) {
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  out.write(text.data(), static_cast<std::streamsize>(text.size()));
}

// Loads the profile file into `profile`; false when there is no section to work on.
bool Load(CBasicProfiledata& profile) {
  profile.SetDefaultPath(Folder() / "default.Json");
  profile.SetProfilePath(Folder() / "profile.Json");
  profile.LoadSection(profile.GetProfilePath());
  return profile.Section().isObject();
}

// Values every device kind has: reads them, writes them back unchanged.
void RoundTripBasic(CBasicProfiledata& profile) {
  profile.GetModePresets();
  profile.SetLightInfo(profile.GetLightInfo());
  profile.SetKeyList(profile.GetKeyList());
}

void CheckBasic(CBasicProfiledata& saved, CBasicProfiledata& reloaded) {
  Check(reloaded.GetLightInfo() == saved.LightStateMirror());
  const auto keys = reloaded.GetKeyList();
  const auto& expected = saved.KeyListMirror();
  Check(keys.size() == expected.size());
  for (std::size_t i = 0; i < keys.size(); ++i) Check(keys[i].assignment == expected[i].assignment);
}

void RunKeyboard() {
  CKeyboardProfiledata profile;
  if (!Load(profile)) return;
  RoundTripBasic(profile);
  profile.SetSystemStages(profile.GetSystemStages());
  const int group = profile.GetCustomGroup() & 0xFF;
  const auto colours = profile.GetCustomColours(group, 8);
  Check(profile.SetCustomColours(colours, group));
  profile.SetCustomGroup(group);
  if (!profile.Save()) return;

  CKeyboardProfiledata reloaded;
  Check(Load(reloaded));
  CheckBasic(profile, reloaded);
  Check(reloaded.GetSystemStages() == profile.SystemMirror());
  Check(reloaded.GetCustomGroup() == group);
  Check(reloaded.GetCustomColours(group, 8) == colours);
}

void RunMouse() {
  CMouseProfiledata profile;
  if (!Load(profile)) return;
  RoundTripBasic(profile);
  const auto stages = profile.GetDpiStages();
  const int active = profile.GetActiveDpiStage();
  profile.SetDpiStages(stages);
  profile.SetActiveDpiStage(active);
  profile.SetMouseSystem(profile.GetMouseSystem());
  profile.GetCorrections();
  if (!profile.Save()) return;

  CMouseProfiledata reloaded;
  Check(Load(reloaded));
  CheckBasic(profile, reloaded);
  Check(reloaded.GetDpiStages() == profile.DpiStagesMirror());
  Check(reloaded.GetActiveDpiStage() == active);
  Check(reloaded.GetMouseSystem() == profile.MouseSystemMirror());
}

void RunHeadset() {
  CHs6533Profiledata profile;
  if (!Load(profile)) return;
  RoundTripBasic(profile);
  profile.SetHeadsetSettings(profile.GetHeadsetSettings());
  const auto preset = profile.GetEqValues(profile.HeadsetSettingsMirror().EqType);
  if (preset) Check(profile.SetEqValues(profile.HeadsetSettingsMirror().EqType, *preset));
  Check(!profile.GetEqValues(kMaxEqPreset + 1).has_value());
  const auto names = profile.GetCustomEqNames();
  profile.SetCustomEqNames(names);
  const auto custom = profile.GetCustomEqValues(1);
  Check(custom.has_value());
  if (!profile.Save()) return;

  CHs6533Profiledata reloaded;
  Check(Load(reloaded));
  CheckBasic(profile, reloaded);
  Check(reloaded.GetHeadsetSettings() == profile.HeadsetSettingsMirror());
  Check(reloaded.GetCustomEqNames() == names);
  Check(reloaded.GetCustomEqValues(1) == custom);
  if (preset) Check(reloaded.GetEqValues(profile.HeadsetSettingsMirror().EqType) == preset);
}

void RunMousePad() {
  CBasicProfiledata profile;
  if (!Load(profile)) return;
  RoundTripBasic(profile);
  if (!profile.Save()) return;
  CBasicProfiledata reloaded;
  Check(Load(reloaded));
  CheckBasic(profile, reloaded);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  const std::uint8_t kind = data[0];
  const std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);
  const std::size_t split = text.find(kSeparator);
  Write(Folder() / "profile.Json", text.substr(0, split));
  Write(Folder() / "default.Json", split == std::string_view::npos
                                       ? kDefaultDocument
                                       : text.substr(split + kSeparator.size()));
  switch (kind % 4) {
    case 0:
      RunKeyboard();
      break;
    case 1:
      RunMouse();
      break;
    case 2:
      RunMousePad();
      break;
    default:
      RunHeadset();
      break;
  }
  return 0;
}
