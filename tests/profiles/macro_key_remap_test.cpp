#include "profiles/macro_key_remap.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "profile_list_test_folder.h"
#include "profiles/json_file_store.h"
#include "profiles/macro_list.h"

namespace norvik::profiles {
namespace {

using testing::Doc;
using testing::ReadDoc;
using testing::ReadText;
using testing::TempFolder;
using testing::WriteText;

int Assign(int a, int b, int c) {
  return a << 16 | b << 8 | c;
}

// A profile whose keys hold the given assignments, each with default 0x200004 (key A).
Json::Value ProfileWithKeys(const std::vector<int>& assignments) {
  Json::Value profile(Json::objectValue);
  Json::Value& keys = profile["Device"][0]["KeyList"];
  keys = Json::Value(Json::arrayValue);
  for (const int assignment : assignments) {
    Json::Value key(Json::objectValue);
    key["Assignment"] = assignment;
    key["DefaultAssignment"] = Assign(0x20, 0, 0x04);
    keys.append(key);
  }
  profile["Device"][1]["Other"] = 1;
  profile["profilename"] = "p";
  return profile;
}

std::vector<int> Assignments(const Json::Value& profile) {
  std::vector<int> values;
  for (const Json::Value& key : profile["Device"][0]["KeyList"]) {
    values.push_back(key["Assignment"].asInt());
  }
  return values;
}

TEST(MacroKeyRemap, DeletingMacroTwoOfFiveMovesLaterMacrosDown) {
  Json::Value profile = ProfileWithKeys({
      Assign(0x70, 2, 1),  // plays macro 2 in play mode 1
      Assign(0x71, 2, 5),  // repeats macro 2 five times
      Assign(0x70, 3, 0), Assign(0x71, 4, 9), Assign(0x70, 1, 2),
      Assign(0x20, 3, 0x16),  // not a macro: B is a modifier
      Assign(0x72, 3, 0),     // a shoot pattern, not a macro
  });
  const Json::Value before = profile;
  ASSERT_TRUE(RemapKeysAfterMacroDelete(profile, 2));
  EXPECT_EQ(Assignments(profile), (std::vector<int>{
                                      Assign(0x20, 0, 0x04),
                                      Assign(0x20, 0, 0x04),
                                      Assign(0x70, 2, 0),
                                      Assign(0x71, 3, 9),
                                      Assign(0x70, 1, 2),
                                      Assign(0x20, 3, 0x16),
                                      Assign(0x72, 3, 0),
                                  }));
  // Defaults, the other section and top-level keys are untouched.
  EXPECT_EQ(profile["Device"][0]["KeyList"][0]["DefaultAssignment"],
            before["Device"][0]["KeyList"][0]["DefaultAssignment"]);
  EXPECT_EQ(profile["Device"][1], before["Device"][1]);
  EXPECT_EQ(profile["profilename"], before["profilename"]);
}

TEST(MacroKeyRemap, NothingToChangeReportsFalseAndLeavesTheDocument) {
  Json::Value profile = ProfileWithKeys({Assign(0x70, 0, 0), Assign(0x20, 0, 4)});
  const Json::Value before = profile;
  EXPECT_FALSE(RemapKeysAfterMacroDelete(profile, 1));
  EXPECT_EQ(profile, before);
  EXPECT_FALSE(RemapKeysAfterMacroDelete(profile, -1));
  EXPECT_EQ(profile, before);
}

TEST(MacroKeyRemap, AKeyWithoutUsableDefaultReturnsToZero) {
  Json::Value profile = Doc(R"({"Device": [ {"KeyList": [
      {"Assignment": 7340544},
      {"Assignment": 7340544, "DefaultAssignment": "x"},
      {"Assignment": 7340544, "DefaultAssignment": 99999999},
      {"Assignment": "7340544"},
      5
  ]} ]})");  // 7340544 = 0x700200: macro 2
  ASSERT_TRUE(RemapKeysAfterMacroDelete(profile, 2));
  const Json::Value& keys = profile["Device"][0]["KeyList"];
  EXPECT_EQ(keys[0]["Assignment"].asInt(), 0);
  EXPECT_EQ(keys[1]["Assignment"].asInt(), 0);
  EXPECT_EQ(keys[2]["Assignment"].asInt(), 0);
  EXPECT_EQ(keys[3]["Assignment"].asString(), "7340544") << "a text is not an assignment";
  EXPECT_EQ(keys[4].asInt(), 5);
}

TEST(MacroKeyRemap, DocumentsWithoutKeysAreLeftAlone) {
  for (const char* text : {"null", "[]", R"({"Device": 3})", R"({"Device": [ 1 ]})",
                           R"({"Device": [ {"KeyList": {"0": 1}} ]})"}) {
    SCOPED_TRACE(text);
    Json::Value profile = Doc(text);
    const Json::Value before = profile;
    EXPECT_FALSE(RemapKeysAfterMacroDelete(profile, 0));
    EXPECT_FALSE(ProfileAssignsMacro(profile, 0));
    EXPECT_EQ(profile, before);
  }
}

TEST(MacroKeyRemap, AsksOnlyWhenAKeyPlaysTheDeletedMacro) {
  const Json::Value profile = ProfileWithKeys({Assign(0x71, 3, 1), Assign(0x20, 2, 0)});
  EXPECT_TRUE(ProfileAssignsMacro(profile, 3));
  EXPECT_FALSE(ProfileAssignsMacro(profile, 2));
  EXPECT_FALSE(ProfileAssignsMacro(profile, 4));
}

TEST(MacroKeyRemap, EveryProfileFileOfTheDeviceIsRewritten) {
  TempFolder temp;
  const std::filesystem::path a = temp / "a.Json";
  const std::filesystem::path b = temp / "b.Json";
  const std::filesystem::path c = temp / "c.Json";
  ASSERT_TRUE(JsonFileStore::WriteJson(a, ProfileWithKeys({Assign(0x70, 1, 0)})));
  ASSERT_TRUE(JsonFileStore::WriteJson(b, ProfileWithKeys({Assign(0x70, 0, 0)})));
  WriteText(c, "{ damaged");
  const std::string b_before = ReadText(b);
  const std::vector<std::filesystem::path> files = {a, b, c, temp / "missing.Json"};
  EXPECT_EQ(RemapKeysInProfileFiles(files, 0), 2);
  EXPECT_EQ(Assignments(ReadDoc(a)), std::vector<int>{Assign(0x70, 0, 0)});
  EXPECT_NE(ReadText(b), b_before);
  EXPECT_EQ(Assignments(ReadDoc(b)), std::vector<int>{Assign(0x20, 0, 4)});
  EXPECT_EQ(ReadText(c), "{ damaged");
  EXPECT_FALSE(std::filesystem::exists(temp / "missing.Json"));
}

TEST(MacroKeyRemap, DeletingAMacroRemapsEveryProfileAndNothingWithoutASelection) {
  TempFolder temp;
  MacroList macros(temp.path());
  macros.LoadMacroList();
  for (int i = 0; i < 3; ++i) ASSERT_TRUE(macros.NewMacro()) << i;
  const std::filesystem::path a = temp / "a.Json";
  const std::filesystem::path b = temp / "b.Json";
  ASSERT_TRUE(
      JsonFileStore::WriteJson(a, ProfileWithKeys({Assign(0x70, 1, 0), Assign(0x71, 2, 3)})));
  ASSERT_TRUE(JsonFileStore::WriteJson(b, ProfileWithKeys({Assign(0x70, 0, 0)})));
  const std::vector<std::filesystem::path> files = {a, b};

  // Nothing selected: the macro list and every profile stay as they were.
  MacroList unselected(temp.path());
  unselected.LoadMacroList();
  const std::string a_before = ReadText(a);
  const MacroDeleteOutcome refused = DeleteMacroAndRemapKeys(unselected, files);
  EXPECT_FALSE(refused.Ok());
  EXPECT_EQ(refused.deleted_index, -1);
  EXPECT_EQ(ReadText(a), a_before);
  EXPECT_EQ(unselected.Count(), 3);

  macros.SelectMacro(1);
  const MacroDeleteOutcome outcome = DeleteMacroAndRemapKeys(macros, files);
  EXPECT_TRUE(outcome.Ok());
  EXPECT_EQ(outcome.deleted_index, 1);
  EXPECT_EQ(outcome.profiles_rewritten, 1) << "b plays macro 0 and needs no change";
  EXPECT_EQ(Assignments(ReadDoc(a)), (std::vector<int>{Assign(0x20, 0, 4), Assign(0x71, 1, 3)}));
  EXPECT_EQ(Assignments(ReadDoc(b)), std::vector<int>{Assign(0x70, 0, 0)});
  MacroList reread(temp.path());
  reread.LoadMacroList();
  EXPECT_EQ(reread.Count(), 2);
}

}  // namespace
}  // namespace norvik::profiles
