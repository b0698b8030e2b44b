#include "devices/keyboard_blocks.h"

#include <algorithm>

#include "profiles/json_access.h"

namespace norvik::devices {
namespace {

constexpr std::array<KeyCode, kKeyboardKeyCount> kDefaultKeyCodes = {{
    {0x20, 0x00, 0x29}, {0x20, 0x00, 0x3A}, {0x20, 0x00, 0x3B}, {0x20, 0x00, 0x3C},
    {0x20, 0x00, 0x3D}, {0x20, 0x00, 0x3E}, {0x20, 0x00, 0x3F}, {0x20, 0x00, 0x40},
    {0x20, 0x00, 0x41}, {0x20, 0x00, 0x42}, {0x20, 0x00, 0x43}, {0x20, 0x00, 0x44},
    {0x20, 0x00, 0x45}, {0x20, 0x00, 0x46}, {0x20, 0x00, 0x47}, {0x20, 0x00, 0x48},
    {0xA0, 0x1B, 0x00}, {0xA0, 0x24, 0x00}, {0x20, 0x00, 0x00}, {0x20, 0x00, 0x00},
    {0x20, 0x00, 0x00}, {0x20, 0x00, 0x35}, {0x20, 0x00, 0x1E}, {0x20, 0x00, 0x1F},
    {0x20, 0x00, 0x20}, {0x20, 0x00, 0x21}, {0x20, 0x00, 0x22}, {0x20, 0x00, 0x23},
    {0x20, 0x00, 0x24}, {0x20, 0x00, 0x25}, {0x20, 0x00, 0x26}, {0x20, 0x00, 0x27},
    {0x20, 0x00, 0x2D}, {0x20, 0x00, 0x2E}, {0x20, 0x00, 0x2A}, {0x20, 0x00, 0x49},
    {0x20, 0x00, 0x4A}, {0x20, 0x00, 0x4B}, {0x20, 0x00, 0x53}, {0x20, 0x00, 0x54},
    {0x20, 0x00, 0x55}, {0x20, 0x00, 0x56}, {0x20, 0x00, 0x2B}, {0x20, 0x00, 0x14},
    {0x20, 0x00, 0x1A}, {0x20, 0x00, 0x08}, {0x20, 0x00, 0x15}, {0x20, 0x00, 0x17},
    {0x20, 0x00, 0x1C}, {0x20, 0x00, 0x18}, {0x20, 0x00, 0x0C}, {0x20, 0x00, 0x12},
    {0x20, 0x00, 0x13}, {0x20, 0x00, 0x2F}, {0x20, 0x00, 0x30}, {0x20, 0x00, 0x31},
    {0x20, 0x00, 0x4C}, {0x20, 0x00, 0x4D}, {0x20, 0x00, 0x4E}, {0x20, 0x00, 0x5F},
    {0x20, 0x00, 0x60}, {0x20, 0x00, 0x61}, {0x20, 0x00, 0x32}, {0x20, 0x00, 0x39},
    {0x20, 0x00, 0x04}, {0x20, 0x00, 0x16}, {0x20, 0x00, 0x07}, {0x20, 0x00, 0x09},
    {0x20, 0x00, 0x0A}, {0x20, 0x00, 0x0B}, {0x20, 0x00, 0x0D}, {0x20, 0x00, 0x0E},
    {0x20, 0x00, 0x0F}, {0x20, 0x00, 0x33}, {0x20, 0x00, 0x34}, {0x20, 0x00, 0x28},
    {0x20, 0x00, 0x5C}, {0x20, 0x00, 0x5D}, {0x20, 0x00, 0x5E}, {0x20, 0x00, 0x8A},
    {0x20, 0x00, 0x8B}, {0x20, 0x00, 0x90}, {0x20, 0x00, 0x91}, {0x20, 0x00, 0x88},
    {0x20, 0x02, 0x00}, {0x20, 0x00, 0x1D}, {0x20, 0x00, 0x1B}, {0x20, 0x00, 0x06},
    {0x20, 0x00, 0x19}, {0x20, 0x00, 0x05}, {0x20, 0x00, 0x11}, {0x20, 0x00, 0x10},
    {0x20, 0x00, 0x36}, {0x20, 0x00, 0x37}, {0x20, 0x00, 0x38}, {0x20, 0x20, 0x00},
    {0x20, 0x00, 0x52}, {0x20, 0x00, 0x59}, {0x20, 0x00, 0x5A}, {0x20, 0x00, 0x5B},
    {0x20, 0x00, 0x87}, {0x20, 0x00, 0x89}, {0x20, 0x00, 0x64}, {0x20, 0x00, 0x85},
    {0x20, 0x00, 0x00}, {0x20, 0x01, 0x00}, {0x20, 0x08, 0x00}, {0x20, 0x04, 0x00},
    {0x20, 0x00, 0x2C}, {0x20, 0x40, 0x00}, {0xA0, 0x01, 0x00}, {0x20, 0x00, 0x65},
    {0x20, 0x10, 0x00}, {0x20, 0x00, 0x50}, {0x20, 0x00, 0x51}, {0x20, 0x00, 0x4F},
    {0x20, 0x00, 0x62}, {0x20, 0x00, 0x63}, {0x20, 0x00, 0x58}, {0x20, 0x00, 0x57},
    {0xD0, 0xA2, 0x01}, {0xD0, 0xA2, 0x02}, {0xD0, 0xA2, 0x03}, {0xD0, 0xA2, 0x04},
    {0xD0, 0xA2, 0x05}, {0x20, 0x80, 0x00},
}};

constexpr std::size_t kMaxCustomPositions = kCustomColourBlockSize / kLiveFrameBytesPerLight;

std::uint8_t Flag(std::uint16_t value) {
  return value != 0 ? 1 : 0;
}

}  // namespace

const std::array<KeyCode, kKeyboardKeyCount>& DefaultKeyCodes() {
  return kDefaultKeyCodes;
}

std::optional<KeyPositions> BuildKeyPositions(std::span<const std::uint8_t> key_map,
                                              std::span<const std::uint8_t> key_table,
                                              std::size_t slots) {
  if (slots > kMaxKeySlots || key_map.size() < slots * kKeySlotBytes || key_table.size() < slots) {
    return std::nullopt;
  }
  KeyPositions positions;
  for (std::size_t id = 0; id < slots && id < kKeyboardKeyCount; ++id) {
    positions.key[static_cast<int>(id)] = kNoPosition;
    positions.light[static_cast<int>(id)] = kNoPosition;
  }
  for (int id = 0; id < kKeyboardKeyCount; ++id) {
    const KeyCode& code = kDefaultKeyCodes[static_cast<std::size_t>(id)];
    for (std::size_t slot = 0; slot < slots; ++slot) {
      if (std::equal(code.begin(), code.end(), key_map.begin() + slot * kKeySlotBytes)) {
        positions.key[id] = static_cast<std::uint8_t>(slot);
        // The key table is indexed by slot, so every placed key has its light, whatever its id.
        positions.light[id] = key_table[slot];
        break;
      }
    }
  }
  return positions;
}

std::map<int, std::uint8_t> LightPositionsOf(const std::map<int, std::uint8_t>& key_positions,
                                             std::span<const std::uint8_t> key_table) {
  std::map<int, std::uint8_t> light;
  for (const auto& [key_id, slot] : key_positions) {
    light[key_id] = slot < key_table.size() ? key_table[slot] : kNoPosition;
  }
  return light;
}

namespace {
constexpr char kSlotsKey[] = "Slots";
constexpr char kIdentityKey[] = "Identity";
constexpr char kPositionsKey[] = "KeyPositions";
}  // namespace

Json::Value KeyPositionsToJson(const std::map<int, std::uint8_t>& key_positions, std::size_t slots,
                               std::span<const std::uint8_t> identity) {
  Json::Value record(Json::objectValue);
  record[kSlotsKey] = static_cast<Json::UInt>(slots);
  Json::Value& id = record[kIdentityKey] = Json::Value(Json::arrayValue);
  for (const std::uint8_t b : identity) id.append(b);
  Json::Value& positions = record[kPositionsKey] = Json::Value(Json::arrayValue);
  for (int key_id = 0; key_id < kKeyboardKeyCount; ++key_id) {
    const auto it = key_positions.find(key_id);
    positions.append(it == key_positions.end() ? kNoPosition : it->second);
  }
  return record;
}

std::optional<std::map<int, std::uint8_t>> KeyPositionsFromJson(
    const Json::Value& record, std::size_t slots, std::span<const std::uint8_t> identity) {
  using profiles::Element;
  using profiles::Member;
  using profiles::ReadInteger;
  if (ReadInteger(Member(record, kSlotsKey)) != static_cast<std::int64_t>(slots))
    return std::nullopt;
  const Json::Value& id = Member(record, kIdentityKey);
  if (!id.isArray() || id.size() != identity.size()) return std::nullopt;
  for (std::size_t i = 0; i < identity.size(); ++i) {
    if (ReadInteger(Element(id, static_cast<std::int64_t>(i))) != identity[i]) return std::nullopt;
  }
  const Json::Value& positions = Member(record, kPositionsKey);
  if (!positions.isArray() || positions.size() != kKeyboardKeyCount) return std::nullopt;
  std::map<int, std::uint8_t> result;
  // Keys that ship with the same code share their slot; other keys never do.
  std::map<std::int64_t, int> taken;
  for (int key_id = 0; key_id < kKeyboardKeyCount; ++key_id) {
    const auto slot = ReadInteger(Element(positions, key_id));
    if (!slot) return std::nullopt;
    if (*slot == kNoPosition) {
      if (static_cast<std::size_t>(key_id) < slots) result[key_id] = kNoPosition;
      continue;
    }
    if (*slot < 0 || static_cast<std::size_t>(*slot) >= slots) return std::nullopt;
    const auto [it, fresh] = taken.emplace(*slot, key_id);
    if (!fresh && kDefaultKeyCodes[static_cast<std::size_t>(it->second)] !=
                      kDefaultKeyCodes[static_cast<std::size_t>(key_id)]) {
      return std::nullopt;
    }
    result[key_id] = static_cast<std::uint8_t>(*slot);
  }
  return result;
}

KeyboardSettingsBlock BuildKeyboardSettingsBlock(const profiles::LightState& light,
                                                 const profiles::KeyboardSystem& system,
                                                 std::uint8_t active_profile) {
  KeyboardSettingsBlock block{};
  block[kKbActiveProfile] = active_profile;
  block[kKbLightMode] = light.SelectItem >= kKeyboardFirstUnsentMode ? 0 : light.SelectItem;
  block[kKbBrightness] = light.Light;
  block[kKbSpeed] = SpeedToDevice(light.Speed);
  block[kKbOption] = light.Fx;
  block[kKbMultiColour] = light.MultiColor != 0 ? 1 : 0;
  block[kKbRed] = light.Red;
  block[kKbGreen] = light.Green;
  block[kKbBlue] = light.Blue;
  block[kKbZoneMode] = light.ZZCCLedMode;
  block[kKbWFlag] = Flag(system.WFlag);
  block[kKbKey6Flag] = Flag(system.Key6Flag);
  block[kKbWinLock] = Flag(system.WinFlag);
  // The panel offers four rates; anything else is its first.
  block[kKbPollingRate] =
      system.PollingRate < kPollingRateOptions ? static_cast<std::uint8_t>(system.PollingRate) : 0;
  block[kKbCustomGroup] = light.CustomGroup;
  return block;
}

KeyboardSettingsRead ParseKeyboardSettingsBlock(
    std::span<const std::uint8_t, kKeyboardSettingsSize> block,
    const profiles::LightState& current) {
  KeyboardSettingsRead read;
  read.light = current;
  read.light.SelectItem = block[kKbLightMode];
  read.light.Light = block[kKbBrightness];
  read.light.Speed = SpeedFromDevice(block[kKbSpeed]);
  read.light.Fx = block[kKbOption];
  read.light.MultiColor = block[kKbMultiColour] != 0 ? 1 : 0;
  read.light.Red = block[kKbRed];
  read.light.Green = block[kKbGreen];
  read.light.Blue = block[kKbBlue];
  read.light.ZZCCLedMode = block[kKbZoneMode];
  read.light.CustomGroup = block[kKbCustomGroup];
  read.WFlag = block[kKbWFlag];
  read.Key6Flag = block[kKbKey6Flag];
  read.WinFlag = block[kKbWinLock];
  return read;
}

std::vector<std::uint8_t> ApplyKeyAssignments(std::span<const std::uint8_t> image,
                                              const std::map<int, std::uint8_t>& key_positions,
                                              std::span<const profiles::KeyEntry> entries) {
  std::vector<std::uint8_t> out(image.begin(), image.end());
  for (const profiles::KeyEntry& entry : entries) {
    const auto it = key_positions.find(entry.index);
    if (it == key_positions.end() || it->second == kNoPosition) continue;
    const std::size_t at = std::size_t{it->second} * kKeySlotBytes;
    if (at + kKeySlotBytes > out.size()) continue;
    out[at] = entry.assignment.A;
    out[at + 1] = entry.assignment.B;
    out[at + 2] = entry.assignment.C;
  }
  return out;
}

std::vector<std::uint8_t> BuildCustomColourBlock(std::span<const LedEntry> leds,
                                                 const std::map<int, std::uint8_t>& light_positions,
                                                 std::size_t slots, bool scaled) {
  std::size_t positions = std::min(slots, kMaxCustomPositions);
  for (const auto& [key_id, position] : light_positions) {
    if (position < kMaxCustomPositions) positions = std::max<std::size_t>(positions, position + 1);
  }
  std::vector<std::uint8_t> block(positions * kLiveFrameBytesPerLight, 0);
  for (const auto& [key_id, position] : light_positions) {
    if (position >= positions || key_id < 0 || static_cast<std::size_t>(key_id) >= leds.size()) {
      continue;
    }
    const LedEntry& led = leds[static_cast<std::size_t>(key_id)];
    const auto component = [&](std::uint8_t value) {
      return scaled ? static_cast<std::uint8_t>(unsigned{value} * led.brightness / kBrightnessScale)
                    : value;
    };
    const std::size_t at = std::size_t{position} * kLiveFrameBytesPerLight;
    block[at] = component(led.red);
    block[at + 1] = component(led.green);
    block[at + 2] = component(led.blue);
  }
  return block;
}

}  // namespace norvik::devices
