// The shipped factory data: every file parses, every device's profile object finds the keys it
// reads, and loading it into an empty profile gives the factory values.

#include <array>
#include <cstdint>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "profile_data_test_support.h"
#include "profiles/basic_profiledata.h"
#include "profiles/hs6533_profiledata.h"
#include "profiles/json_access.h"
#include "profiles/json_file_store.h"
#include "profiles/keyboard_profiledata.h"
#include "profiles/light_list.h"
#include "profiles/mouse_profiledata.h"

namespace norvik::profiles {
namespace {

using testing::DefaultDataFolder;
using testing::TempFolder;

// The keyboard's factory key codes by key id, as the firmware documents them.
constexpr std::array<std::uint32_t, 126> kKeyboardDefaultCodes = {
    0x200029, 0x20003A, 0x20003B, 0x20003C, 0x20003D, 0x20003E, 0x20003F, 0x200040, 0x200041,
    0x200042, 0x200043, 0x200044, 0x200045, 0x200046, 0x200047, 0x200048, 0xA01B00, 0xA02400,
    0x200000, 0x200000, 0x200000, 0x200035, 0x20001E, 0x20001F, 0x200020, 0x200021, 0x200022,
    0x200023, 0x200024, 0x200025, 0x200026, 0x200027, 0x20002D, 0x20002E, 0x20002A, 0x200049,
    0x20004A, 0x20004B, 0x200053, 0x200054, 0x200055, 0x200056, 0x20002B, 0x200014, 0x20001A,
    0x200008, 0x200015, 0x200017, 0x20001C, 0x200018, 0x20000C, 0x200012, 0x200013, 0x20002F,
    0x200030, 0x200031, 0x20004C, 0x20004D, 0x20004E, 0x20005F, 0x200060, 0x200061, 0x200032,
    0x200039, 0x200004, 0x200016, 0x200007, 0x200009, 0x20000A, 0x20000B, 0x20000D, 0x20000E,
    0x20000F, 0x200033, 0x200034, 0x200028, 0x20005C, 0x20005D, 0x20005E, 0x20008A, 0x20008B,
    0x200090, 0x200091, 0x200088, 0x200200, 0x20001D, 0x20001B, 0x200006, 0x200019, 0x200005,
    0x200011, 0x200010, 0x200036, 0x200037, 0x200038, 0x202000, 0x200052, 0x200059, 0x20005A,
    0x20005B, 0x200087, 0x200089, 0x200064, 0x200085, 0x200000, 0x200100, 0x200800, 0x200400,
    0x20002C, 0x204000, 0xA00100, 0x200065, 0x201000, 0x200050, 0x200051, 0x20004F, 0x200062,
    0x200063, 0x200058, 0x200057, 0xD0A201, 0xD0A202, 0xD0A203, 0xD0A204, 0xD0A205, 0x208000};

// The mouse's factory button codes, buttons 0-9.
constexpr std::array<std::uint32_t, 10> kMouseDefaultCodes = {
    0x100100, 0x100200, 0x100400, 0x101000, 0x100800,
    0x130100, 0x130200, 0x130300, 0xA01B00, 0x169001};

constexpr int kKeyboardModes = 29;  // modes 29 and above are sent as 0
constexpr int kModesOfTheOthers = 9;

// Product variants: the index of a device's lists in "default_light.json".
constexpr int kKeyboardVariant = 0;
constexpr int kMouseVariant = 1;
constexpr int kMousePadVariant = 2;
constexpr int kHeadsetVariant = 3;

std::filesystem::path Shipped(const char* name) {
  return DefaultDataFolder() / name;
}

// Loads a shipped default file into `profile` through a profile file that does not exist yet,
// the way a device's first start does.
template <typename Profile>
void LoadFactory(Profile& profile, const TempFolder& folder, const char* defaultName) {
  profile.SetDefaultPath(Shipped(defaultName));
  const auto file = folder / "2024_01_01_00_00_00_000.Json";
  profile.SetProfilePath(file);
  const Json::Value section = profile.LoadSection(file);
  ASSERT_TRUE(section.isObject()) << defaultName << " has no section for the device";
  EXPECT_EQ(JsonFileStore::ReadJson(file)["Device"][0], section)
      << "the new profile file was not filled from " << defaultName;
}

void ExpectMembers(const Json::Value& object, const std::vector<const char*>& keys,
                   const std::string& where) {
  for (const char* key : keys) {
    const Json::Value& member = Member(object, key);
    EXPECT_TRUE(member.isIntegral()) << where << " lacks the integer \"" << key << "\"";
  }
}

void ExpectLightingKeys(const Json::Value& section, const std::string& device) {
  ExpectMembers(section["LightInfo"],
                {"SelectItem", "Light", "Speed", "MultiColor", "Red", "Green", "Blue", "Fx",
                 "ZZCCLedMode", "CustomGroup", "OldLedmode"},
                device + " LightInfo");
  ASSERT_TRUE(section["LightList"].isArray()) << device;
  for (const Json::Value& preset : section["LightList"]) {
    ExpectMembers(preset,
                  {"LEDREGMode", "LEDBrightness", "LEDSpeed", "LEDMultiColor", "LEDDirection",
                   "red", "green", "blue"},
                  device + " LightList");
  }
}

void ExpectKeyListKeys(const Json::Value& section, const std::string& device) {
  ASSERT_TRUE(section["KeyList"].isArray()) << device;
  for (const Json::Value& key : section["KeyList"]) {
    ExpectMembers(key, {"Assignment", "DefaultAssignment"}, device + " KeyList");
  }
}

// Light presets number their own mode and stay within the panels' scales.
void ExpectPresetsMatchModes(const std::vector<LightPreset>& presets, int modes) {
  ASSERT_EQ(presets.size(), static_cast<std::size_t>(modes));
  for (int mode = 0; mode < modes; ++mode) {
    const LightPreset& preset = presets[static_cast<std::size_t>(mode)];
    EXPECT_EQ(preset.LEDREGMode, mode);
    EXPECT_LE(preset.LEDBrightness, 4) << "mode " << mode;
    EXPECT_LE(preset.LEDSpeed, 5) << "mode " << mode;
  }
}

std::vector<std::uint32_t> Packed(const std::vector<KeyEntry>& entries, bool defaults) {
  std::vector<std::uint32_t> codes;
  for (const KeyEntry& entry : entries) {
    codes.push_back(PackAssignment(defaults ? entry.defaultAssignment : entry.assignment));
  }
  return codes;
}

TEST(DefaultData, EveryShippedFileParses) {
  for (const char* name : {"keyboard.Json", "mouse.Json", "MousePad.Json", "HD.Json",
                           "default_light.json", "Language.config"}) {
    EXPECT_TRUE(JsonFileStore::ReadJson(Shipped(name)).isObject()) << name;
  }
}

TEST(DefaultData, KeyboardFactoryProfileHoldsEveryKeyboardKey) {
  const Json::Value section = JsonFileStore::ReadJson(Shipped("keyboard.Json"))["Device"][0];
  ExpectLightingKeys(section, "keyboard");
  ExpectKeyListKeys(section, "keyboard");
  ExpectMembers(section["SystemStages"],
                {"Repeat", "RepeatDelay", "Key6Flag", "PollingRate", "WFlag", "WinFlag"},
                "keyboard SystemStages");
  EXPECT_TRUE(section["CustomLightMode"]["LightColorInfo"].isArray());
  EXPECT_TRUE(section["CustomLightMode"]["CustomLightModeGroupIndex"].isIntegral());
}

TEST(DefaultData, KeyboardLoadsTheFactoryKeyCodesAndSettings) {
  const TempFolder folder;
  CKeyboardProfiledata profile;
  LoadFactory(profile, folder, "keyboard.Json");

  const std::vector<KeyEntry> keys = profile.GetKeyList();
  const std::vector<std::uint32_t> expected(kKeyboardDefaultCodes.begin(),
                                            kKeyboardDefaultCodes.end());
  EXPECT_EQ(Packed(keys, true), expected) << "DefaultAssignment differs from the factory codes";
  EXPECT_EQ(Packed(keys, false), expected) << "Assignment differs from the factory codes";

  const LightState light = profile.GetLightInfo();
  EXPECT_LT(light.SelectItem, kKeyboardModes);
  EXPECT_NE(light.SelectItem, 19) << "the factory mode must be one that is offered";
  ExpectPresetsMatchModes(profile.GetModePresets(), kKeyboardModes);

  const KeyboardSystem system = profile.GetSystemStages();
  EXPECT_LE(system.PollingRate, 3);
  EXPECT_EQ(system.WinFlag, 0) << "the Windows key works out of the box";

  const int groups =
      static_cast<int>(profile.Section()["CustomLightMode"]["LightColorInfo"].size());
  EXPECT_GE(groups, 1);
  for (int group = 0; group < groups; ++group) {
    const std::vector<ColourRecord> colours = profile.GetCustomColours(group, 126);
    ASSERT_EQ(colours.size(), 126u);
    EXPECT_EQ(profile.Section()["CustomLightMode"]["LightColorInfo"][group].size(), 126u)
        << "group " << group << " must hold one colour per key";
  }
  EXPECT_LT(profile.GetCustomGroup(), groups);
}

TEST(DefaultData, MouseLoadsTheFactoryButtonsStagesAndSystem) {
  const TempFolder folder;
  const Json::Value section = JsonFileStore::ReadJson(Shipped("mouse.Json"))["Device"][0];
  ExpectLightingKeys(section, "mouse");
  ExpectKeyListKeys(section, "mouse");
  ExpectMembers(
      section["SystemStages"],
      {"DoubleClickTime", "MouseSpeed", "PointerPrecision", "ScorllPage", "WheelScorlllinse"},
      "mouse SystemStages");
  ExpectMembers(section["ReportStages"], {"StageActive"}, "mouse ReportStages");
  ExpectMembers(section["DPIStages"], {"StageActive"}, "mouse DPIStages");

  CMouseProfiledata profile;
  LoadFactory(profile, folder, "mouse.Json");

  const std::vector<std::uint32_t> expected(kMouseDefaultCodes.begin(), kMouseDefaultCodes.end());
  EXPECT_EQ(Packed(profile.GetKeyList(), true), expected);
  EXPECT_EQ(Packed(profile.GetKeyList(), false), expected);
  ExpectPresetsMatchModes(profile.GetModePresets(), kModesOfTheOthers);

  const std::vector<DpiStage> stages = profile.GetDpiStages();
  ASSERT_EQ(stages.size(), 5u);
  EXPECT_LT(profile.GetActiveDpiStage(), 5);
  for (const DpiStage& stage : stages) {
    EXPECT_EQ(stage.StageActive, 1);
    EXPECT_GE(stage.StageDPIX, 200);
    EXPECT_LE(stage.StageDPIX, 6500);
    EXPECT_EQ(stage.StageDPIX, stage.StageDPIY);
  }
  for (std::size_t i = 1; i < stages.size(); ++i) {
    EXPECT_GT(stages[i].StageDPIX, stages[i - 1].StageDPIX) << "stages rise in order";
  }

  const MouseSystem system = profile.GetMouseSystem();
  EXPECT_GT(system.DoubleClickTime, 0);
  EXPECT_GE(system.MouseSpeed, 1);
  EXPECT_LE(system.MouseSpeed, 20);
  EXPECT_GT(system.WheelScorlllinse, 0);
  EXPECT_LE(system.ReportStage, 3);

  int selected = 0;
  const std::vector<CorrectionRecord> corrections = profile.GetCorrections();
  EXPECT_FALSE(corrections.empty());
  for (const CorrectionRecord& record : corrections) {
    EXPECT_FALSE(record.CorrectName.empty());
    EXPECT_GE(record.CorrectMinSq, 0);
    EXPECT_LE(record.CorrectMinSq, 255) << "sent as one byte";
    EXPECT_LE(record.CorrectPixThresh, 255) << "sent as one byte";
    selected += record.CorrectSelect != 0 ? 1 : 0;
  }
  EXPECT_LE(selected, 1);
}

TEST(DefaultData, MousePadLoadsItsLighting) {
  const TempFolder folder;
  ExpectLightingKeys(JsonFileStore::ReadJson(Shipped("MousePad.Json"))["Device"][0], "mouse pad");
  CBasicProfiledata profile;
  LoadFactory(profile, folder, "MousePad.Json");
  EXPECT_LT(profile.GetLightInfo().SelectItem, kModesOfTheOthers);
  ExpectPresetsMatchModes(profile.GetModePresets(), kModesOfTheOthers);
}

TEST(DefaultData, HeadsetLoadsThirteenDistinctEqualiserPresetsAndEmptyCustomOnes) {
  const TempFolder folder;
  const Json::Value section = JsonFileStore::ReadJson(Shipped("HD.Json"))["Device"][0];
  ExpectLightingKeys(section, "headset");
  ExpectMembers(section["SystemSetStages"],
                {"MagicEnable", "MagicType", "EqType", "CustomEqSeletIndex", "MicInSelect",
                 "MicInValue", "MicMoniterSelect", "MicMoniterValue"},
                "headset SystemSetStages");
  ASSERT_EQ(section["EQHzValueInfo"].size(), 14u);
  EXPECT_TRUE(section["CustomEQNameInfo"].isArray());
  EXPECT_TRUE(section["CustomEQHzValueInfo"].isArray());

  CHs6533Profiledata profile;
  LoadFactory(profile, folder, "HD.Json");
  const Json::Value before = profile.Section();
  std::set<EqBands> presets;
  for (int preset = 1; preset <= kMaxEqPreset; ++preset) {
    const auto bands = profile.GetEqValues(preset);
    ASSERT_TRUE(bands.has_value());
    for (const std::int32_t gain : *bands) {
      EXPECT_GE(gain, -12) << "preset " << preset;
      EXPECT_LE(gain, 12) << "preset " << preset;
    }
    presets.insert(*bands);
  }
  EXPECT_EQ(presets.size(), 13u) << "each of the thirteen presets must sound different";
  EXPECT_EQ(profile.GetEqValues(1), EqBands{}) << "preset 1 is flat";
  EXPECT_EQ(profile.Section(), before) << "every band is present, so reading creates nothing";

  EXPECT_TRUE(profile.GetCustomEqNames().empty());
  const HeadsetSettings settings = profile.GetHeadsetSettings();
  EXPECT_GE(settings.EqType, 0);
  EXPECT_LE(settings.EqType, kMaxEqPreset);
  EXPECT_GE(settings.MagicType, 0);
  EXPECT_LE(settings.MagicType, 4);
  for (const int level : {settings.MicInValue, settings.MicMoniterValue}) {
    EXPECT_GE(level, 0);
    EXPECT_LE(level, 100);
  }
  ExpectPresetsMatchModes(profile.GetModePresets(), kModesOfTheOthers);
}

TEST(DefaultData, DefaultLightListNamesEveryBuiltInModeOfEachVariant) {
  const auto file = Shipped(kDefaultLightFileName);
  const std::vector<std::pair<int, int>> variants = {{kKeyboardVariant, kKeyboardModes},
                                                     {kMouseVariant, kModesOfTheOthers},
                                                     {kMousePadVariant, kModesOfTheOthers},
                                                     {kHeadsetVariant, kModesOfTheOthers}};
  for (const auto& [variant, modes] : variants) {
    const DefaultLightList list = ReadDefaultLightList(file, variant);
    ASSERT_EQ(list.modes.size(), static_cast<std::size_t>(modes)) << "variant " << variant;
    std::set<std::string> names;
    for (const BuiltInLightMode& mode : list.modes) {
      EXPECT_FALSE(mode.LightName.empty()) << "variant " << variant;
      names.insert(mode.LightName);
    }
    EXPECT_EQ(names.size(), list.modes.size()) << "variant " << variant << " repeats a name";
  }
  EXPECT_FALSE(ReadDefaultLightList(file, kKeyboardVariant).areaNames.empty())
      << "the keyboard's second mode list";
}

TEST(DefaultData, LanguageConfigOffersEnglishAndSimplifiedChinese) {
  const Json::Value languages = JsonFileStore::ReadJson(Shipped("Language.config"))["Language"];
  ASSERT_TRUE(languages.isArray());
  std::set<std::string> files;
  std::set<std::int64_t> ids;
  for (const Json::Value& language : languages) {
    for (const char* key : {"Language_name", "Language_file", "Language_text"}) {
      EXPECT_TRUE(Member(language, key).isString()) << key;
    }
    ASSERT_TRUE(Member(language, "Language_ID").isIntegral());
    files.insert(language["Language_file"].asString());
    ids.insert(language["Language_ID"].asInt64());
  }
  EXPECT_EQ(ids.size(), languages.size()) << "language ids must be unique";
  EXPECT_TRUE(files.count("lan_en.xml") == 1 && files.count("lan_cn.xml") == 1);
}

}  // namespace
}  // namespace norvik::profiles
