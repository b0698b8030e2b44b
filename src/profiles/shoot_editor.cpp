#include "profiles/shoot_editor.h"

#include <algorithm>
#include <utility>

#include "profiles/json_file_store.h"
#include "profiles/user_files.h"

namespace norvik::profiles {
namespace {

std::int64_t Clamp(std::int64_t value, std::int64_t high) {
  return std::clamp<std::int64_t>(value, 0, high);
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

std::vector<ShootPatternChoice> ShootPatternChoices(const std::filesystem::path& user_folder) {
  std::vector<ShootPatternChoice> choices;
  for (int gun = 0; gun < kShootGunCount; ++gun) {
    ShootPatternChoice choice;
    choice.gun = gun;
    choice.text_key = "shoot_gun_" + std::to_string(gun) + "_text";
    const Json::Value document = JsonFileStore::ReadJson(user_folder / ShootFileName(gun));
    if (IsShootDocument(document)) {
      choice.bullets =
          static_cast<int>(JsonMember(document, "Events").size()) / kShootEventsPerBullet;
    }
    choices.push_back(std::move(choice));
  }
  return choices;
}

}  // namespace norvik::profiles
