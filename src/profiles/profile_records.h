#pragma once
// The plain records a profile object mirrors from its JSON section, and the word packings the
// device code passes them in. Field names are the JSON keys they come from.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

namespace norvik::profiles {

// "LightInfo": the eleven lighting values of a profile.
struct LightState {
  std::uint8_t SelectItem = 0;  // lighting mode; at or above the built-in mode count: a user effect
  std::uint8_t Light = 0;       // brightness
  std::uint8_t Speed = 0;
  std::uint8_t Fx = 0;          // direction or variant
  std::uint8_t MultiColor = 0;  // 0/1
  std::uint8_t Red = 0;
  std::uint8_t Green = 0;
  std::uint8_t Blue = 0;
  std::uint8_t ZZCCLedMode = 0;  // second mode list
  std::uint8_t CustomGroup = 0;
  std::uint8_t OldLedmode = 0;
  bool operator==(const LightState&) const = default;
};

// The four words the device code passes a light state in:
//   w0 = SelectItem | Light<<8 | Speed<<16 | Fx<<24
//   w1 = MultiColor | Red<<8 | Green<<16 | Blue<<24
//   w2 = ZZCCLedMode<<24 (bits 0-23 carry nothing)
//   w3 = CustomGroup | OldLedmode<<8
struct LightWords {
  std::uint32_t w0 = 0;
  std::uint32_t w1 = 0;
  std::uint32_t w2 = 0;
  std::uint16_t w3 = 0;
  bool operator==(const LightWords&) const = default;
};

LightWords PackLightState(const LightState& state);
// MultiColor is a flag: any non-zero low byte of w1 unpacks as 1.
LightState UnpackLightState(const LightWords& words);

// "LightList" element: the factory preset of one lighting mode (8 bytes on the device side).
struct LightPreset {
  std::uint8_t LEDREGMode = 0;
  std::uint8_t LEDBrightness = 0;
  std::uint8_t LEDSpeed = 0;
  std::uint8_t LEDDirection = 0;   // 0/1
  std::uint8_t LEDMultiColor = 0;  // 0/1
  std::uint8_t red = 0;
  std::uint8_t green = 0;
  std::uint8_t blue = 0;
  bool operator==(const LightPreset&) const = default;
};

// "LEDEffectList" element of a user lighting effect (".light") file.
struct EffectStep {
  LightPreset preset;
  std::int32_t Time = 0;
  std::int32_t Cyle = 0;  // cycle count, spelt as stored
  bool operator==(const EffectStep&) const = default;
};

// A key's three assignment bytes: A the type, B and C its parameters.
struct KeyAssignment {
  std::uint8_t A = 0;
  std::uint8_t B = 0;
  std::uint8_t C = 0;
  bool operator==(const KeyAssignment&) const = default;
};

// Stored in "KeyList" as the integer A<<16 | B<<8 | C.
std::uint32_t PackAssignment(const KeyAssignment& assignment);
// Bits above 23 are ignored.
KeyAssignment UnpackAssignment(std::int64_t packed);

// "KeyList" element i.
struct KeyEntry {
  std::uint16_t index = 0;  // the entry's position in "KeyList"
  KeyAssignment assignment;
  KeyAssignment defaultAssignment;
  bool operator==(const KeyEntry&) const = default;
};

// "CustomLightMode"."LightColorInfo"[group][j].
struct ColourRecord {
  std::uint8_t Red = 0;
  std::uint8_t Green = 0;
  std::uint8_t Blue = 0;
  std::uint8_t Alpha = 0;
  bool operator==(const ColourRecord&) const = default;
};

// "DPIStages"."StageDPIs" element (9 bytes on the device side, DPI values little-endian).
struct DpiStage {
  std::uint8_t StageActive = 0;  // enabled
  std::uint8_t StageXY = 0;      // separate X/Y
  std::uint16_t StageDPIX = 0;
  std::uint16_t StageDPIY = 0;
  std::uint8_t StageColorR = 0;
  std::uint8_t StageColorG = 0;
  std::uint8_t StageColorB = 0;
  bool operator==(const DpiStage&) const = default;
};

// "CorrectInfo" element.
struct CorrectionRecord {
  std::int32_t CorrectPixThresh = 0;
  std::int32_t CorrectMinSq = 0;
  std::int32_t CorrectSelect = 0;
  std::string CorrectName;
  bool operator==(const CorrectionRecord&) const = default;
};

// Three 32-bit words, the form the system records of keyboard and mouse travel in.
using SystemWords = std::array<std::uint32_t, 3>;

// Keyboard "SystemStages": w0 = Repeat | RepeatDelay<<16, w1 = Key6Flag | PollingRate<<16,
// w2 = WFlag | WinFlag<<16.
struct KeyboardSystem {
  std::uint16_t Repeat = 0;
  std::uint16_t RepeatDelay = 0;
  std::uint16_t Key6Flag = 0;
  std::uint16_t PollingRate = 0;
  std::uint16_t WFlag = 0;
  std::uint16_t WinFlag = 0;
  bool operator==(const KeyboardSystem&) const = default;

  SystemWords Pack() const;
  static KeyboardSystem Unpack(const SystemWords& words);
};

// Mouse "SystemStages" and "ReportStages": w0 = DoubleClickTime | MouseSpeed<<16,
// w1 = PointerPrecision | ScorllPage<<16, w2 = WheelScorlllinse | ReportStage<<16.
struct MouseSystem {
  std::uint16_t DoubleClickTime = 0;
  std::uint16_t MouseSpeed = 0;
  std::uint16_t PointerPrecision = 0;
  std::uint16_t ScorllPage = 0;
  std::uint16_t WheelScorlllinse = 0;
  std::uint16_t ReportStage = 0;  // "ReportStages"."StageActive"
  bool operator==(const MouseSystem&) const = default;

  SystemWords Pack() const;
  static MouseSystem Unpack(const SystemWords& words);
};

// Headset "SystemSetStages".
struct HeadsetSettings {
  std::int32_t MagicEnable = 0;
  std::int32_t MagicType = 0;
  std::int32_t EqType = 0;
  std::int32_t CustomEqSeletIndex = 0;
  std::int32_t MicInSelect = 0;
  std::int32_t MicInValue = 0;
  std::int32_t MicMoniterSelect = 0;
  std::int32_t MicMoniterValue = 0;
  bool operator==(const HeadsetSettings&) const = default;
};

// The ten band values of one equaliser preset.
inline constexpr std::size_t kEqBandCount = 10;
using EqBands = std::array<std::int32_t, kEqBandCount>;

}  // namespace norvik::profiles
