#pragma once
// Finding and plugging emulated devices (emulator commands and the demo).

#include <optional>

#include "emulator/emulated_bus.h"
#include "emulator/emulated_device.h"

namespace norvik::cli {

// The device of product on the bus, plugged or not (the plugged one first).
inline std::optional<emulator::DeviceId> FindEmulatedDevice(emulator::EmulatedBus& bus,
                                                            emulator::EmulatedProduct product) {
  if (const auto plugged = bus.FindPlugged(product)) return plugged;
  for (const emulator::DeviceId id : bus.Devices()) {
    if (bus.Device(id)->Product() == product) return id;
  }
  return std::nullopt;
}

// Plugs product in: the same device again when it was there before (its memories kept).
inline void PlugEmulated(emulator::EmulatedBus& bus, emulator::EmulatedProduct product) {
  if (bus.FindPlugged(product)) return;
  if (const auto id = FindEmulatedDevice(bus, product)) {
    bus.Replug(*id);
  } else {
    bus.Plug(product);
  }
}

}  // namespace norvik::cli
