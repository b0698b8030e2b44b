#pragma once
// The device's 6-byte status block (power indicator), decoded once: battery level, charge
// state, link flag, power value and the phone on the mouse pad's charging spot.

#include <cstddef>
#include <cstdint>
#include <span>

namespace norvik::devices {

inline constexpr std::size_t kStatusBlockSize = 6;

enum StatusBlockByte : std::size_t {
  kStatusLevelByte = 0,   // battery level 0-100
  kStatusChargeByte = 1,  // charge state
  // Byte 2 is not interpreted.
  kStatusLinkByte = 3,   // 1 through the receiver (radio), 0 over the cable
  kStatusPowerByte = 4,  // the power value the panel's window is told
  kStatusPhoneByte = 5,  // phone type on the mouse pad's charging spot
};

// Charge states; other values leave the indicator's image as it is.
inline constexpr std::uint8_t kChargePowered = 0;
inline constexpr std::uint8_t kChargeCharging = 1;
inline constexpr std::uint8_t kChargeCharged = 2;
// Phone types; any other value means no phone.
inline constexpr std::uint8_t kPhoneIphone = 1;
inline constexpr std::uint8_t kPhoneSamsung = 2;
inline constexpr std::uint8_t kPhoneOther = 3;

struct PowerStatus {
  std::uint8_t battery_level = 0;
  std::uint8_t charge_state = kChargePowered;
  bool wireless = false;
  std::uint8_t power_value = 0;
  std::uint8_t phone_type = 0;
  bool operator==(const PowerStatus&) const = default;

  // Bytes past the end of a short record read as 0; bytes past the block are ignored.
  static PowerStatus Decode(std::span<const std::uint8_t> bytes) {
    const auto at = [bytes](std::size_t i) -> std::uint8_t {
      return i < bytes.size() ? bytes[i] : 0;
    };
    return {at(kStatusLevelByte), at(kStatusChargeByte), at(kStatusLinkByte) != 0,
            at(kStatusPowerByte), at(kStatusPhoneByte)};
  }
};

}  // namespace norvik::devices
