#include "devices/key_page_data.h"

#include <algorithm>

#include "base/debug_trace.h"
#include "profiles/folder_lock.h"
#include "profiles/key_code_table.h"
#include "profiles/macro_list.h"

namespace norvik::devices {
namespace {

constexpr std::uint8_t kLeftButtonBit = 0x01;

// The driver's profile with its section loaded (the selected profile when none is yet).
profiles::CBasicProfiledata* LoadedProfile(DeviceDriver& driver) {
  profiles::CBasicProfiledata* profile = driver.Profile();
  if (profile == nullptr) return nullptr;
  if (!profile->Section().isObject() && !driver.LoadProfile()) return nullptr;
  return profile->Section().isObject() ? profile : nullptr;
}

// Read under the folder's lock, which the caller holds.
KeyPageData ReadLocked(DeviceDriver& driver) {
  KeyPageData data;
  profiles::CBasicProfiledata* profile = LoadedProfile(driver);
  if (profile == nullptr) return data;
  data.loaded = true;
  data.keys = profile->GetKeyList();
  profiles::MacroList macros(driver.DataFolder());
  macros.LoadMacroList();
  data.macro_names = macros.GetMacroNames();
  return data;
}

bool IsLeftButton(const profiles::KeyAssignment& assignment) {
  return assignment.A == profiles::TypeByte(profiles::AssignType::MouseButton) &&
         assignment.B == kLeftButtonBit;
}

}  // namespace

KeyPageData ReadKeyPageData(DeviceDriver& driver) {
  const profiles::FolderLock lock(driver.DataFolder());
  return ReadLocked(driver);
}

KeyAssignOutcome AssignKey(DeviceDriver& driver, std::size_t key,
                           const profiles::KeyAssignment& assignment) {
  KeyAssignOutcome outcome;
  {
    // Read, changed and saved in one step against other writers of the folder.
    const profiles::FolderLock lock(driver.DataFolder());
    profiles::CBasicProfiledata* profile = LoadedProfile(driver);
    if (profile == nullptr) return outcome;
    std::vector<profiles::KeyEntry> keys = profile->GetKeyList();
    if (key >= keys.size()) {
      DebugTraceF("key page: the profile has no key %zu (%zu keys)\n", key, keys.size());
      outcome.data = ReadLocked(driver);
      return outcome;
    }
    keys[key].assignment = assignment;
    profile->SetKeyList(keys);
    outcome.stored = true;
    outcome.saved = profile->Save();
    outcome.data = ReadLocked(driver);
  }
  outcome.pushed = driver.PushKeyMap(0);
  return outcome;
}

bool IsOnlyLeftButton(const std::vector<profiles::KeyEntry>& keys, std::size_t key) {
  if (key >= keys.size() || !IsLeftButton(keys[key].assignment)) return false;
  return std::count_if(keys.begin(), keys.end(), [](const profiles::KeyEntry& entry) {
           return IsLeftButton(entry.assignment);
         }) == 1;
}

}  // namespace norvik::devices
