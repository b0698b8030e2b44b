// norvikctl commands that talk to a device: list, info, status, apply, and the headset's audio.

#include <cstdio>
#include <string>
#include <vector>

#include "cli/cli_handlers.h"
#include "cli/cli_output.h"
#include "devices/access_fix.h"
#include "hid/collection_splitter.h"
#include "devices/headset_driver.h"
#include "profiles/folder_lock.h"
#include "profiles/profile_list.h"

namespace norvik::cli {

namespace {

using devices::DeviceDriver;
using devices::DeviceSlot;
using hid::DeviceResult;

std::string VersionText(int value) {
  char text[16];
  std::snprintf(text, sizeof text, "V%04x", static_cast<unsigned>(value) & 0xFFFFu);
  return text;
}

std::string UsbIdText(const hid::HidAttributes& attributes) {
  char text[16];
  std::snprintf(text, sizeof text, "%04x:%04x", attributes.vendor_id, attributes.product_id);
  return text;
}

std::string LinkName(DeviceDriver& driver) {
  if (!driver.IsOpen()) return "closed";
  return driver.Io().IsWireless() ? "receiver" : "direct";
}

// The battery of a device that reports one (the mouse and the mouse pad), read now: "85%",
// with " charging" or " charged" after it; null for devices without a status block or when the
// read fails. The one place "list" and "demo" take it from.
Json::Value ReportedPower(DeviceDriver& driver) {
  switch (driver.Kind()) {
    case hid::DeviceKind::MouseCable:
    case hid::DeviceKind::MouseReceiver:
    case hid::DeviceKind::MousePad:
      break;
    default:
      return Json::Value();
  }
  if (driver.ReadStatus() != DeviceResult::Success) return Json::Value();
  const auto status = driver.LastPowerStatus();
  if (!status) return Json::Value();
  std::string text = std::to_string(status->battery_level) + "%";
  if (status->charge_state == devices::kChargeCharging) text += " charging";
  if (status->charge_state == devices::kChargeCharged) text += " charged";
  return text;
}

std::string Cell(const Json::Value& value) {
  if (value.isNull()) return "-";
  if (value.isBool()) return value.asBool() ? "yes" : "no";
  if (value.isConvertibleTo(Json::stringValue)) return EscapeControl(value.asString());
  return RenderText(value).substr(0, RenderText(value).find('\n'));
}

DeviceDriver* Started(Session& session, const Invocation& call, std::string& error) {
  return session.RequireDevice(call.args[0], error);
}

}  // namespace

// --- list ---

Json::Value DeviceRows(Session& session) {
  devices::DeviceSet& set = session.Devices();
  Json::Value rows(Json::arrayValue);
  for (const DeviceSlot slot : devices::kAllDeviceSlots) {
    if (!set.IsConnected(slot)) continue;
    DeviceDriver& driver = set.Driver(slot);
    const auto attributes = session.Attributes(slot);
    Json::Value row;
    row["device"] = std::string(devices::DeviceSlotName(slot));
    row["usb_id"] = attributes ? Json::Value(UsbIdText(*attributes)) : Json::Value();
    row["link"] = LinkName(driver);
    row["reachable"] = set.CheckLink(slot);
    row["firmware"] = attributes ? Json::Value(VersionText(attributes->version)) : Json::Value();
    row["power"] = ReportedPower(driver);
    rows.append(row);
  }
  return rows;
}

std::string DeviceTable(const Json::Value& rows) {
  if (rows.empty()) return "no devices\n";
  static constexpr const char* kColumns[] = {"device",    "usb_id",   "link",
                                             "reachable", "firmware", "power"};
  static constexpr const char* kHeads[] = {"DEVICE",    "USB ID",   "LINK",
                                           "REACHABLE", "FIRMWARE", "POWER"};
  std::vector<std::vector<std::string>> cells(1);
  for (const char* head : kHeads) cells[0].emplace_back(head);
  for (const Json::Value& row : rows) {
    cells.emplace_back();
    for (const char* column : kColumns) cells.back().push_back(Cell(row[column]));
  }
  std::vector<std::size_t> widths(std::size(kColumns), 0);
  for (const auto& line : cells) {
    for (std::size_t i = 0; i < line.size(); ++i) widths[i] = std::max(widths[i], line[i].size());
  }
  std::string text;
  for (const auto& line : cells) {
    std::string out;
    for (std::size_t i = 0; i < line.size(); ++i) {
      out += line[i];
      if (i + 1 < line.size()) out += std::string(widths[i] - line[i].size() + 2, ' ');
    }
    text += out + "\n";
  }
  return text;
}

// Supported devices plugged in whose node this user may not open: listed, and the command
// fails with the way to fix it.
CommandResult CmdList(Session& session, const Invocation& /*call*/) {
  CommandResult result = CommandResult::Ok(DeviceRows(session));
  const auto denied = session.Watcher().DeniedDevices();
  result.text = result.value.empty() && !denied.empty() ? "" : DeviceTable(result.value);
  if (denied.empty()) return result;
  std::string names;
  for (const devices::DeniedDevice& device : denied) {
    const auto slot = devices::DeviceSlotOfKind(device.kind);
    const std::string name = slot ? std::string(devices::DeviceSlotName(*slot)) : "device";
    const std::string usb_id = UsbIdText({device.vendor_id, device.product_id, 0});
    Json::Value row;
    row["device"] = name;
    row["usb_id"] = usb_id;
    row["access"] = "denied";
    row["path"] = hid::NodeOfCollectionPath(device.path).value_or(device.path);
    result.value.append(row);
    // The node (/dev/hidrawN) rather than the collection path the watcher tried.
    const std::string node = hid::NodeOfCollectionPath(device.path).value_or(device.path);
    result.text += name + "  " + usb_id + "  access: denied  " + EscapeControl(node) + "\n";
    names += (names.empty() ? "" : ", ") + name;
  }
  const std::string command = devices::AccessFixCommand(
      devices::UdevRuleFolders(), devices::ShippedUdevRule(session.ProgramFolder()));
  result.exit = kExitFailed;
  result.error = names + ": plugged in, but this user may not open it; to fix it, run: " + command;
  return result;
}

// --- info, status ---

CommandResult CmdInfo(Session& session, const Invocation& call) {
  std::string error;
  DeviceDriver* driver = Started(session, call, error);
  if (!driver) return CommandResult::Fail(error);
  const DeviceSlot slot = *call.slot;
  Json::Value value;
  value["device"] = call.args[0];
  value["link"] = LinkName(*driver);
  if (const auto row = driver->BoundRow()) {
    value["path"] = row->path;
    value["kind"] = static_cast<int>(row->row.device_kind);
  }
  const auto attributes = session.Attributes(slot);
  value["usb_id"] = attributes ? Json::Value(UsbIdText(*attributes)) : Json::Value();
  value["firmware"] = attributes ? Json::Value(VersionText(attributes->version)) : Json::Value();
  if (slot != DeviceSlot::Headset) {
    const hid::DeviceInfo info = driver->DeviceInformation();
    value["info"] = HexBytes(info.block.data(), info.block.size());
    value["key_slots"] = info.KeySlotCount();
  }
  if (slot == DeviceSlot::Mouse) {
    const ScreenChoice& screen = session.Screen();
    value["screen"] = std::to_string(screen.size.width) + "x" + std::to_string(screen.size.height);
    value["screen_source"] = screen.source;
  }
  profiles::ProfileList list(driver->DataFolder(), driver->DefaultProfilePath());
  list.InitProfileList();
  const int selected = list.GetSelectedIndex();
  value["profile"] = Json::Value();
  if (selected >= 0 && selected < list.GetProfileCount()) {
    value["profile"] = list.Entries()[static_cast<std::size_t>(selected)].name;
  }
  value["data_folder"] = driver->DataFolder().string();
  return CommandResult::Ok(value);
}

CommandResult CmdStatus(Session& session, const Invocation& call) {
  std::string error;
  DeviceDriver* driver = Started(session, call, error);
  if (!driver) return CommandResult::Fail(error);
  const DeviceResult result = driver->ReadStatus();
  if (result != DeviceResult::Success) return DeviceFailure(call.args[0] + ": status read", result);
  const auto status = driver->LastPowerStatus();
  if (!status) return CommandResult::Fail(call.args[0] + ": status read gave no block");
  Json::Value value;
  value["device"] = call.args[0];
  value["battery"] = status->battery_level;
  value["charge_state"] = status->charge_state;
  value["radio"] = status->wireless ? 1 : 0;
  value["power"] = status->power_value;
  value["phone"] = status->phone_type;
  return CommandResult::Ok(value);
}

// --- apply ---

namespace {

Json::Value MacroPushValue(const devices::MacroPushResult& pushed) {
  Json::Value value(Json::objectValue);
  value["code"] = pushed.Code();
  switch (pushed.status) {
    case devices::MacroPushStatus::Sent:
      value["message"] = "sent";
      break;
    case devices::MacroPushStatus::NothingToSend:
      value["message"] = "nothing to send";
      break;
    case devices::MacroPushStatus::OutOfMemory:
      value["message"] = "out of memory";
      break;
    case devices::MacroPushStatus::TooLarge:
      value["message"] =
          "too large for the device by " + std::to_string(pushed.units_over) + " units";
      break;
    default:
      value["message"] = "failed: " + ResultText(pushed.transfer);
      break;
  }
  return value;
}

Json::Value ApplyValue(const devices::ApplyResult& applied) {
  Json::Value value;
  value["profile_loaded"] = applied.profile_loaded;
  value["settings"] = ResultValue(applied.settings);
  if (applied.macros) value["macros"] = MacroPushValue(*applied.macros);
  if (applied.key_map) value["key_map"] = ResultValue(*applied.key_map);
  if (applied.shoot) value["shoot"] = ResultValue(*applied.shoot);
  return value;
}

}  // namespace

std::string PushFailureReason(const std::string& device, std::string_view what,
                              const devices::MacroPushResult& pushed) {
  const std::string head = device + ": " + std::string(what) + " upload ";
  switch (pushed.status) {
    case devices::MacroPushStatus::TooLarge:
      return head + "refused: too large for the device by " + std::to_string(pushed.units_over) +
             " units";
    case devices::MacroPushStatus::OutOfMemory:
      return head + "failed: out of memory";
    case devices::MacroPushStatus::NeedsCable:
      return head + "refused: " + std::string(pushed.Meaning());
    default:
      break;
  }
  return head + "failed: " + ResultText(pushed.transfer);
}

CommandResult ApplyTo(DeviceDriver& driver, const std::string& name) {
  const devices::ApplyResult applied = driver.ApplyProfile();
  Json::Value value = ApplyValue(applied);
  value["device"] = name;
  if (applied.Ok()) return CommandResult::Ok(value);
  if (!applied.profile_loaded) return CommandResult::Fail(name + ": no profile could be loaded");
  std::string reason = name + ": profile not fully applied:";
  for (const char* step : {"settings", "macros", "key_map", "shoot"}) {
    if (!value.isMember(step)) continue;
    const Json::Value& done = value[step];
    reason += " " + std::string(step) + " " + std::to_string(done["code"].asInt()) + " (" +
              done["message"].asString() + ");";
  }
  return CommandResult::Fail(reason);
}

CommandResult CmdApply(Session& session, const Invocation& call) {
  std::string error;
  DeviceDriver* driver = Started(session, call, error);
  if (!driver) return CommandResult::Fail(error);
  return ApplyTo(*driver, call.args[0]);
}

CommandResult ApplyIfPresent(Session& session, DeviceSlot slot, Json::Value value) {
  devices::DeviceSet& set = session.Devices();
  const std::string name(devices::DeviceSlotName(slot));
  if (!set.IsConnected(slot)) {
    // Not there: nothing was applied; it gets the profile when it next arrives.
    value["applied"] = Json::Value();
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

// --- headset ---

namespace {

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

// The started headset with its folder locked and its profile read afresh under the lock, so a
// change of another program in between is neither lost nor overwritten.
devices::HeadsetDriver* Headset(Session& session, std::optional<profiles::FolderLock>& lock,
                                std::string& error) {
  DeviceDriver* driver = session.RequireDevice("headset", error);
  if (driver == nullptr) return nullptr;
  lock.emplace(driver->DataFolder());
  driver->LoadProfile();
  return static_cast<devices::HeadsetDriver*>(driver);
}

// mic and monitor: on, off or a level.
CommandResult OnOffOrLevel(Session& session, const Invocation& call, bool monitor) {
  const std::string what(call.spec->sub);
  const auto on = ParseOnOff(call.args[0]);
  const auto level = on ? std::nullopt : ParseInteger(call.args[0], 0, devices::kAudioLevelMax);
  if (!on && !level) return CommandResult::Usage(what + " takes on, off or a level 0 to 100");
  std::string error;
  std::optional<profiles::FolderLock> lock;
  devices::HeadsetDriver* headset = Headset(session, lock, error);
  if (!headset) return CommandResult::Fail(error);
  if (monitor) {
    return AudioOutcome(
        on ? headset->SetMonitorOn(*on) : headset->SetMonitorLevel(static_cast<int>(*level)), what);
  }
  return AudioOutcome(
      on ? headset->SetMicInOn(*on) : headset->SetMicInLevel(static_cast<int>(*level)), what);
}

}  // namespace

CommandResult CmdHeadsetEq(Session& session, const Invocation& call) {
  const auto preset = ParseInteger(call.args[0], 0, 13);
  if (!preset) return CommandResult::Usage("PRESET must be 0 to 13");
  std::string error;
  std::optional<profiles::FolderLock> lock;
  devices::HeadsetDriver* headset = Headset(session, lock, error);
  if (!headset) return CommandResult::Fail(error);
  return AudioOutcome(headset->ApplyEqPreset(static_cast<int>(*preset)).result, "eq");
}

CommandResult CmdHeadsetMic(Session& session, const Invocation& call) {
  return OnOffOrLevel(session, call, /*monitor=*/false);
}

CommandResult CmdHeadsetMonitor(Session& session, const Invocation& call) {
  return OnOffOrLevel(session, call, /*monitor=*/true);
}

CommandResult CmdHeadsetVoice(Session& session, const Invocation& call) {
  const bool off = call.args[0] == "off";
  const auto effect =
      off ? std::nullopt : ParseInteger(call.args[0], 1, devices::kVoiceEffectCount);
  if (!off && !effect) return CommandResult::Usage("voice takes off or an effect 1 to 4");
  std::string error;
  std::optional<profiles::FolderLock> lock;
  devices::HeadsetDriver* headset = Headset(session, lock, error);
  if (!headset) return CommandResult::Fail(error);
  if (off) return AudioOutcome(headset->SetVoiceEffectOn(false), "voice");
  const devices::AudioResult selected = headset->SelectVoiceEffect(static_cast<int>(*effect));
  if (selected != devices::AudioResult::Done) return AudioOutcome(selected, "voice");
  return AudioOutcome(headset->SetVoiceEffectOn(true), "voice");
}

}  // namespace norvik::cli
