// The lighting name lists and the user lighting effects: which effect file is opened, and that a
// "Guid" can never name a file outside the user folder.

#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "profile_data_test_support.h"
#include "profiles/basic_profiledata.h"
#include "profiles/light_list.h"

namespace norvik::profiles {
namespace {

using testing::Parse;
using testing::TempFolder;
using testing::WriteText;

constexpr char kEffectText[] = R"({"LEDEffectList": [
    {"LEDREGMode": 3, "LEDDirection": 1, "LEDBrightness": 4, "LEDSpeed": 2, "LEDMultiColor": 0,
     "red": 255, "green": 10, "blue": 20, "Time": 500, "Cyle": 3},
    {"LEDREGMode": 5, "LEDDirection": 9, "LEDMultiColor": true, "Time": "long", "Cyle": -1}]})";

EffectStep FirstStep() {
  EffectStep step;
  step.preset = LightPreset{3, 4, 2, 1, 0, 255, 10, 20};
  step.Time = 500;
  step.Cyle = 3;
  return step;
}

EffectStep SecondStep() {
  EffectStep step;
  step.preset.LEDREGMode = 5;
  step.preset.LEDDirection = 1;
  step.preset.LEDMultiColor = 1;
  step.Cyle = -1;
  return step;
}

TEST(DefaultLightList, ModesAndAreaNamesOfTheProductVariant) {
  const Json::Value document = Parse(R"({
      "DefaultLightName": [
        [{"LightName": "kb_off", "visible": 1}, {"LightName": "kb_wave", "visible": false},
         {"LightName": 5, "visible": "yes"}, "junk"],
        [{"LightName": "ms_static", "visible": true}]],
      "AreaLightName": [[{"LightName": "area_1"}, {"LightName": "area_2"}]]})");

  const DefaultLightList keyboard = ParseDefaultLightList(document, 0);
  EXPECT_EQ(keyboard.modes, (std::vector<BuiltInLightMode>{
                                {"kb_off", true}, {"kb_wave", false}, {"", false}, {"", false}}))
      << "entries keep their index so later modes keep their numbers";
  EXPECT_EQ(keyboard.areaNames, (std::vector<std::string>{"area_1", "area_2"}));

  const DefaultLightList mouse = ParseDefaultLightList(document, 1);
  EXPECT_EQ(mouse.modes, (std::vector<BuiltInLightMode>{{"ms_static", true}}));
  EXPECT_TRUE(mouse.areaNames.empty());

  EXPECT_TRUE(ParseDefaultLightList(document, 7).modes.empty());
  EXPECT_TRUE(ParseDefaultLightList(document, -1).modes.empty());
  EXPECT_TRUE(ParseDefaultLightList(Parse("[1]"), 0).modes.empty());
}

TEST(UserLightList, EntriesOfTheVariantWithWrongTypesAsEmpty) {
  const Json::Value document = Parse(R"({"LightInfo": [
      [{"LightName": "Fire", "Guid": "2024_01_01_00_00_00_001"}, {"LightName": 1}],
      "junk"]})");
  EXPECT_EQ(ParseUserLightList(document, 0),
            (std::vector<UserLightEffect>{{"Fire", "2024_01_01_00_00_00_001"}, {"", ""}}));
  EXPECT_TRUE(ParseUserLightList(document, 1).empty());
  EXPECT_TRUE(ParseUserLightList(Parse(R"({"LightInfo": {}})"), 0).empty());
}

TEST(LightEffectFile, StepsAreReadWithFlagsAsZeroOrOne) {
  const auto steps = ParseLightEffect(Parse(kEffectText));
  ASSERT_TRUE(steps.has_value());
  EXPECT_EQ(*steps, (std::vector<EffectStep>{FirstStep(), SecondStep()}));
  EXPECT_EQ(ParseLightEffect(Parse("{}")), std::vector<EffectStep>{});
  EXPECT_FALSE(ParseLightEffect(Parse("[1]")).has_value());
  EXPECT_FALSE(ParseLightEffect(Json::Value()).has_value());
}

class EffectSteps : public ::testing::Test {
 protected:
  void SetUp() override {
    std::filesystem::create_directory(UserFolder());
    profile_.SetBuiltInModeCount(29);
  }
  std::filesystem::path UserFolder() const { return folder_ / "keyboard"; }

  // A lighting list whose variant 0 holds one effect per guid, in order.
  void WriteLightingList(const std::vector<std::string>& guids) {
    Json::Value entries(Json::arrayValue);
    for (const std::string& guid : guids) {
      Json::Value entry;
      entry["LightName"] = "effect";
      entry["Guid"] = guid;
      entries.append(entry);
    }
    Json::Value document;
    document["LightInfo"].append(entries);
    const auto file = UserFolder() / "zintu_light.config";
    ASSERT_TRUE(JsonFileStore::WriteJson(file, document));
    profile_.LoadLightingList(file);
  }

  void SelectItem(int item) {
    LightState state;
    state.SelectItem = static_cast<std::uint8_t>(item);
    profile_.SetLightInfo(state);
  }

  TempFolder folder_;
  CBasicProfiledata profile_;
};

TEST_F(EffectSteps, SelectedUserEffectIsReadFromBesideTheLightingList) {
  WriteText(UserFolder() / "g1.light", R"({"LEDEffectList": []})");
  WriteText(UserFolder() / "g2.light", kEffectText);
  WriteLightingList({"g1", "g2"});
  SelectItem(30);

  EXPECT_EQ(profile_.GetEffectSteps(), (std::vector<EffectStep>{FirstStep(), SecondStep()}));
  EXPECT_EQ(profile_.EffectStepsMirror().size(), 2u);
}

TEST_F(EffectSteps, BuiltInModeNeverOpensAnEffectFile) {
  WriteText(UserFolder() / "g1.light", kEffectText);
  WriteLightingList({"g1"});
  for (const int item : {0, 1, 28}) {
    SelectItem(item);
    EXPECT_TRUE(profile_.GetEffectSteps().empty()) << "SelectItem " << item;
  }
  SelectItem(29);
  EXPECT_EQ(profile_.GetEffectSteps().size(), 2u);
  SelectItem(3);
  EXPECT_EQ(profile_.GetEffectSteps().size(), 2u) << "a built-in mode keeps the steps as they were";
}

TEST_F(EffectSteps, MissingListEntryOrFileKeepsThePreviousSteps) {
  WriteText(UserFolder() / "good.light", kEffectText);
  WriteText(UserFolder() / "bad.light", R"({"LEDEffectList": [)");
  WriteLightingList({"good", "bad", "absent"});
  SelectItem(29);
  ASSERT_EQ(profile_.GetEffectSteps().size(), 2u);

  for (const int item : {30, 31, 32, 255}) {
    SelectItem(item);
    EXPECT_EQ(profile_.GetEffectSteps().size(), 2u) << "SelectItem " << item;
  }
}

TEST_F(EffectSteps, NoLightingListMeansNoUserEffects) {
  WriteText(UserFolder() / "g1.light", kEffectText);
  profile_.LoadLightingList(UserFolder() / "zintu_light.config");
  SelectItem(29);
  EXPECT_TRUE(profile_.LightingList().isNull());
  EXPECT_TRUE(profile_.GetEffectSteps().empty());
}

TEST_F(EffectSteps, GuidThatCouldLeaveTheUserFolderIsRefused) {
  // Each escape would reach a real effect file if it were followed.
  WriteText(folder_ / "outside.light", kEffectText);
  WriteText(folder_ / "keyboard" / "inside.light", kEffectText);
  const std::string absolute = (folder_ / "outside").string();
  const std::vector<std::string> guids = {"../outside",
                                          "..",
                                          "",
                                          absolute,
                                          "sub/../../outside",
                                          "..\\outside",
                                          "C:outside",
                                          "./../outside",
                                          std::string("inside\0x", 8),
                                          std::string(201, 'a')};
  for (const std::string& guid : guids) {
    SCOPED_TRACE("Guid \"" + guid + "\"");
    EXPECT_FALSE(EffectFilePath(UserFolder(), guid).has_value());
    WriteLightingList({guid});
    SelectItem(29);
    EXPECT_TRUE(profile_.GetEffectSteps().empty());
  }
  EXPECT_EQ(EffectFilePath(UserFolder(), "2024_03_05_14_07_09_042"),
            UserFolder() / "2024_03_05_14_07_09_042.light");
}

TEST_F(EffectSteps, SectionIndexPicksTheVariantOfTheLightingList) {
  WriteText(UserFolder() / "v1.light", kEffectText);
  Json::Value document = Parse(R"({"LightInfo": [[{"Guid": "missing"}], [{"Guid": "v1"}]]})");
  const auto file = UserFolder() / "zintu_light.config";
  ASSERT_TRUE(JsonFileStore::WriteJson(file, document));
  profile_.LoadLightingList(file);
  ASSERT_TRUE(profile_.SetSectionIndex(1));
  SelectItem(29);
  EXPECT_EQ(profile_.GetEffectSteps().size(), 2u);
}

}  // namespace
}  // namespace norvik::profiles
