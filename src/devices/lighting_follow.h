#pragma once
// Lighting that one device takes over from elsewhere: every device following the lighting of
// the selected one (the user's "same mode for every device"), and the short game effects a game
// asks for, undone a few seconds later. The translations are pure; WriteLight runs on the
// device's command worker.

#include <functional>
#include <optional>

#include "devices/device_driver.h"
#include "devices/lighting_sync.h"
#include "hid/hid_interface_table.h"
#include "profiles/profile_records.h"

namespace norvik::devices {

// The device groups a synchronisation walks, in its order.
enum class SyncGroup { Keyboards, Mice, MousePads, Headsets };
std::optional<SyncGroup> SyncGroupOf(hid::DeviceKind kind);

// The synchroniser effect a device's lighting mode stands for. nullopt: the mode is one no
// synchroniser effect follows, so nothing is synchronised. A kind outside the four groups keeps
// the previous effect.
std::optional<int> SyncEffectOfMode(hid::DeviceKind kind, int mode, int previous_effect);
// The mode a device of the group shows for the effect (an effect outside 0-4 counts as dark).
int ModeOfSyncEffect(SyncGroup group, int effect);

// The synchroniser's values from the leading device's lighting.
SyncParameters SyncParametersOf(const profiles::LightState& leader, int effect);

// A following device's lighting: the leader's brightness, speed, direction, seven-colour flag
// and colour with the device's own mode; the device's second mode, custom group and older
// mode stay its own.
profiles::LightState FollowLight(const profiles::LightState& own,
                                 const profiles::LightState& leader, int mode);

// The lighting a game asks for: the mode byte becomes mode; form 0 also brings the brightness
// into 1-20 (1 when outside). nullopt (nothing to change) for a form other than 0-2 or a mode
// that is not a byte.
std::optional<profiles::LightState> GameLight(const profiles::LightState& current, long form,
                                              long mode);

struct LightWrite {
  bool written = false;  // a profile was loaded and took the values
  bool saved = false;    // the profile file was written
  DeviceResult pushed = DeviceResult::NotSent;
  profiles::LightState before;  // the profile's lighting before the write
};

// The lighting of the loaded profile (the selected one is loaded when none is).
std::optional<profiles::LightState> ReadLight(DeviceDriver& driver);

// Driver thread only. make gets the profile's lighting and gives the values to write (nullopt:
// nothing is written); they go into the selected profile (brought into the device's ranges),
// the settings are sent and the profile is saved.
using LightMaker =
    std::function<std::optional<profiles::LightState>(const profiles::LightState& current)>;
LightWrite WriteLight(DeviceDriver& driver, const LightMaker& make);

}  // namespace norvik::devices
