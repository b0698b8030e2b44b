// What the key page reads from and changes on a device: the last left button of a mouse, and one
// key's assignment stored, saved and sent with the key map (only for keys the profile has).
#include <gtest/gtest.h>

#include <vector>

#include "devices/key_page_data.h"
#include "mouse_test_rig.h"

namespace norvik::devices {
namespace {

using profiles::KeyAssignment;
using profiles::KeyEntry;

std::vector<KeyEntry> Keys(std::initializer_list<KeyAssignment> assignments) {
  std::vector<KeyEntry> keys;
  for (const KeyAssignment& a : assignments)
    keys.push_back(KeyEntry{static_cast<std::uint16_t>(keys.size()), a, a});
  return keys;
}

TEST(KeyPageData, OnlyLeftButtonIsTheOneKeyLeftOnTheLeftButton) {
  constexpr KeyAssignment kLeft{0x10, 0x01, 0x00};
  constexpr KeyAssignment kRight{0x10, 0x02, 0x00};
  constexpr KeyAssignment kCtrlLeftLookalike{0x20, 0x01, 0x00};  // left Ctrl, not a button
  struct Row {
    const char* what;
    std::vector<KeyEntry> keys;
    std::size_t key;
    bool expected;
  };
  const Row rows[] = {
      {"the one left button", Keys({kLeft, kRight}), 0, true},
      {"a key that is not the left button", Keys({kLeft, kRight}), 1, false},
      {"one of two left buttons", Keys({kLeft, kRight, kLeft}), 2, false},
      {"left Ctrl does not count", Keys({kCtrlLeftLookalike, kLeft}), 1, true},
      {"a key beyond the list", Keys({kLeft}), 5, false},
  };
  for (const Row& row : rows)
    EXPECT_EQ(IsOnlyLeftButton(row.keys, row.key), row.expected) << row.what;
}

TEST(KeyPageData, AssignKeyStoresSavesAndSendsOnlyAKeyTheProfileHas) {
  testing::MouseRig rig(/*cable=*/true, /*receiver=*/false);
  ASSERT_EQ(rig.AttachCable(), MouseLink::Cable);
  ASSERT_EQ(rig.driver().ReadKeyData(), DeviceResult::Success);
  const KeyPageData before = ReadKeyPageData(rig.driver());
  ASSERT_TRUE(before.loaded);
  ASSERT_EQ(before.keys.size(), 10U);

  constexpr KeyAssignment kKeyA{0x20, 0x00, 0x04};
  const KeyAssignOutcome done = AssignKey(rig.driver(), 3, kKeyA);
  EXPECT_TRUE(done.stored);
  EXPECT_TRUE(done.saved);
  EXPECT_EQ(done.pushed, DeviceResult::Success);
  EXPECT_EQ(done.data.keys.at(3).assignment, kKeyA);
  EXPECT_EQ(done.data.keys.at(3).defaultAssignment, before.keys.at(3).defaultAssignment);
  // Button 3 sits in slot 3 of the factory key map.
  const auto map = rig.cable().KeyMap();
  EXPECT_EQ((std::vector<std::uint8_t>(map.begin() + 9, map.begin() + 12)),
            (std::vector<std::uint8_t>{0x20, 0x00, 0x04}));
  // Read back from the saved file, not from the driver's copy.
  ASSERT_TRUE(rig.driver().LoadProfile());
  EXPECT_EQ(ReadKeyPageData(rig.driver()).keys.at(3).assignment, kKeyA);

  const KeyAssignOutcome refused = AssignKey(rig.driver(), 10, kKeyA);
  EXPECT_FALSE(refused.stored);
  EXPECT_EQ(refused.pushed, DeviceResult::NotSent);
  EXPECT_EQ(refused.data.keys, done.data.keys);
}

}  // namespace
}  // namespace norvik::devices
