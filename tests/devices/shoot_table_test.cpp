#include "devices/shoot_table.h"

#include <vector>

#include <gtest/gtest.h>

#include "profiles/profile_list_test_folder.h"
#include "profiles/shoot_files.h"

namespace norvik::devices {
namespace {

using norvik::testing::TempFolder;
using norvik::testing::WriteText;

std::filesystem::path ShippedFolder() {
  return NORVIK_DEFAULT_DATA_DIR;
}

std::uint16_t U16(const std::vector<std::uint8_t>& bytes, std::size_t at) {
  return static_cast<std::uint16_t>(bytes[at] | bytes[at + 1] << 8);
}

TEST(ShootTable, FourRecordsAlwaysFollowTheHeader) {
  const std::array<PackedMacro, 4> guns = {
      PackedMacro{{0x0A, 0x00, 0x81, 0x01}}, PackedMacro{}, PackedMacro{},
      PackedMacro{{0x05, 0x00, 0x04, 0x2C}, {0x5F, 0x00, 0x05, 0x14}}};
  const MacroTable table = BuildShootTable(guns, 128);
  ASSERT_EQ(table.status, MacroTableStatus::Built);
  const std::vector<std::uint8_t> expected = {
      0xAA, 0x55, 0x34, 0x00, 0x04, 0x00, 0,    0,    0,    0,    0,    0,
      0,    0,    0,    0,                             // 52 bytes, 4 records
      0x18, 0x00, 0x20, 0x00, 0x24, 0x00, 0x28, 0x00,  // offsets 24, 32, 36, 40
      0x01, 0x00, 0x00, 0x00, 0x0A, 0x00, 0x81, 0x01,  // gun 0
      0x00, 0x00, 0x00, 0x00,                          // gun 1
      0x00, 0x00, 0x00, 0x00,                          // gun 2
      0x02, 0x00, 0x00, 0x00, 0x05, 0x00, 0x04, 0x2C, 0x5F, 0x00, 0x05, 0x14};  // gun 3
  EXPECT_EQ(table.bytes, expected);
}

TEST(ShootTable, ShippedPatternsFillTheTableFromTheFolder) {
  TempFolder temp;
  for (int gun = 0; gun < 4; ++gun) {
    std::filesystem::copy_file(ShippedFolder() / profiles::ShootFileName(gun),
                               temp / profiles::ShootFileName(gun));
  }
  // 4 guns x 30 bullets x 6 events: 16 + 24 + 4 x 720 = 2920 bytes, 23 units of memory.
  const MacroTable table = BuildShootTableFromFolder(temp.path(), 23);
  ASSERT_EQ(table.status, MacroTableStatus::Built);
  ASSERT_EQ(table.bytes.size(), 2920u);
  EXPECT_EQ(U16(table.bytes, 2), 2920);
  EXPECT_EQ(U16(table.bytes, 4), 4);
  for (std::size_t gun = 0; gun < 4; ++gun) {
    const std::size_t record = U16(table.bytes, 16 + 2 * gun);
    EXPECT_EQ(record, 24 + gun * 724) << gun;
    EXPECT_EQ(U16(table.bytes, record), 180) << gun;
    // Every bullet starts with a left press: 10 ms, mouse button type with the press bit, left.
    EXPECT_EQ(table.bytes[record + 4], 10);
    EXPECT_EQ(table.bytes[record + 6], 0x81);
    EXPECT_EQ(table.bytes[record + 7], 0x01);
  }

  const MacroTable small = BuildShootTableFromFolder(temp.path(), 22);
  EXPECT_EQ(small.status, MacroTableStatus::TooLarge);
  EXPECT_EQ(small.units_over, (2920 - 22 * 128) / 4 + 1);
}

TEST(ShootTable, MissingOrUnreadableFilesGiveEmptyRecords) {
  TempFolder temp;
  WriteText(temp / profiles::ShootFileName(1), "not json");
  WriteText(temp / profiles::ShootFileName(2),
            R"({"Events": [ {"Action":"up","Button":300,"Delay":5,"Type":4} ]})");
  const std::array<PackedMacro, 4> guns = ReadShootRecords(temp.path());
  EXPECT_TRUE(guns[0].empty());
  EXPECT_TRUE(guns[1].empty());
  EXPECT_EQ(guns[2], (PackedMacro{{0x05, 0x00, 0x04, 0xFF}})) << "a distance of 300 is clamped";
  EXPECT_TRUE(guns[3].empty());
}

}  // namespace
}  // namespace norvik::devices
