#include "devices/shoot_table.h"

#include "profiles/macro_list.h"

namespace norvik::devices {

MacroTable BuildShootTable(std::span<const PackedMacro, kShootTableRecordCount> guns,
                           std::size_t capacity_bytes) {
  return BuildMacroTable(std::span<const PackedMacro>(guns), capacity_bytes);
}

std::array<PackedMacro, kShootTableRecordCount> ReadShootRecords(
    const std::filesystem::path& folder) {
  std::array<PackedMacro, kShootTableRecordCount> guns;
  for (std::size_t gun = 0; gun < guns.size(); ++gun) {
    guns[gun] = profiles::ReadPackedEvents(folder / profiles::ShootFileName(static_cast<int>(gun)));
  }
  return guns;
}

MacroTable BuildShootTableFromFolder(const std::filesystem::path& folder,
                                     std::uint8_t memory_units) {
  const std::array<PackedMacro, kShootTableRecordCount> guns = ReadShootRecords(folder);
  return BuildShootTable(guns, std::size_t{memory_units} * kMacroMemoryUnit);
}

}  // namespace norvik::devices
