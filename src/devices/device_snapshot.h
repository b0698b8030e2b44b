#pragma once
// What the pages of a device show, copied from its driver on the device's command worker (the
// only thread that touches the driver's profile object) and handed to the UI with each result,
// and the settings edit run there: the edit applied to the driver's profile, the profile
// saved, the settings pushed.

#include <string>
#include <vector>

#include "devices/device_driver.h"
#include "devices/settings_values.h"

namespace norvik::devices {

struct DeviceSnapshot {
  bool open = false;
  bool wireless = false;
  bool profile_loaded = false;
  SettingsValues values;
  // The profile list: names in list order and the selected one (-1 when none).
  std::vector<std::string> profile_names;
  int selected_profile = -1;
};

// Driver thread only. Loads the selected profile when none is loaded yet.
DeviceSnapshot TakeSnapshot(DeviceDriver& driver);

// The values of the loaded profile (light, the keyboard's or the mouse's records); the light
// values only for the other devices.
SettingsValues ReadSettingsValues(DeviceDriver& driver);

enum class EditStatus {
  Done,           // applied, saved (see saved) and pushed (see pushed)
  NoProfile,      // no profile could be loaded; nothing changed
  NotApplicable,  // the device has no such setting; nothing changed
};

struct EditOutcome {
  EditStatus status = EditStatus::NoProfile;
  bool saved = false;                         // the profile file was written
  DeviceResult pushed = DeviceResult::NotSent;  // the settings push
};

// The edit on the driver's profile, the profile saved and the settings block pushed. Driver
// thread only.
EditOutcome ApplySettingsEdit(DeviceDriver& driver, const SettingsEdit& edit);

}  // namespace norvik::devices
