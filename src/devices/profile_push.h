#pragma once
// Loading a driver's profile and what pushing it to the device did: the selected profile of
// the data folder's profile list, its reset to the default data, and the results of the macro
// upload and of a whole-profile push.

#include <filesystem>
#include <optional>
#include <string_view>

#include "hid/device_io.h"
#include "profiles/basic_profiledata.h"

namespace norvik::devices {

using hid::DeviceResult;

// Points profile at the selected profile of data_folder's profile list (created from the
// default data when missing) and loads its section. False without a loadable section.
bool LoadSelectedProfile(profiles::CBasicProfiledata& profile,
                         const std::filesystem::path& data_folder,
                         const std::filesystem::path& default_profile);
// Puts the default data into the selected profile. False when the list or the file fails.
bool ResetSelectedProfile(const std::filesystem::path& data_folder,
                          const std::filesystem::path& default_profile);

// The macro (or shoot) upload's outcome. Code() is the number of the upload: 0 sent or nothing
// to send, -1 out of memory, n > 0 over capacity by n − 1 four-byte units, else the failing
// command's code. A failed transfer is reported as such, never as success.
enum class MacroPushStatus {
  Sent,
  NothingToSend,   // no "macro.config" or an empty "MacroInfo": the device keeps its macros
  OutOfMemory,     // the table could not be allocated
  TooLarge,        // over the device's macro memory; nothing sent
  TransferFailed,  // a command of the upload failed (see transfer)
  NeedsCable,      // the mouse's shoot table goes over its cable only; nothing sent
};

struct MacroPushResult {
  MacroPushStatus status = MacroPushStatus::NothingToSend;
  int units_over = 0;                             // TooLarge: (total − capacity) / 4 + 1
  DeviceResult transfer = DeviceResult::Success;  // TransferFailed: the failing command's code
  bool Ok() const {
    return status == MacroPushStatus::Sent || status == MacroPushStatus::NothingToSend;
  }
  int Code() const;
  // A short English meaning of the status, for the command line.
  std::string_view Meaning() const;
};

// The steps of a whole-profile push, each a device operation.
enum class PushStep { Settings, Macros, KeyMap };

// What a whole-profile push did, step by step (steps a device does not have stay empty).
struct ApplyResult {
  bool profile_loaded = false;
  DeviceResult settings = DeviceResult::NotSent;
  std::optional<MacroPushResult> macros;
  std::optional<DeviceResult> key_map;
  std::optional<DeviceResult> shoot;
  // The step that found the device unreachable; the steps after it were not run.
  std::optional<PushStep> stopped_at;
  bool Ok() const;
};

}  // namespace norvik::devices
