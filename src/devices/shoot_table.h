#pragma once
// The mouse's shoot table (sent with WriteShootData): the macro table layout with exactly four
// records, record g holding the events of gun g's "ShootData_<g>.Shoot".

#include <array>
#include <cstdint>
#include <filesystem>
#include <span>

#include "devices/macro_table.h"
#include "profiles/shoot_files.h"

namespace norvik::devices {

inline constexpr std::size_t kShootTableRecordCount = profiles::kShootGunCount;

// Never Empty: four records are always laid out. The size check is the macro table's.
MacroTable BuildShootTable(std::span<const PackedMacro, kShootTableRecordCount> guns,
                           std::size_t capacity_bytes);

// The four shoot files of a device folder; a missing or unreadable file gives an empty record.
std::array<PackedMacro, kShootTableRecordCount> ReadShootRecords(
    const std::filesystem::path& folder);

MacroTable BuildShootTableFromFolder(const std::filesystem::path& folder,
                                     std::uint8_t memory_units);

}  // namespace norvik::devices
