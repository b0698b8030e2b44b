// norvikctl update check: the application and every connected device's firmware, asked of the
// update service at once.

#include <string>
#include <vector>

#include "cli/cli_handlers.h"
#include "update/installed_version.h"
#include "update/update_query.h"
#include "update/update_target.h"

namespace norvik::cli {

namespace {

using devices::DeviceSlot;

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

Json::Value StatusValue(const update::UpdateCheckRow& row) {
  Json::Value value(Json::objectValue);
  value["code"] = row.status;
  switch (row.status) {
    case update::kStatusNewerAvailable:
      value["message"] = "newer version available";
      break;
    case update::kStatusUpToDate:
      value["message"] = "up to date";
      break;
    default:
      value["message"] = row.timed_out ? "no answer within the time limit" : "no answer";
      break;
  }
  return value;
}

// The application, and the firmware of each connected device the service knows.
std::vector<update::UpdateTarget> Targets(Session& session) {
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
  return targets;
}

}  // namespace

CommandResult CmdUpdateCheck(Session& session, const Invocation& /*call*/) {
  const std::string url =
      session.Options().url.value_or(std::string(update::DefaultUpdateBaseUrl()));
  if (!update::IsValidUpdateBaseUrl(url)) {
    return CommandResult::Usage("the update address must be http:// or https:// and end in /api/");
  }
  const auto rows = update::CheckForUpdates(url, Targets(session));
  Json::Value value(Json::arrayValue);
  bool reached = false;
  for (const auto& row : rows) {
    if (row.unusable_reply) {
      return CommandResult::Fail("the update service at " + url +
                                 " sent a reply that is not usable JSON (for " + row.name + ")");
    }
    Json::Value line;
    line["name"] = row.name;
    line["installed"] = row.installed;
    line["available"] = row.available.empty() ? Json::Value() : Json::Value(row.available);
    line["status"] = StatusValue(row);
    value.append(line);
    reached = reached || row.reachable;
  }
  if (!reached) {
    const bool timed_out = !rows.empty() && rows.front().timed_out;
    return CommandResult::Fail("update service not reachable at " + url +
                               (timed_out ? " (no answer within the time limit)" : ""));
  }
  return CommandResult::Ok(value);
}

}  // namespace norvik::cli
