#pragma once
// The mouse's byte layouts, as pure code: the 66-byte settings block written at profile × 128
// (and its 71-byte read-back), the discovery of button positions in the key map, the key map
// image filled from the profile's assignments, and the DPI ranges of the information block.

#include <array>
#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <span>
#include <vector>

#include "devices/light_speed.h"
#include "hid/device_io.h"
#include "profiles/profile_records.h"

namespace norvik::devices {

// Settings memory: one block per profile at profile × 128; address 0 (byte 0 of profile 0's
// block) holds the active profile index.
inline constexpr std::size_t kMouseSettingsStride = 128;
inline constexpr std::size_t kMouseSettingsWriteSize = 66;
inline constexpr std::size_t kMouseSettingsReadSize = 71;
// The part of a read-back kept as the device's image of the block; the bytes after it are
// kept beside it uninterpreted.
inline constexpr std::size_t kMouseSettingsImageSize = 68;
inline constexpr std::uint16_t kMouseActiveProfileAddress = 0;
// Highest profile whose block still fits the 16-bit device address.
inline constexpr int kMouseMaxProfileIndex =
    static_cast<int>((0xFFFF - kMouseSettingsReadSize) / kMouseSettingsStride);

enum MouseSettingsByte : std::size_t {
  kMouseProfileAt = 0,  // active profile index; a write sends 0
  kMouseModeAt = 1,
  kMouseBrightnessAt = 2,
  kMouseSpeedAt = 3,
  kMouseOptionAt = 4,
  kMouseMultiColourAt = 5,
  kMouseRedAt = 6,
  kMouseGreenAt = 7,
  kMouseBlueAt = 8,
  kMousePollingAt = 11,
  kMouseActiveStageAt = 12,
  kMouseStagesAt = 14,
  kMouseFixedOneAt = 59,
  kMouseScreenWidthAt = 60,   // 16 bits little-endian
  kMouseScreenHeightAt = 62,  // 16 bits little-endian
  kMouseCorrectMinSqAt = 64,
  kMouseCorrectPixThreshAt = 65,
  kMouseReadTrailerAt = 68,  // bytes 68-69 of a read-back, little-endian
  kMouseReadLastAt = 70,
};
inline constexpr std::uint8_t kMouseFixedOneValue = 1;

// Five DPI stages of 9 bytes each from byte 14.
inline constexpr std::size_t kMouseStageCount = 5;
inline constexpr std::size_t kMouseStageSize = 9;
enum MouseStageByte : std::size_t {
  kStageActiveAt = 0,
  kStageXYAt = 1,
  kStageDpiXAt = 2,  // 16 bits little-endian
  kStageDpiYAt = 4,  // 16 bits little-endian
  kStageRedAt = 6,
  kStageGreenAt = 7,
  kStageBlueAt = 8,
};

// Light modes from this one on are unknown to the mouse firmware and sent as 0 (off).
inline constexpr std::uint8_t kMouseModeLimit = 9;

struct ScreenSize {
  std::uint16_t width = 1920;
  std::uint16_t height = 1080;
  bool operator==(const ScreenSize&) const = default;
};

// What the settings block is built from (profile values and the driver's screen size).
struct MouseSettingsSource {
  profiles::LightState light;
  int polling_rate = 0;  // "ReportStages"."StageActive"
  int active_stage = 0;  // "DPIStages"."StageActive"
  std::vector<profiles::DpiStage> stages;
  ScreenSize screen;
  std::vector<profiles::CorrectionRecord> corrections;
};

using MouseSettingsBlock = std::array<std::uint8_t, kMouseSettingsWriteSize>;

// Byte 3 is 5 − speed on both links (the speed clamped to 0-5): the firmware behind the cable
// and behind the receiver is the same and reads it back that way. Values wider than a byte
// (polling index, active stage, correction values) are clamped to 0..255; stages past the
// fifth are left out, missing stages stay 0.
MouseSettingsBlock BuildMouseSettingsBlock(const MouseSettingsSource& source);

// The decoded read-back of one profile's block.
struct MouseSettingsReadout {
  // Bytes 1-8: mode, brightness, speed (5 − byte 3, within 0-5), option, multi-colour, red, green,
  // blue; the other light values stay 0.
  profiles::LightState light;
  std::uint8_t polling_rate = 0;
  std::uint8_t active_stage = 0;
  std::array<profiles::DpiStage, kMouseStageCount> stages{};
  ScreenSize screen;
  std::uint8_t correct_min_sq = 0;
  std::uint8_t correct_pix_thresh = 0;
  std::array<std::uint8_t, kMouseSettingsImageSize> image{};
  std::uint16_t trailer = 0;  // bytes 68-69
  std::uint8_t last = 0;      // byte 70
};

MouseSettingsReadout ParseMouseSettingsBlock(
    std::span<const std::uint8_t, kMouseSettingsReadSize> bytes);

// --- buttons and the key map ---

inline constexpr int kMouseButtonCount = 10;
// A key id without a slot in the mouse's key map.
inline constexpr std::uint8_t kMouseNoSlot = 126;
inline constexpr std::size_t kKeyCodeSize = 3;
using KeyCode = std::array<std::uint8_t, kKeyCodeSize>;

// The factory code of each button id; the first key map slot holding it is that button's slot.
// Type 0x10 is a mouse button with its bit (left, right, middle, the two side buttons).
inline constexpr std::array<KeyCode, kMouseButtonCount> kMouseDefaultButtonCodes = {{
    {0x10, 0x01, 0x00},
    {0x10, 0x02, 0x00},
    {0x10, 0x04, 0x00},
    {0x10, 0x10, 0x00},
    {0x10, 0x08, 0x00},
    {0x13, 0x01, 0x00},
    {0x13, 0x02, 0x00},
    {0x13, 0x03, 0x00},
    {0xA0, 0x1B, 0x00},
    {0x16, 0x90, 0x01},
}};

// Key id → slot: every id below the slot count starts without a slot (126); each button id
// takes the first slot whose three bytes equal its default code. Only the first slots × 3 bytes
// of key_map are looked at.
std::map<int, std::uint8_t> FindMouseButtonPositions(std::span<const std::uint8_t> key_map,
                                                     std::size_t slots);

// Puts each key id's assignment into its slot of image (3 bytes per slot). Ids without a slot,
// or whose slot lies at or past the slot count, are left out.
void PutMouseAssignments(std::span<std::uint8_t> image,
                         const std::map<int, std::uint8_t>& positions,
                         std::span<const profiles::KeyEntry> entries, std::size_t slots);

// --- information block ---

inline constexpr std::size_t kInfoMacroUnitsAt = 6;
inline constexpr std::size_t kInfoDpiStepAt = 11;
inline constexpr std::size_t kInfoDpiSliderMaxAt = 12;  // 16 bits little-endian

// The DPI sliders run from 0 to slider_max, the DPI edit fields from 0 to slider_max × step.
struct DpiRanges {
  int step = 0;
  int slider_max = 0;
  int edit_max = 0;
  bool operator==(const DpiRanges&) const = default;
};
DpiRanges DpiRangesFromInfo(const hid::DeviceInfo& info);

}  // namespace norvik::devices
