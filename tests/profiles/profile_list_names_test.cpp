#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "profile_list_test_folder.h"
#include "profiles/macro_list.h"
#include "profiles/profile_list.h"
#include "profiles/user_files.h"

namespace norvik::profiles {
namespace {

using testing::ReadDoc;
using testing::TempFolder;
using testing::WriteText;

TEST(IsSafeFileStem, RefusesNamesThatCouldLeaveTheFolder) {
  const std::vector<std::string> refused = {
      "",
      "..",
      "../x",
      "..\\x",
      "/etc/passwd",
      "a/b",
      "a\\b",
      "C:x",
      "x..",
      "..x",
      "a\nb",
      std::string("a\0b", 3),
      "\x7f",
      "\xff\xfe",
      "\xc0\xaf",
      "\xed\xa0\x80",
      std::string(201, 'a'),
  };
  for (const std::string& stem : refused) {
    SCOPED_TRACE(stem);
    EXPECT_FALSE(IsSafeFileStem(stem));
    EXPECT_FALSE(FileInFolder("/folder", stem, ".mac"));
  }
  const std::vector<std::string> accepted = {
      "2024_03_05_14_07_09_042", "a.b", "x y", "\xe4\xb8\xad", ".x", std::string(200, 'a')};
  for (const std::string& stem : accepted) {
    SCOPED_TRACE(stem);
    EXPECT_TRUE(IsSafeFileStem(stem));
    EXPECT_EQ(FileInFolder("/folder", stem, ".mac")->parent_path(), "/folder");
  }
}

TEST(ValidUtf8, ReplacesEachMalformedByteAndKeepsWellFormedText) {
  EXPECT_EQ(ValidUtf8("plain"), "plain");
  EXPECT_EQ(ValidUtf8("\xe4\xb8\xad\xf0\x9f\x8e\xae"), "\xe4\xb8\xad\xf0\x9f\x8e\xae");
  EXPECT_EQ(ValidUtf8("a\xff"
                      "b"),
            "a\xef\xbf\xbd"
            "b");
  EXPECT_EQ(ValidUtf8("\xc3"
                      "A"),
            "\xef\xbf\xbd"
            "A")
      << "a lead byte without continuation";
  EXPECT_EQ(ValidUtf8("\xe4\xb8"), "\xef\xbf\xbd\xef\xbf\xbd") << "a cut sequence";
  EXPECT_EQ(ValidUtf8("\xc0\xaf"), "\xef\xbf\xbd\xef\xbf\xbd") << "an overlong form";
  EXPECT_TRUE(IsValidUtf8(ValidUtf8("\xed\xa0\x80\xf4\x90\x80\x80")));
}

TEST(MalformedNames, ReadBackAfterSavingAsTheListShowsThem) {
  TempFolder temp;
  ProfileList profiles(temp.path(), temp / "none.Json");
  profiles.InitProfileList();
  ASSERT_EQ(profiles.RenameProfile("bad\xff name"), RenameResult::Done);
  EXPECT_EQ(profiles.Entries()[0].name, "bad\xef\xbf\xbd name");
  EXPECT_EQ(ReadDoc(profiles.ListPath())["profilelist"][0]["profilename"].asString(),
            profiles.Entries()[0].name);

  WriteText(temp / "macro.config",
            "{\"MacroInfo\": [ {\"MacroName\": \"m\xc3\", \"Guid\": \"g\xff\"} ]}");
  MacroList macros(temp.path());
  macros.LoadMacroList();
  EXPECT_EQ(macros.Entries()[0].name, "m\xef\xbf\xbd");
  EXPECT_FALSE(macros.EventFilePath(0)) << "a malformed Guid names no file";
  ASSERT_TRUE(macros.NewMacro());
  MacroList again(temp.path());
  again.LoadMacroList();
  EXPECT_EQ(again.GetMacroNames(), macros.GetMacroNames());
}

}  // namespace
}  // namespace norvik::profiles
