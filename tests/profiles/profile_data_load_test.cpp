// Loading and saving the profile section: filling from the default data, keeping the rest of the
// document, and the stored text form.

#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "profile_data_test_support.h"
#include "profiles/basic_profiledata.h"
#include "profiles/folder_lock.h"
#include "profiles/json_file_store.h"
#include "profiles/keyboard_profiledata.h"

namespace norvik::profiles {
namespace {

using testing::Parse;
using testing::ReadText;
using testing::TempFolder;
using testing::WriteText;

constexpr char kDefaultDocument[] = R"({
  "Device": [
    {
      "LightInfo": {"SelectItem": 4, "Light": 5, "Speed": 3, "MultiColor": 1, "Red": 255,
                    "Green": 0, "Blue": 0, "Fx": 0, "ZZCCLedMode": 0, "CustomGroup": 0,
                    "OldLedmode": 0},
      "KeyList": [{"Assignment": 2097193, "DefaultAssignment": 2097193}]
    }
  ]
})";

class ProfileLoad : public ::testing::Test {
 protected:
  void SetUp() override {
    WriteText(DefaultFile(), kDefaultDocument);
    profile_.SetDefaultPath(DefaultFile());
    profile_.SetProfilePath(ProfileFile());
  }
  std::filesystem::path DefaultFile() const { return folder_ / "keyboard.Json"; }
  std::filesystem::path ProfileFile() const { return folder_ / "2024_01_02_03_04_05_006.Json"; }
  Json::Value DefaultSection() const { return Parse(kDefaultDocument)["Device"][0]; }

  TempFolder folder_;
  CKeyboardProfiledata profile_;
};

TEST_F(ProfileLoad, ProfileWithoutDeviceArrayIsFilledFromDefaultsAndRewritten) {
  WriteText(ProfileFile(), R"({"profilename": "Game", "profileUUID": "2024_01_02_03_04_05_006"})");

  const Json::Value section = profile_.LoadSection(ProfileFile());

  EXPECT_EQ(section, DefaultSection());
  const Json::Value stored = JsonFileStore::ReadJson(ProfileFile());
  EXPECT_EQ(stored["Device"][0], DefaultSection()) << "the filled section was not written back";
  EXPECT_EQ(stored["profilename"].asString(), "Game");
  EXPECT_EQ(stored["profileUUID"].asString(), "2024_01_02_03_04_05_006");
  EXPECT_EQ(profile_.GetLightInfo().SelectItem, 4);
}

TEST_F(ProfileLoad, MissingDamagedOrMisshapenProfilesAreFilledFromDefaults) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"empty file", ""},
      {"truncated", R"({"Device": [{"LightInfo": {"SelectItem": 3, "Li)"},
      {"not JSON", "profile"},
      {"array document", "[1, 2]"},
      {"number document", "42"},
      {"Device is an object", R"({"Device": {"LightInfo": {}}})"},
      {"Device is a string", R"({"Device": "x"})"},
      {"section is a number", R"({"Device": [5]})"},
      {"section is null", R"({"Device": [null]})"},
      {"Device is empty", R"({"Device": []})"},
      {"nested past the limit", std::string(2000, '[')},
  };
  for (const auto& [name, text] : cases) {
    SCOPED_TRACE(name);
    WriteText(ProfileFile(), text);
    EXPECT_EQ(profile_.LoadSection(ProfileFile()), DefaultSection());
    EXPECT_EQ(JsonFileStore::ReadJson(ProfileFile())["Device"][0], DefaultSection());
  }
  std::filesystem::remove(ProfileFile());
  EXPECT_EQ(profile_.LoadSection(ProfileFile()), DefaultSection()) << "missing file";
  EXPECT_EQ(JsonFileStore::ReadJson(ProfileFile())["Device"][0], DefaultSection());
}

TEST_F(ProfileLoad, PresentSectionIsUsedAndTheFileIsNotRewritten) {
  const std::string text = R"({"Device": [{"LightInfo": {"SelectItem": 9}}], "profilename": "x"})";
  WriteText(ProfileFile(), text);

  const Json::Value section = profile_.LoadSection(ProfileFile());

  EXPECT_EQ(section["LightInfo"]["SelectItem"].asInt(), 9);
  EXPECT_EQ(ReadText(ProfileFile()), text);
}

TEST_F(ProfileLoad, WithoutDefaultDataTheSectionStaysNullAndNothingIsWritten) {
  std::filesystem::remove(DefaultFile());
  LightState earlier;
  earlier.SelectItem = 6;
  earlier.Red = 200;
  profile_.SetLightInfo(earlier);

  EXPECT_TRUE(profile_.LoadSection(ProfileFile()).isNull());
  EXPECT_FALSE(std::filesystem::exists(ProfileFile()));
  EXPECT_EQ(profile_.GetLightInfo(), earlier) << "the light state mirror must be kept";
  EXPECT_TRUE(profile_.GetKeyList().empty());
  EXPECT_TRUE(profile_.GetModePresets().empty());
  EXPECT_EQ(profile_.GetSystemStages(), KeyboardSystem{});
  EXPECT_EQ(profile_.GetCustomColours(0, 3), std::vector<ColourRecord>(3));
  EXPECT_FALSE(profile_.Save()) << "a null section must not be saved";
  EXPECT_FALSE(std::filesystem::exists(ProfileFile()));

  const std::string damaged = R"({"Device": [{"Light)";
  WriteText(ProfileFile(), damaged);
  EXPECT_TRUE(profile_.LoadSection(ProfileFile()).isNull());
  EXPECT_EQ(ReadText(ProfileFile()), damaged) << "a damaged file must be left as it is";
}

TEST_F(ProfileLoad, ResetLoadsTheDefaultFileWithoutWritingIt) {
  const std::string before = ReadText(DefaultFile());
  EXPECT_EQ(profile_.LoadSection(DefaultFile()), DefaultSection());
  EXPECT_EQ(ReadText(DefaultFile()), before);
}

TEST_F(ProfileLoad, FolderInPlaceOfTheProfileFileIsNeitherReadNorReplaced) {
  std::filesystem::create_directory(ProfileFile());
  EXPECT_EQ(profile_.LoadSection(ProfileFile()), DefaultSection());
  EXPECT_TRUE(std::filesystem::is_directory(ProfileFile()));
}

TEST_F(ProfileLoad, SectionIndexSelectsTheDeviceElementAndIsBounded) {
  EXPECT_FALSE(profile_.SetSectionIndex(-1));
  EXPECT_FALSE(profile_.SetSectionIndex(kMaxSectionIndex + 1));
  EXPECT_EQ(profile_.GetSectionIndex(), 0);
  ASSERT_TRUE(profile_.SetSectionIndex(1));
  WriteText(ProfileFile(), R"({"Device": [{"LightInfo": {"SelectItem": 1}},
                                          {"LightInfo": {"SelectItem": 2}}]})");
  EXPECT_EQ(profile_.LoadSection(ProfileFile())["LightInfo"]["SelectItem"].asInt(), 2);

  LightState state;
  state.SelectItem = 7;
  profile_.SetLightInfo(state);
  ASSERT_TRUE(profile_.Save());
  const Json::Value stored = JsonFileStore::ReadJson(ProfileFile());
  EXPECT_EQ(stored["Device"][0]["LightInfo"]["SelectItem"].asInt(), 1);
  EXPECT_EQ(stored["Device"][1]["LightInfo"]["SelectItem"].asInt(), 7);
}

TEST(ProfilePaths, EmptyArgumentsLeaveThePathsUnchanged) {
  CBasicProfiledata profile;
  profile.SetProfilePath("/a/p.Json");
  profile.SetDefaultPath("/a/d.Json");
  profile.SetProfilePath("");
  profile.SetDefaultPath("");
  EXPECT_EQ(profile.GetProfilePath(), std::filesystem::path("/a/p.Json"));
  EXPECT_EQ(profile.GetDefaultPath(), std::filesystem::path("/a/d.Json"));
}

class ProfileSave : public ::testing::Test {
 protected:
  void SetUp() override { profile_.SetProfilePath(File()); }
  std::filesystem::path File() const { return folder_ / "p.Json"; }

  TempFolder folder_;
  CBasicProfiledata profile_;
};

TEST_F(ProfileSave, SavingKeepsOtherDeviceElementsTopLevelKeysAndUnknownSectionKeys) {
  WriteText(File(), R"({
    "Device": [{"LightInfo": {"SelectItem": 1}, "Vendor": {"a": [1, 2]}},
               {"KeyList": [{"Assignment": 7}]}],
    "profilename": "Work", "profileUUID": "u1", "Other": {"kept": true}})");
  profile_.LoadSection(File());
  LightState state;
  state.SelectItem = 3;
  profile_.SetLightInfo(state);

  ASSERT_TRUE(profile_.Save());

  const Json::Value stored = JsonFileStore::ReadJson(File());
  EXPECT_EQ(stored["Device"][0]["LightInfo"]["SelectItem"].asInt(), 3);
  EXPECT_EQ(stored["Device"][0]["Vendor"], Parse(R"({"a": [1, 2]})"));
  EXPECT_EQ(stored["Device"][1], Parse(R"({"KeyList": [{"Assignment": 7}]})"));
  EXPECT_EQ(stored["profilename"].asString(), "Work");
  EXPECT_EQ(stored["profileUUID"].asString(), "u1");
  EXPECT_EQ(stored["Other"], Parse(R"({"kept": true})"));
}

TEST_F(ProfileSave, SaveRereadsTheFileSoKeysChangedMeanwhileSurvive) {
  WriteText(File(), R"({"Device": [{"LightInfo": {}}], "profilename": "Old"})");
  profile_.LoadSection(File());
  // The profile list renames the profile while the device holds the section.
  WriteText(File(), R"({"Device": [{"LightInfo": {}}], "profilename": "New"})");
  profile_.SetLightInfo(LightState{});

  ASSERT_TRUE(profile_.Save());
  EXPECT_EQ(JsonFileStore::ReadJson(File())["profilename"].asString(), "New");
}

TEST_F(ProfileSave, NullSectionIsNeverWritten) {
  EXPECT_FALSE(profile_.Save());
  EXPECT_FALSE(std::filesystem::exists(File()));
  const std::string text = R"({"Device": [{"LightInfo": {"SelectItem": 2}}]})";
  WriteText(File(), text);
  EXPECT_FALSE(profile_.SaveSection(File(), Json::Value()));
  EXPECT_EQ(ReadText(File()), text);
}

TEST_F(ProfileSave, DamagedFileOnDiskIsReplacedByADocumentHoldingTheSection) {
  WriteText(File(), R"({"Device": [{"LightInfo": {}}]})");
  profile_.LoadSection(File());
  WriteText(File(), "{\"Device\": [");
  profile_.SetLightInfo(LightState{});
  ASSERT_TRUE(profile_.Save());
  EXPECT_EQ(JsonFileStore::ReadJson(File())["Device"][0], profile_.Section());
}

TEST_F(ProfileSave, WritesTheStoredStyledFormByteForByte) {
  WriteText(File(), R"({"Device": [{}], "profilename": "Game",
                        "profileUUID": "2024_03_05_14_07_09_042", "extra": [1, 2, 3]})");
  profile_.LoadSection(File());
  profile_.SetLightInfo(0x00030405u | 1u << 24, 0x1E140A07u, 0x07000000u, 0x0002u);

  ASSERT_TRUE(profile_.Save());

  EXPECT_EQ(ReadText(File()), R"({
   "Device" : [
      {
         "LightInfo" : {
            "Blue" : 30,
            "CustomGroup" : 2,
            "Fx" : 1,
            "Green" : 20,
            "Light" : 4,
            "MultiColor" : 1,
            "OldLedmode" : 0,
            "Red" : 10,
            "SelectItem" : 5,
            "Speed" : 3,
            "ZZCCLedMode" : 7
         }
      }
   ],
   "extra" : [ 1, 2, 3 ],
   "profileUUID" : "2024_03_05_14_07_09_042",
   "profilename" : "Game"
}
)");
}

TEST_F(ProfileSave, MemberNameWithANulByteCannotOverrideARealKeyOnTheNextLoad) {
  // Written as is, the first name would be cut at the NUL and come back as a second
  // "LightInfo" that overrides the real one.
  WriteText(File(), R"({"Device": [{"LightInfo\u0000x": {"SelectItem": 9},
                                   "LightInfo": {"SelectItem": 1}}],
                        "profile\u0000name": "x", "profilename": "Game"})");
  profile_.LoadSection(File());
  LightState state;
  state.SelectItem = 2;
  profile_.SetLightInfo(state);
  ASSERT_TRUE(profile_.Save());

  CBasicProfiledata reloaded;
  reloaded.LoadSection(File());
  EXPECT_EQ(reloaded.GetLightInfo().SelectItem, 2);
  EXPECT_EQ(reloaded.Section().getMemberNames(), std::vector<std::string>{"LightInfo"});
  EXPECT_EQ(JsonFileStore::ReadJson(File())["profilename"].asString(), "Game");
}

TEST_F(ProfileSave, WriteFailureIsReportedAndLeavesNoTemporaryFiles) {
  WriteText(File(), R"({"Device": [{"LightInfo": {}}]})");
  profile_.LoadSection(File());
  const auto missing = folder_ / "gone" / "p.Json";
  EXPECT_FALSE(profile_.SaveSection(missing, profile_.Section()));
  std::size_t entries = 0;
  for (const auto& entry : std::filesystem::directory_iterator(folder_.path())) {
    if (entry.path().filename() != kFolderLockFileName) ++entries;
  }
  EXPECT_EQ(entries, 1u) << "only the profile file (and the folder's lock) may be in the folder";
}

}  // namespace
}  // namespace norvik::profiles
