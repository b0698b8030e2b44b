#pragma once
// The device's macro table (sent with WriteMacroData) and the layout the shoot table shares:
//   0  u16 signature 0x55AA        2  u16 total length        4  u16 record count n
//   6  10 zero bytes               16 n x u16 record offsets from the table start
//   16 + 2n  records: u16 event count, two zero bytes, then 4 bytes per event
// All 16-bit values little-endian.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <span>
#include <vector>

#include "profiles/macro_event.h"

namespace norvik::devices {

using profiles::PackedMacroEvent;
using PackedMacro = std::vector<PackedMacroEvent>;

inline constexpr std::uint16_t kMacroTableSignature = 0x55AA;
enum MacroTableOffset : std::size_t {
  kTableSignatureAt = 0,
  kTableLengthAt = 2,
  kTableCountAt = 4,
  kTableReservedAt = 6,  // 10 zero bytes
  kTableOffsetsAt = 16,
};
inline constexpr std::size_t kMacroTableHeaderSize = 16;
inline constexpr std::size_t kMacroTableOffsetSize = 2;
inline constexpr std::size_t kMacroRecordHeaderSize = 4;
// Lengths and offsets are 16-bit fields.
inline constexpr std::size_t kMacroTableMaxLength = 0xFFFF;
// The device information reports its macro memory in units of this many bytes.
inline constexpr std::size_t kMacroMemoryUnit = 128;
// The size check reports how far a table is over in units of one packed event.
inline constexpr std::size_t kMacroOverflowUnit = profiles::kPackedMacroEventSize;

enum class MacroTableStatus {
  Built,     // bytes hold the table
  Empty,     // no macros: nothing to send, the device keeps its own
  TooLarge,  // over the memory; units_over tells by how much
};

struct MacroTable {
  MacroTableStatus status = MacroTableStatus::Empty;
  std::vector<std::uint8_t> bytes;
  // (total length - capacity) / 4 + 1 when TooLarge, else 0.
  int units_over = 0;
};

// 16 + 6n + 4 x (all events), for n records.
std::size_t MacroTableLength(std::span<const PackedMacro> records);

// Lays out the records. A table longer than capacity_bytes (or than its 16-bit length field can
// say) is not built; a table that exactly fills the capacity is.
MacroTable BuildMacroTable(std::span<const PackedMacro> records, std::size_t capacity_bytes);

// The macros of a device folder in "MacroInfo" order of "macro.config". A macro whose event file
// is missing, unreadable or unsafely named becomes an empty record, so later macros keep their
// index.
std::vector<PackedMacro> ReadDeviceMacros(const std::filesystem::path& folder);

// The whole upload of WriteMacroTable: Empty when "macro.config" is missing, unreadable or lists
// no macro; memory_units as the device information reports it.
MacroTable BuildMacroTableFromFolder(const std::filesystem::path& folder,
                                     std::uint8_t memory_units);

}  // namespace norvik::devices
