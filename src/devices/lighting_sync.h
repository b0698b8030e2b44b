#pragma once
// The program-wide lighting synchroniser: when the user synchronises the lighting of every
// device, one effect is computed here and the same packed frame is handed to every device.
// Pure code: time is passed in, so the thread that drives it (and the tests) decide the clock.

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>

namespace norvik::devices {

inline constexpr std::size_t kSyncRampSize = 128;
inline constexpr std::size_t kSyncWheelSize = 192;
inline constexpr std::size_t kSyncLevelCount = 6;
// Speed indexes 5-14 share the last threshold; larger ones are treated as 14.
inline constexpr int kSyncMaxSpeedIndex = 14;

struct SyncColour {
  std::uint8_t red = 0;
  std::uint8_t green = 0;
  std::uint8_t blue = 0;
  bool operator==(const SyncColour&) const = default;
};

// The breathing brightness curve: rises over 64 steps from 0 to 255, then falls back.
const std::array<std::uint8_t, kSyncRampSize>& SyncRamp();
// Six segments of 32 colours walking red → yellow → green → cyan → blue → magenta → red.
const std::array<SyncColour, kSyncWheelSize>& SyncColourWheel();
// Brightness of each level 0-5; levels outside the table are clamped to it.
std::uint8_t SyncLevel(int brightness_level);
// Ticks between two frames for a speed index (the same for every effect). Negative indexes
// count as 0, indexes above 14 as 14.
int SyncThreshold(int speed_index);

enum class SyncEffect : std::uint8_t {
  Breathing = 0,
  Steady = 1,
  Blinking = 2,
  ColourCycle = 3,
  Dark = 4,
};

// The values set when the user synchronises the lighting. An effect number outside 0-4
// gives dark frames.
struct SyncParameters {
  int effect = static_cast<int>(SyncEffect::Steady);
  int brightness_level = 5;
  int speed_index = 0;
  bool direction_up = true;
  bool colourful = false;
  SyncColour colour;
};

// One frame in one 32-bit value: red in the low byte, then green, blue and brightness.
std::uint32_t PackSyncFrame(SyncColour colour, std::uint8_t brightness);
SyncColour SyncFrameColour(std::uint32_t frame);
std::uint8_t SyncFrameBrightness(std::uint32_t frame);

class LightingSync {
 public:
  // Parameters may change at any time; the animation positions carry on from where they are.
  void SetParameters(const SyncParameters& parameters) { parameters_ = parameters; }
  const SyncParameters& Parameters() const { return parameters_; }

  // One pass of the synchroniser loop at time now_ms (a millisecond tick count). A tick is
  // counted each time the clock has moved on by more than 1 ms since the last counted tick;
  // when the count reaches the speed's threshold it is reset and a frame is computed and
  // returned. Otherwise nothing.
  std::optional<std::uint32_t> Step(std::uint64_t now_ms);

  // Computes the next frame of the current effect at once, advancing its animation.
  std::uint32_t NextFrame(std::uint64_t now_ms);

  // Back to the start of every animation and the tick count.
  void Reset();

  // Animation positions, for inspection.
  int BreathingPhase() const { return breathing_phase_; }
  int BreathingWheelPosition() const { return breathing_wheel_; }
  int BlinkingWheelPosition() const { return blinking_wheel_; }
  bool BlinkOn() const { return blink_on_; }
  int CycleWheelPosition() const { return cycle_wheel_; }

 private:
  std::uint32_t Breathing();
  std::uint32_t Blinking(std::uint64_t now_ms);

  SyncParameters parameters_;
  int ticks_ = 0;
  std::optional<std::uint64_t> last_tick_ms_;
  int breathing_phase_ = 0;
  int breathing_wheel_ = 0;
  int blinking_wheel_ = 0;
  bool blink_on_ = false;
  std::optional<std::uint64_t> last_toggle_ms_;
  int cycle_wheel_ = 0;
};

}  // namespace norvik::devices
