// norvikctl commands on a device's files: profiles, macros and shoot patterns (and their
// pushes to the device).

#include <string>
#include <vector>

#include "cli/cli_session.h"
#include "devices/mouse_driver.h"
#include "profiles/macro_key_remap.h"
#include "profiles/macro_list.h"
#include "profiles/profile_list.h"
#include "profiles/shoot_files.h"
#include "profiles/user_files.h"

namespace norvik::cli {

namespace {

using devices::DeviceDriver;
using devices::DeviceSlot;

inline constexpr int kShootGunCount = 4;
inline constexpr int kShootBulletCount = 30;

std::string ProfileResultText(profiles::ProfileResult result) {
  switch (result) {
    case profiles::ProfileResult::Done:
      return "done";
    case profiles::ProfileResult::LimitReached:
      return "there are already 50 profiles";
    case profiles::ProfileResult::LastProfile:
      return "the last profile is never deleted";
    case profiles::ProfileResult::NotAProfile:
      return "the file is not a profile (no \"profilename\" and \"profileUUID\")";
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

CommandResult Profile(Session& session, const std::vector<std::string>& words) {
  if (words.size() < 3) {
    return CommandResult::Usage(
        "usage: norvikctl profile list|add|copy|delete|reset|select|rename|import|export DEVICE "
        "...");
  }
  const std::string& sub = words[1];
  std::string error;
  const auto slot = session.SlotOf(words[2], error);
  if (!slot) return CommandResult::Usage(error);
  DeviceDriver& driver = session.Devices().Driver(*slot);
  profiles::ProfileList list(driver.DataFolder(), driver.DefaultProfilePath());
  list.InitProfileList();

  const bool takes_argument =
      sub == "select" || sub == "rename" || sub == "import" || sub == "export";
  if (words.size() != (takes_argument ? 4u : 3u)) {
    return CommandResult::Usage("usage: norvikctl profile " + sub + " DEVICE" +
                                (takes_argument ? " ARGUMENT" : ""));
  }
  profiles::ProfileResult result = profiles::ProfileResult::Done;
  bool apply = false;
  if (sub == "list") {
    return CommandResult::Ok(ProfileRows(list));
  } else if (sub == "add") {
    result = list.AddProfile();
  } else if (sub == "copy") {
    result = list.CopyProfile();
  } else if (sub == "delete") {
    result = list.DeleteProfile();
  } else if (sub == "reset") {
    result = list.ResetProfile();
    apply = true;
  } else if (sub == "select") {
    const auto index = ParseInteger(words[3], 0, list.GetProfileCount() - 1);
    if (!index) {
      return CommandResult::Usage("N must be a profile number 0 to " +
                                  std::to_string(list.GetProfileCount() - 1) +
                                  " (see profile list)");
    }
    result = list.SelectProfile(static_cast<int>(*index));
    apply = true;
  } else if (sub == "rename") {
    switch (list.RenameProfile(words[3])) {
      case profiles::RenameResult::Done:
        break;
      case profiles::RenameResult::NameUsed:
        return CommandResult::Fail("another profile is already named \"" + words[3] + "\"");
      case profiles::RenameResult::NameBlank:
        return CommandResult::Usage("a profile name cannot be blank");
      case profiles::RenameResult::WriteFailed:
        return CommandResult::Fail("the profile files could not be written");
    }
  } else if (sub == "import") {
    result = list.ImportProfile(profiles::PathFromUtf8(words[3]));
  } else if (sub == "export") {
    result = list.ExportProfile(profiles::PathFromUtf8(words[3]));
  } else {
    return CommandResult::Usage("unknown profile command \"" + sub + "\"");
  }
  if (result != profiles::ProfileResult::Done) {
    return CommandResult::Fail(words[2] + ": profile " + sub + ": " + ProfileResultText(result));
  }
  Json::Value value;
  value["device"] = words[2];
  value["profiles"] = ProfileRows(list);
  if (!apply) return CommandResult::Ok(value);
  return ApplyIfPresent(session, *slot, value);
}

// --- macros ---

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

CommandResult Macro(Session& session, const std::vector<std::string>& words) {
  if (words.size() < 3) {
    return CommandResult::Usage(
        "usage: norvikctl macro list|new|push|rename|delete|import|export DEVICE ...");
  }
  const std::string& sub = words[1];
  std::string error;
  const auto slot = session.SlotOf(words[2], error);
  if (!slot) return CommandResult::Usage(error);
  if (*slot == DeviceSlot::MousePad || *slot == DeviceSlot::Headset) {
    return CommandResult::Usage(words[2] + " has no macros");
  }
  std::size_t expected = 3;
  if (sub == "rename" || sub == "export") expected = 5;
  if (sub == "delete" || sub == "import") expected = 4;
  if (words.size() != expected) {
    const char* form = sub == "rename"   ? " N NAME"
                       : sub == "export" ? " N FILE"
                       : sub == "delete" ? " N"
                       : sub == "import" ? " FILE"
                                         : "";
    return CommandResult::Usage("usage: norvikctl macro " + sub + " DEVICE" + form);
  }
  DeviceDriver& driver = session.Devices().Driver(*slot);

  if (sub == "push") {
    DeviceDriver* device = session.RequireDevice(words[2], error);
    if (!device) return CommandResult::Fail(error);
    const devices::MacroPushResult pushed = device->WriteMacroTable();
    if (!pushed.Ok()) {
      if (pushed.status == devices::MacroPushStatus::TooLarge) {
        return CommandResult::Fail(words[2] + ": the macros are too large for the device by " +
                                   std::to_string(pushed.units_over) + " units");
      }
      return CommandResult::Fail(words[2] +
                                 ": macro upload failed: " + ResultText(pushed.transfer));
    }
    Json::Value value;
    value["device"] = words[2];
    value["macros"] = pushed.status == devices::MacroPushStatus::Sent ? "sent" : "nothing to send";
    return CommandResult::Ok(value);
  }

  profiles::MacroList macros(driver.DataFolder());
  macros.LoadMacroList();
  std::optional<int> index;
  if (sub == "rename" || sub == "delete" || sub == "export") {
    index = macros.Count() > 0 ? ParseInteger(words[3], 0, macros.Count() - 1) : std::nullopt;
    if (!index) {
      return CommandResult::Usage(macros.Count() == 0 ? "there are no macros"
                                                      : "N must be a macro number 0 to " +
                                                            std::to_string(macros.Count() - 1));
    }
    macros.SelectMacro(*index);
  }
  if (sub == "list") return CommandResult::Ok(MacroRows(macros));
  if (sub == "new") {
    if (!macros.NewMacro()) {
      return CommandResult::Fail(
          "no macro added: there are already 50 or macro.config cannot be written");
    }
  } else if (sub == "rename") {
    const auto renamed = macros.RenameMacro(words[4]);
    switch (renamed.status) {
      case profiles::MacroRenameStatus::Done:
        break;
      case profiles::MacroRenameStatus::Blank:
        return CommandResult::Usage("a macro name cannot be blank");
      case profiles::MacroRenameStatus::NameUsed:
        return CommandResult::Fail("a macro is already named \"" + words[4] + "\"");
      case profiles::MacroRenameStatus::NoSelection:
      case profiles::MacroRenameStatus::WriteFailed:
        return CommandResult::Fail("macro.config could not be written");
    }
  } else if (sub == "delete") {
    const int deleted = macros.DeleteMacro();
    if (deleted < 0) return CommandResult::Fail("macro.config could not be written");
    // Keys that played the deleted macro fall back to their defaults, later macros move down.
    profiles::ProfileList list(driver.DataFolder(), driver.DefaultProfilePath());
    list.InitProfileList();
    const auto files = list.ProfilePaths();
    profiles::RemapKeysInProfileFiles(files, deleted);
  } else if (sub == "import") {
    if (!macros.ImportMacro(profiles::PathFromUtf8(words[3]))) {
      return CommandResult::Fail("no macro imported: " + words[3] +
                                 " cannot be read, or there are already 50 macros");
    }
  } else if (sub == "export") {
    if (!macros.ExportMacro(profiles::PathFromUtf8(words[4]))) {
      return CommandResult::Fail("macro " + words[3] + " could not be exported to " + words[4]);
    }
  } else {
    return CommandResult::Usage("unknown macro command \"" + sub + "\"");
  }
  Json::Value value;
  value["device"] = words[2];
  value["macros"] = MacroRows(macros);
  return CommandResult::Ok(value);
}

// --- shoot patterns ---

Json::Value BulletValue(int gun, int bullet, const profiles::ShootBullet& value) {
  Json::Value out;
  out["gun"] = gun;
  out["bullet"] = bullet;
  out["x"] = static_cast<Json::Int64>(value.x);
  out["x_direction"] = value.x_left ? "left" : "right";
  out["y"] = static_cast<Json::Int64>(value.y);
  out["y_direction"] = value.y_up ? "up" : "down";
  out["delay"] = static_cast<Json::Int64>(value.delay);
  return out;
}

CommandResult Shoot(Session& session, const std::vector<std::string>& words) {
  if (words.size() < 3) {
    return CommandResult::Usage(
        "usage: norvikctl shoot show|set|reset|import|export|push mouse ...");
  }
  const std::string& sub = words[1];
  if (words[2] != "mouse") return CommandResult::Usage("shoot patterns belong to the mouse");
  std::string error;
  DeviceDriver& driver = session.Devices().Driver(DeviceSlot::Mouse);

  if (sub == "push") {
    if (words.size() != 3) return CommandResult::Usage("usage: norvikctl shoot push mouse");
    DeviceDriver* device = session.RequireDevice("mouse", error);
    if (!device) return CommandResult::Fail(error);
    const devices::MacroPushResult pushed =
        static_cast<devices::MouseDriver&>(*device).WriteShootTable();
    if (!pushed.Ok()) {
      if (pushed.status == devices::MacroPushStatus::TooLarge) {
        return CommandResult::Fail("mouse: the shoot patterns are too large for the device by " +
                                   std::to_string(pushed.units_over) + " units");
      }
      return CommandResult::Fail("mouse: shoot upload failed: " + ResultText(pushed.transfer));
    }
    Json::Value value;
    value["device"] = "mouse";
    value["shoot"] = "sent";
    return CommandResult::Ok(value);
  }

  if (words.size() < 4)
    return CommandResult::Usage("usage: norvikctl shoot " + sub + " mouse GUN ...");
  const auto gun = ParseInteger(words[3], 0, kShootGunCount - 1);
  if (!gun) return CommandResult::Usage("GUN must be 0 to 3");
  profiles::ShootFiles files(driver.DataFolder(), driver.DefaultDataFolder());
  files.Initialise();
  files.SelectGun(static_cast<int>(*gun));

  if (sub == "show" || sub == "set") {
    if (words.size() < 5)
      return CommandResult::Usage("usage: norvikctl shoot " + sub + " mouse GUN BULLET ...");
    const auto bullet = ParseInteger(words[4], 0, kShootBulletCount - 1);
    if (!bullet) return CommandResult::Usage("BULLET must be 0 to 29");
    files.SelectBullet(static_cast<int>(*bullet));
    auto current = files.ShowBullet();
    if (!current)
      return CommandResult::Fail("the shoot file of gun " + words[3] + " cannot be read");
    if (sub == "show") {
      if (words.size() != 5)
        return CommandResult::Usage("usage: norvikctl shoot show mouse GUN BULLET");
      return CommandResult::Ok(
          BulletValue(static_cast<int>(*gun), static_cast<int>(*bullet), *current));
    }
    profiles::ShootBullet value = *current;
    for (std::size_t i = 5; i < words.size(); ++i) {
      const std::string& flag = words[i];
      const bool takes_number = flag == "--x" || flag == "--y" || flag == "--delay";
      if (takes_number) {
        if (i + 1 >= words.size()) return CommandResult::Usage(flag + " needs a number");
        // Distances travel as one byte, the pause as 16 bits.
        const auto number = ParseInteger(words[++i], 0, flag == "--delay" ? 65535 : 255);
        if (!number) {
          return CommandResult::Usage(flag + " takes " +
                                      (flag == "--delay" ? "0 to 65535 ms" : "0 to 255"));
        }
        if (flag == "--x") value.x = *number;
        if (flag == "--y") value.y = *number;
        if (flag == "--delay") value.delay = *number;
      } else if (flag == "--left" || flag == "--right") {
        value.x_left = flag == "--left";
      } else if (flag == "--up" || flag == "--down") {
        value.y_up = flag == "--up";
      } else {
        return CommandResult::Usage("unknown shoot option " + flag +
                                    " (--x N --left|--right --y N --up|--down --delay MS)");
      }
    }
    if (!files.WriteCurrentBullet(value))
      return CommandResult::Fail("the shoot file could not be written");
    return CommandResult::Ok(BulletValue(static_cast<int>(*gun), static_cast<int>(*bullet), value));
  }
  Json::Value value;
  value["device"] = "mouse";
  value["gun"] = static_cast<int>(*gun);
  if (sub == "reset") {
    if (words.size() != 4) return CommandResult::Usage("usage: norvikctl shoot reset mouse GUN");
    if (!files.ResetGun())
      return CommandResult::Fail("gun " + words[3] + " could not be reset from the default data");
    value["reset"] = "done";
  } else if (sub == "import" || sub == "export") {
    if (words.size() != 5)
      return CommandResult::Usage("usage: norvikctl shoot " + sub + " mouse GUN FILE");
    const auto path = profiles::PathFromUtf8(words[4]);
    if (sub == "import" && !files.ImportGun(path)) {
      return CommandResult::Fail(words[4] + " cannot be read or is not a shoot file");
    }
    if (sub == "export" && !files.ExportGun(path))
      return CommandResult::Fail("cannot write " + words[4]);
    value[sub] = words[4];
  } else {
    return CommandResult::Usage("unknown shoot command \"" + sub + "\"");
  }
  return CommandResult::Ok(value);
}

}  // namespace

CommandResult RunProfileCommand(Session& session, const std::vector<std::string>& words) {
  if (words[0] == "profile") return Profile(session, words);
  if (words[0] == "macro") return Macro(session, words);
  return Shoot(session, words);
}

}  // namespace norvik::cli
