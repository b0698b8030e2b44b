#include "profiles/macro_list.h"

#include <algorithm>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "profile_list_test_folder.h"
#include "profiles/json_file_store.h"
#include "profiles/user_files.h"

namespace norvik::profiles {
namespace {

using testing::Doc;
using testing::ReadDoc;
using testing::ReadText;
using testing::TempFolder;
using testing::WriteText;

class MacroListTest : public ::testing::Test {
 protected:
  // "macro.config" naming the given macros with Guids g0, g1, ...; each with an event file whose
  // one event carries the macro's position as its button.
  void WriteMacros(const std::vector<std::string>& names) {
    Json::Value config(Json::objectValue);
    config["MacroInfo"] = Json::Value(Json::arrayValue);
    for (std::size_t i = 0; i < names.size(); ++i) {
      const std::string guid = "g" + std::to_string(i);
      Json::Value element(Json::objectValue);
      element["MacroName"] = names[i];
      element["Guid"] = guid;
      config["MacroInfo"].append(element);
      Json::Value file =
          Doc(R"({"Events":[{"Action":"down","Type":10,"Delay":"5"}],"Version":64})");
      file["Events"][0]["Button"] = static_cast<int>(i);
      file["Guid"] = guid;
      file["MacroName"] = names[i];
      ASSERT_TRUE(JsonFileStore::WriteJson(folder() / (guid + ".mac"), file));
    }
    ASSERT_TRUE(JsonFileStore::WriteJson(config_file(), config));
  }

  std::vector<std::string> StoredNames() {
    std::vector<std::string> names;
    const Json::Value document = ReadDoc(config_file());
    for (const Json::Value& element : document["MacroInfo"]) {
      names.push_back(element["MacroName"].asString());
    }
    return names;
  }

  MacroList Loaded() {
    MacroList list(folder());
    list.LoadMacroList();
    return list;
  }

  const std::filesystem::path& folder() { return temp_.path(); }
  std::filesystem::path config_file() { return temp_ / "macro.config"; }

  TempFolder temp_;
};

TEST_F(MacroListTest, LoadReadsNamesInOrderAndSelectsNothing) {
  WriteMacros({"first", "second"});
  MacroList list = Loaded();
  EXPECT_EQ(list.GetMacroNames(), (std::vector<std::string>{"first", "second"}));
  EXPECT_EQ(list.CurrentMacroIndex(), -1);
  EXPECT_TRUE(list.Rows().empty());
}

TEST_F(MacroListTest, UnreadableConfigGivesAnEmptyList) {
  for (const std::string text : {"", "{\"MacroInfo\": [", "[]", "{\"MacroInfo\": 5}", "\"x\""}) {
    SCOPED_TRACE(text);
    WriteText(config_file(), text);
    EXPECT_EQ(Loaded().Count(), 0);
  }
  std::filesystem::remove(config_file());
  EXPECT_EQ(Loaded().Count(), 0);
}

TEST_F(MacroListTest, ElementsOfTheWrongShapeKeepTheirPlace) {
  WriteText(
      config_file(),
      R"({"MacroInfo": [ 5, {"MacroName": 7, "Guid": ["x"]}, {"MacroName": "ok", "Guid": "g2"} ]})");
  MacroList list = Loaded();
  ASSERT_EQ(list.Count(), 3);
  EXPECT_EQ(list.Entries()[0].name, "");
  EXPECT_EQ(list.Entries()[1].guid, "");
  EXPECT_EQ(list.Entries()[2].name, "ok");
  list.SelectMacro(1);
  EXPECT_TRUE(list.Rows().empty());
  EXPECT_FALSE(list.SaveMacro()) << "a macro without identifier has no file to save";
}

TEST_F(MacroListTest, NewMacroTakesTheFirstFreeNumberIgnoringCase) {
  WriteMacros({"MACRO_1", "macro_2", "macro_4"});
  MacroList list = Loaded();
  const std::optional<std::string> name = list.NewMacro();
  ASSERT_TRUE(name);
  EXPECT_EQ(*name, "macro_3");
  EXPECT_EQ(list.CurrentMacroIndex(), 3);
  EXPECT_TRUE(list.Rows().empty());
  EXPECT_EQ(StoredNames(), (std::vector<std::string>{"MACRO_1", "macro_2", "macro_4", "macro_3"}));
  const Json::Value element = ReadDoc(config_file())["MacroInfo"][3];
  EXPECT_EQ(element["Guid"].asString(), list.Entries()[3].guid);
  EXPECT_TRUE(IsSafeFileStem(list.Entries()[3].guid));
}

TEST_F(MacroListTest, TheFiftyFirstMacroIsRefusedAndImportCopiesNothing) {
  MacroList list = Loaded();
  for (int i = 0; i < kMaxMacros; ++i) ASSERT_TRUE(list.NewMacro()) << i;
  // Fifty identifiers made within milliseconds are still fifty different files.
  std::vector<std::string> guids;
  for (const MacroEntry& entry : list.Entries()) guids.push_back(entry.guid);
  std::sort(guids.begin(), guids.end());
  EXPECT_EQ(std::adjacent_find(guids.begin(), guids.end()), guids.end());

  list.SelectMacro(7);
  const std::string before = ReadText(config_file());
  EXPECT_FALSE(list.NewMacro());
  WriteText(temp_ / "in" / "x.mac", R"({"Events": []})");
  EXPECT_FALSE(list.ImportMacro(temp_ / "in" / "x.mac"));
  EXPECT_EQ(ReadText(config_file()), before);
  EXPECT_EQ(list.Count(), kMaxMacros);
  EXPECT_EQ(list.CurrentMacroIndex(), 7) << "a refused import keeps the selection";
}

TEST_F(MacroListTest, DeleteRemovesTheFileAndMovesLaterMacrosDown) {
  WriteMacros({"m0", "m1", "m2", "m3", "m4"});
  MacroList list = Loaded();
  list.SelectMacro(2);
  EXPECT_EQ(list.DeleteMacro(), 2);
  EXPECT_EQ(StoredNames(), (std::vector<std::string>{"m0", "m1", "m3", "m4"}));
  EXPECT_EQ(list.GetMacroNames(), StoredNames());
  EXPECT_FALSE(std::filesystem::exists(folder() / "g2.mac"));
  for (const char* kept : {"g0.mac", "g1.mac", "g3.mac", "g4.mac"}) {
    EXPECT_TRUE(std::filesystem::exists(folder() / kept)) << kept;
  }
  // The first macro is selected afterwards and shows its events.
  EXPECT_EQ(list.CurrentMacroIndex(), 0);
  ASSERT_EQ(list.Rows().size(), 1u);
  EXPECT_EQ(Doc(list.Rows()[0].event_text)["Button"].asInt(), 0);
}

TEST_F(MacroListTest, DeleteWithoutSelectionOrMacrosDoesNothing) {
  WriteMacros({"m0"});
  MacroList list = Loaded();
  EXPECT_EQ(list.DeleteMacro(), -1);
  list.SelectMacro(0);
  EXPECT_EQ(list.DeleteMacro(), 0);
  EXPECT_EQ(list.CurrentMacroIndex(), -1);
  EXPECT_EQ(list.DeleteMacro(), -1);
  EXPECT_TRUE(ReadDoc(config_file())["MacroInfo"].isArray());
  EXPECT_EQ(ReadDoc(config_file())["MacroInfo"].size(), 0u);
}

TEST_F(MacroListTest, DeleteKeepsAFileThatAnotherEntryStillNames) {
  WriteText(config_file(), R"({"MacroInfo": [ {"MacroName": "a", "Guid": "same"},
                                             {"MacroName": "b", "Guid": "same"} ]})");
  WriteText(folder() / "same.mac", R"({"Events": []})");
  MacroList list = Loaded();
  list.SelectMacro(0);
  EXPECT_EQ(list.DeleteMacro(), 0);
  EXPECT_TRUE(std::filesystem::exists(folder() / "same.mac"));
}

TEST_F(MacroListTest, RenameRefusesBlankAndUsedNames) {
  WriteMacros({"alpha", "beta"});
  MacroList list = Loaded();
  MacroRenameResult result = list.RenameMacro("x");
  EXPECT_EQ(result.status, MacroRenameStatus::NoSelection);
  EXPECT_EQ(result.index, -1);

  list.SelectMacro(0);
  result = list.RenameMacro("   ");
  EXPECT_EQ(result.status, MacroRenameStatus::Blank);
  EXPECT_EQ(result.name, "IsEmpty");
  EXPECT_EQ(result.index, -1);

  // Any macro's name, the selected one's included, in any case.
  for (const char* used : {"BETA", "Alpha", "alpha"}) {
    SCOPED_TRACE(used);
    result = list.RenameMacro(used);
    EXPECT_EQ(result.status, MacroRenameStatus::NameUsed);
    EXPECT_EQ(result.name, "");
    EXPECT_EQ(result.index, 0);
  }
  EXPECT_EQ(StoredNames(), (std::vector<std::string>{"alpha", "beta"}));

  result = list.RenameMacro("gamma");
  EXPECT_EQ(result.status, MacroRenameStatus::Done);
  EXPECT_EQ(result.name, "gamma");
  EXPECT_EQ(result.index, 0);
  EXPECT_EQ(StoredNames(), (std::vector<std::string>{"gamma", "beta"}));
  EXPECT_EQ(ReadDoc(config_file())["MacroInfo"][0]["Guid"].asString(), "g0");
}

TEST_F(MacroListTest, SaveCanonicalisesDelaysInTheRowsAndTheFile) {
  WriteMacros({"m"});
  MacroList list = Loaded();
  list.SelectMacro(0);
  const std::string event = R"({"Action":"down","Button":4,"Type":10,"Delay":"1"})";
  list.Rows() = {{"", event}, {"007", event}, {"70000", event}, {"12", event}};
  ASSERT_TRUE(list.SaveMacro());

  EXPECT_EQ(list.Rows()[0].delay_cell, "0");
  EXPECT_EQ(list.Rows()[1].delay_cell, "7");
  EXPECT_EQ(list.Rows()[2].delay_cell, "65535");
  const Json::Value file = ReadDoc(folder() / "g0.mac");
  ASSERT_EQ(file["Events"].size(), 4u);
  EXPECT_EQ(file["Events"][0]["Delay"], Json::Value("0"));
  EXPECT_EQ(file["Events"][1]["Delay"], Json::Value("7"));
  EXPECT_EQ(file["Events"][2]["Delay"], Json::Value("65535"));
  EXPECT_EQ(file["Events"][3]["Delay"], Json::Value("12"));
  EXPECT_EQ(file["Version"].asInt(), 64);
  EXPECT_EQ(file["MacroName"].asString(), "m");
  EXPECT_EQ(file["Guid"].asString(), "g0");
  // The rows keep the stored form of their event.
  EXPECT_EQ(Doc(list.Rows()[1].event_text)["Delay"], Json::Value("7"));
}

TEST_F(MacroListTest, SaveStopsAtAnEmptyRowAndLeavesOutUnreadableRows) {
  WriteMacros({"m"});
  MacroList list = Loaded();
  list.SelectMacro(0);
  list.Rows() = {{"1", R"({"Action":"down","Button":1,"Type":10})"},
                 {"2", "not json"},
                 {"3", "[1]"},
                 {"4", R"({"Action":"up","Button":1,"Type":10})"},
                 {"5", ""},
                 {"6", R"({"Action":"down","Button":9,"Type":10})"}};
  ASSERT_TRUE(list.SaveMacro());
  const Json::Value events = ReadDoc(folder() / "g0.mac")["Events"];
  ASSERT_EQ(events.size(), 2u);
  EXPECT_EQ(events[0]["Delay"].asString(), "1");
  EXPECT_EQ(events[1]["Delay"].asString(), "4");
  for (const Json::Value& event : events) EXPECT_TRUE(event.isObject());
}

TEST_F(MacroListTest, SelectShowsDelaysClampedAndNumericDelaysAlike) {
  WriteText(config_file(), R"({"MacroInfo": [ {"MacroName": "m", "Guid": "g"} ]})");
  WriteText(folder() / "g.mac", R"({"Events": [
      {"Action":"down","Button":4,"Type":10,"Delay":"70000"},
      {"Action":"up","Button":4,"Type":10,"Delay":50},
      7,
      {"Action":"up","Button":4,"Type":10}
  ]})");
  MacroList list = Loaded();
  list.SelectMacro(0);
  ASSERT_EQ(list.Rows().size(), 3u);
  EXPECT_EQ(list.Rows()[0].delay_cell, "65535");
  EXPECT_EQ(list.Rows()[1].delay_cell, "50");
  EXPECT_EQ(list.Rows()[2].delay_cell, "0");
  EXPECT_EQ(Doc(list.Rows()[1].event_text)["Button"].asInt(), 4);

  list.SelectMacro(-1);
  EXPECT_EQ(list.CurrentMacroIndex(), -1);
  EXPECT_TRUE(list.Rows().empty());
}

TEST_F(MacroListTest, ReloadDropsUnsavedRows) {
  WriteMacros({"m"});
  MacroList list = Loaded();
  list.SelectMacro(0);
  list.Rows().push_back({"9", R"({"Action":"up"})"});
  list.Rows()[0].delay_cell = "999";
  list.ReloadMacro();
  ASSERT_EQ(list.Rows().size(), 1u);
  EXPECT_EQ(list.Rows()[0].delay_cell, "5");
}

TEST_F(MacroListTest, ExportAndImportAreByteCopies) {
  WriteMacros({"m"});
  // Odd spacing survives: the copy is of bytes, not of the parsed document.
  const std::string text =
      "{ \"Events\" : [ {\"Action\":\"down\",\"Button\":7,\"Type\":10} ],"
      "  \"Guid\": \"other\", \"MacroName\": \"theirs\" }\n";
  WriteText(folder() / "g0.mac", text);
  MacroList list = Loaded();
  list.SelectMacro(0);
  const std::filesystem::path exported = temp_ / "out.mac";
  ASSERT_TRUE(list.ExportMacro(exported));
  EXPECT_EQ(ReadText(exported), text);

  const std::optional<std::string> name = list.ImportMacro(exported);
  ASSERT_TRUE(name);
  EXPECT_EQ(*name, "macro_1");
  EXPECT_EQ(list.CurrentMacroIndex(), 1);
  EXPECT_EQ(ReadText(*list.EventFilePath(1)), text);
  ASSERT_EQ(list.Rows().size(), 1u);
  EXPECT_EQ(Doc(list.Rows()[0].event_text)["Button"].asInt(), 7);
  // The import keeps its generated name and identifier; a save rewrites both members.
  ASSERT_TRUE(list.SaveMacro());
  const Json::Value saved = ReadDoc(*list.EventFilePath(1));
  EXPECT_EQ(saved["MacroName"].asString(), "macro_1");
  EXPECT_EQ(saved["Guid"].asString(), list.Entries()[1].guid);
}

TEST_F(MacroListTest, ImportOfAnUnreadableFileMakesNoMacro) {
  WriteMacros({"m"});
  MacroList list = Loaded();
  EXPECT_FALSE(list.ImportMacro(temp_ / "missing.mac"));
  EXPECT_FALSE(list.ImportMacro(temp_.path()));  // a folder
  EXPECT_FALSE(list.ImportMacro({}));
  EXPECT_EQ(StoredNames(), std::vector<std::string>{"m"});
  list.SelectMacro(-1);
  EXPECT_FALSE(list.ExportMacro(temp_ / "x.mac")) << "nothing selected";
}

TEST_F(MacroListTest, ChangesStartFromTheConfigOnDisk) {
  WriteMacros({"m0"});
  MacroList first = Loaded();
  MacroList second = Loaded();
  ASSERT_EQ(first.NewMacro(), "macro_1");
  ASSERT_EQ(second.NewMacro(), "macro_2");
  EXPECT_EQ(StoredNames(), (std::vector<std::string>{"m0", "macro_1", "macro_2"}));

  // A config damaged in the meantime is kept aside and rebuilt from the event files present
  // (only m0 has one: the new macros were never saved).
  WriteText(config_file(), "{ broken");
  ASSERT_EQ(second.NewMacro(), "macro_2");
  EXPECT_EQ(StoredNames(), (std::vector<std::string>{"macro_1", "macro_2"}));
  EXPECT_EQ(second.Entries().front().guid, "g0");
}

TEST_F(MacroListTest, GuidsThatLeaveTheFolderAreNeverOpenedOrDeleted) {
  const std::filesystem::path inner = temp_ / "device";
  std::filesystem::create_directories(inner);
  const std::string victim = R"({"Events": [ {"Action":"down","Button":1,"Type":10} ]})";
  WriteText(temp_ / "victim.mac", victim);
  WriteText(inner / "macro.config",
            R"({"MacroInfo": [ {"MacroName": "a", "Guid": "../victim"},
                               {"MacroName": "b", "Guid": ")" +
                (temp_ / "victim").string() + R"("},
                               {"MacroName": "c", "Guid": "..\\victim"},
                               {"MacroName": "d", "Guid": "sub/victim"} ]})");
  MacroList list(inner);
  list.LoadMacroList();
  ASSERT_EQ(list.Count(), 4);
  for (int i = 0; i < 4; ++i) {
    SCOPED_TRACE(i);
    list.SelectMacro(i);
    EXPECT_TRUE(list.Rows().empty());
    EXPECT_FALSE(list.EventFilePath(i));
    list.Rows() = {{"1", R"({"Action":"up"})"}};
    EXPECT_FALSE(list.SaveMacro());
    EXPECT_FALSE(list.ExportMacro(temp_ / "out.mac"));
  }
  list.SelectMacro(0);
  EXPECT_EQ(list.DeleteMacro(), 0);
  list.SelectMacro(0);
  EXPECT_EQ(list.DeleteMacro(), 0);
  EXPECT_EQ(ReadText(temp_ / "victim.mac"), victim);
  EXPECT_FALSE(std::filesystem::exists(temp_ / "out.mac"));
}

TEST(ReadPackedEvents, PacksEveryObjectOfEvents) {
  TempFolder temp;
  WriteText(temp / "a.mac", R"({"Events": [ {"Action":"down","Type":10,"Button":4,"Delay":"50"},
                                            null,
                                            {"Action":"up","Type":10,"Button":4,"Delay":"300"} ]})");
  const std::vector<PackedMacroEvent> packed = ReadPackedEvents(temp / "a.mac");
  ASSERT_EQ(packed.size(), 2u);
  EXPECT_EQ(packed[0], (PackedMacroEvent{50, 0, 138, 4}));
  EXPECT_EQ(packed[1], (PackedMacroEvent{44, 1, 10, 4}));
  EXPECT_TRUE(ReadPackedEvents(temp / "missing.mac").empty());
  WriteText(temp / "b.mac", R"({"Events": {"0": {"Action":"down"}}})");
  EXPECT_TRUE(ReadPackedEvents(temp / "b.mac").empty());
}

}  // namespace
}  // namespace norvik::profiles
