#include <gtest/gtest.h>

#include "app/product_list.h"
#include "app/worktool.h"

namespace norvik::app {
namespace {

TEST(WorkTool, BufferHoldsIdentitiesCountAndProductRowsLittleEndian) {
  const auto buffer = BuildWorkToolBuffer();
  ASSERT_EQ(buffer.size(), 1024u);
  // The hex flags of the update product table: mouse, keyboard, mouse pad firmware, program.
  EXPECT_EQ(WorkToolValue(buffer, 0), 1u);
  EXPECT_EQ(WorkToolValue(buffer, 1), 1u);
  EXPECT_EQ(WorkToolValue(buffer, 2), 2u);
  EXPECT_EQ(WorkToolValue(buffer, 3), 0u);
  EXPECT_EQ(WorkToolValue(buffer, 4), 5u);
  // Row 1 (keyboard) at integers 8..10, byte by byte: 0x0C45 little-endian is 45 0C 00 00.
  EXPECT_EQ(buffer[32], 0x45);
  EXPECT_EQ(buffer[33], 0x0C);
  EXPECT_EQ(buffer[34], 0x00);
  EXPECT_EQ(WorkToolValue(buffer, 9), 0x8508u);
  EXPECT_EQ(WorkToolValue(buffer, 10), 1u);
  const std::uint32_t expected[5][3] = {{0x3938, 0x1253, 2},
                                        {0x0C45, 0x8508, 1},
                                        {0x320F, 0x1004, 3},
                                        {0x0C76, 0x1630, 7},
                                        {0x320F, 0x5001, 9}};
  for (std::size_t p = 0; p < 5; ++p) {
    for (std::size_t k = 0; k < 3; ++k) {
      EXPECT_EQ(WorkToolValue(buffer, 5 + 3 * p + k), expected[p][k])
          << "product " << p << " value " << k;
    }
  }
  for (std::size_t i = 20 * 4; i < buffer.size(); ++i) ASSERT_EQ(buffer[i], 0) << "byte " << i;
  EXPECT_EQ(WorkToolValue(buffer, 256), 0u);  // past the end
}

TEST(ProductList, EveryProductFindsItsCommandRowAndSlot) {
  const hid::HidInterfaceCopy copy = hid::MakeHidInterfaceCopy();
  for (std::size_t i = 0; i < kProducts.size(); ++i) {
    const auto row = FindInterfaceRow(kProducts[i], copy);
    ASSERT_TRUE(row) << kProducts[i].type_name;
    EXPECT_EQ(copy[*row].row.role, hid::InterfaceRole::Command);
    EXPECT_EQ(ProductOfSlot(kProducts[i].slot), i);
  }
  EXPECT_EQ(*FindInterfaceRow(kProducts[4], copy), 2u);  // the second keyboard model
}

}  // namespace
}  // namespace norvik::app
