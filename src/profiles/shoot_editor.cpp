#include "profiles/shoot_editor.h"

#include <algorithm>
#include <array>

#include "base/debug_trace.h"
#include "profiles/json_file_store.h"
#include "profiles/macro_event.h"
#include "profiles/user_files.h"

namespace norvik::profiles {
namespace {

// "Type" of the six events of a bullet, in order.
constexpr std::array<MacroEventType, kShootEventsPerBullet> kBulletTypes = {
    MacroEventType::MouseButton,  MacroEventType::MouseButton,    MacroEventType::MoveHorizontal,
    MacroEventType::MoveVertical, MacroEventType::MoveHorizontal, MacroEventType::MoveVertical};

std::int64_t Clamp(std::int64_t value, std::int64_t high) {
  return std::clamp<std::int64_t>(value, 0, high);
}

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

}  // namespace

const char* ShootXDirectionTextKey(bool left) {
  return left ? "mouse_move_to_left_text" : "mouse_move_to_right_text";
}

const char* ShootYDirectionTextKey(bool up) {
  return up ? "mouse_move_to_up_text" : "mouse_move_to_down_text";
}

BulletFields FieldsOfBullet(int bullet, const ShootBullet& value) {
  BulletFields fields;
  fields.number = std::to_string(bullet + 1);
  fields.x_left = value.x_left;
  fields.x_direction_key = ShootXDirectionTextKey(value.x_left);
  fields.x = std::to_string(Clamp(value.x, kMaxShootDistance));
  fields.y_up = value.y_up;
  fields.y_direction_key = ShootYDirectionTextKey(value.y_up);
  fields.y = std::to_string(Clamp(value.y, kMaxShootDistance));
  fields.delay = std::to_string(Clamp(value.delay, kMaxShootDelay));
  return fields;
}

ShootBullet BulletFromEdits(std::string_view x_text, std::string_view y_text,
                            std::string_view delay_text, bool x_left, bool y_up) {
  ShootBullet value = ParseBulletEdits(x_text, y_text, delay_text, x_left, y_up);
  value.x = Clamp(value.x, kMaxShootDistance);
  value.y = Clamp(value.y, kMaxShootDistance);
  value.delay = Clamp(value.delay, kMaxShootDelay);
  return value;
}

bool IsShootDocument(const Json::Value& document) {
  const Json::Value& events = JsonMember(document, "Events");
  if (!events.isArray()) return false;
  const std::size_t count = events.size();
  constexpr std::size_t kMaxEvents = kShootBulletCount * kShootEventsPerBullet;
  if (count == 0 || count > kMaxEvents || count % kShootEventsPerBullet != 0) return false;
  for (Json::ArrayIndex i = 0; i < count; ++i) {
    if (!IsBulletEvent(events[i], i)) return false;
  }
  return true;
}

ShootImportResult ImportShootPattern(const ShootFiles& files, const std::filesystem::path& source) {
  if (source.empty()) return ShootImportResult::NoFile;
  const std::optional<std::string> bytes = ReadFileBytes(source);
  if (!bytes) return ShootImportResult::NoFile;
  if (!IsShootDocument(ParseJsonText(*bytes))) {
    DebugTraceF("ShootImport: %s is not a shoot pattern, gun %d kept\n",
                Utf8FromPath(source).c_str(), files.CurrentGun());
    return ShootImportResult::NotAPattern;
  }
  // The bytes checked are the bytes written: the source is read once.
  if (!WriteFileAtomically(files.GunPath(files.CurrentGun()), *bytes)) {
    return ShootImportResult::WriteFailed;
  }
  return ShootImportResult::Done;
}

}  // namespace norvik::profiles
