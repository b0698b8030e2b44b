#include "devices/device_snapshot.h"

#include "base/debug_trace.h"
#include "devices/mouse_driver.h"
#include "profiles/folder_lock.h"
#include "profiles/keyboard_profiledata.h"
#include "profiles/mouse_profiledata.h"
#include "profiles/profile_list.h"

namespace norvik::devices {
namespace {

// Writes the records of values back into the profile (the groups the device has).
void WriteSettingsValues(profiles::CBasicProfiledata& profile, const SettingsValues& values) {
  if (auto* keyboard = dynamic_cast<profiles::CKeyboardProfiledata*>(&profile);
      keyboard != nullptr && values.keyboard) {
    keyboard->SetSystemStages(*values.keyboard);
  }
  if (auto* mouse = dynamic_cast<profiles::CMouseProfiledata*>(&profile);
      mouse != nullptr && values.mouse) {
    mouse->SetDpiStages(values.mouse->stages);
    mouse->SetActiveDpiStage(values.mouse->active_stage);
    mouse->SetMouseSystem(values.mouse->system);
  }
}

// The driver's profile when a section is loaded; loads the selected profile when none is yet.
profiles::CBasicProfiledata* LoadedProfile(DeviceDriver& driver) {
  profiles::CBasicProfiledata* profile = driver.Profile();
  if (profile == nullptr) return nullptr;
  if (!profile->Section().isObject() && !driver.LoadProfile()) return nullptr;
  return profile->Section().isObject() ? profile : nullptr;
}

}  // namespace

SettingsValues ReadSettingsValues(DeviceDriver& driver) {
  SettingsValues values;
  profiles::CBasicProfiledata* profile = LoadedProfile(driver);
  if (profile == nullptr) {
    values.light = driver.LightValues();
    return values;
  }
  values.light = profile->GetLightInfo();
  if (auto* keyboard = dynamic_cast<profiles::CKeyboardProfiledata*>(profile)) {
    values.keyboard = keyboard->GetSystemStages();
  }
  if (auto* mouse = dynamic_cast<profiles::CMouseProfiledata*>(profile)) {
    MouseSettingsValues m;
    m.stages = mouse->GetDpiStages();
    m.active_stage = mouse->GetActiveDpiStage();
    m.system = mouse->GetMouseSystem();
    if (auto* mouse_driver = dynamic_cast<MouseDriver*>(&driver)) m.ranges = mouse_driver->Ranges();
    values.mouse = std::move(m);
  }
  return values;
}

DeviceSnapshot TakeSnapshot(DeviceDriver& driver) {
  DeviceSnapshot snapshot;
  snapshot.open = driver.IsOpen();
  snapshot.wireless = snapshot.open && driver.Io().IsWireless();
  snapshot.profile_loaded = LoadedProfile(driver) != nullptr;
  snapshot.values = ReadSettingsValues(driver);
  const profiles::FolderLock lock(driver.DataFolder());
  profiles::ProfileList list(driver.DataFolder(), driver.DefaultProfilePath());
  list.InitProfileList();
  for (const profiles::ProfileEntry& entry : list.Entries()) {
    snapshot.profile_names.push_back(entry.name);
  }
  snapshot.selected_profile = list.GetSelectedIndex();
  return snapshot;
}

EditOutcome ApplySettingsEdit(DeviceDriver& driver, const SettingsEdit& edit) {
  EditOutcome outcome;
  // The profile file is rewritten from the edited values: one step against other writers.
  const profiles::FolderLock lock(driver.DataFolder());
  profiles::CBasicProfiledata* profile = LoadedProfile(driver);
  if (profile == nullptr) return outcome;
  SettingsValues values = ReadSettingsValues(driver);
  if (!ApplyEdit(values, edit)) {
    outcome.status = EditStatus::NotApplicable;
    return outcome;
  }
  WriteSettingsValues(*profile, values);
  if (IsLightField(edit.field)) {
    // The user's own lighting: the synchroniser no longer drives this device.
    driver.Io().SetHold(false);
    profile->SetLightInfo(values.light);
    auto* keyboard = dynamic_cast<profiles::CKeyboardProfiledata*>(profile);
    if (keyboard != nullptr && edit.field == SettingField::LightCustomGroup)
      keyboard->SetCustomGroup(values.light.CustomGroup);
    // The driver's light values and its preview of the picture follow the profile.
    driver.NormaliseProfile();
  }
  outcome.status = EditStatus::Done;
  outcome.saved = profile->Save();
  if (!outcome.saved) DebugTraceF("%s: profile not saved", driver.DeviceName().c_str());
  outcome.pushed =
      IsLightField(edit.field) ? driver.WriteLightSettings() : driver.WriteSettings(0, 0);
  return outcome;
}

}  // namespace norvik::devices
