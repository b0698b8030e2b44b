#include "devices/led_store.h"

#include <algorithm>

namespace norvik::devices {

std::uint32_t PackLedEntry(const LedEntry& entry) {
  return static_cast<std::uint32_t>(entry.red) | static_cast<std::uint32_t>(entry.green) << 8 |
         static_cast<std::uint32_t>(entry.blue) << 16 |
         static_cast<std::uint32_t>(entry.brightness) << 24;
}

LedEntry UnpackLedEntry(std::uint32_t value) {
  return {static_cast<std::uint8_t>(value & 0xFF), static_cast<std::uint8_t>(value >> 8 & 0xFF),
          static_cast<std::uint8_t>(value >> 16 & 0xFF),
          static_cast<std::uint8_t>(value >> 24 & 0xFF)};
}

std::vector<std::uint8_t> BuildLiveFrame(std::span<const LedEntry> entries) {
  const std::size_t length = std::min(entries.size() * kLiveFrameBytesPerLight, kLiveFrameSize);
  std::vector<std::uint8_t> frame(length, 0);
  for (std::size_t light = 0; light < entries.size(); ++light) {
    if (light == kNoLightNumber) continue;
    const std::size_t at = light * kLiveFrameBytesPerLight;
    if (at + kLiveFrameBytesPerLight > length) break;
    const LedEntry& e = entries[light];
    const auto scale = [&e](std::uint8_t component) {
      return static_cast<std::uint8_t>(unsigned{component} * e.brightness / kBrightnessScale);
    };
    frame[at] = scale(e.red);
    frame[at + 1] = scale(e.green);
    frame[at + 2] = scale(e.blue);
  }
  return frame;
}

void LedStore::SetCount(std::size_t count) {
  std::lock_guard lock(lock_);
  leds_.resize(count);
}

std::size_t LedStore::Count() const {
  std::lock_guard lock(lock_);
  return leds_.size();
}

void LedStore::Set(std::size_t index, std::uint32_t value) {
  std::lock_guard lock(lock_);
  if (index < leds_.size()) leds_[index] = UnpackLedEntry(value);
}

std::uint32_t LedStore::Get(std::size_t index) const {
  std::lock_guard lock(lock_);
  return index < leds_.size() ? PackLedEntry(leds_[index]) : 0;
}

std::vector<LedEntry> LedStore::Entries() const {
  std::lock_guard lock(lock_);
  return leds_;
}

void LedStore::Update(const std::function<void(std::span<LedEntry>)>& change) {
  std::lock_guard lock(lock_);
  change(leds_);
}

}  // namespace norvik::devices
