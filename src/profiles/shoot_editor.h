#pragma once
// The bullet editor of the recoil patterns, without widgets: what the page shows for a bullet,
// the bullet it writes from the page's edits, and the import of a gun's file. A distance travels
// to the mouse as one byte and a pause as 16 bits, so the edits are clamped to those ranges
// rather than stored as typed and cut to their low byte on the way to the device.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include <json/value.h>

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

// A shoot file: an object whose "Events" holds whole bullets (a multiple of six events, at most
// thirty bullets), each in the fixed order of types 1, 1, 4, 5, 4, 5, every event an object
// with a text "Action" and numeric or numeric-text "Button" and "Delay".
bool IsShootDocument(const Json::Value& document);

enum class ShootImportResult {
  Done,
  NoFile,       // empty path, missing or unreadable file
  NotAPattern,  // does not parse, or is not a shoot file
  WriteFailed,
};

// Replaces the current gun's file by the bytes of `source` when they hold a shoot file;
// anything else leaves the gun's file as it was.
ShootImportResult ImportShootPattern(const ShootFiles& files, const std::filesystem::path& source);

}  // namespace norvik::profiles
