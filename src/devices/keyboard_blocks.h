#pragma once
// The keyboard's byte layouts as pure functions: the factory key codes, key and light position
// discovery from the key map and key table, the 26-byte settings block, the key-map image
// written from "KeyList", and the custom colour block.

#include <array>
#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <span>
#include <vector>

#include <json/value.h>

#include "devices/device_driver.h"
#include "devices/light_speed.h"
#include "profiles/profile_records.h"

namespace norvik::devices {

// Key ids of the program's key list.
inline constexpr int kKeyboardKeyCount = 126;
// A key-map slot: type, modifier bits, code.
inline constexpr std::size_t kKeySlotBytes = 3;
using KeyCode = std::array<std::uint8_t, kKeySlotBytes>;
// More slots than this do not fit the 512-byte key-map transfer.
inline constexpr std::size_t kMaxKeySlots = 170;

// The factory code of key id 0..125.
const std::array<KeyCode, kKeyboardKeyCount>& DefaultKeyCodes();

// Key id → slot and key id → light position (LED index); ids without an entry have none.
struct KeyPositions {
  std::map<int, std::uint8_t> key;
  std::map<int, std::uint8_t> light;
};

// Each key id's position is the first slot holding its factory code; its light position is the
// key table byte of that slot. Ids 0 … slots − 1 start as kNoPosition, so a key not on this
// keyboard reads kNoPosition. nullopt when slots exceeds kMaxKeySlots or the image or table is
// shorter than the slot count says.
std::optional<KeyPositions> BuildKeyPositions(std::span<const std::uint8_t> key_map,
                                              std::span<const std::uint8_t> key_table,
                                              std::size_t slots);

// Light positions of placed keys: the key table byte of each key's slot.
std::map<int, std::uint8_t> LightPositionsOf(const std::map<int, std::uint8_t>& key_positions,
                                             std::span<const std::uint8_t> key_table);

// Key positions found on a factory key map are remembered in the data folder: once the program
// has written its own assignments, the default codes no longer tell which slot is which key (a
// remapped key's code is missing, and the code it took points at two slots). The record is tied
// to the device's identity (information bytes 0-4) and slot count.
inline constexpr char kKeyPositionsFileName[] = "keypositions.json";
inline constexpr std::size_t kDeviceIdentityBytes = 5;
Json::Value KeyPositionsToJson(const std::map<int, std::uint8_t>& key_positions, std::size_t slots,
                               std::span<const std::uint8_t> identity);
// nullopt when the record is damaged, for another device or slot count, or places two keys in
// one slot that do not ship with the same code.
std::optional<std::map<int, std::uint8_t>> KeyPositionsFromJson(
    const Json::Value& record, std::size_t slots, std::span<const std::uint8_t> identity);

// The 26-byte settings block stored at profile × 25 in the device's settings memory.
inline constexpr std::size_t kKeyboardSettingsSize = 26;
inline constexpr std::size_t kKeyboardProfileStride = 25;
using KeyboardSettingsBlock = std::array<std::uint8_t, kKeyboardSettingsSize>;
enum KeyboardSettingsByte : std::size_t {
  kKbActiveProfile = 0,
  kKbLightMode = 1,
  kKbBrightness = 2,
  kKbSpeed = 3,  // stored as 5 − speed
  kKbOption = 4,
  kKbMultiColour = 5,
  kKbRed = 6,
  kKbGreen = 7,
  kKbBlue = 8,
  kKbZoneMode = 18,  // "ZZCCLedMode"
  kKbWFlag = 19,
  kKbKey6Flag = 20,
  kKbWinLock = 21,
  kKbPollingRate = 22,
  kKbCustomGroup = 25,
};
// Modes from this one up are not the firmware's (user effects): sent as mode 0.
inline constexpr std::uint8_t kKeyboardFirstUnsentMode = 29;
inline constexpr std::uint8_t kKeyboardCustomColourMode = 20;
inline constexpr std::uint16_t kPollingRateOptions = 4;

KeyboardSettingsBlock BuildKeyboardSettingsBlock(const profiles::LightState& light,
                                                 const profiles::KeyboardSystem& system,
                                                 std::uint8_t active_profile = 0);

// What a settings read takes from the block: the light values (OldLedmode is not stored on the
// device and stays as given) and the three flags (the polling rate is not taken).
struct KeyboardSettingsRead {
  profiles::LightState light;
  std::uint16_t WFlag = 0;
  std::uint16_t Key6Flag = 0;
  std::uint16_t WinFlag = 0;
};
KeyboardSettingsRead ParseKeyboardSettingsBlock(
    std::span<const std::uint8_t, kKeyboardSettingsSize> block,
    const profiles::LightState& current);

// The key-map image with each "KeyList" entry's assignment put into its key's slot (entries of
// keys without a position, or whose slot lies outside the image, are left out).
std::vector<std::uint8_t> ApplyKeyAssignments(std::span<const std::uint8_t> image,
                                              const std::map<int, std::uint8_t>& key_positions,
                                              std::span<const profiles::KeyEntry> entries);

// The custom colour block (3 bytes per light position, block size 512): each key's LED entry
// (LED entries are indexed by key id) at 3 × its light position. The block covers
// max(slots, highest light position + 1) positions; positions past 170 and keys without a light
// are skipped. scaled multiplies each component by the entry's brightness / 256.
inline constexpr std::uint16_t kCustomColourBlockSize = 512;
std::vector<std::uint8_t> BuildCustomColourBlock(std::span<const LedEntry> leds,
                                                 const std::map<int, std::uint8_t>& light_positions,
                                                 std::size_t slots, bool scaled);

}  // namespace norvik::devices
