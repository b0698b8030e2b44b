// norvikctl commands on a device's profile and macro files (and the macro push).

#include <string>
#include <vector>

#include "cli/cli_handlers.h"
#include "profiles/macro_key_remap.h"
#include "profiles/macro_list.h"
#include "profiles/profile_list.h"
#include "profiles/user_files.h"

namespace norvik::cli {

namespace {

using devices::DeviceDriver;

std::string ProfileResultText(profiles::ProfileResult result) {
  switch (result) {
    case profiles::ProfileResult::Done:
      return "done";
    case profiles::ProfileResult::LimitReached:
      return "there are already 50 profiles";
    case profiles::ProfileResult::LastProfile:
      return "the last profile is never deleted";
    case profiles::ProfileResult::NotAProfile:
      return "the file is not a profile (no \"profilename\" and \"profileUUID\", or its "
             "\"Device\" section is of the wrong shape); nothing changed";
    case profiles::ProfileResult::WrongDevice:
      return "the file is another kind of device's profile; nothing changed";
    case profiles::ProfileResult::NoSource:
      return "the file to read is missing or unreadable";
    case profiles::ProfileResult::NoPath:
      return "no file name given";
    case profiles::ProfileResult::BadIndex:
      return "no profile with that number";
    case profiles::ProfileResult::WriteFailed:
      return "the profile files could not be written";
  }
  return "unknown";
}

Json::Value ProfileRows(const profiles::ProfileList& list) {
  Json::Value rows(Json::arrayValue);
  for (std::size_t i = 0; i < list.Entries().size(); ++i) {
    Json::Value row;
    row["index"] = static_cast<int>(i);
    row["name"] = list.Entries()[i].name;
    row["selected"] = static_cast<int>(i) == list.GetSelectedIndex();
    rows.append(row);
  }
  return rows;
}

// The device's profile list, loaded.
profiles::ProfileList LoadedList(Session& session, const Invocation& call) {
  DeviceDriver& driver = session.Devices().Driver(*call.slot);
  profiles::ProfileList list(driver.DataFolder(), driver.DefaultProfilePath());
  list.InitProfileList();
  return list;
}

// What a profile change prints: the list afterwards; applied to the device when asked.
CommandResult ProfileOutcome(Session& session, const Invocation& call,
                             const profiles::ProfileList& list, profiles::ProfileResult result,
                             bool apply) {
  if (result != profiles::ProfileResult::Done) {
    return CommandResult::Fail(call.args[0] + ": profile " + std::string(call.spec->sub) + ": " +
                               ProfileResultText(result));
  }
  Json::Value value;
  value["device"] = call.args[0];
  value["profiles"] = ProfileRows(list);
  if (!apply) return CommandResult::Ok(value);
  return ApplyIfPresent(session, *call.slot, value);
}

}  // namespace

CommandResult CmdProfileList(Session& session, const Invocation& call) {
  return CommandResult::Ok(ProfileRows(LoadedList(session, call)));
}

// Add, copy, delete and import change the selected profile: the device gets the new one, as a
// selection sends it.
CommandResult CmdProfileAdd(Session& session, const Invocation& call) {
  auto list = LoadedList(session, call);
  return ProfileOutcome(session, call, list, list.AddProfile(), true);
}

CommandResult CmdProfileCopy(Session& session, const Invocation& call) {
  auto list = LoadedList(session, call);
  return ProfileOutcome(session, call, list, list.CopyProfile(), true);
}

CommandResult CmdProfileDelete(Session& session, const Invocation& call) {
  auto list = LoadedList(session, call);
  return ProfileOutcome(session, call, list, list.DeleteProfile(), true);
}

CommandResult CmdProfileReset(Session& session, const Invocation& call) {
  auto list = LoadedList(session, call);
  return ProfileOutcome(session, call, list, list.ResetProfile(), true);
}

CommandResult CmdProfileSelect(Session& session, const Invocation& call) {
  auto list = LoadedList(session, call);
  const auto index = ParseInteger(call.args[1], 0, list.GetProfileCount() - 1);
  if (!index) {
    return CommandResult::Usage("N must be a profile number 0 to " +
                                std::to_string(list.GetProfileCount() - 1) + " (see profile list)");
  }
  return ProfileOutcome(session, call, list, list.SelectProfile(static_cast<int>(*index)), true);
}

CommandResult CmdProfileRename(Session& session, const Invocation& call) {
  auto list = LoadedList(session, call);
  const std::string& name = call.args[1];
  switch (list.RenameProfile(name)) {
    case profiles::RenameResult::Done:
      break;
    case profiles::RenameResult::NameUsed:
      return CommandResult::Fail("another profile is already named \"" + name + "\"");
    case profiles::RenameResult::NameBlank:
      return CommandResult::Usage("a profile name cannot be blank");
    case profiles::RenameResult::NameRefused:
      return CommandResult::Usage(
          "a profile name refused: " +
          std::string(profiles::NameCheckText(profiles::CheckName(profiles::ValidUtf8(name)))));
    case profiles::RenameResult::WriteFailed:
      return CommandResult::Fail("the profile files could not be written");
  }
  return ProfileOutcome(session, call, list, profiles::ProfileResult::Done, false);
}

CommandResult CmdProfileImport(Session& session, const Invocation& call) {
  auto list = LoadedList(session, call);
  const auto result = list.ImportProfile(profiles::PathFromUtf8(call.args[1]));
  return ProfileOutcome(session, call, list, result, true);
}

CommandResult CmdProfileExport(Session& session, const Invocation& call) {
  auto list = LoadedList(session, call);
  profiles::ExportResult written = profiles::ExportResult::Done;
  const auto result = list.ExportProfile(profiles::PathFromUtf8(call.args[1]), &written);
  if (result == profiles::ProfileResult::WriteFailed) {
    return CommandResult::Fail(call.args[0] + ": profile export to " + call.args[1] +
                               " refused: " + std::string(profiles::ExportResultText(written)));
  }
  return ProfileOutcome(session, call, list, result, false);
}

// --- macros ---

namespace {

Json::Value MacroRows(const profiles::MacroList& macros) {
  Json::Value rows(Json::arrayValue);
  const auto names = macros.GetMacroNames();
  for (std::size_t i = 0; i < names.size(); ++i) {
    Json::Value row;
    row["index"] = static_cast<int>(i);
    row["name"] = names[i];
    rows.append(row);
  }
  return rows;
}

profiles::MacroList LoadedMacros(Session& session, const Invocation& call) {
  profiles::MacroList macros(session.Devices().Driver(*call.slot).DataFolder());
  macros.LoadMacroList();
  return macros;
}

// Selects macro N (args[1]); false with the reason when there is no such macro.
bool SelectMacro(profiles::MacroList& macros, const std::string& word, std::string& error) {
  const auto index = macros.Count() > 0 ? ParseInteger(word, 0, macros.Count() - 1) : std::nullopt;
  if (!index) {
    error = macros.Count() == 0
                ? "there are no macros"
                : "N must be a macro number 0 to " + std::to_string(macros.Count() - 1);
    return false;
  }
  macros.SelectMacro(static_cast<int>(*index));
  return true;
}

CommandResult MacroOutcome(const Invocation& call, const profiles::MacroList& macros) {
  Json::Value value;
  value["device"] = call.args[0];
  value["macros"] = MacroRows(macros);
  return CommandResult::Ok(value);
}

}  // namespace

CommandResult CmdMacroList(Session& session, const Invocation& call) {
  return CommandResult::Ok(MacroRows(LoadedMacros(session, call)));
}

CommandResult CmdMacroNew(Session& session, const Invocation& call) {
  auto macros = LoadedMacros(session, call);
  if (!macros.NewMacro()) {
    return CommandResult::Fail(
        "no macro added: there are already 50 or macro.config cannot be written");
  }
  return MacroOutcome(call, macros);
}

CommandResult CmdMacroPush(Session& session, const Invocation& call) {
  std::string error;
  DeviceDriver* device = session.RequireDevice(call.args[0], error);
  if (!device) return CommandResult::Fail(error);
  const devices::MacroPushResult pushed = device->WriteMacroTable();
  if (!pushed.Ok()) return CommandResult::Fail(PushFailureReason(call.args[0], "macro", pushed));
  Json::Value value;
  value["device"] = call.args[0];
  value["macros"] = pushed.status == devices::MacroPushStatus::Sent ? "sent" : "nothing to send";
  return CommandResult::Ok(value);
}

CommandResult CmdMacroRename(Session& session, const Invocation& call) {
  auto macros = LoadedMacros(session, call);
  std::string error;
  if (!SelectMacro(macros, call.args[1], error)) return CommandResult::Usage(error);
  const std::string& name = call.args[2];
  switch (macros.RenameMacro(name).status) {
    case profiles::MacroRenameStatus::Done:
      return MacroOutcome(call, macros);
    case profiles::MacroRenameStatus::Blank:
      return CommandResult::Usage("a macro name cannot be blank");
    case profiles::MacroRenameStatus::NameUsed:
      return CommandResult::Fail("a macro is already named \"" + name + "\"");
    case profiles::MacroRenameStatus::Refused:
      return CommandResult::Usage(
          "a macro name refused: " +
          std::string(profiles::NameCheckText(profiles::CheckName(profiles::ValidUtf8(name)))));
    case profiles::MacroRenameStatus::NoSelection:
    case profiles::MacroRenameStatus::WriteFailed:
      break;
  }
  return CommandResult::Fail("macro.config could not be written");
}

CommandResult CmdMacroDelete(Session& session, const Invocation& call) {
  auto macros = LoadedMacros(session, call);
  std::string error;
  if (!SelectMacro(macros, call.args[1], error)) return CommandResult::Usage(error);
  DeviceDriver& driver = session.Devices().Driver(*call.slot);
  profiles::ProfileList list(driver.DataFolder(), driver.DefaultProfilePath());
  list.InitProfileList();
  const auto outcome = profiles::DeleteMacroAndRemapKeys(macros, list.ProfilePaths());
  if (outcome.deleted_index < 0) return CommandResult::Fail("macro.config could not be written");
  if (outcome.profiles_failed > 0) {
    return CommandResult::Fail("macro deleted, but " + std::to_string(outcome.profiles_failed) +
                               " profile file(s) could not be rewritten: their keys on later "
                               "macros now play the wrong ones");
  }
  CommandResult result = MacroOutcome(call, macros);
  result.value["profiles_changed"] = outcome.profiles_rewritten;
  return result;
}

CommandResult CmdMacroImport(Session& session, const Invocation& call) {
  auto macros = LoadedMacros(session, call);
  std::string refused;
  if (!macros.ImportMacro(profiles::PathFromUtf8(call.args[1]), &refused)) {
    return CommandResult::Fail("no macro imported from " + call.args[1] + ": " + refused +
                               "; nothing changed");
  }
  return MacroOutcome(call, macros);
}

CommandResult CmdMacroExport(Session& session, const Invocation& call) {
  auto macros = LoadedMacros(session, call);
  std::string error;
  if (!SelectMacro(macros, call.args[1], error)) return CommandResult::Usage(error);
  if (const auto exported = macros.ExportMacro(profiles::PathFromUtf8(call.args[2])); !exported) {
    return CommandResult::Fail("macro " + call.args[1] + " could not be exported to " +
                               call.args[2] + ": " + exported.reason);
  }
  return MacroOutcome(call, macros);
}

}  // namespace norvik::cli
