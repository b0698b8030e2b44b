#include "devices/macro_table.h"

#include <optional>

#include "profiles/macro_list.h"
#include "profiles/user_files.h"

namespace norvik::devices {
namespace {

void PutU16(std::vector<std::uint8_t>& bytes, std::size_t at, std::size_t value) {
  bytes[at] = static_cast<std::uint8_t>(value & 0xFF);
  bytes[at + 1] = static_cast<std::uint8_t>((value >> 8) & 0xFF);
}

std::size_t RecordLength(const PackedMacro& record) {
  return kMacroRecordHeaderSize + record.size() * profiles::kPackedMacroEventSize;
}

}  // namespace

std::size_t MacroTableLength(std::span<const PackedMacro> records) {
  std::size_t total = kMacroTableHeaderSize;
  for (const PackedMacro& record : records) total += kMacroTableOffsetSize + RecordLength(record);
  return total;
}

MacroTable BuildMacroTable(std::span<const PackedMacro> records, std::size_t capacity_bytes) {
  MacroTable table;
  if (records.empty()) return table;

  const std::size_t total = MacroTableLength(records);
  const std::size_t capacity = std::min(capacity_bytes, kMacroTableMaxLength);
  if (total > capacity) {
    table.status = MacroTableStatus::TooLarge;
    table.units_over = static_cast<int>((total - capacity) / kMacroOverflowUnit + 1);
    return table;
  }

  table.status = MacroTableStatus::Built;
  std::vector<std::uint8_t>& bytes = table.bytes;
  bytes.assign(total, 0);
  PutU16(bytes, kTableSignatureAt, kMacroTableSignature);
  PutU16(bytes, kTableLengthAt, total);
  PutU16(bytes, kTableCountAt, records.size());
  std::size_t offset = kTableOffsetsAt + kMacroTableOffsetSize * records.size();
  for (std::size_t i = 0; i < records.size(); ++i) {
    const PackedMacro& record = records[i];
    PutU16(bytes, kTableOffsetsAt + kMacroTableOffsetSize * i, offset);
    PutU16(bytes, offset, record.size());
    std::size_t at = offset + kMacroRecordHeaderSize;
    for (const PackedMacroEvent& event : record) {
      std::copy(event.begin(), event.end(), bytes.begin() + static_cast<std::ptrdiff_t>(at));
      at += event.size();
    }
    offset = at;
  }
  return table;
}

std::vector<PackedMacro> ReadDeviceMacros(const std::filesystem::path& folder) {
  std::vector<PackedMacro> macros;
  for (const profiles::MacroEntry& entry : profiles::ReadMacroEntries(folder)) {
    const std::optional<std::filesystem::path> file =
        profiles::FileInFolder(folder, entry.guid, profiles::kMacroFileExtension);
    macros.push_back(file ? profiles::ReadPackedEvents(*file) : PackedMacro{});
  }
  return macros;
}

MacroTable BuildMacroTableFromFolder(const std::filesystem::path& folder,
                                     std::uint8_t memory_units) {
  const std::vector<PackedMacro> macros = ReadDeviceMacros(folder);
  return BuildMacroTable(macros, std::size_t{memory_units} * kMacroMemoryUnit);
}

}  // namespace norvik::devices
