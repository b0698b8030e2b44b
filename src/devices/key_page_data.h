#pragma once
// What the key assignment page reads from a device and what it changes there: the key entries
// of the loaded profile with the device's macro names, and one key's new assignment stored in
// the profile, saved and sent with the key map. Driver thread only (the device's worker).

#include <cstddef>
#include <string>
#include <vector>

#include "devices/device_driver.h"
#include "profiles/profile_records.h"

namespace norvik::devices {

struct KeyPageData {
  bool loaded = false;  // a profile could be loaded
  std::vector<profiles::KeyEntry> keys;
  std::vector<std::string> macro_names;
};

KeyPageData ReadKeyPageData(DeviceDriver& driver);

struct KeyAssignOutcome {
  bool stored = false;  // the key exists and the profile holds the new assignment
  bool saved = false;   // the profile file was written
  DeviceResult pushed = DeviceResult::NotSent;
  KeyPageData data;  // as read after the change
};

// Stores assignment as key's entry of the loaded profile, saves the profile and pushes the key
// map. Nothing changes for a key the profile has no entry for.
KeyAssignOutcome AssignKey(DeviceDriver& driver, std::size_t key,
                           const profiles::KeyAssignment& assignment);

// Key `key` is the one key left on the left mouse button: reassigning it would leave the mouse
// without one.
bool IsOnlyLeftButton(const std::vector<profiles::KeyEntry>& keys, std::size_t key);

}  // namespace norvik::devices
