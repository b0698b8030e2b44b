#pragma once
// Recoil ("shoot") patterns of the mouse: one file per gun, "ShootData_<g>.Shoot" in the user
// folder, whose "Events" hold up to 30 bullets of six macro events each: left press, left release,
// a horizontal move, a vertical move with the bullet's pause, and two zero moves. The shipped
// patterns of the same names lie in the default data folder.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include <json/value.h>

#include "profiles/user_files.h"

namespace norvik::profiles {

inline constexpr int kShootGunCount = 4;
inline constexpr int kShootBulletCount = 30;
inline constexpr int kShootEventsPerBullet = 6;

// Fixed parts of a bullet's six events.
inline constexpr int kShootPressDelay = 10;  // after the left press
inline constexpr int kShootMoveXDelay = 5;   // after the horizontal move
inline constexpr int kShootLeftButton = 1;   // mouse button bit of the left button

// "ShootData_<gun>.Shoot".
std::string ShootFileName(int gun);

// What the bullet editor shows and writes. Distances and delay are kept as typed; the device
// packing keeps their low byte (distances) or clamps (delay).
struct ShootBullet {
  bool x_left = false;  // horizontal move "down"
  std::int64_t x = 0;
  bool y_up = false;  // vertical move "down"
  std::int64_t y = 0;
  std::int64_t delay = 0;
};

// The bullet from the editor's texts, each read by its leading decimal digits (none give 0).
ShootBullet ParseBulletEdits(std::string_view x_text, std::string_view y_text,
                             std::string_view delay_text, bool x_left, bool y_up);

// Bullet `bullet` of a shoot document; elements that are missing or of the wrong type read as 0
// and the "up" directions.
ShootBullet ReadBullet(const Json::Value& document, int bullet);

// Sets the six events of `bullet` (all four members each), leaving the other bullets alone. A
// document that is not an object, or whose "Events" is not an array, is started afresh; bullets
// before `bullet` that the file lacks are filled with bullets of zero moves and zero pause, so
// "Events" never holds null holes. False for a bullet outside 0..29.
bool WriteBullet(Json::Value& document, int bullet, const ShootBullet& value);

// A shoot file: an object whose "Events" holds whole bullets (a multiple of six events, at least
// one bullet and at most thirty), each in the fixed order of types 1, 1, 4, 5, 4, 5, every event
// an object with a text "Action" and numeric or numeric-text "Button" and "Delay".
bool IsShootDocument(const Json::Value& document);

class ShootFiles {
 public:
  ShootFiles(std::filesystem::path user_folder, std::filesystem::path default_folder);

  // Restores from the default folder every gun whose file is missing or unreadable (not a JSON
  // object with an "Events" array); an unreadable one is moved aside first (recovery_report.h).
  // Returns the number of guns restored.
  int Initialise();

  // Clamped to 0..3; returns the gun selected.
  int SelectGun(int gun);
  // Clamped to 0..29; returns the bullet selected.
  int SelectBullet(int bullet);
  int PrevBullet() { return SelectBullet(current_bullet_ - 1); }
  int NextBullet() { return SelectBullet(current_bullet_ + 1); }
  int CurrentGun() const { return current_gun_; }
  // -1 until a bullet is selected.
  int CurrentBullet() const { return current_bullet_; }

  // The current bullet of the current gun, read from its file; nothing before a bullet is chosen.
  std::optional<ShootBullet> ShowBullet() const;
  // Writes the current bullet of the current gun.
  bool WriteCurrentBullet(const ShootBullet& value);

  // Byte copies: default -> user file, chosen file -> user file, user file -> chosen path
  // (export_target.h). A missing source leaves the destination as it was; so does an import that
  // is not a shoot file (IsShootDocument).
  bool ResetGun();
  FileOutcome ImportGun(const std::filesystem::path& path);
  FileOutcome ExportGun(const std::filesystem::path& path) const;

  std::filesystem::path GunPath(int gun) const;
  std::filesystem::path DefaultGunPath(int gun) const;

 private:
  bool RestoreGun(int gun);

  std::filesystem::path user_folder_;
  std::filesystem::path default_folder_;
  int current_gun_ = 0;
  int current_bullet_ = -1;
};

}  // namespace norvik::profiles
