#include "profiles/profile_records.h"

namespace norvik::profiles {
namespace {

constexpr std::uint8_t ByteAt(std::uint32_t word, int shift) {
  return static_cast<std::uint8_t>((word >> shift) & 0xFFu);
}
constexpr std::uint16_t LowHalf(std::uint32_t word) {
  return static_cast<std::uint16_t>(word);
}
constexpr std::uint16_t HighHalf(std::uint32_t word) {
  return static_cast<std::uint16_t>(word >> 16);
}
constexpr std::uint32_t Halves(std::uint16_t low, std::uint16_t high) {
  return static_cast<std::uint32_t>(low) | static_cast<std::uint32_t>(high) << 16;
}
constexpr std::uint32_t Bytes(std::uint8_t b0, std::uint8_t b1, std::uint8_t b2, std::uint8_t b3) {
  return static_cast<std::uint32_t>(b0) | static_cast<std::uint32_t>(b1) << 8 |
         static_cast<std::uint32_t>(b2) << 16 | static_cast<std::uint32_t>(b3) << 24;
}

}  // namespace

LightWords PackLightState(const LightState& s) {
  LightWords words;
  words.w0 = Bytes(s.SelectItem, s.Light, s.Speed, s.Fx);
  words.w1 = Bytes(s.MultiColor != 0 ? 1 : 0, s.Red, s.Green, s.Blue);
  words.w2 = static_cast<std::uint32_t>(s.ZZCCLedMode) << 24;
  words.w3 = static_cast<std::uint16_t>(s.CustomGroup | s.OldLedmode << 8);
  return words;
}

LightState UnpackLightState(const LightWords& words) {
  LightState s;
  s.SelectItem = ByteAt(words.w0, 0);
  s.Light = ByteAt(words.w0, 8);
  s.Speed = ByteAt(words.w0, 16);
  s.Fx = ByteAt(words.w0, 24);
  s.MultiColor = ByteAt(words.w1, 0) != 0 ? 1 : 0;
  s.Red = ByteAt(words.w1, 8);
  s.Green = ByteAt(words.w1, 16);
  s.Blue = ByteAt(words.w1, 24);
  s.ZZCCLedMode = ByteAt(words.w2, 24);
  s.CustomGroup = static_cast<std::uint8_t>(words.w3 & 0xFFu);
  s.OldLedmode = static_cast<std::uint8_t>(words.w3 >> 8);
  return s;
}

std::uint32_t PackAssignment(const KeyAssignment& a) {
  return Bytes(a.C, a.B, a.A, 0);
}

KeyAssignment UnpackAssignment(std::int64_t packed) {
  const auto word = static_cast<std::uint32_t>(packed);
  return KeyAssignment{ByteAt(word, 16), ByteAt(word, 8), ByteAt(word, 0)};
}

SystemWords KeyboardSystem::Pack() const {
  return {Halves(Repeat, RepeatDelay), Halves(Key6Flag, PollingRate), Halves(WFlag, WinFlag)};
}

KeyboardSystem KeyboardSystem::Unpack(const SystemWords& w) {
  return KeyboardSystem{LowHalf(w[0]),  HighHalf(w[0]), LowHalf(w[1]),
                        HighHalf(w[1]), LowHalf(w[2]),  HighHalf(w[2])};
}

SystemWords MouseSystem::Pack() const {
  return {Halves(DoubleClickTime, MouseSpeed), Halves(PointerPrecision, ScorllPage),
          Halves(WheelScorlllinse, ReportStage)};
}

MouseSystem MouseSystem::Unpack(const SystemWords& w) {
  return MouseSystem{LowHalf(w[0]),  HighHalf(w[0]), LowHalf(w[1]),
                     HighHalf(w[1]), LowHalf(w[2]),  HighHalf(w[2])};
}

}  // namespace norvik::profiles
