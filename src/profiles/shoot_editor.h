#pragma once
// The bullet editor of the recoil patterns, without widgets: what the page shows for a bullet
// and the bullet it writes from the page's edits. A distance travels to the mouse as one byte
// and a pause as 16 bits, so the edits are clamped to those ranges rather than stored as typed
// and cut to their low byte on the way to the device. Imports go through ShootFiles::ImportGun,
// which takes only shoot files.

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "profiles/shoot_files.h"

namespace norvik::profiles {

inline constexpr std::int64_t kMaxShootDistance = 255;
inline constexpr std::int64_t kMaxShootDelay = 65535;

// The texts of the direction checks.
const char* ShootXDirectionTextKey(bool left);
const char* ShootYDirectionTextKey(bool up);

// What the page shows for one bullet.
struct BulletFields {
  std::string number;  // "bullet_select_index": the bullet's index + 1
  bool x_left = false;
  std::string x_direction_key;
  std::string x;
  bool y_up = false;
  std::string y_direction_key;
  std::string y;
  std::string delay;
};

// Values beyond the ranges are shown clamped (older files may hold them as typed).
BulletFields FieldsOfBullet(int bullet, const ShootBullet& value);

// The three edits read by their leading digits (none give 0) and clamped: distances 0..255,
// the pause 0..65535.
ShootBullet BulletFromEdits(std::string_view x_text, std::string_view y_text,
                            std::string_view delay_text, bool x_left, bool y_up);

// One recoil pattern a key can be set to play (the key page's shoot category): a key assignment
// carries the gun's index.
struct ShootPatternChoice {
  int gun = 0;
  std::string text_key;  // "shoot_gun_<gun>_text", the gun's name on the recoil page
  int bullets = 0;       // whole bullets of the gun's file; 0 when it is missing or not a pattern
};

// The four guns of a device's user folder, in gun order (always four: a gun without a usable
// file still has its place, and the mouse holds the factory pattern for it after a push).
std::vector<ShootPatternChoice> ShootPatternChoices(const std::filesystem::path& user_folder);

}  // namespace norvik::profiles
