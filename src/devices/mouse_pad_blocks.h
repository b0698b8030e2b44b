#pragma once
// The mouse pad's 21-byte lighting block. The panel keeps it as an image with the speed as the
// profile holds it; on the device byte 3 is 5 − speed. It is written at profile × 64 and read back
// (26 bytes) at profile × 25; the program only uses profile 0, where the two strides meet.

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

#include "profiles/profile_records.h"

namespace norvik::devices {

inline constexpr std::size_t kMousePadBlockSize = 21;
inline constexpr std::size_t kMousePadWriteStride = 64;
inline constexpr std::size_t kMousePadReadStride = 25;
inline constexpr std::size_t kMousePadReadSize = 26;
using MousePadBlock = std::array<std::uint8_t, kMousePadBlockSize>;

// Bytes 1-8 follow the keyboard's and the mouse's settings blocks (and the panel's light
// values): mode, brightness, speed, effect, multi-colour, red, green, blue.
enum MousePadBlockByte : std::size_t {
  kPadActiveProfile = 0,
  kPadLightMode = 1,
  kPadBrightness = 2,
  kPadSpeed = 3,  // 5 − speed on the device
  kPadOption = 4,
  kPadMultiColour = 5,
  kPadRed = 6,
  kPadGreen = 7,
  kPadBlue = 8,
  // Bytes 9-20 are kept as the device last reported them.
};
inline constexpr std::uint8_t kMousePadModes = 9;

// The image with the light values of a profile put in (bytes 9-20 kept from image).
MousePadBlock MousePadImageFromLight(const MousePadBlock& image, const profiles::LightState& light,
                                     std::uint8_t active_profile);
// The light values an image holds; members the block does not carry stay as in current.
profiles::LightState MousePadLightFromImage(const MousePadBlock& image,
                                            const profiles::LightState& current);

// Image → bytes for the device (byte 3 = 5 − speed) and back.
MousePadBlock MousePadBlockToDevice(const MousePadBlock& image);
MousePadBlock MousePadBlockFromDevice(std::span<const std::uint8_t, kMousePadBlockSize> stored);

}  // namespace norvik::devices
