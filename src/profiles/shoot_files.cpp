#include "profiles/shoot_files.h"

#include <algorithm>
#include <array>
#include <system_error>
#include <utility>

#include "profiles/export_target.h"
#include "profiles/folder_lock.h"
#include "profiles/import_checks.h"
#include "profiles/json_file_store.h"
#include "profiles/macro_event.h"
#include "profiles/recovery_report.h"
#include "profiles/user_files.h"

namespace norvik::profiles {
namespace {

// Positions of the six events within a bullet.
enum BulletEvent : int {
  kPress = 0,
  kRelease = 1,
  kMoveX = 2,
  kMoveY = 3,
  kStopX = 4,
  kStopY = 5,
};

std::int64_t NumberOf(const Json::Value& value) {
  if (auto text = JsonString(value)) return ParseLeadingDecimal(*text);
  return JsonInteger(value).value_or(0);
}

bool IsDown(const Json::Value& action) {
  return EqualsIgnoringCase(JsonString(action).value_or(""), kActionDown);
}

Json::Value ShootEvent(bool down, std::int64_t button, std::int64_t delay, MacroEventType type) {
  Json::Value event(Json::objectValue);
  event["Action"] = down ? kActionDown : kActionUp;
  event["Button"] = Json::Int64{button};
  event["Delay"] = Json::Int64{delay};
  event["Type"] = static_cast<int>(type);
  return event;
}

std::array<Json::Value, kShootEventsPerBullet> BulletEvents(const ShootBullet& value) {
  std::array<Json::Value, kShootEventsPerBullet> events;
  events[kPress] =
      ShootEvent(true, kShootLeftButton, kShootPressDelay, MacroEventType::MouseButton);
  events[kRelease] = ShootEvent(false, kShootLeftButton, 0, MacroEventType::MouseButton);
  events[kMoveX] =
      ShootEvent(value.x_left, value.x, kShootMoveXDelay, MacroEventType::MoveHorizontal);
  events[kMoveY] = ShootEvent(value.y_up, value.y, value.delay, MacroEventType::MoveVertical);
  events[kStopX] = ShootEvent(value.x_left, 0, 0, MacroEventType::MoveHorizontal);
  events[kStopY] = ShootEvent(value.y_up, 0, 0, MacroEventType::MoveVertical);
  return events;
}

// "Type" of the six events of a bullet, in order.
constexpr std::array<MacroEventType, kShootEventsPerBullet> kBulletTypes = {
    MacroEventType::MouseButton,  MacroEventType::MouseButton,    MacroEventType::MoveHorizontal,
    MacroEventType::MoveVertical, MacroEventType::MoveHorizontal, MacroEventType::MoveVertical};

bool IsNumberOrText(const Json::Value& value) {
  return JsonInteger(value).has_value() || value.isString();
}

bool IsBulletEvent(const Json::Value& event, std::size_t position) {
  const std::optional<std::int64_t> type = JsonInteger(JsonMember(event, "Type"));
  return event.isObject() && JsonMember(event, "Action").isString() &&
         IsNumberOrText(JsonMember(event, "Button")) &&
         IsNumberOrText(JsonMember(event, "Delay")) &&
         type == static_cast<std::int64_t>(kBulletTypes[position % kShootEventsPerBullet]);
}

bool IsValidGun(int gun) {
  return gun >= 0 && gun < kShootGunCount;
}

bool IsUsableShootDocument(const Json::Value& document) {
  return JsonMember(document, "Events").isArray();
}

// A gun file that is there but unusable keeps its bytes before anything replaces it. False when
// it is damaged and could not be moved aside: it must then be left alone.
bool SetAsideIfDamaged(const std::filesystem::path& file, const Json::Value& document,
                       std::string_view action) {
  std::error_code ec;
  if (IsUsableShootDocument(document) ||
      !std::filesystem::exists(std::filesystem::symlink_status(file, ec))) {
    return true;
  }
  return KeepDamagedFile(file, action).has_value();
}

}  // namespace

std::string ShootFileName(int gun) {
  return "ShootData_" + std::to_string(gun) + ".Shoot";
}

ShootBullet ParseBulletEdits(std::string_view x_text, std::string_view y_text,
                             std::string_view delay_text, bool x_left, bool y_up) {
  return {x_left, ParseLeadingDecimal(x_text), y_up, ParseLeadingDecimal(y_text),
          ParseLeadingDecimal(delay_text)};
}

ShootBullet ReadBullet(const Json::Value& document, int bullet) {
  ShootBullet result;
  if (bullet < 0 || bullet >= kShootBulletCount) return result;
  const Json::Value& events = JsonMember(document, "Events");
  const auto base = static_cast<Json::ArrayIndex>(bullet * kShootEventsPerBullet);
  const Json::Value& move_x = JsonElement(events, base + kMoveX);
  const Json::Value& move_y = JsonElement(events, base + kMoveY);
  result.x_left = IsDown(JsonMember(move_x, "Action"));
  result.x = NumberOf(JsonMember(move_x, "Button"));
  result.y_up = IsDown(JsonMember(move_y, "Action"));
  result.y = NumberOf(JsonMember(move_y, "Button"));
  result.delay = NumberOf(JsonMember(move_y, "Delay"));
  return result;
}

bool WriteBullet(Json::Value& document, int bullet, const ShootBullet& value) {
  if (bullet < 0 || bullet >= kShootBulletCount) return false;
  if (!document.isObject()) document = Json::Value(Json::objectValue);
  if (!IsUsableShootDocument(document)) document["Events"] = Json::Value(Json::arrayValue);
  Json::Value& events = document["Events"];
  const auto first = static_cast<Json::ArrayIndex>(bullet * kShootEventsPerBullet);
  // Elements the file lacks before this bullet get the events of a zero bullet rather than
  // null holes; elements it has are left alone.
  const std::array<Json::Value, kShootEventsPerBullet> zero = BulletEvents(ShootBullet{});
  for (Json::ArrayIndex i = events.size(); i < first; ++i) {
    events[i] = zero[i % kShootEventsPerBullet];
  }
  const std::array<Json::Value, kShootEventsPerBullet> written = BulletEvents(value);
  for (Json::ArrayIndex i = 0; i < kShootEventsPerBullet; ++i) events[first + i] = written[i];
  return true;
}

ShootFiles::ShootFiles(std::filesystem::path user_folder, std::filesystem::path default_folder)
    : user_folder_(std::move(user_folder)), default_folder_(std::move(default_folder)) {}

std::filesystem::path ShootFiles::GunPath(int gun) const {
  return user_folder_ / ShootFileName(gun);
}

std::filesystem::path ShootFiles::DefaultGunPath(int gun) const {
  return default_folder_ / ShootFileName(gun);
}

int ShootFiles::Initialise() {
  const FolderLock lock(user_folder_);
  int restored = 0;
  for (int gun = 0; gun < kShootGunCount; ++gun) {
    const Json::Value document = JsonFileStore::ReadJson(GunPath(gun));
    if (IsUsableShootDocument(document)) continue;
    if (!SetAsideIfDamaged(GunPath(gun), document, "replaced by the factory pattern")) continue;
    if (RestoreGun(gun)) ++restored;
  }
  return restored;
}

int ShootFiles::SelectGun(int gun) {
  current_gun_ = std::clamp(gun, 0, kShootGunCount - 1);
  return current_gun_;
}

int ShootFiles::SelectBullet(int bullet) {
  current_bullet_ = std::clamp(bullet, 0, kShootBulletCount - 1);
  return current_bullet_;
}

std::optional<ShootBullet> ShootFiles::ShowBullet() const {
  if (current_bullet_ < 0) return std::nullopt;
  return ReadBullet(JsonFileStore::ReadJson(GunPath(current_gun_)), current_bullet_);
}

bool ShootFiles::WriteCurrentBullet(const ShootBullet& value) {
  if (current_bullet_ < 0) return false;
  const FolderLock lock(user_folder_);
  Json::Value document = JsonFileStore::ReadJson(GunPath(current_gun_));
  if (!SetAsideIfDamaged(GunPath(current_gun_), document, "started afresh with this bullet")) {
    return false;
  }
  if (!WriteBullet(document, current_bullet_, value)) return false;
  return JsonFileStore::WriteJson(GunPath(current_gun_), document);
}

bool ShootFiles::RestoreGun(int gun) {
  return IsValidGun(gun) && CopyFileBytes(DefaultGunPath(gun), GunPath(gun));
}

bool ShootFiles::ResetGun() {
  const FolderLock lock(user_folder_);
  return RestoreGun(current_gun_);
}

bool IsShootDocument(const Json::Value& document) {
  const Json::Value& events = JsonMember(document, "Events");
  if (!events.isArray()) return false;
  const std::size_t count = events.size();
  constexpr std::size_t kMaxEvents = std::size_t{kShootBulletCount} * kShootEventsPerBullet;
  if (count == 0 || count > kMaxEvents || count % kShootEventsPerBullet != 0) return false;
  for (Json::ArrayIndex i = 0; i < count; ++i) {
    if (!IsBulletEvent(events[i], i)) return false;
  }
  return true;
}

FileOutcome ShootFiles::ImportGun(const std::filesystem::path& path) {
  if (path.empty()) return FileOutcome::Refused("no file name given");
  const std::optional<std::string> bytes = ReadFileBytes(path);
  if (!bytes) return FileOutcome::Refused("the file cannot be read");
  const std::string problem =
      EventFileProblem(*bytes, std::size_t{kShootBulletCount} * kShootEventsPerBullet);
  if (!problem.empty()) return FileOutcome::Refused("it is not a shoot file: " + problem);
  // The pattern editor and the device read bullets by position: events of another shape would
  // become bullets nobody made.
  if (!IsShootDocument(ParseJsonText(*bytes))) {
    return FileOutcome::Refused("it is not a shoot file: its events are not whole bullets");
  }
  const FolderLock lock(user_folder_);
  if (!WriteFileAtomically(GunPath(current_gun_), *bytes)) {
    return FileOutcome::Refused("the gun's file could not be written");
  }
  return FileOutcome::Done();
}

FileOutcome ShootFiles::ExportGun(const std::filesystem::path& path) const {
  if (path.empty()) return FileOutcome::Refused("no file name given");
  std::optional<std::string> bytes;
  {
    const FolderLock lock(user_folder_);
    bytes = ReadFileBytes(GunPath(current_gun_));
  }
  if (!bytes) return FileOutcome::Refused("the gun's file cannot be read");
  const ExportResult written = WriteExportFile(path, *bytes);
  if (written != ExportResult::Done) {
    return FileOutcome::Refused(std::string(ExportResultText(written)));
  }
  return FileOutcome::Done();
}

}  // namespace norvik::profiles
