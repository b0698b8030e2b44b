#include "devices/lighting_sync.h"

#include <algorithm>

namespace norvik::devices {
namespace {

// One run of the rising half of the ramp: from `first` up to `last` in steps of `step`.
struct RampRun {
  int first;
  int last;
  int step;
};
constexpr std::array<RampRun, 7> kRampRuns = {{
    {0, 10, 1},
    {12, 24, 2},
    {27, 45, 3},
    {49, 89, 4},
    {94, 134, 5},
    {140, 206, 6},
    {213, 255, 7},
}};

constexpr std::array<std::uint8_t, kSyncRampSize> MakeRamp() {
  std::array<std::uint8_t, kSyncRampSize> ramp{};
  std::size_t i = 0;
  for (const RampRun& run : kRampRuns) {
    for (int v = run.first; v <= run.last; v += run.step) ramp[i++] = static_cast<std::uint8_t>(v);
  }
  // The falling half mirrors the rising one.
  for (std::size_t j = 0; j < kSyncRampSize / 2; ++j) ramp[kSyncRampSize - 1 - j] = ramp[j];
  return ramp;
}

constexpr std::size_t RampRisingLength() {
  std::size_t n = 0;
  for (const RampRun& run : kRampRuns)
    n += static_cast<std::size_t>((run.last - run.first) / run.step + 1);
  return n;
}
static_assert(RampRisingLength() == kSyncRampSize / 2, "the rising ramp fills half the table");

constexpr std::size_t kWheelSegment = 32;
constexpr std::array<std::uint8_t, kWheelSegment> kRising = {
    1,  3,  5,  7,   10,  14,  18,  22,  26,  32,  38,  44,  50,  57,  65,  73,
    81, 89, 99, 109, 119, 129, 140, 152, 164, 176, 188, 200, 213, 227, 241, 255};
constexpr std::array<std::uint8_t, kWheelSegment> kFalling = {
    248, 234, 220, 206, 194, 182, 170, 158, 146, 134, 124, 114, 104, 94, 85, 77,
    69,  61,  53,  47,  41,  35,  29,  24,  20,  16,  12,  8,   6,   4,  2,  0};

constexpr std::array<SyncColour, kSyncWheelSize> MakeWheel() {
  std::array<SyncColour, kSyncWheelSize> wheel{};
  for (std::size_t i = 0; i < kWheelSegment; ++i) {
    const std::uint8_t u = kRising[i];
    const std::uint8_t d = kFalling[i];
    wheel[i] = {255, u, 0};
    wheel[kWheelSegment + i] = {d, 255, 0};
    wheel[2 * kWheelSegment + i] = {0, 255, u};
    wheel[3 * kWheelSegment + i] = {0, d, 255};
    wheel[4 * kWheelSegment + i] = {u, 0, 255};
    wheel[5 * kWheelSegment + i] = {255, 0, d};
  }
  return wheel;
}

constexpr std::array<std::uint8_t, kSyncRampSize> kRamp = MakeRamp();
constexpr std::array<SyncColour, kSyncWheelSize> kWheel = MakeWheel();
constexpr std::array<std::uint8_t, kSyncLevelCount> kLevels = {0, 40, 80, 135, 195, 255};
constexpr std::array<int, 5> kThresholds = {28, 23, 18, 13, 7};  // speeds 0-4; faster ones 0

constexpr int kRampLast = static_cast<int>(kSyncRampSize) - 1;
constexpr int kWheelCount = static_cast<int>(kSyncWheelSize);
constexpr int kBreathingWheelStep = 16;
constexpr int kBlinkingWheelStep = 14;
constexpr std::uint64_t kBlinkMsPerThresholdTick = 200;

}  // namespace

const std::array<std::uint8_t, kSyncRampSize>& SyncRamp() {
  return kRamp;
}

const std::array<SyncColour, kSyncWheelSize>& SyncColourWheel() {
  return kWheel;
}

std::uint8_t SyncLevel(int brightness_level) {
  const int last = static_cast<int>(kSyncLevelCount) - 1;
  return kLevels[static_cast<std::size_t>(std::clamp(brightness_level, 0, last))];
}

int SyncThreshold(int speed_index) {
  const int speed = std::clamp(speed_index, 0, kSyncMaxSpeedIndex);
  return speed < static_cast<int>(kThresholds.size()) ? kThresholds[static_cast<std::size_t>(speed)]
                                                      : 0;
}

std::uint32_t PackSyncFrame(SyncColour colour, std::uint8_t brightness) {
  return static_cast<std::uint32_t>(colour.red) | static_cast<std::uint32_t>(colour.green) << 8 |
         static_cast<std::uint32_t>(colour.blue) << 16 |
         static_cast<std::uint32_t>(brightness) << 24;
}

SyncColour SyncFrameColour(std::uint32_t frame) {
  return {static_cast<std::uint8_t>(frame & 0xFF), static_cast<std::uint8_t>(frame >> 8 & 0xFF),
          static_cast<std::uint8_t>(frame >> 16 & 0xFF)};
}

std::uint8_t SyncFrameBrightness(std::uint32_t frame) {
  return static_cast<std::uint8_t>(frame >> 24);
}

std::optional<std::uint32_t> LightingSync::Step(std::uint64_t now_ms) {
  if (!last_tick_ms_) {
    last_tick_ms_ = now_ms;
  } else if (now_ms > *last_tick_ms_ + 1) {
    ++ticks_;
    last_tick_ms_ = now_ms;
  }
  if (ticks_ < SyncThreshold(parameters_.speed_index)) return std::nullopt;
  ticks_ = 0;
  return NextFrame(now_ms);
}

std::uint32_t LightingSync::NextFrame(std::uint64_t now_ms) {
  const std::uint8_t level = SyncLevel(parameters_.brightness_level);
  switch (static_cast<SyncEffect>(parameters_.effect)) {
    case SyncEffect::Breathing:
      return Breathing();
    case SyncEffect::Steady:
      return PackSyncFrame(parameters_.colour, level);
    case SyncEffect::Blinking:
      return Blinking(now_ms);
    case SyncEffect::ColourCycle:
      cycle_wheel_ = (cycle_wheel_ + 1) % kWheelCount;
      return PackSyncFrame(kWheel[static_cast<std::size_t>(cycle_wheel_)], level);
    case SyncEffect::Dark:
      break;
  }
  return 0;
}

std::uint32_t LightingSync::Breathing() {
  if (parameters_.direction_up) {
    breathing_phase_ = breathing_phase_ >= kRampLast ? 0 : breathing_phase_ + 1;
  } else {
    breathing_phase_ = breathing_phase_ <= 0 ? kRampLast : breathing_phase_ - 1;
  }
  SyncColour colour = parameters_.colour;
  if (parameters_.colourful) {
    if (breathing_phase_ <= 1)
      breathing_wheel_ = (breathing_wheel_ + kBreathingWheelStep) % kWheelCount;
    colour = kWheel[static_cast<std::size_t>(breathing_wheel_)];
  }
  const unsigned level = SyncLevel(parameters_.brightness_level);
  const unsigned ramp = kRamp[static_cast<std::size_t>(breathing_phase_)];
  return PackSyncFrame(colour, static_cast<std::uint8_t>(level * ramp >> 8));
}

std::uint32_t LightingSync::Blinking(std::uint64_t now_ms) {
  const auto interval =
      static_cast<std::uint64_t>(SyncThreshold(parameters_.speed_index)) * kBlinkMsPerThresholdTick;
  // A clock that went backwards counts as enough time passed, so the blink never freezes.
  if (!last_toggle_ms_ || now_ms < *last_toggle_ms_ || now_ms - *last_toggle_ms_ >= interval) {
    blink_on_ = !blink_on_;
    last_toggle_ms_ = now_ms;
    blinking_wheel_ += kBlinkingWheelStep;
    if (blinking_wheel_ >= kWheelCount) blinking_wheel_ = 0;
  }
  if (!blink_on_) return 0;
  const SyncColour colour = parameters_.colourful
                                ? kWheel[static_cast<std::size_t>(blinking_wheel_)]
                                : parameters_.colour;
  return PackSyncFrame(colour, SyncLevel(parameters_.brightness_level));
}

void LightingSync::Reset() {
  ticks_ = 0;
  last_tick_ms_.reset();
  breathing_phase_ = 0;
  breathing_wheel_ = 0;
  blinking_wheel_ = 0;
  blink_on_ = false;
  last_toggle_ms_.reset();
  cycle_wheel_ = 0;
}

}  // namespace norvik::devices
