#include "devices/macro_sync.h"

#include <gtest/gtest.h>

#include "devices/keyboard_driver.h"
#include "keyboard_test_rig.h"
#include "profiles/json_file_store.h"
#include "profiles/macro_list.h"
#include "profiles/profile_list.h"

namespace norvik::devices {
namespace {

using emulator::EmulatedProduct;
using profiles::KeyAssignment;
using testing::Hex;
using testing::Slice;

// The emulated keyboards list key (slot × 5) mod 126 in slot `slot`.
std::size_t SlotOfKey(int key) {
  for (std::size_t slot = 0; slot < 126; ++slot) {
    if (static_cast<int>(slot * 5 % 126) == key) return slot;
  }
  return 0;
}

std::uint32_t Packed(const KeyAssignment& a) {
  return std::uint32_t{a.A} << 16 | std::uint32_t{a.B} << 8 | a.C;
}

std::uint32_t StoredAssignment(const std::filesystem::path& profile_file, int key) {
  const Json::Value profile = profiles::JsonFileStore::ReadJson(profile_file);
  return profile["Device"][0]["KeyList"][key]["Assignment"].asUInt();
}

// A keyboard with three macros and two profiles whose keys play them: key 64 macro 1 (profile
// 1 only), key 0 macro 2 (both), key 1 macro 0 (both).
class MacroSyncTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(rig_.Open());
    ASSERT_EQ(driver().ReadKeyData(), DeviceResult::Success);
    profiles::MacroList macros(driver().DataFolder());
    macros.LoadMacroList();
    for (int m = 0; m < 3; ++m) ASSERT_TRUE(macros.NewMacro());
    profiles::ProfileList list(driver().DataFolder(), driver().DefaultProfilePath());
    ASSERT_EQ(list.InitProfileList(), profiles::ProfileResult::Done);
    ASSERT_EQ(list.AddProfile(), profiles::ProfileResult::Done);
    for (int p = 0; p < 2; ++p) {
      ASSERT_EQ(list.SelectProfile(p), profiles::ProfileResult::Done);
      ASSERT_TRUE(driver().LoadProfile());
      auto keys = driver().KeyboardProfile().KeyListMirror();
      if (p == 1) keys[64].assignment = {0x70, 1, 0};
      keys[0].assignment = {0x71, 2, 3};
      keys[1].assignment = {0x70, 0, 0};
      driver().KeyboardProfile().SetKeyList(keys);
      ASSERT_TRUE(driver().KeyboardProfile().Save());
    }
    files_ = list.ProfilePaths();
    ASSERT_EQ(files_.size(), 2u);
    default_64_ = Packed(driver().KeyboardProfile().KeyListMirror()[64].defaultAssignment);
    // The UI removes the macro from the list first; the device side follows.
    macros.SelectMacro(1);
    ASSERT_EQ(macros.DeleteMacro(), 1);
  }
  KeyboardDriver& driver() { return rig_.driver(); }

  testing::DriverRig<KeyboardDriver> rig_{
      EmulatedProduct::Keyboard, [](hid::HidBackend* backend, DeviceFolders folders) {
        return std::make_unique<KeyboardDriver>(backend, std::move(folders),
                                                hid::DeviceKind::Keyboard);
      }};
  std::vector<std::filesystem::path> files_;
  std::uint32_t default_64_ = 0;
};

TEST_F(MacroSyncTest, DeletedMacroLeavesTheKeysOfEveryProfileAndTheDeviceFollows) {
  ASSERT_TRUE(AnyProfileAssignsMacro(driver(), 1)) << "macro 2 still has index 2 in the files";
  const MacroDeleteSync sync = SyncAfterMacroDelete(driver(), 1);
  EXPECT_EQ(sync.profiles_rewritten, 2);
  EXPECT_EQ(sync.profiles_failed, 0);
  ASSERT_TRUE(sync.key_map.has_value());
  EXPECT_EQ(*sync.key_map, DeviceResult::Success);
  EXPECT_EQ(sync.macros.status, MacroPushStatus::Sent);

  // Key 64 (macro 1) is back on its default; macro 2 is now 1; macro 0 stays.
  struct Expected {
    int key;
    std::uint32_t assignment;
  };
  for (std::size_t p = 0; p < files_.size(); ++p) {
    for (const Expected& e : {Expected{0, 0x710103}, Expected{1, 0x700000}}) {
      EXPECT_EQ(StoredAssignment(files_[p], e.key), e.assignment)
          << "profile " << p << " key " << e.key;
    }
  }
  EXPECT_EQ(StoredAssignment(files_[1], 64), default_64_);
  // The loaded (selected, second) profile was read again before its key map went out.
  EXPECT_EQ(Packed(driver().KeyboardProfile().KeyListMirror()[0].assignment), 0x710103u);
  const auto key_map = rig_.device().KeyMap();
  EXPECT_EQ(Hex(Slice(key_map, SlotOfKey(0) * 3, 3)), "71 01 03");
  EXPECT_EQ(Hex(Slice(key_map, SlotOfKey(1) * 3, 3)), "70 00 00");
  // Two empty macros in the table: 16 + 2 × 6 bytes.
  EXPECT_EQ(Hex(Slice(rig_.device().MacroMemory(), 0, 6)), "aa 55 1c 00 02 00");
  EXPECT_FALSE(AnyProfileAssignsMacro(driver(), 2));
}

TEST_F(MacroSyncTest, NoKeyOnTheMacroSendsOnlyTheMacroTable) {
  // Index 5 names no macro: nothing to move, so no profile is written and no key map sent.
  const MacroDeleteSync sync = SyncAfterMacroDelete(driver(), 5);
  EXPECT_EQ(sync.profiles_rewritten, 0);
  EXPECT_FALSE(sync.key_map.has_value());
  EXPECT_EQ(sync.macros.status, MacroPushStatus::Sent);
  EXPECT_EQ(StoredAssignment(files_[0], 0), 0x710203u);
}

}  // namespace
}  // namespace norvik::devices
