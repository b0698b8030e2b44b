// norvikctl key commands: the key assignments of the selected profile, stored and sent with the
// key map as the key panel does. Assignments are shown and taken in words (cli_key_grammar.h)
// or as their 24-bit values.

#include <cctype>
#include <cstdio>
#include <string>

#include "cli/cli_handlers.h"
#include "cli/cli_key_grammar.h"
#include "profiles/folder_lock.h"
#include "profiles/macro_list.h"

namespace norvik::cli {

namespace {

using devices::DeviceDriver;
using hid::DeviceResult;

std::string Hex6(std::uint32_t value) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%06x", value & 0xFFFFFFu);
  return text;
}

// The device's number of macros: macro assignments name a macro by its index.
int MacroCount(const DeviceDriver& driver) {
  profiles::MacroList macros(driver.DataFolder());
  macros.LoadMacroList();
  return macros.Count();
}

Json::Value KeyValue(const profiles::KeyEntry& entry, int macro_count) {
  Json::Value value;
  value["key"] = entry.index;
  value["assignment"] = Hex6(profiles::PackAssignment(entry.assignment));
  value["default"] = Hex6(profiles::PackAssignment(entry.defaultAssignment));
  value["function"] = DescribeAssignment(entry.assignment, macro_count);
  value["default_function"] = DescribeAssignment(entry.defaultAssignment, macro_count);
  return value;
}

std::optional<std::size_t> KeyId(const std::string& word, std::size_t count, std::string& error) {
  const auto id =
      count > 0 ? ParseInteger(word, 0, static_cast<std::int64_t>(count) - 1) : std::nullopt;
  if (!id) {
    error = count > 0 ? "KEYID must be 0 to " + std::to_string(count - 1) : "there are no keys";
    return std::nullopt;
  }
  return static_cast<std::size_t>(*id);
}

// What a key is set to: a 24-bit value, words read into the key page's form (built against the
// key's stored and default assignment, as the page builds it), or neither: the key's default.
struct NewAssignment {
  std::optional<profiles::KeyAssignment> value;
  std::optional<profiles::KeyAssignmentForm> form;

  profiles::KeyAssignment For(const profiles::KeyEntry& entry) const {
    if (value) return *value;
    if (form) return profiles::BuildAssignment(*form, entry.assignment, entry.defaultAssignment);
    return entry.defaultAssignment;
  }
};

// key set and key default: one assignment changed, saved, and the key map sent.
CommandResult ChangeKey(Session& session, const Invocation& call, const NewAssignment& change) {
  const std::string& name = call.args[0];
  std::string error;
  DeviceDriver* driver = session.RequireDevice(name, error);
  if (!driver) return CommandResult::Fail(error);
  profiles::CBasicProfiledata* profile = driver->Profile();
  // Read, changed and saved under the folder's lock: no other program's change is lost.
  const profiles::FolderLock lock(driver->DataFolder());
  if (profile == nullptr || !driver->LoadProfile()) {
    return CommandResult::Fail(name + ": no profile could be loaded");
  }
  auto keys = profile->GetKeyList();
  const auto id = KeyId(call.args[1], keys.size(), error);
  if (!id) return CommandResult::Usage(error);
  profiles::KeyEntry& entry = keys[*id];
  entry.assignment = change.For(entry);
  profile->SetKeyList(keys);
  if (!profile->Save()) {
    return CommandResult::Fail(name + ": the profile file could not be written");
  }
  const DeviceResult pushed = driver->PushKeyMap(0);
  if (pushed != DeviceResult::Success) return DeviceFailure(name + ": key stored; key map", pushed);
  Json::Value value = KeyValue(entry, MacroCount(*driver));
  value["device"] = name;
  value["key_map"] = ResultValue(pushed);
  // Where the key sits in the device's key map.
  const std::uint8_t key_slot = driver->KeyPosition(static_cast<int>(*id));
  value["slot"] = key_slot != devices::kNoPosition ? Json::Value(key_slot) : Json::Value();
  return CommandResult::Ok(value);
}

}  // namespace

CommandResult CmdKeyShow(Session& session, const Invocation& call) {
  DeviceDriver& driver = session.Devices().Driver(*call.slot);
  if (!driver.LoadProfile() || driver.Profile() == nullptr) {
    return CommandResult::Fail(call.args[0] + ": no profile could be loaded");
  }
  const auto keys = driver.Profile()->GetKeyList();
  const int macro_count = MacroCount(driver);
  if (call.args.size() == 2) {
    std::string error;
    const auto id = KeyId(call.args[1], keys.size(), error);
    if (!id) return CommandResult::Usage(error);
    return CommandResult::Ok(KeyValue(keys[*id], macro_count));
  }
  Json::Value rows(Json::arrayValue);
  for (const auto& entry : keys) rows.append(KeyValue(entry, macro_count));
  return CommandResult::Ok(rows);
}

CommandResult CmdKeySet(Session& session, const Invocation& call) {
  const std::string& text = call.args[2];
  NewAssignment change;
  if (!text.empty() && std::isdigit(static_cast<unsigned char>(text[0])) != 0) {
    const auto packed = ParseInteger(text, 0, 0xFFFFFF);
    if (!packed) return CommandResult::Usage("VALUE must be a 24-bit number (decimal or 0x-hex)");
    change.value = profiles::UnpackAssignment(*packed);
  } else {
    std::string error;
    const int macro_count = MacroCount(session.Devices().Driver(*call.slot));
    change.form = ParseAssignmentWords(text, macro_count, error);
    if (!change.form) return CommandResult::Usage("VALUE: " + error);
  }
  return ChangeKey(session, call, change);
}

CommandResult CmdKeyDefault(Session& session, const Invocation& call) {
  return ChangeKey(session, call, NewAssignment{});
}

CommandResult CmdKeyPush(Session& session, const Invocation& call) {
  std::string error;
  DeviceDriver* driver = session.RequireDevice(call.args[0], error);
  if (!driver) return CommandResult::Fail(error);
  const DeviceResult pushed = driver->PushKeyMap(0);
  if (pushed != DeviceResult::Success) return DeviceFailure(call.args[0] + ": key map", pushed);
  Json::Value value;
  value["device"] = call.args[0];
  value["key_map"] = ResultValue(pushed);
  return CommandResult::Ok(value);
}

}  // namespace norvik::cli
