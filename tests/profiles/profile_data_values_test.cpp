// Getters and setters of the profile objects: the JSON members they read and write, the word
// packings, and wrong JSON types reading as missing.

#include <cstdint>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "profile_data_test_support.h"
#include "profiles/basic_profiledata.h"
#include "profiles/hs6533_profiledata.h"
#include "profiles/json_file_store.h"
#include "profiles/keyboard_profiledata.h"
#include "profiles/mouse_profiledata.h"

namespace norvik::profiles {
namespace {

using testing::Parse;
using testing::TempFolder;
using testing::WriteText;

// Loads `section` (JSON text of one "Device" element) into `profile` through a profile file.
template <typename Profile>
void LoadSectionText(Profile& profile, const TempFolder& folder, const std::string& section) {
  const auto file = folder / "profile.Json";
  WriteText(file, R"({"Device": [)" + section + "]}");
  profile.SetProfilePath(file);
  profile.LoadSection(file);
  ASSERT_TRUE(profile.Section().isObject()) << "test section does not parse: " << section;
}

TEST(LightInfo, MultiColorTrueOneAndSevenReadAsOne) {
  const TempFolder folder;
  const std::vector<std::pair<std::string, int>> cases = {
      {"true", 1}, {"1", 1}, {"7", 1}, {"-3", 1}, {"0", 0}, {"false", 0}, {"\"1\"", 0}, {"[1]", 0}};
  for (const auto& [stored, expected] : cases) {
    SCOPED_TRACE("MultiColor " + stored);
    CBasicProfiledata profile;
    LoadSectionText(profile, folder, R"({"LightInfo": {"MultiColor": )" + stored + "}}");
    EXPECT_EQ(profile.GetLightInfo().MultiColor, expected);
  }
}

TEST(LightInfo, MissingLightInfoKeepsTheMirrorAndMissingMembersReadAsZero) {
  const TempFolder folder;
  CBasicProfiledata profile;
  LightState earlier;
  earlier.SelectItem = 2;
  earlier.Blue = 99;
  profile.SetLightInfo(earlier);

  LoadSectionText(profile, folder, R"({"KeyList": []})");
  EXPECT_EQ(profile.GetLightInfo(), earlier);

  LoadSectionText(profile, folder, R"({"LightInfo": "off"})");
  EXPECT_EQ(profile.GetLightInfo(), earlier) << "a LightInfo of the wrong type reads as missing";

  LoadSectionText(profile, folder, R"({"LightInfo": {"Speed": 4}})");
  LightState expected;
  expected.Speed = 4;
  EXPECT_EQ(profile.GetLightInfo(), expected);
}

TEST(LightInfo, FourWordsSplitIntoTheElevenMembers) {
  CBasicProfiledata profile;
  // Bits 0-23 of word 2 carry nothing; MultiColor 7 is stored as 1.
  profile.SetLightInfo(0x04030201u, 0x33221107u, 0xAB123456u, 0x0605u);

  const Json::Value& info = profile.Section()["LightInfo"];
  EXPECT_EQ(info, Parse(R"({"SelectItem": 1, "Light": 2, "Speed": 3, "Fx": 4, "MultiColor": 1,
                            "Red": 17, "Green": 34, "Blue": 51, "ZZCCLedMode": 171,
                            "CustomGroup": 5, "OldLedmode": 6})"));
  const LightWords words = PackLightState(profile.GetLightInfo());
  EXPECT_EQ(words, (LightWords{0x04030201u, 0x33221101u, 0xAB000000u, 0x0605u}));
}

TEST(LightInfo, MembersOfTheWrongTypeReadAsZeroAndRealsAreTruncated) {
  const TempFolder folder;
  CBasicProfiledata profile;
  LoadSectionText(profile, folder, R"({"LightInfo": {
      "SelectItem": "3", "Light": [2], "Speed": {"v": 1}, "Red": null, "Green": 1e300,
      "Blue": 2.7, "Fx": true, "ZZCCLedMode": 300, "CustomGroup": -1}})");
  const LightState state = profile.GetLightInfo();
  EXPECT_EQ(state.SelectItem, 0);
  EXPECT_EQ(state.Light, 0);
  EXPECT_EQ(state.Speed, 0);
  EXPECT_EQ(state.Red, 0);
  EXPECT_EQ(state.Green, 0) << "a real outside the integer range reads as missing";
  EXPECT_EQ(state.Blue, 2);
  EXPECT_EQ(state.Fx, 1);
  // Outside a byte: the factory value (none here, so 0), never the low byte.
  EXPECT_EQ(state.ZZCCLedMode, 0);
  EXPECT_EQ(state.CustomGroup, 0);
}

TEST(KeyList, Assignment131333IsTwoOneFiveAndIsWrittenBackUnchanged) {
  const TempFolder folder;
  CKeyboardProfiledata profile;
  LoadSectionText(profile, folder,
                  R"({"KeyList": [{"Assignment": 131333, "DefaultAssignment": 2097193}]})");

  std::vector<KeyEntry> entries = profile.GetKeyList();
  ASSERT_EQ(entries.size(), 1u);
  EXPECT_EQ(entries[0].index, 0);
  EXPECT_EQ(entries[0].assignment, (KeyAssignment{2, 1, 5}));
  EXPECT_EQ(entries[0].defaultAssignment, (KeyAssignment{0x20, 0x00, 0x29}));

  profile.SetKeyList(entries);
  ASSERT_TRUE(profile.Save());
  const Json::Value stored = JsonFileStore::ReadJson(profile.GetProfilePath());
  EXPECT_EQ(stored["Device"][0]["KeyList"][0]["Assignment"].asInt(), 131333);
  EXPECT_EQ(stored["Device"][0]["KeyList"][0]["DefaultAssignment"].asInt(), 2097193);
}

TEST(KeyList, ElementsOfTheWrongTypeKeepTheirIndexAndReadAsZero) {
  const TempFolder folder;
  CKeyboardProfiledata profile;
  LoadSectionText(profile, folder, R"({"KeyList": [
      {"Assignment": 65536}, "junk", {"Assignment": "131333", "DefaultAssignment": [1]},
      {"Assignment": 4294967295}]})");

  const std::vector<KeyEntry> entries = profile.GetKeyList();
  ASSERT_EQ(entries.size(), 4u);
  EXPECT_EQ(entries[0].assignment, (KeyAssignment{1, 0, 0}));
  EXPECT_EQ(entries[1].index, 1);
  EXPECT_EQ(entries[1].assignment, KeyAssignment{});
  EXPECT_EQ(entries[2].index, 2);
  EXPECT_EQ(entries[2].assignment, KeyAssignment{});
  EXPECT_EQ(entries[2].defaultAssignment, KeyAssignment{});
  EXPECT_EQ(entries[3].assignment, KeyAssignment{}) << "past 24 bits: the factory value, not cut";
}

TEST(KeyList, WritingSetsOnlyAssignmentAndRepairsElements) {
  const TempFolder folder;
  CKeyboardProfiledata profile;
  LoadSectionText(profile, folder,
                  R"({"KeyList": [{"Assignment": 1, "DefaultAssignment": 2, "Note": "x"}, 5]})");
  std::vector<KeyEntry> entries(3);
  entries[0].assignment = {0x20, 0x02, 0x04};
  entries[1].assignment = {0x10, 0x01, 0x00};
  entries[2].assignment = {0x70, 0x03, 0x01};

  profile.SetKeyList(entries);

  EXPECT_EQ(profile.Section()["KeyList"], Parse(R"([
      {"Assignment": 2097668, "DefaultAssignment": 2, "Note": "x"},
      {"Assignment": 1048832},
      {"Assignment": 7340801}])"));
  EXPECT_EQ(profile.KeyListMirror(), entries);
}

TEST(KeyboardSystem, WordsPackIntoTheSixMembers) {
  CKeyboardProfiledata profile;
  profile.SetSystemStages(0x00020001u, 0x00030000u | 1u, 0x00010000u);

  EXPECT_EQ(profile.Section()["SystemStages"],
            Parse(R"({"Repeat": 1, "RepeatDelay": 2, "Key6Flag": 1, "PollingRate": 3,
                      "WFlag": 0, "WinFlag": 1})"));
  const KeyboardSystem system = profile.GetSystemStages();
  EXPECT_EQ(system.Pack(), (SystemWords{0x00020001u, 0x00030001u, 0x00010000u}));
}

TEST(KeyboardSystem, MissingOrWrongTypedStagesReadAsZero) {
  const TempFolder folder;
  CKeyboardProfiledata profile;
  LoadSectionText(profile, folder, R"({"SystemStages": [1, 2]})");
  EXPECT_EQ(profile.GetSystemStages(), KeyboardSystem{});
  LoadSectionText(profile, folder, R"({"SystemStages": {"PollingRate": "3", "WinFlag": 1}})");
  KeyboardSystem expected;
  expected.WinFlag = 1;
  EXPECT_EQ(profile.GetSystemStages(), expected);
}

TEST(CustomColours, MissingGroupIsCreatedAsZeroColours) {
  const TempFolder folder;
  CKeyboardProfiledata profile;
  LoadSectionText(profile, folder, R"({"LightInfo": {}})");

  EXPECT_EQ(profile.GetCustomColours(2, 3), std::vector<ColourRecord>(3));

  const Json::Value zero = Parse(R"({"Red": 0, "Green": 0, "Blue": 0, "Alpha": 0})");
  const Json::Value& groups = profile.Section()["CustomLightMode"]["LightColorInfo"];
  ASSERT_EQ(groups.size(), 3u);
  EXPECT_TRUE(groups[0].isNull());
  ASSERT_EQ(groups[2].size(), 3u);
  for (const Json::Value& colour : groups[2]) EXPECT_EQ(colour, zero);
}

TEST(CustomColours, PresentColoursAreReadAndOnlyTheGapsAreFilled) {
  const TempFolder folder;
  CKeyboardProfiledata profile;
  LoadSectionText(profile, folder, R"({"CustomLightMode": {"LightColorInfo": [[
      {"Red": 1, "Green": 2, "Blue": 3, "Alpha": 4}, "junk"]]}})");

  const std::vector<ColourRecord> colours = profile.GetCustomColours(0, 3);

  ASSERT_EQ(colours.size(), 3u);
  EXPECT_EQ(colours[0], (ColourRecord{1, 2, 3, 4}));
  EXPECT_EQ(colours[1], ColourRecord{});
  EXPECT_EQ(colours[2], ColourRecord{});
  const Json::Value& group = profile.Section()["CustomLightMode"]["LightColorInfo"][0];
  EXPECT_EQ(group[0]["Alpha"].asInt(), 4);
  EXPECT_EQ(group[1]["Red"].asInt(), 0);
  EXPECT_EQ(profile.CustomColoursMirror(), colours);
}

TEST(CustomColours, GroupsAndCountsOutsideTheBoundsChangeNothing) {
  const TempFolder folder;
  CKeyboardProfiledata profile;
  LoadSectionText(profile, folder, R"({"LightInfo": {}})");
  const Json::Value before = profile.Section();

  EXPECT_TRUE(profile.GetCustomColours(-1, 3).empty());
  EXPECT_TRUE(profile.GetCustomColours(kMaxCustomGroups, 3).empty());
  EXPECT_TRUE(profile.GetCustomColours(0, kMaxCustomColours + 1).empty());
  EXPECT_FALSE(profile.SetCustomColours({ColourRecord{}}, -1));
  EXPECT_FALSE(profile.SetCustomColours(
      std::vector<ColourRecord>(static_cast<std::size_t>(kMaxCustomColours) + 1), 0));
  EXPECT_EQ(profile.Section(), before);
}

TEST(CustomColours, SettingReplacesTheGroupAndTheGroupIndexDefaultsToZero) {
  const TempFolder folder;
  CKeyboardProfiledata profile;
  LoadSectionText(profile, folder, R"({"CustomLightMode": {"LightColorInfo": [[{}, {}, {}]]}})");
  EXPECT_EQ(profile.GetCustomGroup(), 0);

  ASSERT_TRUE(profile.SetCustomColours({ColourRecord{9, 8, 7, 255}}, 0));
  profile.SetCustomGroup(3);

  EXPECT_EQ(profile.Section()["CustomLightMode"],
            Parse(R"({"LightColorInfo": [[{"Red": 9, "Green": 8, "Blue": 7, "Alpha": 255}]],
                      "CustomLightModeGroupIndex": 3})"));
  EXPECT_EQ(profile.GetCustomGroup(), 3);
}

TEST(MouseDpi, ProfileWithFewerStagesLeavesNoStaleStagesBehind) {
  const TempFolder folder;
  CMouseProfiledata profile;
  LoadSectionText(profile, folder, R"({"DPIStages": {"StageActive": 4, "StageDPIs": [
      {"StageDPIX": 400}, {"StageDPIX": 800}, {"StageDPIX": 1600}, {"StageDPIX": 3200},
      {"StageDPIX": 6400}]}})");
  ASSERT_EQ(profile.GetDpiStages().size(), 5u);

  LoadSectionText(profile, folder, R"({"DPIStages": {"StageActive": 1, "StageDPIs": [
      {"StageDPIX": 500}, {"StageDPIX": 1000}, {"StageDPIX": 2000}]}})");
  const std::vector<DpiStage> stages = profile.GetDpiStages();

  ASSERT_EQ(stages.size(), 3u);
  EXPECT_EQ(stages[2].StageDPIX, 2000);
  EXPECT_EQ(profile.GetActiveDpiStage(), 1);
}

TEST(MouseDpi, StagesRoundTripWithSixteenBitValues) {
  const TempFolder folder;
  CMouseProfiledata profile;
  LoadSectionText(profile, folder, R"({"DPIStages": {}})");
  DpiStage stage{1, 1, 16000, 0xABCD, 255, 128, 0};

  profile.SetDpiStages({stage, DpiStage{}});
  profile.SetActiveDpiStage(1);
  ASSERT_TRUE(profile.Save());
  CMouseProfiledata reloaded;
  reloaded.LoadSection(profile.GetProfilePath());

  const std::vector<DpiStage> stages = reloaded.GetDpiStages();
  ASSERT_EQ(stages.size(), 2u);
  EXPECT_EQ(stages[0], stage);
  EXPECT_EQ(stages[0].StageDPIY & 0xFF, 0xCD);
  EXPECT_EQ(stages[0].StageDPIY >> 8, 0xAB);
  EXPECT_EQ(reloaded.GetActiveDpiStage(), 1);
}

TEST(MouseSystem, WordsPackIntoSystemStagesAndReportStages) {
  CMouseProfiledata profile;
  profile.SetMouseSystem(500u | 10u << 16, 1u | 0u << 16, 3u | 2u << 16);

  EXPECT_EQ(profile.Section()["SystemStages"],
            Parse(R"({"DoubleClickTime": 500, "MouseSpeed": 10, "PointerPrecision": 1,
                      "ScorllPage": 0, "WheelScorlllinse": 3})"));
  EXPECT_EQ(profile.Section()["ReportStages"], Parse(R"({"StageActive": 2})"));
  EXPECT_EQ(profile.GetMouseSystem().Pack(), (SystemWords{500u | 10u << 16, 1u, 3u | 2u << 16}));
}

TEST(MouseSystem, MissingStagesGiveZeroWordsAndReportStageZero) {
  const TempFolder folder;
  CMouseProfiledata profile;
  LoadSectionText(profile, folder, R"({"ReportStages": {"StageActive": 2}})");
  EXPECT_EQ(profile.GetMouseSystem().Pack(), (SystemWords{0, 0, 2u << 16}));
  LoadSectionText(profile, folder, R"({"SystemStages": {"MouseSpeed": 12}})");
  EXPECT_EQ(profile.GetMouseSystem().Pack(), (SystemWords{12u << 16, 0, 0}));
}

TEST(MouseCorrections, ElementsAreReadWithWrongTypesAsMissing) {
  const TempFolder folder;
  CMouseProfiledata profile;
  LoadSectionText(profile, folder, R"({"CorrectInfo": [
      {"CorrectPixThresh": 8, "CorrectMinSq": 16, "CorrectSelect": 1, "CorrectName": "Low"},
      {"CorrectPixThresh": "8", "CorrectName": 5}, 7]})");
  const std::vector<CorrectionRecord> records = profile.GetCorrections();
  ASSERT_EQ(records.size(), 3u);
  EXPECT_EQ(records[0], (CorrectionRecord{8, 16, 1, "Low"}));
  EXPECT_EQ(records[1], CorrectionRecord{});
  EXPECT_EQ(records[2], CorrectionRecord{});
}

TEST(HeadsetSettings, EightSettingsUseTheStoredSpellings) {
  CHs6533Profiledata profile;
  profile.SetHeadsetSettings(HeadsetSettings{1, 2, 3, 4, 5, 60, 7, 80});
  EXPECT_EQ(profile.Section()["SystemSetStages"],
            Parse(R"({"MagicEnable": 1, "MagicType": 2, "EqType": 3, "CustomEqSeletIndex": 4,
                      "MicInSelect": 5, "MicInValue": 60, "MicMoniterSelect": 7,
                      "MicMoniterValue": 80})"));
  EXPECT_EQ(profile.GetHeadsetSettings(), (HeadsetSettings{1, 2, 3, 4, 5, 60, 7, 80}));
}

TEST(HeadsetEq, PresetFourteenIsIgnoredOnReadAndWrite) {
  const TempFolder folder;
  CHs6533Profiledata profile;
  LoadSectionText(profile, folder, R"({"EQHzValueInfo": []})");
  const Json::Value before = profile.Section();
  EqBands values{};
  values.fill(3);

  EXPECT_FALSE(profile.GetEqValues(14).has_value());
  EXPECT_FALSE(profile.SetEqValues(14, values));
  EXPECT_FALSE(profile.GetEqValues(-1).has_value());
  EXPECT_FALSE(profile.SetEqValues(-1, values));
  EXPECT_EQ(profile.Section(), before);

  EXPECT_TRUE(profile.SetEqValues(13, values));
  EXPECT_EQ(profile.GetEqValues(13), values);
}

TEST(HeadsetEq, MissingPresetValuesAreCreatedAsTenZeros) {
  const TempFolder folder;
  CHs6533Profiledata profile;
  LoadSectionText(profile, folder, R"({"EQHzValueInfo": [[{"value": 4}, "x", {"value": "5"}]]})");

  EXPECT_EQ(profile.GetEqValues(2), EqBands{});
  const Json::Value& presets = profile.Section()["EQHzValueInfo"];
  ASSERT_EQ(presets[2].size(), kEqBandCount);
  for (const Json::Value& band : presets[2]) EXPECT_EQ(band, Parse(R"({"value": 0})"));

  EqBands expected{};
  expected[0] = 4;
  EXPECT_EQ(profile.GetEqValues(0), expected);
  EXPECT_EQ(presets[0][1], Parse(R"({"value": 0})")) << "a band of the wrong type is replaced";
  EXPECT_EQ(presets[0][2], Parse(R"({"value": 0})"));
}

TEST(HeadsetEq, CustomPresetsAndNamesRoundTripThroughTheFile) {
  const TempFolder folder;
  CHs6533Profiledata profile;
  LoadSectionText(profile, folder, R"({"CustomEQNameInfo": [], "CustomEQHzValueInfo": []})");
  const EqBands bands{-12, -6, 0, 3, 6, 9, 12, 1, 2, 3};

  ASSERT_TRUE(profile.SetCustomEqValues(1, bands));
  ASSERT_TRUE(profile.SetCustomEqNames({"Mine", "Night \xE5\xA4\x9C"}));
  // A name with a control character or over 64 characters refuses the whole set.
  std::string longest;
  for (int i = 0; i < 64; ++i) longest += "\xE5\xA4\x9C";
  EXPECT_TRUE(profile.SetCustomEqNames({longest}));
  for (const std::string& bad :
       {std::string("a\tb"), std::string("\x7F"), std::string("\xC2\x9B"), longest + "x"}) {
    EXPECT_FALSE(profile.SetCustomEqNames({"Mine", bad})) << bad.size() << " bytes";
  }
  ASSERT_TRUE(profile.SetCustomEqNames({"Mine", "Night \xE5\xA4\x9C"}));
  EXPECT_FALSE(profile.SetCustomEqValues(kMaxCustomEqPresets, bands));
  EXPECT_FALSE(profile.GetCustomEqValues(-1).has_value());
  ASSERT_TRUE(profile.Save());

  CHs6533Profiledata reloaded;
  reloaded.LoadSection(profile.GetProfilePath());
  EXPECT_EQ(reloaded.GetCustomEqValues(1), bands);
  EXPECT_EQ(reloaded.GetCustomEqValues(0), EqBands{});
  EXPECT_EQ(reloaded.GetCustomEqNames(), (std::vector<std::string>{"Mine", "Night \xE5\xA4\x9C"}));
}

TEST(WrongTypes, EveryTopLevelKeyOfTheWrongTypeReadsAsMissing) {
  const TempFolder folder;
  const std::string section = R"({
      "LightInfo": [1], "LightList": {"a": 1}, "KeyList": 5, "SystemStages": "x",
      "CustomLightMode": [], "DPIStages": "x", "ReportStages": 3, "CorrectInfo": {},
      "SystemSetStages": [], "EQHzValueInfo": "x", "CustomEQNameInfo": 1,
      "CustomEQHzValueInfo": {"0": 1}})";
  CKeyboardProfiledata keyboard;
  LoadSectionText(keyboard, folder, section);
  EXPECT_EQ(keyboard.GetLightInfo(), LightState{});
  EXPECT_TRUE(keyboard.GetModePresets().empty());
  EXPECT_TRUE(keyboard.GetKeyList().empty());
  EXPECT_EQ(keyboard.GetSystemStages(), KeyboardSystem{});
  EXPECT_EQ(keyboard.GetCustomGroup(), 0);
  EXPECT_EQ(keyboard.GetCustomColours(0, 2), std::vector<ColourRecord>(2));

  CMouseProfiledata mouse;
  LoadSectionText(mouse, folder, section);
  EXPECT_TRUE(mouse.GetDpiStages().empty());
  EXPECT_EQ(mouse.GetActiveDpiStage(), 0);
  EXPECT_EQ(mouse.GetMouseSystem(), MouseSystem{});
  EXPECT_TRUE(mouse.GetCorrections().empty());

  CHs6533Profiledata headset;
  LoadSectionText(headset, folder, section);
  EXPECT_EQ(headset.GetHeadsetSettings(), HeadsetSettings{});
  EXPECT_EQ(headset.GetEqValues(1), EqBands{});
  EXPECT_TRUE(headset.GetCustomEqNames().empty());
  EXPECT_EQ(headset.GetCustomEqValues(0), EqBands{});
}

TEST(WrongTypes, SettersRepairWrongTypedKeysSoTheSavedFileReadsBack) {
  const TempFolder folder;
  CKeyboardProfiledata profile;
  LoadSectionText(profile, folder,
                  R"({"LightInfo": 3, "SystemStages": [], "CustomLightMode": "x", "KeyList": {}})");
  LightState light;
  light.SelectItem = 20;
  KeyboardSystem system;
  system.PollingRate = 2;
  std::vector<KeyEntry> keys(1);
  keys[0].assignment = {0x20, 0, 0x04};

  profile.SetLightInfo(light);
  profile.SetSystemStages(system);
  ASSERT_TRUE(profile.SetCustomColours({ColourRecord{1, 2, 3, 4}}, 1));
  profile.SetKeyList(keys);
  ASSERT_TRUE(profile.Save());

  CKeyboardProfiledata reloaded;
  reloaded.LoadSection(profile.GetProfilePath());
  EXPECT_EQ(reloaded.GetLightInfo(), light);
  EXPECT_EQ(reloaded.GetSystemStages(), system);
  EXPECT_EQ(reloaded.GetCustomColours(1, 1), std::vector<ColourRecord>{(ColourRecord{1, 2, 3, 4})});
  ASSERT_EQ(reloaded.GetKeyList().size(), 1u);
  EXPECT_EQ(reloaded.GetKeyList()[0].assignment, keys[0].assignment);
}

TEST(HeadsetEq, CustomPresetNameRules) {
  const std::vector<std::string> existing{"Mine", "Night \xE5\xA4\x9C"};
  struct Case {
    std::string name;
    CustomEqName expected;
    std::string kept;  // the name as it would be stored
  };
  const Case cases[] = {
      {"Loud", CustomEqName::Ok, "Loud"},
      {"  Loud ", CustomEqName::Ok, "Loud"},
      {"mine", CustomEqName::Ok, "mine"},  // names differ by case
      {"Mine", CustomEqName::Taken, "Mine"},
      {" Night \xE5\xA4\x9C  ", CustomEqName::Taken, "Night \xE5\xA4\x9C"},
      {"", CustomEqName::Empty, ""},
      {"    ", CustomEqName::Empty, ""},
      {"a\tb", CustomEqName::Refused, "a\tb"},
      {std::string(65, 'x'), CustomEqName::Refused, std::string(65, 'x')},
  };
  for (const Case& c : cases) {
    std::string name = c.name;
    EXPECT_EQ(CheckCustomEqName(name, existing), c.expected) << "\"" << c.name << "\"";
    EXPECT_EQ(name, c.kept) << "\"" << c.name << "\"";
  }
}

TEST(HeadsetEq, RemovingACustomPresetKeepsNamesAndBandsInStep) {
  const TempFolder folder;
  CHs6533Profiledata profile;
  LoadSectionText(profile, folder, R"({"CustomEQNameInfo": [], "CustomEQHzValueInfo": []})");
  ASSERT_TRUE(profile.SetCustomEqNames({"A", "B", "C"}));
  for (int i = 0; i < 3; ++i) ASSERT_TRUE(profile.SetCustomEqValues(i, EqBands{i, i, i}));

  EXPECT_TRUE(profile.RemoveCustomEq(1));
  EXPECT_EQ(profile.GetCustomEqNames(), (std::vector<std::string>{"A", "C"}));
  EXPECT_EQ(profile.GetCustomEqValues(1), (EqBands{2, 2, 2}));
  EXPECT_FALSE(profile.RemoveCustomEq(2)) << "past the end of both lists";
  EXPECT_FALSE(profile.RemoveCustomEq(-1));
  ASSERT_TRUE(profile.Save());

  CHs6533Profiledata reloaded;
  reloaded.LoadSection(profile.GetProfilePath());
  EXPECT_EQ(reloaded.GetCustomEqNames(), (std::vector<std::string>{"A", "C"}));
  EXPECT_EQ(reloaded.GetCustomEqValues(0), (EqBands{0, 0, 0}));
  EXPECT_EQ(reloaded.GetCustomEqValues(1), (EqBands{2, 2, 2}));
}

}  // namespace
}  // namespace norvik::profiles
