// norvikctl commands that talk to a device: list, info, status, apply, settings, dpi, key,
// headset, and the update check.

#include <cstdio>
#include <string>
#include <vector>

#include "cli/cli_output.h"
#include "cli/cli_session.h"
#include "devices/headset_driver.h"
#include "devices/keyboard_driver.h"
#include "devices/mouse_driver.h"
#include "profiles/profile_list.h"
#include "update/installed_version.h"
#include "update/update_query.h"
#include "update/update_target.h"

namespace norvik::cli {

namespace {

using devices::DeviceDriver;
using devices::DeviceSlot;
using hid::DeviceResult;

std::string Hex4(int value) {
  char text[16];
  std::snprintf(text, sizeof text, "V%04x", static_cast<unsigned>(value) & 0xFFFFu);
  return text;
}

std::string Hex6(std::uint32_t value) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%06x", value & 0xFFFFFFu);
  return text;
}

std::string LinkName(DeviceDriver& driver) {
  if (!driver.IsOpen()) return "closed";
  return driver.Io().IsWireless() ? "receiver" : "direct";
}

// The words after the command: words[1] is the subcommand or the device.
const std::string* Word(const std::vector<std::string>& words, std::size_t index) {
  return index < words.size() ? &words[index] : nullptr;
}

CommandResult NeedWords(const std::vector<std::string>& words, std::size_t count,
                        const char* form) {
  if (words.size() < count) return CommandResult::Usage(std::string("usage: norvikctl ") + form);
  if (words.size() > count) {
    return CommandResult::Usage("unexpected \"" + words[count] + "\"; usage: norvikctl " + form);
  }
  return CommandResult::Ok(Json::Value());
}

CommandResult DeviceFailure(std::string_view what, DeviceResult result) {
  return CommandResult::Fail(std::string(what) + " failed: " + ResultText(result));
}

// --- list, info, status ---

CommandResult List(Session& session) {
  devices::DeviceSet& set = session.Devices();
  Json::Value rows(Json::arrayValue);
  for (const DeviceSlot slot : devices::kAllDeviceSlots) {
    if (!set.IsConnected(slot)) continue;
    DeviceDriver& driver = set.Driver(slot);
    Json::Value row;
    row["device"] = std::string(devices::DeviceSlotName(slot));
    row["link"] = LinkName(driver);
    row["reachable"] = set.CheckLink(slot);
    rows.append(row);
  }
  if (rows.empty() && !session.Options().json) return CommandResult::Ok("no devices");
  return CommandResult::Ok(rows);
}

CommandResult Info(Session& session, const std::vector<std::string>& words) {
  if (auto usage = NeedWords(words, 2, "info DEVICE"); usage.exit != kExitOk) return usage;
  std::string error;
  DeviceDriver* driver = session.RequireDevice(words[1], error);
  if (!driver) return CommandResult::Fail(error);
  const DeviceSlot slot = *devices::DeviceSlotFromName(words[1]);
  Json::Value value;
  value["device"] = words[1];
  value["link"] = LinkName(*driver);
  if (const auto row = driver->BoundRow()) {
    value["path"] = row->path;
    value["kind"] = static_cast<int>(row->row.device_kind);
  }
  if (const auto version = session.FirmwareVersion(slot)) value["firmware"] = Hex4(*version);
  if (slot != DeviceSlot::Headset) {
    const hid::DeviceInfo info = driver->DeviceInformation();
    value["info"] = HexBytes(info.block.data(), info.block.size());
    value["key_slots"] = info.KeySlotCount();
  }
  profiles::ProfileList list(driver->DataFolder(), driver->DefaultProfilePath());
  list.InitProfileList();
  const int selected = list.GetSelectedIndex();
  if (selected >= 0 && selected < list.GetProfileCount()) {
    value["profile"] = list.Entries()[static_cast<std::size_t>(selected)].name;
  }
  value["data_folder"] = driver->DataFolder().string();
  return CommandResult::Ok(value);
}

CommandResult Status(Session& session, const std::vector<std::string>& words) {
  if (auto usage = NeedWords(words, 2, "status DEVICE"); usage.exit != kExitOk) return usage;
  if (words[1] == "headset") return CommandResult::Fail("the headset has no status block");
  std::string error;
  DeviceDriver* driver = session.RequireDevice(words[1], error);
  if (!driver) return CommandResult::Fail(error);
  const DeviceResult result = driver->ReadStatus();
  if (result != DeviceResult::Success) return DeviceFailure("status read", result);
  const auto status = driver->LastPowerStatus();
  if (!status) return CommandResult::Fail("status read gave no block");
  Json::Value value;
  value["device"] = words[1];
  value["battery"] = status->battery_level;
  value["charge_state"] = status->charge_state;
  value["radio"] = status->wireless ? 1 : 0;
  value["power"] = status->power_value;
  value["phone"] = status->phone_type;
  return CommandResult::Ok(value);
}

// --- apply ---

Json::Value ApplyValue(const devices::ApplyResult& applied) {
  Json::Value value;
  value["profile_loaded"] = applied.profile_loaded;
  value["settings"] = ResultText(applied.settings);
  if (applied.macros) {
    value["macros"] =
        applied.macros->Ok() ? "sent" : "failed (" + ResultText(applied.macros->transfer) + ")";
    if (applied.macros->status == devices::MacroPushStatus::NothingToSend)
      value["macros"] = "nothing to send";
    if (applied.macros->status == devices::MacroPushStatus::TooLarge) {
      value["macros"] =
          "too large for the device by " + std::to_string(applied.macros->units_over) + " units";
    }
  }
  if (applied.key_map) value["key_map"] = ResultText(*applied.key_map);
  if (applied.shoot) value["shoot"] = ResultText(*applied.shoot);
  return value;
}

CommandResult ApplyTo(DeviceDriver& driver, const std::string& name) {
  const devices::ApplyResult applied = driver.ApplyProfile();
  Json::Value value = ApplyValue(applied);
  value["device"] = name;
  if (!applied.Ok()) {
    if (!applied.profile_loaded) return CommandResult::Fail(name + ": no profile could be loaded");
    std::string reason = name + ": profile not fully applied:";
    for (const std::string& member : value.getMemberNames()) {
      if (member == "device" || member == "profile_loaded") continue;
      reason += " " + member + " " + value[member].asString() + ";";
    }
    return CommandResult::Fail(reason);
  }
  return CommandResult::Ok(value);
}

CommandResult Apply(Session& session, const std::vector<std::string>& words) {
  if (auto usage = NeedWords(words, 2, "apply DEVICE"); usage.exit != kExitOk) return usage;
  std::string error;
  DeviceDriver* driver = session.RequireDevice(words[1], error);
  if (!driver) return CommandResult::Fail(error);
  return ApplyTo(*driver, words[1]);
}

// --- settings ---

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

CommandResult SettingsShow(Session& session, const std::vector<std::string>& words) {
  if (auto usage = NeedWords(words, 3, "settings show DEVICE"); usage.exit != kExitOk) return usage;
  std::string error;
  const auto slot = session.SlotOf(words[2], error);
  if (!slot) return CommandResult::Usage(error);
  DeviceDriver& driver = session.Devices().Driver(*slot);
  if (!driver.LoadProfile() || driver.Profile() == nullptr) {
    return CommandResult::Fail(words[2] + ": no profile could be loaded");
  }
  const Json::Value& section = driver.Profile()->Section();
  Json::Value value;
  for (const char* key :
       {"LightInfo", "SystemStages", "ReportStages", "DPIStages", "SystemSetStages"}) {
    if (section.isObject() && section.isMember(key)) value[key] = section[key];
  }
  return CommandResult::Ok(value);
}

CommandResult SettingsSet(Session& session, const std::vector<std::string>& words) {
  if (words.size() < 4)
    return CommandResult::Usage("usage: norvikctl settings set DEVICE KEY=VALUE...");
  std::string error;
  const auto slot = session.SlotOf(words[2], error);
  if (!slot) return CommandResult::Usage(error);
  // Every pair is checked before anything changes.
  std::vector<std::pair<SettingKey, int>> changes;
  for (std::size_t i = 3; i < words.size(); ++i) {
    const auto pair = ParseKeyValue(words[i]);
    if (!pair) return CommandResult::Usage("\"" + words[i] + "\" is not KEY=VALUE");
    const auto key = FindSettingKey(*slot, pair->first);
    if (!key) {
      std::string known;
      for (const SettingKey& k : SettingKeysOf(*slot)) known += " " + std::string(k.key);
      return CommandResult::Usage(words[2] + " has no setting \"" + pair->first +
                                  "\"; known:" + known);
    }
    const auto number = ParseInteger(pair->second, key->min, key->max);
    if (!number) {
      return CommandResult::Usage(pair->first + "=" + pair->second + " refused: " + pair->first +
                                  " takes a whole number from " + std::to_string(key->min) +
                                  " to " + std::to_string(key->max));
    }
    changes.emplace_back(*key, static_cast<int>(*number));
  }
  DeviceDriver* driver = session.RequireDevice(words[2], error);
  if (!driver) return CommandResult::Fail(error);
  profiles::CBasicProfiledata* profile = driver->Profile();
  if (profile == nullptr || !driver->LoadProfile()) {
    return CommandResult::Fail(words[2] + ": no profile could be loaded");
  }

  profiles::LightState light = profile->GetLightInfo();
  bool light_changed = false;
  auto* keyboard = dynamic_cast<devices::KeyboardDriver*>(driver);
  auto* mouse = dynamic_cast<devices::MouseDriver*>(driver);
  profiles::KeyboardSystem keyboard_system;
  profiles::MouseSystem mouse_system;
  if (keyboard) keyboard_system = keyboard->KeyboardProfile().GetSystemStages();
  if (mouse) mouse_system = mouse->MouseProfile().GetMouseSystem();
  bool system_changed = false;
  for (const auto& [key, number] : changes) {
    if (key.section == SettingSection::LightInfo) {
      if (std::uint8_t* field = LightField(light, key.key)) {
        *field = static_cast<std::uint8_t>(number);
        light_changed = true;
      }
    } else if (key.section == SettingSection::KeyboardSystem && keyboard) {
      if (std::uint16_t* field = KeyboardField(keyboard_system, key.key)) {
        *field = static_cast<std::uint16_t>(number);
        system_changed = true;
      }
    } else if (mouse) {
      if (std::uint16_t* field = MouseField(mouse_system, key.key)) {
        *field = static_cast<std::uint16_t>(number);
        system_changed = true;
      }
    }
  }
  if (light_changed) {
    profile->SetLightInfo(light);
    driver->SetLightValues(light);
  }
  if (system_changed && keyboard) keyboard->KeyboardProfile().SetSystemStages(keyboard_system);
  if (system_changed && mouse) mouse->MouseProfile().SetMouseSystem(mouse_system);
  if (!profile->Save())
    return CommandResult::Fail(words[2] + ": the profile file could not be written");

  Json::Value value;
  value["device"] = words[2];
  value["stored"] = static_cast<int>(changes.size());
  if (*slot == DeviceSlot::Headset) {
    // The headset's lights go by the live frame, not by a settings block.
    value["sent"] = "nothing to send";
    return CommandResult::Ok(value);
  }
  driver->NormaliseProfile();
  const DeviceResult sent = driver->WriteSettings(0, 0);
  if (sent != DeviceResult::Success)
    return DeviceFailure(words[2] + ": settings stored; settings block", sent);
  value["sent"] = ResultText(sent);
  return CommandResult::Ok(value);
}

// --- dpi ---

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
  }
  return "unknown";
}

CommandResult Dpi(Session& session, const std::vector<std::string>& words) {
  const std::string* sub = Word(words, 1);
  const std::string* device = Word(words, 2);
  const std::string* stage_text = Word(words, 3);
  if (!sub || !device || !stage_text) {
    return CommandResult::Usage("usage: norvikctl dpi set|active|enable mouse STAGE ...");
  }
  if (*device != "mouse") return CommandResult::Usage("DPI stages belong to the mouse");
  const auto stage =
      ParseInteger(*stage_text, 0, static_cast<std::int64_t>(devices::kMouseStageCount) - 1);
  if (!stage) return CommandResult::Usage("STAGE must be 0 to 4");
  devices::DpiEditResult result;
  std::string error;
  if (*sub == "set") {
    if (words.size() < 5 || words.size() > 6)
      return CommandResult::Usage("usage: norvikctl dpi set mouse STAGE X [Y]");
    const auto x = ParseInteger(words[4], 1, 65535);
    std::optional<std::int64_t> y;
    if (words.size() == 6) {
      y = ParseInteger(words[5], 1, 65535);
      if (!y) return CommandResult::Usage("Y must be a DPI value from 1 to 65535");
    }
    if (!x) return CommandResult::Usage("X must be a DPI value from 1 to 65535");
    DeviceDriver* driver = session.RequireDevice("mouse", error);
    if (!driver) return CommandResult::Fail(error);
    auto& mouse = static_cast<devices::MouseDriver&>(*driver);
    result = mouse.SetDpiStageValue(static_cast<int>(*stage), static_cast<int>(*x),
                                    y ? std::optional<int>(static_cast<int>(*y)) : std::nullopt);
  } else if (*sub == "active") {
    if (words.size() != 4) return CommandResult::Usage("usage: norvikctl dpi active mouse STAGE");
    DeviceDriver* driver = session.RequireDevice("mouse", error);
    if (!driver) return CommandResult::Fail(error);
    result =
        static_cast<devices::MouseDriver&>(*driver).SetActiveDpiStage(static_cast<int>(*stage));
  } else if (*sub == "enable") {
    const auto on = words.size() == 5 ? ParseOnOff(words[4]) : std::nullopt;
    if (!on) return CommandResult::Usage("usage: norvikctl dpi enable mouse STAGE on|off");
    DeviceDriver* driver = session.RequireDevice("mouse", error);
    if (!driver) return CommandResult::Fail(error);
    result =
        static_cast<devices::MouseDriver&>(*driver).EnableDpiStage(static_cast<int>(*stage), *on);
  } else {
    return CommandResult::Usage("unknown dpi command \"" + *sub + "\" (set, active, enable)");
  }
  if (result.status != devices::DpiEditStatus::Done) {
    return CommandResult::Fail("mouse: " + DpiStatusText(result.status));
  }
  if (result.pushed != DeviceResult::Success)
    return DeviceFailure("mouse: stored; settings block", result.pushed);
  Json::Value value;
  value["device"] = "mouse";
  value["stage"] = static_cast<int>(*stage);
  value["sent"] = ResultText(result.pushed);
  return CommandResult::Ok(value);
}

// --- keys ---

bool HasKeys(DeviceSlot slot) {
  return slot == DeviceSlot::Keyboard || slot == DeviceSlot::Keyboard2 || slot == DeviceSlot::Mouse;
}

Json::Value KeyValue(const profiles::KeyEntry& entry) {
  Json::Value value;
  value["key"] = entry.index;
  value["assignment"] = Hex6(profiles::PackAssignment(entry.assignment));
  value["default"] = Hex6(profiles::PackAssignment(entry.defaultAssignment));
  return value;
}

CommandResult Key(Session& session, const std::vector<std::string>& words) {
  const std::string* sub = Word(words, 1);
  const std::string* device = Word(words, 2);
  if (!sub || !device)
    return CommandResult::Usage("usage: norvikctl key show|set|default|push DEVICE ...");
  std::string error;
  const auto slot = session.SlotOf(*device, error);
  if (!slot) return CommandResult::Usage(error);
  if (!HasKeys(*slot)) return CommandResult::Usage(*device + " has no key assignments");

  if (*sub == "show") {
    if (words.size() > 4) return CommandResult::Usage("usage: norvikctl key show DEVICE [KEYID]");
    DeviceDriver& driver = session.Devices().Driver(*slot);
    if (!driver.LoadProfile() || driver.Profile() == nullptr) {
      return CommandResult::Fail(*device + ": no profile could be loaded");
    }
    const auto keys = driver.Profile()->GetKeyList();
    if (words.size() == 4) {
      const auto id = ParseInteger(words[3], 0, static_cast<std::int64_t>(keys.size()) - 1);
      if (!id) return CommandResult::Usage("KEYID must be 0 to " + std::to_string(keys.size() - 1));
      return CommandResult::Ok(KeyValue(keys[static_cast<std::size_t>(*id)]));
    }
    Json::Value rows(Json::arrayValue);
    for (const auto& entry : keys) rows.append(KeyValue(entry));
    return CommandResult::Ok(rows);
  }

  if (*sub == "push") {
    if (words.size() != 3) return CommandResult::Usage("usage: norvikctl key push DEVICE");
    DeviceDriver* driver = session.RequireDevice(*device, error);
    if (!driver) return CommandResult::Fail(error);
    const DeviceResult pushed = driver->PushKeyMap(0);
    if (pushed != DeviceResult::Success) return DeviceFailure(*device + ": key map", pushed);
    Json::Value value;
    value["device"] = *device;
    value["key_map"] = ResultText(pushed);
    return CommandResult::Ok(value);
  }

  const bool set = *sub == "set";
  if (!set && *sub != "default") {
    return CommandResult::Usage("unknown key command \"" + *sub + "\" (show, set, default, push)");
  }
  if (words.size() != (set ? 5u : 4u)) {
    return CommandResult::Usage(set ? "usage: norvikctl key set DEVICE KEYID VALUE"
                                    : "usage: norvikctl key default DEVICE KEYID");
  }
  std::optional<std::int64_t> packed;
  if (set) {
    packed = ParseInteger(words[4], 0, 0xFFFFFF);
    if (!packed) return CommandResult::Usage("VALUE must be a 24-bit number (decimal or 0x-hex)");
  }
  DeviceDriver* driver = session.RequireDevice(*device, error);
  if (!driver) return CommandResult::Fail(error);
  profiles::CBasicProfiledata* profile = driver->Profile();
  if (profile == nullptr || !driver->LoadProfile())
    return CommandResult::Fail(*device + ": no profile could be loaded");
  auto keys = profile->GetKeyList();
  if (keys.empty()) return CommandResult::Fail(*device + ": the profile has no key list");
  const auto id = ParseInteger(words[3], 0, static_cast<std::int64_t>(keys.size()) - 1);
  if (!id) return CommandResult::Usage("KEYID must be 0 to " + std::to_string(keys.size() - 1));
  profiles::KeyEntry& entry = keys[static_cast<std::size_t>(*id)];
  entry.assignment = set ? profiles::UnpackAssignment(*packed) : entry.defaultAssignment;
  profile->SetKeyList(keys);
  if (!profile->Save())
    return CommandResult::Fail(*device + ": the profile file could not be written");
  // As the key panel does: stored, saved, then the key map goes to the device.
  const DeviceResult pushed = driver->PushKeyMap(0);
  if (pushed != DeviceResult::Success)
    return DeviceFailure(*device + ": key stored; key map", pushed);
  Json::Value value = KeyValue(entry);
  value["device"] = *device;
  value["key_map"] = ResultText(pushed);
  // Where the key sits in the device's key map.
  const std::uint8_t key_slot = driver->KeyPosition(static_cast<int>(*id));
  if (key_slot != devices::kNoPosition) value["slot"] = key_slot;
  return CommandResult::Ok(value);
}

// --- headset ---

CommandResult AudioOutcome(devices::AudioResult result, const std::string& what) {
  if (result != devices::AudioResult::Done) {
    return CommandResult::Fail("headset: " + what +
                               " failed: " + std::to_string(static_cast<int>(result)) + " (" +
                               std::string(devices::AudioResultMeaning(result)) + ")");
  }
  Json::Value value;
  value["device"] = "headset";
  value[what] = "done";
  return CommandResult::Ok(value);
}

CommandResult Headset(Session& session, const std::vector<std::string>& words) {
  if (words.size() != 3) {
    return CommandResult::Usage(
        "usage: norvikctl headset eq PRESET | mic|monitor on|off|LEVEL | voice off|1..4");
  }
  const std::string& sub = words[1];
  const std::string& arg = words[2];
  std::optional<std::int64_t> number;
  std::optional<bool> on;
  if (sub == "eq") {
    number = ParseInteger(arg, 0, 13);
    if (!number) return CommandResult::Usage("PRESET must be 0 to 13");
  } else if (sub == "mic" || sub == "monitor") {
    on = ParseOnOff(arg);
    if (!on) number = ParseInteger(arg, 0, devices::kAudioLevelMax);
    if (!on && !number) return CommandResult::Usage(sub + " takes on, off or a level 0 to 100");
  } else if (sub == "voice") {
    if (arg == "off") {
      on = false;
    } else {
      number = ParseInteger(arg, 1, devices::kVoiceEffectCount);
      if (!number) return CommandResult::Usage("voice takes off or an effect 1 to 4");
    }
  } else {
    return CommandResult::Usage("unknown headset command \"" + sub +
                                "\" (eq, mic, monitor, voice)");
  }
  std::string error;
  DeviceDriver* driver = session.RequireDevice("headset", error);
  if (!driver) return CommandResult::Fail(error);
  auto& headset = static_cast<devices::HeadsetDriver&>(*driver);
  if (sub == "eq")
    return AudioOutcome(headset.ApplyEqPreset(static_cast<int>(*number)).result, "eq");
  if (sub == "mic") {
    return AudioOutcome(
        on ? headset.SetMicInOn(*on) : headset.SetMicInLevel(static_cast<int>(*number)), "mic");
  }
  if (sub == "monitor") {
    return AudioOutcome(
        on ? headset.SetMonitorOn(*on) : headset.SetMonitorLevel(static_cast<int>(*number)),
        "monitor");
  }
  if (on) return AudioOutcome(headset.SetVoiceEffectOn(false), "voice");
  const devices::AudioResult selected = headset.SelectVoiceEffect(static_cast<int>(*number));
  if (selected != devices::AudioResult::Done) return AudioOutcome(selected, "voice");
  return AudioOutcome(headset.SetVoiceEffectOn(true), "voice");
}

std::optional<DeviceSlot> SlotOfFirmwareKind(int kind) {
  switch (kind) {
    case 1:
      return DeviceSlot::Keyboard;
    case 2:
      return DeviceSlot::Mouse;
    case 3:
      return DeviceSlot::MousePad;
    default:
      return std::nullopt;
  }
}

std::string StatusText(int status) {
  switch (status) {
    case update::kStatusNewerAvailable:
      return "newer version available";
    case update::kStatusUpToDate:
      return "up to date";
    default:
      return "no answer";
  }
}

}  // namespace

CommandResult RunUpdateCheck(Session& session, const std::vector<std::string>& words) {
  std::string url(update::DefaultUpdateBaseUrl());
  if (words.size() < 2 || words[1] != "check")
    return CommandResult::Usage("usage: norvikctl update check [--url URL]");
  for (std::size_t i = 2; i < words.size(); ++i) {
    if (words[i] == "--url" && i + 1 < words.size()) {
      url = words[++i];
    } else {
      return CommandResult::Usage("usage: norvikctl update check [--url URL]");
    }
  }
  if (!update::IsValidUpdateBaseUrl(url)) {
    return CommandResult::Usage("the update address must be http:// or https:// and end in /api/");
  }
  std::vector<update::UpdateTarget> targets;
  for (update::UpdateTarget target : update::MakeUpdateProductTable()) {
    if (target.device_kind == 0) {
      target.version = update::ReadInstalledVersion();
      targets.push_back(target);
      continue;
    }
    const auto slot = SlotOfFirmwareKind(target.device_kind);
    if (!slot || !session.Devices().IsConnected(*slot)) continue;
    if (const auto version = session.FirmwareVersion(*slot)) target.version = *version;
    targets.push_back(target);
  }
  const auto rows = update::CheckForUpdates(url, targets);
  Json::Value value(Json::arrayValue);
  bool reached = false;
  for (const auto& row : rows) {
    Json::Value line;
    line["name"] = row.name;
    line["installed"] = row.installed;
    line["available"] = row.available.empty() ? "-" : row.available;
    line["status"] = StatusText(row.status);
    value.append(line);
    reached = reached || row.reachable;
  }
  if (!reached) return CommandResult::Fail("update service not reachable at " + url);
  return CommandResult::Ok(value);
}

CommandResult RunDeviceCommand(Session& session, const std::vector<std::string>& words) {
  const std::string& command = words[0];
  if (command == "list") {
    if (words.size() != 1) return CommandResult::Usage("usage: norvikctl list");
    return List(session);
  }
  if (command == "info") return Info(session, words);
  if (command == "status") return Status(session, words);
  if (command == "apply") return Apply(session, words);
  if (command == "settings") {
    const std::string* sub = Word(words, 1);
    if (sub && *sub == "show") return SettingsShow(session, words);
    if (sub && *sub == "set") return SettingsSet(session, words);
    return CommandResult::Usage("usage: norvikctl settings show|set DEVICE ...");
  }
  if (command == "dpi") return Dpi(session, words);
  if (command == "key") return Key(session, words);
  if (command == "headset") return Headset(session, words);
  return CommandResult::Usage("unknown command \"" + command + "\"");
}

// Used by profile select and reset: apply when the device is there.
CommandResult ApplyIfPresent(Session& session, devices::DeviceSlot slot, Json::Value value) {
  devices::DeviceSet& set = session.Devices();
  const std::string name(devices::DeviceSlotName(slot));
  if (!set.IsConnected(slot)) {
    value["applied"] = "no (device not connected)";
    return CommandResult::Ok(value);
  }
  std::string error;
  DeviceDriver* driver = session.RequireDevice(name, error);
  if (!driver) return CommandResult::Fail(error);
  CommandResult applied = ApplyTo(*driver, name);
  if (applied.exit != kExitOk) return applied;
  value["applied"] = applied.value;
  return CommandResult::Ok(value);
}

}  // namespace norvik::cli
