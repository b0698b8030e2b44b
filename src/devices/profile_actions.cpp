#include "devices/profile_actions.h"

#include "base/debug_trace.h"
#include "profiles/folder_lock.h"

namespace norvik::devices {
namespace {

using profiles::ProfileResult;

ProfileResult ChangeList(profiles::ProfileList& list, const ProfileRequest& request,
                         ProfileOutcome& outcome) {
  switch (request.action) {
    case ProfileAction::Select:
      return list.SelectProfile(request.index);
    case ProfileAction::Add:
      return list.AddProfile();
    case ProfileAction::Copy:
      return list.CopyProfile();
    case ProfileAction::Delete:
      return list.DeleteProfile();
    case ProfileAction::Import:
      return list.ImportProfile(request.path);
    case ProfileAction::Export:
      return list.ExportProfile(request.path, &outcome.export_result);
    case ProfileAction::Reset:
      return list.ResetProfile();
    case ProfileAction::Rename:
      outcome.rename = list.RenameProfile(request.name);
      return outcome.rename == profiles::RenameResult::WriteFailed ? ProfileResult::WriteFailed
                                                                   : ProfileResult::Done;
    case ProfileAction::Push:
    case ProfileAction::RestoreDefaults:
      return ProfileResult::Done;
  }
  return ProfileResult::Done;
}

// Whether the device follows the list after the action (the profile it holds is the one the
// list selects).
bool PushesAfter(ProfileAction action) {
  switch (action) {
    case ProfileAction::Export:
    case ProfileAction::Rename:
      return false;
    default:
      return true;
  }
}

}  // namespace

ProfileOutcome RunProfileAction(DeviceDriver& driver, const ProfileRequest& request) {
  ProfileOutcome outcome;
  outcome.action = request.action;
  {
    // The list and profile files are read, changed and written as one step against norvikctl
    // working on the same folder.
    const profiles::FolderLock lock(driver.DataFolder());
    profiles::ProfileList list(driver.DataFolder(), driver.DefaultProfilePath());
    list.InitProfileList();
    outcome.list = ChangeList(list, request, outcome);
  }
  if (outcome.list != ProfileResult::Done) {
    DebugTraceF("%s: profile action %d refused (%d)", driver.DeviceName().c_str(),
                static_cast<int>(request.action), static_cast<int>(outcome.list));
    return outcome;
  }
  if (!PushesAfter(request.action)) return outcome;
  outcome.push = request.action == ProfileAction::RestoreDefaults ? driver.RestoreDefaults()
                                                                  : driver.ApplyProfile();
  return outcome;
}

int CommandMessageCode(DeviceResult result) {
  if (result == DeviceResult::Success) return 0;
  if (result == DeviceResult::NotSent || result == DeviceResult::WriteFailed) return -1;
  return hid::ToInt(result);
}

int PushMessageCode(const ApplyResult& result) {
  if (result.Ok()) return 0;
  if (!result.profile_loaded) return -1;
  if (result.settings != DeviceResult::Success) return CommandMessageCode(result.settings);
  if (result.macros && !result.macros->Ok()) {
    const MacroPushResult& macros = *result.macros;
    if (macros.status == MacroPushStatus::TransferFailed)
      return CommandMessageCode(macros.transfer);
    return macros.Code();
  }
  if (result.key_map && *result.key_map != DeviceResult::Success) {
    return CommandMessageCode(*result.key_map);
  }
  if (result.shoot && *result.shoot != DeviceResult::Success)
    return CommandMessageCode(*result.shoot);
  return -1;
}

}  // namespace norvik::devices
