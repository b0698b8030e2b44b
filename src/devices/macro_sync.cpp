#include "devices/macro_sync.h"

#include "base/debug_trace.h"
#include "profiles/json_file_store.h"
#include "profiles/macro_key_remap.h"
#include "profiles/profile_list.h"

namespace norvik::devices {

std::vector<std::filesystem::path> DeviceProfileFiles(DeviceDriver& driver) {
  profiles::ProfileList list(driver.DataFolder(), driver.DefaultProfilePath());
  if (list.InitProfileList() != profiles::ProfileResult::Done) return {};
  return list.ProfilePaths();
}

bool AnyProfileAssignsMacro(DeviceDriver& driver, int macro_index) {
  for (const std::filesystem::path& file : DeviceProfileFiles(driver)) {
    if (profiles::ProfileAssignsMacro(profiles::JsonFileStore::ReadJson(file), macro_index)) {
      return true;
    }
  }
  return false;
}

MacroDeleteSync SyncAfterMacroDelete(DeviceDriver& driver, int deleted_index) {
  MacroDeleteSync sync;
  const std::vector<std::filesystem::path> files = DeviceProfileFiles(driver);
  for (const std::filesystem::path& file : files) {
    const int rewritten = profiles::RemapKeysInProfileFiles({&file, 1}, deleted_index);
    if (rewritten > 0) {
      ++sync.profiles_rewritten;
      continue;
    }
    // A file whose keys needed the change but could not be rewritten still names the deleted
    // macro's index.
    Json::Value profile = profiles::JsonFileStore::ReadJson(file);
    if (profiles::RemapKeysAfterMacroDelete(profile, deleted_index)) ++sync.profiles_failed;
  }
  if (sync.profiles_failed > 0) {
    DebugTraceF("%s: %d profile(s) still refer to the deleted macro %d",
                driver.DeviceName().c_str(), sync.profiles_failed, deleted_index);
  }
  if (sync.profiles_rewritten > 0 && driver.LoadProfile()) sync.key_map = driver.PushKeyMap(0);
  sync.macros = driver.WriteMacroTable();
  return sync;
}

}  // namespace norvik::devices
