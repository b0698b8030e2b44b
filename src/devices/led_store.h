#pragma once
// The LED entries of a device (colour and brightness per light) under their own lock: shared
// by the owner, the lighting preview, the live-frame worker and the program-wide lighting
// synchroniser. Also the live frame built from them.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <mutex>
#include <span>
#include <vector>

namespace norvik::devices {

// One LED entry: colour and brightness of one light, packed as red | green<<8 | blue<<16 |
// brightness<<24.
struct LedEntry {
  std::uint8_t red = 0;
  std::uint8_t green = 0;
  std::uint8_t blue = 0;
  std::uint8_t brightness = 0;
  bool operator==(const LedEntry&) const = default;
};
std::uint32_t PackLedEntry(const LedEntry& entry);
LedEntry UnpackLedEntry(std::uint32_t value);

// A light number (and a key or light position) that names no light.
inline constexpr std::uint8_t kNoLightNumber = 126;
// The live frame: 3 bytes (red, green, blue) per light number.
inline constexpr std::size_t kLiveFrameSize = 512;
inline constexpr std::size_t kLiveFrameBytesPerLight = 3;
// Brightness scales a component as component × brightness / 256.
inline constexpr unsigned kBrightnessScale = 256;

// The frame of Lights: entry i at 3 × i, each component × brightness / 256; entry 126 (no
// light) and entries past the frame are left out. Length min(entries × 3, 512).
std::vector<std::uint8_t> BuildLiveFrame(std::span<const LedEntry> entries);

class LedStore {
 public:
  void SetCount(std::size_t count);
  std::size_t Count() const;
  // Outside the list: nothing stored / 0 returned.
  void Set(std::size_t index, std::uint32_t value);
  std::uint32_t Get(std::size_t index) const;
  std::vector<LedEntry> Entries() const;
  // Runs change over the entries with the lock held (it must not call back into the store).
  void Update(const std::function<void(std::span<LedEntry>)>& change);

 private:
  mutable std::mutex lock_;
  std::vector<LedEntry> leds_;
};

}  // namespace norvik::devices
