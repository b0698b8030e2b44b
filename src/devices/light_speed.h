#pragma once
// The lighting speed as the devices store it. Every device of the family (keyboard, mouse on
// either link, mouse pad) keeps 5 − speed in its settings byte; the profile keeps 0-5.

#include <algorithm>
#include <cstdint>

namespace norvik::devices {

inline constexpr std::uint8_t kMaxLightSpeed = 5;

// 5 − speed, with speeds above 5 taken as 5 so the byte never wraps.
constexpr std::uint8_t SpeedToDevice(std::uint8_t speed) {
  return static_cast<std::uint8_t>(kMaxLightSpeed - std::min(speed, kMaxLightSpeed));
}
// The same mirror back: a stored byte above 5 reads as speed 0, never as a wrapped value.
constexpr std::uint8_t SpeedFromDevice(std::uint8_t stored) {
  return SpeedToDevice(stored);
}

}  // namespace norvik::devices
