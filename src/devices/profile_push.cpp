#include "devices/profile_push.h"

#include "base/debug_trace.h"
#include "profiles/folder_lock.h"
#include "profiles/profile_list.h"

namespace norvik::devices {

bool LoadSelectedProfile(profiles::CBasicProfiledata& profile,
                         const std::filesystem::path& data_folder,
                         const std::filesystem::path& default_profile) {
  // The list's choice and the file's contents are read as one step for other programs.
  const profiles::FolderLock lock(data_folder);
  profiles::ProfileList list(data_folder, default_profile);
  if (list.InitProfileList() != profiles::ProfileResult::Done) {
    DebugTraceF("%s: profile list not available", data_folder.filename().c_str());
  }
  const auto path = list.SelectedProfilePath();
  if (!path) return false;
  profile.SetDefaultPath(default_profile);
  profile.SetProfilePath(*path);
  profile.SetSectionIndex(0);
  return profile.LoadSection(*path).isObject();
}

bool ResetSelectedProfile(const std::filesystem::path& data_folder,
                          const std::filesystem::path& default_profile) {
  profiles::ProfileList list(data_folder, default_profile);
  list.InitProfileList();
  return list.ResetProfile() == profiles::ProfileResult::Done;
}

int MacroPushResult::Code() const {
  switch (status) {
    case MacroPushStatus::Sent:
    case MacroPushStatus::NothingToSend:
      return 0;
    case MacroPushStatus::OutOfMemory:
      return -1;
    case MacroPushStatus::TooLarge:
      return units_over;
    case MacroPushStatus::TransferFailed:
    case MacroPushStatus::NeedsCable:
      return hid::ToInt(transfer);
  }
  return 0;
}

std::string_view MacroPushResult::Meaning() const {
  switch (status) {
    case MacroPushStatus::Sent:
      return "sent";
    case MacroPushStatus::NothingToSend:
      return "nothing to send";
    case MacroPushStatus::OutOfMemory:
      return "out of memory";
    case MacroPushStatus::TooLarge:
      return "too large for the device's memory";
    case MacroPushStatus::TransferFailed:
      return "transfer failed";
    case MacroPushStatus::NeedsCable:
      return "sent over the mouse's cable only; connect the cable";
  }
  return "unknown";
}

bool ApplyResult::Ok() const {
  if (!profile_loaded || stopped_at || settings != DeviceResult::Success) return false;
  if (macros && !macros->Ok()) return false;
  if (key_map && *key_map != DeviceResult::Success) return false;
  if (shoot && *shoot != DeviceResult::Success) return false;
  return true;
}

}  // namespace norvik::devices
