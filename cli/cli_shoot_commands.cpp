// norvikctl shoot commands: the mouse's recoil patterns (one shoot file per gun) and their
// upload to the mouse.

#include <string>
#include <vector>

#include "cli/cli_handlers.h"
#include "devices/mouse_driver.h"
#include "profiles/shoot_files.h"
#include "profiles/user_files.h"

namespace norvik::cli {

namespace {

using devices::DeviceDriver;
using devices::DeviceSlot;

inline constexpr int kShootGunCount = 4;
inline constexpr int kShootBulletCount = 30;

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

// The shoot files with GUN (args[1]) selected; nullopt with the reason for a bad GUN.
std::optional<profiles::ShootFiles> GunFiles(Session& session, const Invocation& call, int& gun,
                                             std::string& error) {
  const auto number = ParseInteger(call.args[1], 0, kShootGunCount - 1);
  if (!number) {
    error = "GUN must be 0 to 3";
    return std::nullopt;
  }
  gun = static_cast<int>(*number);
  DeviceDriver& driver = session.Devices().Driver(DeviceSlot::Mouse);
  profiles::ShootFiles files(driver.DataFolder(), driver.DefaultDataFolder());
  files.Initialise();
  files.SelectGun(gun);
  return files;
}

// Selects BULLET (args[2]); false with the reason for a bad one.
bool SelectBullet(profiles::ShootFiles& files, const Invocation& call, int& bullet,
                  std::string& error) {
  const auto number = ParseInteger(call.args[2], 0, kShootBulletCount - 1);
  if (!number) {
    error = "BULLET must be 0 to 29";
    return false;
  }
  bullet = static_cast<int>(*number);
  files.SelectBullet(bullet);
  return true;
}

// Applies the options of "shoot set" (args from index 3) to value.
CommandResult ApplyShootOptions(const Invocation& call, profiles::ShootBullet& value) {
  const auto& args = call.args;
  for (std::size_t i = 3; i < args.size(); ++i) {
    const std::string& flag = args[i];
    if (flag == "--x" || flag == "--y" || flag == "--delay") {
      if (i + 1 >= args.size()) return CommandResult::Usage(flag + " needs a number");
      // Distances travel as one byte, the pause as 16 bits.
      const bool delay = flag == "--delay";
      const auto number = ParseInteger(args[++i], 0, delay ? 65535 : 255);
      if (!number)
        return CommandResult::Usage(flag + " takes " + (delay ? "0 to 65535 ms" : "0 to 255"));
      (flag == "--x" ? value.x : flag == "--y" ? value.y : value.delay) = *number;
    } else if (flag == "--left" || flag == "--right") {
      value.x_left = flag == "--left";
    } else if (flag == "--up" || flag == "--down") {
      value.y_up = flag == "--up";
    } else {
      return CommandResult::Usage("unknown shoot option " + flag +
                                  " (--x N --left|--right --y N --up|--down --delay MS)");
    }
  }
  return CommandResult::Ok(Json::Value());
}

// show and set: one bullet read, changed and written.
CommandResult Bullet(Session& session, const Invocation& call, bool change) {
  int gun = 0;
  int bullet = 0;
  std::string error;
  auto files = GunFiles(session, call, gun, error);
  if (!files || !SelectBullet(*files, call, bullet, error)) return CommandResult::Usage(error);
  auto current = files->ShowBullet();
  if (!current)
    return CommandResult::Fail("the shoot file of gun " + call.args[1] + " cannot be read");
  if (!change) return CommandResult::Ok(BulletValue(gun, bullet, *current));
  profiles::ShootBullet value = *current;
  if (CommandResult parsed = ApplyShootOptions(call, value); parsed.exit != kExitOk) return parsed;
  if (!files->WriteCurrentBullet(value))
    return CommandResult::Fail("the shoot file could not be written");
  return CommandResult::Ok(BulletValue(gun, bullet, value));
}

CommandResult GunOutcome(int gun, const std::string& member, const std::string& text) {
  Json::Value value;
  value["device"] = "mouse";
  value["gun"] = gun;
  value[member] = text;
  return CommandResult::Ok(value);
}

}  // namespace

CommandResult CmdShootShow(Session& session, const Invocation& call) {
  return Bullet(session, call, /*change=*/false);
}

CommandResult CmdShootSet(Session& session, const Invocation& call) {
  return Bullet(session, call, /*change=*/true);
}

CommandResult CmdShootReset(Session& session, const Invocation& call) {
  int gun = 0;
  std::string error;
  auto files = GunFiles(session, call, gun, error);
  if (!files) return CommandResult::Usage(error);
  if (!files->ResetGun()) {
    return CommandResult::Fail("gun " + call.args[1] + " could not be reset from the default data");
  }
  return GunOutcome(gun, "reset", "done");
}

CommandResult CmdShootImport(Session& session, const Invocation& call) {
  int gun = 0;
  std::string error;
  auto files = GunFiles(session, call, gun, error);
  if (!files) return CommandResult::Usage(error);
  if (const auto imported = files->ImportGun(profiles::PathFromUtf8(call.args[2])); !imported) {
    return CommandResult::Fail("no pattern imported from " + call.args[2] + ": " + imported.reason +
                               "; nothing changed");
  }
  return GunOutcome(gun, "import", call.args[2]);
}

CommandResult CmdShootExport(Session& session, const Invocation& call) {
  int gun = 0;
  std::string error;
  auto files = GunFiles(session, call, gun, error);
  if (!files) return CommandResult::Usage(error);
  if (const auto exported = files->ExportGun(profiles::PathFromUtf8(call.args[2])); !exported) {
    return CommandResult::Fail("gun " + call.args[1] + " could not be exported to " + call.args[2] +
                               ": " + exported.reason);
  }
  return GunOutcome(gun, "export", call.args[2]);
}

CommandResult CmdShootPush(Session& session, const Invocation& /*call*/) {
  std::string error;
  DeviceDriver* device = session.RequireDevice("mouse", error);
  if (!device) return CommandResult::Fail(error);
  const devices::MacroPushResult pushed =
      static_cast<devices::MouseDriver&>(*device).WriteShootTable();
  if (!pushed.Ok()) {
    return CommandResult::Fail(PushFailureReason("mouse", "shoot pattern", pushed));
  }
  Json::Value value;
  value["device"] = "mouse";
  value["shoot"] = pushed.status == devices::MacroPushStatus::Sent ? "sent" : "nothing to send";
  return CommandResult::Ok(value);
}

}  // namespace norvik::cli
