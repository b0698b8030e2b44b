#pragma once
// The emulator's state file: which devices exist and are plugged, the receiver's link, and
// every device's memories, so that successive `norvikctl --emulate` runs see the same devices.

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string_view>
#include <utility>
#include <vector>

#include "emulator/emulated_bus.h"

namespace norvik::emulator {

enum class StateLoadResult : std::uint8_t {
  Loaded,   // the bus now holds the devices of the file
  Missing,  // no file: the bus is unchanged
  Damaged,  // unreadable, unparsable or invalid in any member: the bus is unchanged
};

// The "version" of the file's format.
inline constexpr int kStateFormatVersion = 1;
// Larger than any honest state file (all memories of a dozen devices); a bigger file is
// treated as damaged rather than read into memory.
inline constexpr std::uintmax_t kMaxStateFileBytes = 16u << 20;

// The whole bus as one JSON document (the file's content).
Json::Value EmulatorStateDocument(const EmulatedBus& bus);
// Replaces the bus's devices by those of document; all or nothing.
bool ApplyEmulatorStateDocument(EmulatedBus& bus, const Json::Value& document);

// The devices of a document, each restored and with its plug state, in file order; nullopt
// when any member of the document is invalid.
using RestoredDevices = std::vector<std::pair<std::shared_ptr<EmulatedDevice>, bool>>;
std::optional<RestoredDevices> DevicesOfStateDocument(const Json::Value& document);
// The JSON of a state file; nullopt when it does not parse (never throws).
std::optional<Json::Value> ParseEmulatorStateText(std::string_view text);
// Writes document as the state file, atomically; false on any failure (the old file stays).
bool WriteEmulatorStateDocument(const Json::Value& document, const std::filesystem::path& path);

// Writes atomically (temporary file in the same folder, flush, rename). False on any failure,
// the old file then stays as it was.
bool SaveEmulatorState(const EmulatedBus& bus, const std::filesystem::path& path);
StateLoadResult LoadEmulatorState(EmulatedBus& bus, const std::filesystem::path& path);

}  // namespace norvik::emulator
