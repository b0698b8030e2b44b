#include "devices/macro_table.h"

#include <cstdio>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "profiles/json_file_store.h"
#include "profiles/profile_list_test_folder.h"

namespace norvik::devices {
namespace {

using norvik::testing::TempFolder;
using norvik::testing::WriteText;

std::string Hex(std::span<const std::uint8_t> bytes) {
  std::string text;
  for (const std::uint8_t b : bytes) {
    char part[4];
    std::snprintf(part, sizeof part, "%02X ", b);
    text += part;
  }
  if (!text.empty()) text.pop_back();
  return text;
}

PackedMacro Events(std::size_t count, std::uint8_t seed) {
  PackedMacro events;
  for (std::size_t i = 0; i < count; ++i) {
    const auto n = static_cast<std::uint8_t>(seed + i);
    events.push_back({n, 0x00, 0x8A, n});
  }
  return events;
}

TEST(MacroTable, TwoMacrosLayOutOffsetsAfterTheHeader) {
  const std::vector<PackedMacro> macros = {Events(3, 0x10), Events(1, 0x20)};
  const MacroTable table = BuildMacroTable(macros, 128);
  ASSERT_EQ(table.status, MacroTableStatus::Built);
  EXPECT_EQ(table.units_over, 0);
  // 16 + 6 x 2 + 4 x 4 = 44 bytes; records at 20 and 36.
  EXPECT_EQ(Hex(table.bytes),
            "AA 55 2C 00 02 00 00 00 00 00 00 00 00 00 00 00 "  // signature, length, count, zeros
            "14 00 24 00 "                                      // offsets 20, 36
            "03 00 00 00 10 00 8A 10 11 00 8A 11 12 00 8A 12 "  // 3 events
            "01 00 00 00 20 00 8A 20");                         // 1 event
}

TEST(MacroTable, EmptyMacrosKeepTheirRecordHeader) {
  const std::vector<PackedMacro> macros = {{}, Events(1, 1), {}};
  const MacroTable table = BuildMacroTable(macros, 1024);
  ASSERT_EQ(table.status, MacroTableStatus::Built);
  EXPECT_EQ(Hex(table.bytes),
            "AA 55 26 00 03 00 00 00 00 00 00 00 00 00 00 00 "
            "16 00 1A 00 22 00 "
            "00 00 00 00 "
            "01 00 00 00 01 00 8A 01 "
            "00 00 00 00");
}

TEST(MacroTable, CapacityBoundaryReportsUnitsOverPlusOne) {
  // One macro of 27 events: 16 + 6 + 108 = 130 bytes.
  const std::vector<PackedMacro> macros = {Events(27, 0)};
  ASSERT_EQ(MacroTableLength(macros), 130u);
  struct Case {
    std::size_t capacity;
    MacroTableStatus status;
    int units_over;
  };
  const Case cases[] = {
      {130, MacroTableStatus::Built, 0},  // exactly full is sent
      {131, MacroTableStatus::Built, 0},    {129, MacroTableStatus::TooLarge, 1},  // one byte over
      {128, MacroTableStatus::TooLarge, 1},  // (130 - 128) / 4 + 1
      {126, MacroTableStatus::TooLarge, 2}, {0, MacroTableStatus::TooLarge, 33},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.capacity);
    const MacroTable table = BuildMacroTable(macros, c.capacity);
    EXPECT_EQ(table.status, c.status);
    EXPECT_EQ(table.units_over, c.units_over);
    EXPECT_EQ(table.bytes.size(), c.status == MacroTableStatus::Built ? 130u : 0u);
  }
}

TEST(MacroTable, ATableBeyondSixteenBitLengthsIsNeverBuilt) {
  // 16 + 6 + 4 x 16380 = 65542 bytes: its length does not fit the length field.
  const std::vector<PackedMacro> macros = {Events(16380, 0)};
  const MacroTable table = BuildMacroTable(macros, 1u << 20);
  EXPECT_EQ(table.status, MacroTableStatus::TooLarge);
  EXPECT_EQ(table.units_over, (65542 - 65535) / 4 + 1);
  EXPECT_TRUE(table.bytes.empty());
}

class MacroTableFolderTest : public ::testing::Test {
 protected:
  TempFolder temp_;
};

TEST_F(MacroTableFolderTest, MacrosAreReadInListOrderAndMissingFilesKeepTheirPlace) {
  WriteText(temp_ / "macro.config", R"({"MacroInfo": [
      {"MacroName": "a", "Guid": "ga"},
      {"MacroName": "missing", "Guid": "gone"},
      {"MacroName": "escape", "Guid": "../ga"},
      {"MacroName": "b", "Guid": "gb"} ]})");
  WriteText(temp_ / "ga.mac",
            R"({"Events": [ {"Action":"down","Type":10,"Button":4,"Delay":"50"},
                            {"Action":"up","Type":10,"Button":4,"Delay":"300"} ]})");
  WriteText(temp_ / "gb.mac", R"({"Events": [ {"Action":"down","Type":1,"Button":1,"Delay":7} ]})");

  const std::vector<PackedMacro> macros = ReadDeviceMacros(temp_.path());
  ASSERT_EQ(macros.size(), 4u);
  EXPECT_EQ(macros[0], (PackedMacro{{50, 0, 138, 4}, {44, 1, 10, 4}}));
  EXPECT_TRUE(macros[1].empty());
  EXPECT_TRUE(macros[2].empty()) << "a Guid leaving the folder is never read";
  EXPECT_EQ(macros[3], (PackedMacro{{7, 0, 0x81, 1}}));

  const MacroTable table = BuildMacroTableFromFolder(temp_.path(), 1);
  ASSERT_EQ(table.status, MacroTableStatus::Built);
  EXPECT_EQ(table.bytes.size(), 16u + 6 * 4 + 4 * 3);
}

TEST_F(MacroTableFolderTest, MissingOrEmptyListSendsNothing) {
  EXPECT_EQ(BuildMacroTableFromFolder(temp_.path(), 10).status, MacroTableStatus::Empty);
  WriteText(temp_ / "macro.config", "");
  EXPECT_EQ(BuildMacroTableFromFolder(temp_.path(), 10).status, MacroTableStatus::Empty);
  WriteText(temp_ / "macro.config", R"({"MacroInfo": []})");
  EXPECT_EQ(BuildMacroTableFromFolder(temp_.path(), 10).status, MacroTableStatus::Empty);
}

TEST_F(MacroTableFolderTest, MemoryUnitsAreOneHundredTwentyEightBytes) {
  WriteText(temp_ / "macro.config", R"({"MacroInfo": [ {"MacroName": "a", "Guid": "ga"} ]})");
  // 16 + 6 + 4 x 28 = 134 bytes: over one unit by 6 bytes, within two.
  Json::Value file(Json::objectValue);
  for (int i = 0; i < 28; ++i) {
    Json::Value event(Json::objectValue);
    event["Action"] = "down";
    event["Type"] = 10;
    event["Button"] = 4;
    event["Delay"] = "1";
    file["Events"].append(event);
  }
  ASSERT_TRUE(profiles::JsonFileStore::WriteJson(temp_ / "ga.mac", file));
  const MacroTable small = BuildMacroTableFromFolder(temp_.path(), 1);
  EXPECT_EQ(small.status, MacroTableStatus::TooLarge);
  EXPECT_EQ(small.units_over, 2);
  EXPECT_EQ(BuildMacroTableFromFolder(temp_.path(), 2).status, MacroTableStatus::Built);
}

}  // namespace
}  // namespace norvik::devices
