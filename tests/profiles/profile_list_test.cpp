#include "profiles/profile_list.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "profile_list_test_folder.h"
#include "profiles/json_file_store.h"

namespace norvik::profiles {
namespace {

using testing::Doc;
using testing::ReadDoc;
using testing::ReadText;
using testing::TempFolder;
using testing::WriteText;

constexpr char kDefaultData[] = R"({
  "Device": [ {
    "LightInfo": { "SelectItem": 3, "Light": 4 },
    "CustomEQNameInfo": [ { "Name": "" } ],
    "CustomEQHzValueInfo": [ [ { "value": 0 } ] ]
  } ]
})";

class ProfileListTest : public ::testing::Test {
 protected:
  ProfileListTest() {
    WriteText(defaults_file_, kDefaultData);
    std::filesystem::create_directories(user_folder_);
  }

  ProfileList MakeList() { return ProfileList(user_folder_, defaults_file_); }

  // A list file with the given names, each with a profile file holding its name.
  void WriteListWithNames(const std::vector<std::string>& names, int selected = 0) {
    Json::Value list(Json::objectValue);
    for (std::size_t i = 0; i < names.size(); ++i) {
      const std::string uuid = "2024_01_01_00_00_00_" + std::to_string(100 + i);
      Json::Value element(Json::objectValue);
      element["profilename"] = names[i];
      element["profileUUID"] = uuid;
      element["profileislink"] = 0;
      element["profilelinkmame"] = "";
      list["profilelist"].append(element);
      Json::Value profile = Doc(kDefaultData);
      profile["profilename"] = names[i];
      profile["profileUUID"] = uuid;
      profile["Device"][0]["Marker"] = names[i];
      ASSERT_TRUE(JsonFileStore::WriteJson(user_folder_ / (uuid + ".Json"), profile));
    }
    list["profileselect"] = selected;
    ASSERT_TRUE(JsonFileStore::WriteJson(list_file_, list));
  }

  std::vector<std::string> Names(const ProfileList& list) {
    std::vector<std::string> names;
    for (const ProfileEntry& entry : list.Entries()) names.push_back(entry.name);
    return names;
  }

  // Names as stored in the list file, which must agree with the in-memory list.
  std::vector<std::string> StoredNames() {
    std::vector<std::string> names;
    const Json::Value document = ReadDoc(list_file_);
    for (const Json::Value& element : document["profilelist"]) {
      names.push_back(element["profilename"].asString());
    }
    return names;
  }

  int StoredSelection() { return ReadDoc(list_file_)["profileselect"].asInt(); }

  TempFolder temp_;
  std::filesystem::path user_folder_ = temp_ / "user";
  std::filesystem::path defaults_file_ = temp_ / "DefaultData" / "Keyboard.Json";
  std::filesystem::path list_file_ = user_folder_ / "ProfileList.ini";
};

TEST_F(ProfileListTest, StartWithoutListCreatesProfile1FromDefaultData) {
  ProfileList list = MakeList();
  ASSERT_EQ(list.InitProfileList(), ProfileResult::Done);
  ASSERT_EQ(Names(list), std::vector<std::string>{"profile1"});
  EXPECT_EQ(list.GetSelectedIndex(), 0);

  const Json::Value stored = ReadDoc(list_file_);
  ASSERT_EQ(stored["profilelist"].size(), 1u);
  const Json::Value& element = stored["profilelist"][0];
  EXPECT_EQ(element["profilename"].asString(), "profile1");
  EXPECT_EQ(element["profileUUID"].asString(), list.GetSelectedUuid());
  EXPECT_EQ(element["profileislink"].asInt(), 0);
  EXPECT_EQ(element["profilelinkmame"].asString(), "");
  EXPECT_EQ(stored["profileselect"].asInt(), 0);

  const Json::Value profile = ReadDoc(*list.SelectedProfilePath());
  EXPECT_EQ(profile["profilename"].asString(), "profile1");
  EXPECT_EQ(profile["profileUUID"].asString(), list.GetSelectedUuid());
  EXPECT_EQ(profile["Device"], Doc(kDefaultData)["Device"]);
}

TEST_F(ProfileListTest, DamagedListFilesAreReplacedByProfile1) {
  const std::vector<std::string> damaged = {
      "",                                       // empty
      "{\"profilelist\": [ {\"profilename\":",  // truncated
      "not json at all",
      "[1, 2, 3]",                                      // not an object
      "{\"profilelist\": []}",                          // empty list
      "{\"profilelist\": {\"profilename\": \"x\"}}",    // wrong type
      "{\"profilelist\": [ {\"profilename\": 5} ]}",    // no identifier
      "{\"profilelist\": [ {\"profileUUID\": 7} ]}",    // identifier of the wrong type
      std::string(1000, '[') + std::string(1000, ']'),  // nested beyond the reader's limit
  };
  for (const std::string& text : damaged) {
    SCOPED_TRACE(text.substr(0, 60));
    std::filesystem::remove_all(user_folder_);
    WriteText(list_file_, text);
    ProfileList list = MakeList();
    ASSERT_EQ(list.InitProfileList(), ProfileResult::Done);
    EXPECT_EQ(Names(list), std::vector<std::string>{"profile1"});
    EXPECT_EQ(StoredNames(), std::vector<std::string>{"profile1"});
    EXPECT_TRUE(std::filesystem::exists(*list.SelectedProfilePath()));
  }
}

TEST_F(ProfileListTest, StartKeepsAValidListAndItsSelection) {
  WriteListWithNames({"a", "b", "c"}, 2);
  const std::string before = ReadText(list_file_);
  ProfileList list = MakeList();
  ASSERT_EQ(list.InitProfileList(), ProfileResult::Done);
  EXPECT_EQ(Names(list), (std::vector<std::string>{"a", "b", "c"}));
  EXPECT_EQ(list.GetSelectedIndex(), 2);
  EXPECT_EQ(list.GetSelectedUuid(), "2024_01_01_00_00_00_102");
  EXPECT_EQ(ReadText(list_file_), before) << "start-up must not rewrite a valid list";
}

TEST_F(ProfileListTest, SelectionOutOfRangeInTheFileReadsAsTheFirstProfile) {
  WriteListWithNames({"a", "b"}, 9);
  ProfileList list = MakeList();
  list.InitProfileList();
  EXPECT_EQ(list.GetSelectedIndex(), 0);
}

TEST_F(ProfileListTest, SelectStoresTheSelectionAndRefusesOtherIndexes) {
  WriteListWithNames({"a", "b", "c"});
  ProfileList list = MakeList();
  list.InitProfileList();
  EXPECT_EQ(list.SelectProfile(1), ProfileResult::Done);
  EXPECT_EQ(StoredSelection(), 1);
  EXPECT_EQ(list.GetSelectedUuid(), "2024_01_01_00_00_00_101");
  EXPECT_EQ(list.SelectProfile(3), ProfileResult::BadIndex);
  EXPECT_EQ(list.SelectProfile(-1), ProfileResult::BadIndex);
  EXPECT_EQ(StoredSelection(), 1);
}

TEST_F(ProfileListTest, AddTakesTheFirstFreeNumberIgnoringCase) {
  WriteListWithNames({"profile1", "Profile2"});
  ProfileList list = MakeList();
  list.InitProfileList();
  ASSERT_EQ(list.AddProfile(), ProfileResult::Done);
  EXPECT_EQ(Names(list), (std::vector<std::string>{"profile1", "Profile2", "profile3"}));
  EXPECT_EQ(StoredNames(), Names(list));
  EXPECT_EQ(list.GetSelectedIndex(), 2);
  EXPECT_EQ(StoredSelection(), 2);

  const Json::Value added = ReadDoc(*list.SelectedProfilePath());
  EXPECT_EQ(added["profilename"].asString(), "profile3");
  EXPECT_EQ(added["profileUUID"].asString(), list.GetSelectedUuid());
  EXPECT_EQ(added["Device"], Doc(kDefaultData)["Device"]);
}

TEST_F(ProfileListTest, AddStopsAtFiftyButCopyAndImportDoNot) {
  ProfileList list = MakeList();
  list.InitProfileList();
  while (list.GetProfileCount() < kMaxAddedProfiles) {
    ASSERT_EQ(list.AddProfile(), ProfileResult::Done);
  }
  const std::string before = ReadText(list_file_);
  EXPECT_EQ(list.AddProfile(), ProfileResult::LimitReached);
  EXPECT_EQ(ReadText(list_file_), before);

  ASSERT_EQ(list.CopyProfile(), ProfileResult::Done);
  EXPECT_EQ(list.GetProfileCount(), 51);

  const std::filesystem::path import = temp_ / "x.json";
  WriteText(import, R"({"profilename": "p", "profileUUID": "u", "Device": []})");
  ASSERT_EQ(list.ImportProfile(import), ProfileResult::Done);
  EXPECT_EQ(list.GetProfileCount(), 52);

  // Every listed profile has its own file: identifiers made in the same millisecond differ.
  const std::vector<std::filesystem::path> files = list.ProfilePaths();
  ASSERT_EQ(files.size(), 52u);
  for (const auto& file : files) EXPECT_TRUE(std::filesystem::exists(file)) << file;
  std::vector<std::string> uuids;
  for (const ProfileEntry& entry : list.Entries()) uuids.push_back(entry.uuid);
  std::sort(uuids.begin(), uuids.end());
  EXPECT_EQ(std::adjacent_find(uuids.begin(), uuids.end()), uuids.end()) << "duplicate uuid";
}

TEST_F(ProfileListTest, CopyAppendsCopyUntilTheNameIsFree) {
  WriteListWithNames({"A", "a COPY", "x"});
  ProfileList list = MakeList();
  list.InitProfileList();
  ASSERT_EQ(list.CopyProfile(), ProfileResult::Done);
  EXPECT_EQ(Names(list).back(), "A copy copy");
  EXPECT_EQ(StoredNames(), Names(list));
  EXPECT_EQ(list.GetSelectedIndex(), 3);

  // The copy holds the source's settings under its own name and identifier.
  const Json::Value copy = ReadDoc(*list.SelectedProfilePath());
  EXPECT_EQ(copy["Device"][0]["Marker"].asString(), "A");
  EXPECT_EQ(copy["profilename"].asString(), "A copy copy");
  EXPECT_EQ(copy["profileUUID"].asString(), list.GetSelectedUuid());
  EXPECT_NE(list.GetSelectedUuid(), "2024_01_01_00_00_00_100");
  const Json::Value source = ReadDoc(user_folder_ / "2024_01_01_00_00_00_100.Json");
  EXPECT_EQ(source["profilename"].asString(), "A");
}

TEST_F(ProfileListTest, ImportNamesAfterTheFileAddingCounters) {
  WriteListWithNames({"x", "X(1)"});
  const std::filesystem::path import = temp_ / "elsewhere" / "x.json";
  const std::string text =
      R"({"profilename": "theirs", "profileUUID": "abc", "Device": [ {"LightInfo": {"Light": 9}} ]})";
  WriteText(import, text);
  ProfileList list = MakeList();
  list.InitProfileList();
  ASSERT_EQ(list.ImportProfile(import), ProfileResult::Done);
  EXPECT_EQ(Names(list).back(), "x(1)(2)");
  EXPECT_EQ(StoredNames(), Names(list));

  const Json::Value imported = ReadDoc(*list.SelectedProfilePath());
  EXPECT_EQ(imported["Device"][0]["LightInfo"]["Light"].asInt(), 9);
  EXPECT_EQ(imported["profilename"].asString(), "x(1)(2)");
  EXPECT_EQ(imported["profileUUID"].asString(), list.GetSelectedUuid());
  EXPECT_EQ(ReadText(import), text) << "the imported file must stay as it was";
}

TEST_F(ProfileListTest, ImportIgnoresFilesThatAreNotProfiles) {
  WriteListWithNames({"a"});
  const std::string before = ReadText(list_file_);
  ProfileList list = MakeList();
  list.InitProfileList();
  const std::vector<std::pair<std::string, std::string>> files = {
      {"no_uuid.json", R"({"profilename": "p", "Device": []})"},
      {"null_name.json", R"({"profilename": null, "profileUUID": "u"})"},
      {"array.json", R"([{"profilename": "p", "profileUUID": "u"}])"},
      {"garbage.json", "{{{"},
  };
  for (const auto& [name, text] : files) {
    SCOPED_TRACE(name);
    WriteText(temp_ / name, text);
    EXPECT_EQ(list.ImportProfile(temp_ / name), ProfileResult::NotAProfile);
  }
  EXPECT_EQ(list.ImportProfile(temp_ / "missing.json"), ProfileResult::NoSource);
  EXPECT_EQ(list.ImportProfile({}), ProfileResult::NoPath);
  EXPECT_EQ(ReadText(list_file_), before);
  EXPECT_EQ(list.GetProfileCount(), 1);
}

TEST_F(ProfileListTest, DeleteSelectsThePreviousProfileOrTheFirst) {
  WriteListWithNames({"a", "b", "c"}, 0);
  ProfileList list = MakeList();
  list.InitProfileList();
  const std::filesystem::path first = *list.SelectedProfilePath();
  ASSERT_EQ(list.DeleteProfile(), ProfileResult::Done);
  EXPECT_EQ(Names(list), (std::vector<std::string>{"b", "c"}));
  EXPECT_EQ(list.GetSelectedIndex(), 0);
  EXPECT_EQ(StoredSelection(), 0);
  EXPECT_FALSE(std::filesystem::exists(first));

  ASSERT_EQ(list.SelectProfile(1), ProfileResult::Done);
  ASSERT_EQ(list.DeleteProfile(), ProfileResult::Done);
  EXPECT_EQ(Names(list), std::vector<std::string>{"b"});
  EXPECT_EQ(StoredNames(), Names(list));
  EXPECT_EQ(list.GetSelectedIndex(), 0);

  const std::filesystem::path last = *list.SelectedProfilePath();
  EXPECT_EQ(list.DeleteProfile(), ProfileResult::LastProfile);
  EXPECT_EQ(StoredNames(), std::vector<std::string>{"b"});
  EXPECT_TRUE(std::filesystem::exists(last));
}

TEST_F(ProfileListTest, DeleteInTheMiddleSelectsTheOneBefore) {
  WriteListWithNames({"a", "b", "c", "d"}, 2);
  ProfileList list = MakeList();
  list.InitProfileList();
  ASSERT_EQ(list.DeleteProfile(), ProfileResult::Done);
  EXPECT_EQ(Names(list), (std::vector<std::string>{"a", "b", "d"}));
  EXPECT_EQ(list.GetSelectedIndex(), 1);
  EXPECT_EQ(StoredSelection(), 1);
}

TEST_F(ProfileListTest, RenameReportsDoneUsedAndBlank) {
  WriteListWithNames({"alpha", "beta"}, 0);
  ProfileList list = MakeList();
  list.InitProfileList();

  EXPECT_EQ(list.RenameProfile("BETA"), RenameResult::NameUsed);
  EXPECT_EQ(list.RenameProfile("   "), RenameResult::NameBlank);
  EXPECT_EQ(list.RenameProfile(" \t "), RenameResult::NameBlank);
  EXPECT_EQ(list.RenameProfile(""), RenameResult::NameBlank);
  EXPECT_EQ(StoredNames(), (std::vector<std::string>{"alpha", "beta"}));

  // The selected profile's own name in other letters is free.
  EXPECT_EQ(list.RenameProfile("ALPHA"), RenameResult::Done);
  EXPECT_EQ(static_cast<int>(RenameResult::Done), 1);
  EXPECT_EQ(static_cast<int>(RenameResult::NameUsed), 0);
  EXPECT_EQ(static_cast<int>(RenameResult::NameBlank), 2);

  // Trailing spaces are stripped; leading ones are part of the name.
  EXPECT_EQ(list.RenameProfile(" gamma  "), RenameResult::Done);
  EXPECT_EQ(StoredNames(), (std::vector<std::string>{" gamma", "beta"}));
  EXPECT_EQ(ReadDoc(*list.SelectedProfilePath())["profilename"].asString(), " gamma");
  EXPECT_EQ(ReadDoc(*list.SelectedProfilePath())["Device"][0]["Marker"].asString(), "alpha");
}

TEST_F(ProfileListTest, ResetTakesDefaultDataButKeepsCustomEqualiser) {
  ProfileList list = MakeList();
  list.InitProfileList();
  ASSERT_EQ(list.RenameProfile("mine"), RenameResult::Done);
  const std::filesystem::path file = *list.SelectedProfilePath();
  Json::Value profile = ReadDoc(file);
  profile["Device"][0]["LightInfo"]["SelectItem"] = 17;
  profile["Device"][0]["CustomEQNameInfo"] = Doc(R"([ {"Name": "Club"}, {"Name": "Night"} ])");
  profile["Device"][0]["CustomEQHzValueInfo"] = Doc(R"([ [ {"value": 5} ], [ {"value": -3} ] ])");
  profile["Device"][0]["KeyList"] = Doc(R"([ {"Assignment": 1} ])");
  ASSERT_TRUE(JsonFileStore::WriteJson(file, profile));

  ASSERT_EQ(list.ResetProfile(), ProfileResult::Done);
  const Json::Value reset = ReadDoc(file);
  const Json::Value& section = reset["Device"][0];
  EXPECT_EQ(section["LightInfo"]["SelectItem"].asInt(), 3);
  EXPECT_FALSE(section.isMember("KeyList"));
  EXPECT_EQ(section["CustomEQNameInfo"], profile["Device"][0]["CustomEQNameInfo"]);
  EXPECT_EQ(section["CustomEQHzValueInfo"], profile["Device"][0]["CustomEQHzValueInfo"]);
  EXPECT_EQ(reset["profilename"].asString(), "mine");
  EXPECT_EQ(reset["profileUUID"].asString(), list.GetSelectedUuid());
}

TEST_F(ProfileListTest, ResetOfAProfileWithoutEqualiserAddsNoNullKeys) {
  std::filesystem::remove(defaults_file_);
  WriteText(defaults_file_, R"({"Device": [ {"LightInfo": {"SelectItem": 1}} ]})");
  ProfileList list = MakeList();
  list.InitProfileList();
  ASSERT_EQ(list.ResetProfile(), ProfileResult::Done);
  const Json::Value section = ReadDoc(*list.SelectedProfilePath())["Device"][0];
  EXPECT_FALSE(section.isMember("CustomEQNameInfo"));
  EXPECT_FALSE(section.isMember("CustomEQHzValueInfo"));
}

TEST_F(ProfileListTest, ResetWithoutDefaultDataLeavesTheProfileAlone) {
  WriteListWithNames({"a"});
  std::filesystem::remove(defaults_file_);
  ProfileList list = MakeList();
  list.InitProfileList();
  const std::string before = ReadText(*list.SelectedProfilePath());
  EXPECT_EQ(list.ResetProfile(), ProfileResult::NoSource);
  EXPECT_EQ(ReadText(*list.SelectedProfilePath()), before);
}

TEST_F(ProfileListTest, ExportWritesTheSelectedDocumentUnchanged) {
  WriteListWithNames({"a", "b"}, 1);
  ProfileList list = MakeList();
  list.InitProfileList();
  const std::filesystem::path target = temp_ / "out" / "exported";
  std::filesystem::create_directories(target.parent_path());
  ASSERT_EQ(list.ExportProfile(target), ProfileResult::Done);
  EXPECT_EQ(ReadText(target), ReadText(*list.SelectedProfilePath()));
  EXPECT_FALSE(std::filesystem::exists(target.string() + ".json")) << "no extension is added";

  // A profile whose file has gone is not exported as "null".
  std::filesystem::remove(*list.SelectedProfilePath());
  const std::filesystem::path second = temp_ / "out" / "second.json";
  EXPECT_EQ(list.ExportProfile(second), ProfileResult::NoSource);
  EXPECT_FALSE(std::filesystem::exists(second));
  EXPECT_EQ(list.ExportProfile({}), ProfileResult::NoPath);
}

TEST_F(ProfileListTest, EveryChangeStartsFromTheListOnDisk) {
  ProfileList first = MakeList();
  first.InitProfileList();
  ProfileList second = MakeList();
  second.InitProfileList();

  ASSERT_EQ(first.AddProfile(), ProfileResult::Done);  // profile2, unknown to `second`
  ASSERT_EQ(second.AddProfile(), ProfileResult::Done);
  EXPECT_EQ(Names(second), (std::vector<std::string>{"profile1", "profile2", "profile3"}));
  EXPECT_EQ(StoredNames(), Names(second));

  // A list edited by another program is what the next change works on.
  Json::Value edited = ReadDoc(list_file_);
  edited["profilelist"][0]["profilename"] = "renamed elsewhere";
  ASSERT_TRUE(JsonFileStore::WriteJson(list_file_, edited));
  ASSERT_EQ(first.SelectProfile(2), ProfileResult::Done);
  EXPECT_EQ(Names(first).front(), "renamed elsewhere");
  EXPECT_EQ(StoredNames().front(), "renamed elsewhere");
}

TEST_F(ProfileListTest, AListDamagedDuringTheSessionIsRestoredFromMemory) {
  WriteListWithNames({"a", "b"}, 1);
  ProfileList list = MakeList();
  list.InitProfileList();
  WriteText(list_file_, "{\"profilelist\": [");
  ASSERT_EQ(list.AddProfile(), ProfileResult::Done);
  EXPECT_EQ(StoredNames(), (std::vector<std::string>{"a", "b", "profile1"}));
  EXPECT_EQ(StoredSelection(), 2);
}

TEST_F(ProfileListTest, IdentifiersThatLeaveTheFolderAreNeverFollowed) {
  // Files outside the user folder that a malicious list would name.
  const std::filesystem::path outside = temp_ / "victim.Json";
  WriteText(outside, "{\"keep\": true}");
  const std::string list_text = R"({
    "profilelist": [
      {"profilename": "escape", "profileUUID": "../victim"},
      {"profilename": "absolute", "profileUUID": ")" +
                                (temp_ / "victim").string() + R"("},
      {"profilename": "backslash", "profileUUID": "..\\victim"},
      {"profilename": "empty", "profileUUID": ""},
      {"profilename": "good", "profileUUID": "2024_01_01_00_00_00_100"},
      {"profilename": "good2", "profileUUID": "2024_01_01_00_00_00_101"}
    ],
    "profileselect": 0 })";
  WriteText(list_file_, list_text);
  ProfileList list = MakeList();
  list.InitProfileList();
  EXPECT_EQ(Names(list), (std::vector<std::string>{"good", "good2"}));

  ASSERT_EQ(list.DeleteProfile(), ProfileResult::Done);
  ASSERT_EQ(list.RenameProfile("r"), RenameResult::Done);
  ASSERT_EQ(list.ResetProfile(), ProfileResult::Done);
  EXPECT_EQ(ReadText(outside), "{\"keep\": true}");
  EXPECT_EQ(StoredNames(), std::vector<std::string>{"r"});
}

}  // namespace
}  // namespace norvik::profiles
