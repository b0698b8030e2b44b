// norvikctl settings and DPI commands: the stored settings of the selected profile, changed and
// sent as the device's settings block.

#include <string>
#include <utility>
#include <vector>

#include "cli/cli_handlers.h"
#include "devices/keyboard_driver.h"
#include "devices/mouse_driver.h"
#include "profiles/folder_lock.h"

namespace norvik::cli {

namespace {

using devices::DeviceDriver;
using devices::DeviceSlot;
using hid::DeviceResult;

// One LightInfo member by its stored name.
std::uint8_t* LightField(profiles::LightState& light, std::string_view key) {
  if (key == "SelectItem") return &light.SelectItem;
  if (key == "Light") return &light.Light;
  if (key == "Speed") return &light.Speed;
  if (key == "Fx") return &light.Fx;
  if (key == "MultiColor") return &light.MultiColor;
  if (key == "Red") return &light.Red;
  if (key == "Green") return &light.Green;
  if (key == "Blue") return &light.Blue;
  if (key == "ZZCCLedMode") return &light.ZZCCLedMode;
  if (key == "CustomGroup") return &light.CustomGroup;
  return nullptr;
}

std::uint16_t* KeyboardField(profiles::KeyboardSystem& system, std::string_view key) {
  if (key == "Repeat") return &system.Repeat;
  if (key == "RepeatDelay") return &system.RepeatDelay;
  if (key == "Key6Flag") return &system.Key6Flag;
  if (key == "PollingRate") return &system.PollingRate;
  if (key == "WFlag") return &system.WFlag;
  if (key == "WinFlag") return &system.WinFlag;
  return nullptr;
}

std::uint16_t* MouseField(profiles::MouseSystem& system, std::string_view key) {
  if (key == "DoubleClickTime") return &system.DoubleClickTime;
  if (key == "MouseSpeed") return &system.MouseSpeed;
  if (key == "PointerPrecision") return &system.PointerPrecision;
  if (key == "ScorllPage") return &system.ScorllPage;
  if (key == "WheelScorlllinse") return &system.WheelScorlllinse;
  if (key == "StageActive") return &system.ReportStage;
  return nullptr;
}

using Changes = std::vector<std::pair<SettingKey, int>>;

// Every pair is checked before anything changes.
CommandResult ParseChanges(DeviceSlot slot, const Invocation& call, Changes& changes) {
  for (std::size_t i = 1; i < call.args.size(); ++i) {
    const std::string& word = call.args[i];
    const auto pair = ParseKeyValue(word);
    if (!pair) return CommandResult::Usage("\"" + word + "\" is not KEY=VALUE");
    const auto key = FindSettingKey(slot, pair->first);
    if (!key) {
      std::string known;
      for (const SettingKey& k : SettingKeysOf(slot)) known += " " + std::string(k.key);
      return CommandResult::Usage(call.args[0] + " has no setting \"" + pair->first +
                                  "\"; known:" + known);
    }
    const auto number = ParseInteger(pair->second, key->min, key->max);
    if (!number) {
      return CommandResult::Usage(word + " refused: " + pair->first +
                                  " takes a whole number from " + std::to_string(key->min) +
                                  " to " + std::to_string(key->max));
    }
    changes.emplace_back(*key, static_cast<int>(*number));
  }
  return CommandResult::Ok(Json::Value());
}

// Stores the changes in the loaded profile (and the driver's live lighting values).
void StoreChanges(DeviceDriver& driver, const Changes& changes) {
  profiles::CBasicProfiledata& profile = *driver.Profile();
  profiles::LightState light = profile.GetLightInfo();
  auto* keyboard = dynamic_cast<devices::KeyboardDriver*>(&driver);
  auto* mouse = dynamic_cast<devices::MouseDriver*>(&driver);
  profiles::KeyboardSystem keyboard_system;
  profiles::MouseSystem mouse_system;
  if (keyboard) keyboard_system = keyboard->KeyboardProfile().GetSystemStages();
  if (mouse) mouse_system = mouse->MouseProfile().GetMouseSystem();
  bool light_changed = false;
  bool system_changed = false;
  for (const auto& [key, number] : changes) {
    if (key.section == SettingSection::LightInfo) {
      if (std::uint8_t* field = LightField(light, key.key)) {
        *field = static_cast<std::uint8_t>(number);
        light_changed = true;
      }
    } else if (std::uint16_t* field = keyboard ? KeyboardField(keyboard_system, key.key)
                                      : mouse  ? MouseField(mouse_system, key.key)
                                               : nullptr) {
      *field = static_cast<std::uint16_t>(number);
      system_changed = true;
    }
  }
  if (light_changed) {
    profile.SetLightInfo(light);
    driver.SetLightValues(light);
  }
  if (system_changed && keyboard) keyboard->KeyboardProfile().SetSystemStages(keyboard_system);
  if (system_changed && mouse) mouse->MouseProfile().SetMouseSystem(mouse_system);
}

}  // namespace

CommandResult CmdSettingsShow(Session& session, const Invocation& call) {
  DeviceDriver& driver = session.Devices().Driver(*call.slot);
  if (!driver.LoadProfile() || driver.Profile() == nullptr) {
    return CommandResult::Fail(call.args[0] + ": no profile could be loaded");
  }
  const Json::Value& section = driver.Profile()->Section();
  Json::Value value(Json::objectValue);
  for (const char* key :
       {"LightInfo", "SystemStages", "ReportStages", "DPIStages", "SystemSetStages"}) {
    if (section.isObject() && section.isMember(key)) value[key] = section[key];
  }
  return CommandResult::Ok(value);
}

CommandResult CmdSettingsSet(Session& session, const Invocation& call) {
  const std::string& name = call.args[0];
  Changes changes;
  if (CommandResult parsed = ParseChanges(*call.slot, call, changes); parsed.exit != kExitOk) {
    return parsed;
  }
  std::string error;
  DeviceDriver* driver = session.RequireDevice(name, error);
  if (!driver) return CommandResult::Fail(error);
  // Read, changed and saved under the folder's lock: no other program's change is lost.
  const profiles::FolderLock lock(driver->DataFolder());
  if (driver->Profile() == nullptr || !driver->LoadProfile()) {
    return CommandResult::Fail(name + ": no profile could be loaded");
  }
  StoreChanges(*driver, changes);
  if (!driver->Profile()->Save()) {
    return CommandResult::Fail(name + ": the profile file could not be written");
  }
  Json::Value value;
  value["device"] = name;
  value["stored"] = static_cast<int>(changes.size());
  if (*call.slot == DeviceSlot::Headset) {
    // The headset's lights go by the live frame, not by a settings block.
    value["sent"] = Json::Value();
    return CommandResult::Ok(value);
  }
  driver->NormaliseProfile();
  const DeviceResult sent = driver->WriteSettings(0, 0);
  if (sent != DeviceResult::Success) {
    return DeviceFailure(name + ": settings stored; settings block", sent);
  }
  value["sent"] = ResultValue(sent);
  return CommandResult::Ok(value);
}

// --- dpi ---

namespace {

std::string DpiStatusText(devices::DpiEditStatus status) {
  switch (status) {
    case devices::DpiEditStatus::Done:
      return "done";
    case devices::DpiEditStatus::NoProfile:
      return "no profile could be loaded";
    case devices::DpiEditStatus::NoSuchStage:
      return "no such stage in the profile";
    case devices::DpiEditStatus::OutOfRange:
      return "DPI value outside the device's range";
    case devices::DpiEditStatus::NotSaved:
      return "the profile file could not be written; nothing sent";
  }
  return "unknown";
}

std::optional<int> Stage(const Invocation& call) {
  const auto stage =
      ParseInteger(call.args[1], 0, static_cast<std::int64_t>(devices::kMouseStageCount) - 1);
  if (!stage) return std::nullopt;
  return static_cast<int>(*stage);
}

CommandResult DpiOutcome(int stage, const devices::DpiEditResult& result) {
  if (result.status != devices::DpiEditStatus::Done) {
    return CommandResult::Fail("mouse: " + DpiStatusText(result.status));
  }
  if (result.pushed != DeviceResult::Success) {
    return DeviceFailure("mouse: stored; settings block", result.pushed);
  }
  Json::Value value;
  value["device"] = "mouse";
  value["stage"] = stage;
  value["sent"] = ResultValue(result.pushed);
  return CommandResult::Ok(value);
}

// The started mouse with its folder locked and its profile read afresh under the lock.
devices::MouseDriver* Mouse(Session& session, std::optional<profiles::FolderLock>& lock,
                            std::string& error) {
  DeviceDriver* driver = session.RequireDevice("mouse", error);
  if (driver == nullptr) return nullptr;
  lock.emplace(driver->DataFolder());
  driver->LoadProfile();
  return static_cast<devices::MouseDriver*>(driver);
}

constexpr char kStageRange[] = "STAGE must be 0 to 4";

}  // namespace

CommandResult CmdDpiSet(Session& session, const Invocation& call) {
  const auto stage = Stage(call);
  if (!stage) return CommandResult::Usage(kStageRange);
  const auto x = ParseInteger(call.args[2], 1, 65535);
  if (!x) return CommandResult::Usage("X must be a DPI value from 1 to 65535");
  std::optional<int> y;
  if (call.args.size() == 4) {
    const auto parsed = ParseInteger(call.args[3], 1, 65535);
    if (!parsed) return CommandResult::Usage("Y must be a DPI value from 1 to 65535");
    y = static_cast<int>(*parsed);
  }
  std::string error;
  std::optional<profiles::FolderLock> lock;
  devices::MouseDriver* mouse = Mouse(session, lock, error);
  if (!mouse) return CommandResult::Fail(error);
  return DpiOutcome(*stage, mouse->SetDpiStageValue(*stage, static_cast<int>(*x), y));
}

CommandResult CmdDpiActive(Session& session, const Invocation& call) {
  const auto stage = Stage(call);
  if (!stage) return CommandResult::Usage(kStageRange);
  std::string error;
  std::optional<profiles::FolderLock> lock;
  devices::MouseDriver* mouse = Mouse(session, lock, error);
  if (!mouse) return CommandResult::Fail(error);
  return DpiOutcome(*stage, mouse->SetActiveDpiStage(*stage));
}

CommandResult CmdDpiEnable(Session& session, const Invocation& call) {
  const auto stage = Stage(call);
  if (!stage) return CommandResult::Usage(kStageRange);
  const auto on = ParseOnOff(call.args[2]);
  if (!on) return CommandResult::Usage("dpi enable takes on or off");
  std::string error;
  std::optional<profiles::FolderLock> lock;
  devices::MouseDriver* mouse = Mouse(session, lock, error);
  if (!mouse) return CommandResult::Fail(error);
  return DpiOutcome(*stage, mouse->EnableDpiStage(*stage, *on));
}

}  // namespace norvik::cli
