#pragma once
// What the device gets after the macro page changed the device's macro files: the macro table
// again, and after a macro was deleted the key assignments of every profile moved to the new
// macro indexes, the selected profile reloaded and its key map sent. Runs on the device's
// worker, like every other device operation.

#include <filesystem>
#include <optional>
#include <vector>

#include "devices/device_driver.h"
#include "devices/profile_push.h"

namespace norvik::devices {

// The profile files of every listed profile of the device (they share its macro list).
std::vector<std::filesystem::path> DeviceProfileFiles(DeviceDriver& driver);

// True when some profile of the device assigns macro `macro_index` to a key.
bool AnyProfileAssignsMacro(DeviceDriver& driver, int macro_index);

struct MacroDeleteSync {
  int profiles_rewritten = 0;
  int profiles_failed = 0;
  std::optional<DeviceResult> key_map;  // sent only when a profile changed
  MacroPushResult macros;
};

// Macro `deleted_index` has left "macro.config": keys on it return to their default, keys on
// later macros step down, in every profile file; then the selected profile is reloaded (so a
// later save of the loaded profile cannot bring the old indexes back), its key map is sent and
// the macro table follows.
MacroDeleteSync SyncAfterMacroDelete(DeviceDriver& driver, int deleted_index);

}  // namespace norvik::devices
