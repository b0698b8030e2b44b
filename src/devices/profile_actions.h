#pragma once
// The profile panel's operations as jobs for a device's command worker: the profile list file
// changed (select, add, copy, delete, import, export, reset, rename) and, where the device must
// follow, the newly selected profile pushed. Also the number a push reports to the user.

#include <filesystem>
#include <optional>
#include <string>

#include "devices/device_driver.h"
#include "profiles/export_target.h"
#include "profiles/profile_list.h"

namespace norvik::devices {

enum class ProfileAction : std::uint8_t {
  Select,           // index; then pushed
  Add,              // then the new profile pushed
  Copy,             // then the copy pushed
  Delete,           // the selected one; then the new selection pushed
  Import,           // path; then the imported profile pushed
  Export,           // path
  Reset,            // the selected profile back to the default data; then pushed
  Rename,           // name
  Push,             // the selected profile written to the device as it is
  RestoreDefaults,  // the default data into the selected profile, pushed in restore order
};

struct ProfileRequest {
  ProfileAction action = ProfileAction::Push;
  int index = -1;
  std::string name;
  std::filesystem::path path;
};

struct ProfileOutcome {
  ProfileAction action = ProfileAction::Push;
  profiles::ProfileResult list = profiles::ProfileResult::Done;
  profiles::RenameResult rename = profiles::RenameResult::Done;
  profiles::ExportResult export_result = profiles::ExportResult::Done;
  std::optional<ApplyResult> push;  // when the device was asked to follow
};

// Driver thread only.
ProfileOutcome RunProfileAction(DeviceDriver& driver, const ProfileRequest& request);

// What a profile push tells the user: 0 it went through; -1 the device could not be written
// (gone, not answering) or the macro table did not fit in memory; any other number is shown
// formatted into the "failed with code" message (a refusal code of the device, or the units a
// macro table is over the device's memory).
int PushMessageCode(const ApplyResult& result);
// The same for one command: 0 sent, NotSent and WriteFailed read as -1, a refusal keeps its
// code.
int CommandMessageCode(DeviceResult result);

}  // namespace norvik::devices
