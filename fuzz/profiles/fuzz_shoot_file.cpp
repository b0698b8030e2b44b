// Reads every bullet of an arbitrary shoot file, writes one bullet, and builds the shoot table.
// A write must change exactly the six events of its bullet, read back as written, and leave the
// file usable; the table must always hold four records.
//
// Input: two bytes choosing the bullet and its values, then the shoot file text.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "devices/shoot_table.h"
#include "fuzz_list_support.h"
#include "profiles/json_file_store.h"
#include "profiles/shoot_files.h"

namespace {

using namespace norvik::profiles;
using norvik::fuzz::Check;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  const int bullet = data[0] % kShootBulletCount;
  const std::uint8_t values = data[1];
  const std::string_view text(reinterpret_cast<const char*>(data + 2), size - 2);

  norvik::fuzz::Reset();
  const std::filesystem::path root = norvik::fuzz::Scratch();
  const std::filesystem::path user = root / "user";
  const std::filesystem::path defaults = root / "defaults";
  norvik::fuzz::Write(user / ShootFileName(0), text);
  norvik::fuzz::Write(user / ShootFileName(1), text);
  norvik::fuzz::Write(defaults / ShootFileName(2), R"({"Events": []})");

  ShootFiles shoot(user, defaults);
  shoot.Initialise();
  for (int k = 0; k < kShootBulletCount; ++k) {
    shoot.SelectBullet(k);
    Check(shoot.ShowBullet().has_value());
  }

  const Json::Value before = JsonFileStore::ReadJson(user / ShootFileName(0));
  shoot.SelectGun(0);
  shoot.SelectBullet(bullet);
  const ShootBullet written =
      ParseBulletEdits(std::to_string(values * 3), std::string(text.substr(0, 6)),
                       std::to_string(values), values & 1, values & 2);
  Check(shoot.WriteCurrentBullet(written));
  const Json::Value after = JsonFileStore::ReadJson(user / ShootFileName(0));
  const Json::Value& events = after["Events"];
  Check(events.isArray());
  Check(events.size() >= static_cast<Json::ArrayIndex>((bullet + 1) * kShootEventsPerBullet));

  const ShootBullet read = *shoot.ShowBullet();
  Check(read.x == written.x && read.y == written.y && read.delay == written.delay);
  Check(read.x_left == written.x_left && read.y_up == written.y_up);
  // Elements of other bullets are left as they were.
  // Elements of other bullets are left as they were; elements the file lacked are whole events.
  const Json::Value& old_events =
      before.isObject() ? before["Events"] : Json::Value::nullSingleton();
  const Json::ArrayIndex old_size = old_events.isArray() ? old_events.size() : 0;
  const auto first = static_cast<Json::ArrayIndex>(bullet * kShootEventsPerBullet);
  for (Json::ArrayIndex i = 0; i < events.size(); ++i) {
    if (i >= first && i < first + kShootEventsPerBullet) continue;
    if (i < old_size) {
      Check(events[i] == old_events[i] || norvik::fuzz::ChangedByWriting(old_events[i]));
    } else {
      Check(events[i].isObject() && events[i].size() == 4);
    }
  }

  const norvik::devices::MacroTable table = norvik::devices::BuildShootTableFromFolder(user, 255);
  if (table.status == norvik::devices::MacroTableStatus::Built) {
    norvik::fuzz::CheckTableLayout(table.bytes, 4);
  } else {
    Check(table.status == norvik::devices::MacroTableStatus::TooLarge);
  }
  return 0;
}
