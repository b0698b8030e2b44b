#pragma once
// The emulator's state file: which devices exist and are plugged, the receiver's link, and
// every device's memories, so that successive `norvikctl --emulate` runs see the same devices.

#include <filesystem>

#include "emulator/emulated_bus.h"

namespace norvik::emulator {

enum class StateLoadResult : std::uint8_t {
  Loaded,   // the bus now holds the devices of the file
  Missing,  // no file: the bus is unchanged
  Damaged,  // unreadable, unparsable or invalid in any member: the bus is unchanged
};

// The whole bus as one JSON document (the file's content).
Json::Value EmulatorStateDocument(const EmulatedBus& bus);
// Replaces the bus's devices by those of document; all or nothing.
bool ApplyEmulatorStateDocument(EmulatedBus& bus, const Json::Value& document);

// Writes atomically (temporary file in the same folder, flush, rename). False on any failure,
// the old file then stays as it was.
bool SaveEmulatorState(const EmulatedBus& bus, const std::filesystem::path& path);
StateLoadResult LoadEmulatorState(EmulatedBus& bus, const std::filesystem::path& path);

}  // namespace norvik::emulator
