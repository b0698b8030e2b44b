// The lighting synchroniser: its tables and the five effects, driven by a test clock.

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <vector>

#include "devices/lighting_sync.h"

namespace norvik::devices {
namespace {

// The rising half of the breathing ramp, value by value.
constexpr std::array<int, 64> kRisingRamp = {
    0,   1,   2,   3,   4,   5,   6,   7,   8,   9,   10,  12,  14,  16,  18,  20,
    22,  24,  27,  30,  33,  36,  39,  42,  45,  49,  53,  57,  61,  65,  69,  73,
    77,  81,  85,  89,  94,  99,  104, 109, 114, 119, 124, 129, 134, 140, 146, 152,
    158, 164, 170, 176, 182, 188, 194, 200, 206, 213, 220, 227, 234, 241, 248, 255};
constexpr std::array<int, 32> kU = {1,   3,   5,   7,   10,  14,  18,  22,  26,  32,  38,
                                    44,  50,  57,  65,  73,  81,  89,  99,  109, 119, 129,
                                    140, 152, 164, 176, 188, 200, 213, 227, 241, 255};
constexpr std::array<int, 32> kD = {248, 234, 220, 206, 194, 182, 170, 158, 146, 134, 124,
                                    114, 104, 94,  85,  77,  69,  61,  53,  47,  41,  35,
                                    29,  24,  20,  16,  12,  8,   6,   4,   2,   0};

SyncParameters Params(SyncEffect effect, int level = 5, int speed = 5) {
  SyncParameters p;
  p.effect = static_cast<int>(effect);
  p.brightness_level = level;
  p.speed_index = speed;
  p.colour = {10, 20, 30};
  return p;
}

TEST(SyncTables, RampRisesInItsSevenRunsThenMirrors) {
  const auto& ramp = SyncRamp();
  for (std::size_t i = 0; i < kRisingRamp.size(); ++i) {
    EXPECT_EQ(ramp[i], kRisingRamp[i]) << "ramp[" << i << "]";
    EXPECT_EQ(ramp[127 - i], kRisingRamp[i]) << "ramp[" << 127 - i << "]";
  }
}

TEST(SyncTables, ColourWheelSegmentsUseRisingAndFallingSequences) {
  const auto& wheel = SyncColourWheel();
  for (std::size_t i = 0; i < 32; ++i) {
    const auto u = static_cast<std::uint8_t>(kU[i]);
    const auto d = static_cast<std::uint8_t>(kD[i]);
    EXPECT_EQ(wheel[i], (SyncColour{255, u, 0})) << "entry " << i;
    EXPECT_EQ(wheel[32 + i], (SyncColour{d, 255, 0})) << "entry " << 32 + i;
    EXPECT_EQ(wheel[64 + i], (SyncColour{0, 255, u})) << "entry " << 64 + i;
    EXPECT_EQ(wheel[96 + i], (SyncColour{0, d, 255})) << "entry " << 96 + i;
    EXPECT_EQ(wheel[128 + i], (SyncColour{u, 0, 255})) << "entry " << 128 + i;
    EXPECT_EQ(wheel[160 + i], (SyncColour{255, 0, d})) << "entry " << 160 + i;
  }
}

TEST(SyncTables, ThresholdsBySpeedAndLevelsByBrightness) {
  const std::array<int, 16> thresholds = {28, 23, 18, 13, 7, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
  for (int speed = 0; speed < 16; ++speed) {
    EXPECT_EQ(SyncThreshold(speed), thresholds[static_cast<std::size_t>(speed)])
        << "speed " << speed;
  }
  EXPECT_EQ(SyncThreshold(-3), 28);
  const std::array<int, 6> levels = {0, 40, 80, 135, 195, 255};
  for (int level = 0; level < 6; ++level) {
    EXPECT_EQ(SyncLevel(level), levels[static_cast<std::size_t>(level)]) << "level " << level;
  }
  EXPECT_EQ(SyncLevel(-1), 0);
  EXPECT_EQ(SyncLevel(9), 255);
}

TEST(SyncFrame, PacksRedLowThenGreenBlueBrightness) {
  const std::uint32_t frame = PackSyncFrame({0x11, 0x22, 0x33}, 0x44);
  EXPECT_EQ(frame, 0x44332211u);
  EXPECT_EQ(SyncFrameColour(frame), (SyncColour{0x11, 0x22, 0x33}));
  EXPECT_EQ(SyncFrameBrightness(frame), 0x44);
}

TEST(LightingSync, FrameComesWhenTicksOfMoreThanOneMillisecondReachTheThreshold) {
  LightingSync sync;
  sync.SetParameters(Params(SyncEffect::Steady, 5, 0));  // threshold 28
  std::uint64_t now = 5000;
  ASSERT_FALSE(sync.Step(now));  // starts the tick clock
  for (int tick = 1; tick < 28; ++tick) {
    now += 2;
    ASSERT_FALSE(sync.Step(now)) << "frame after only " << tick << " ticks";
  }
  now += 2;
  const auto frame = sync.Step(now);
  ASSERT_TRUE(frame);
  EXPECT_EQ(*frame, PackSyncFrame({10, 20, 30}, 255));
  // The count starts again from zero.
  now += 2;
  EXPECT_FALSE(sync.Step(now));
}

TEST(LightingSync, TicksCountOnlyOnceTheClockIsMoreThanOneMillisecondPastTheLastTick) {
  LightingSync sync;
  sync.SetParameters(Params(SyncEffect::Steady, 5, 4));  // threshold 7
  // A clock that stands still counts nothing.
  for (int pass = 0; pass < 50; ++pass) ASSERT_FALSE(sync.Step(100)) << "pass " << pass;
  // Moving by 1 ms per pass, every second pass is 2 ms past the last tick: 7 ticks take 14.
  std::uint64_t now = 100;
  for (int pass = 1; pass < 14; ++pass) {
    ASSERT_FALSE(sync.Step(++now)) << "pass " << pass;
  }
  EXPECT_TRUE(sync.Step(++now));
}

TEST(LightingSync, FastSpeedsGiveAFrameOnEveryPass) {
  LightingSync sync;
  sync.SetParameters(Params(SyncEffect::Steady, 3, 9));
  for (std::uint64_t now = 0; now < 5; ++now) {
    const auto frame = sync.Step(now);
    ASSERT_TRUE(frame) << "pass " << now;
    EXPECT_EQ(*frame, PackSyncFrame({10, 20, 30}, 135));
  }
}

TEST(LightingSync, BreathingUpScalesTheLevelByTheRampAndWrapsAfter127) {
  LightingSync sync;
  SyncParameters p = Params(SyncEffect::Breathing, 4);  // level 195
  p.direction_up = true;
  sync.SetParameters(p);
  for (int phase = 1; phase <= 127; ++phase) {
    const std::uint32_t frame = sync.NextFrame(0);
    const int ramp = SyncRamp()[static_cast<std::size_t>(phase)];
    ASSERT_EQ(SyncFrameBrightness(frame), 195 * ramp >> 8) << "phase " << phase;
    ASSERT_EQ(SyncFrameColour(frame), (SyncColour{10, 20, 30})) << "phase " << phase;
  }
  EXPECT_EQ(sync.BreathingPhase(), 127);
  EXPECT_EQ(SyncFrameBrightness(sync.NextFrame(0)), 0);
  EXPECT_EQ(sync.BreathingPhase(), 0);
}

TEST(LightingSync, BreathingDownGoesFromZeroTo127) {
  LightingSync sync;
  SyncParameters p = Params(SyncEffect::Breathing, 5);
  p.direction_up = false;
  sync.SetParameters(p);
  sync.NextFrame(0);
  EXPECT_EQ(sync.BreathingPhase(), 127);
  const std::uint32_t frame = sync.NextFrame(0);
  EXPECT_EQ(sync.BreathingPhase(), 126);
  EXPECT_EQ(SyncFrameBrightness(frame), 255 * SyncRamp()[126] >> 8);
}

TEST(LightingSync, ColourfulBreathingMovesTheWheelBy16AtPhasesZeroAndOne) {
  LightingSync sync;
  SyncParameters p = Params(SyncEffect::Breathing, 5);
  p.colourful = true;
  sync.SetParameters(p);
  // Phase 1 on the first frame: one step of the wheel.
  EXPECT_EQ(SyncFrameColour(sync.NextFrame(0)), SyncColourWheel()[16]);
  for (int phase = 2; phase <= 127; ++phase) {
    ASSERT_EQ(SyncFrameColour(sync.NextFrame(0)), SyncColourWheel()[16]) << "phase " << phase;
  }
  EXPECT_EQ(SyncFrameColour(sync.NextFrame(0)), SyncColourWheel()[32]);  // phase 0
  EXPECT_EQ(SyncFrameColour(sync.NextFrame(0)), SyncColourWheel()[48]);  // phase 1
  // Each full breathing cycle passes phases 0 and 1 once: two steps of 16.
  for (int i = 0; i < 128 * 5; ++i) sync.NextFrame(0);
  EXPECT_EQ(sync.BreathingWheelPosition(), (48 + 10 * 16) % 192);
}

TEST(LightingSync, SteadyIsTheFixedColourAtTheLevel) {
  LightingSync sync;
  sync.SetParameters(Params(SyncEffect::Steady, 2));
  EXPECT_EQ(sync.NextFrame(0), PackSyncFrame({10, 20, 30}, 80));
  EXPECT_EQ(sync.NextFrame(99999), PackSyncFrame({10, 20, 30}, 80));
}

TEST(LightingSync, BlinkingTogglesAfterThresholdTimes200Milliseconds) {
  LightingSync sync;
  sync.SetParameters(Params(SyncEffect::Blinking, 3, 2));  // threshold 18: 3600 ms
  const std::uint32_t on = PackSyncFrame({10, 20, 30}, 135);
  EXPECT_EQ(sync.NextFrame(10000), on);
  EXPECT_EQ(sync.NextFrame(13599), on);
  EXPECT_EQ(sync.NextFrame(13600), 0u);
  EXPECT_EQ(sync.NextFrame(17000), 0u);
  EXPECT_EQ(sync.NextFrame(17200), on);
}

TEST(LightingSync, ColourfulBlinkingStepsTheWheelBy14AndRestartsPast191) {
  LightingSync sync;
  SyncParameters p = Params(SyncEffect::Blinking, 5, 7);  // threshold 0: toggles every frame
  p.colourful = true;
  sync.SetParameters(p);
  std::vector<int> positions;
  for (int i = 0; i < 15; ++i) {
    const std::uint32_t frame = sync.NextFrame(static_cast<std::uint64_t>(i));
    positions.push_back(sync.BlinkingWheelPosition());
    if (sync.BlinkOn()) {
      EXPECT_EQ(SyncFrameColour(frame),
                SyncColourWheel()[static_cast<std::size_t>(sync.BlinkingWheelPosition())]);
      EXPECT_EQ(SyncFrameBrightness(frame), 255);
    } else {
      EXPECT_EQ(frame, 0u);
    }
  }
  const std::vector<int> expected = {14,  28,  42,  56,  70,  84, 98, 112,
                                     126, 140, 154, 168, 182, 0,  14};
  EXPECT_EQ(positions, expected);
}

TEST(LightingSync, ColourCycleWalksTheWheelOneByOneAndWraps) {
  LightingSync sync;
  sync.SetParameters(Params(SyncEffect::ColourCycle, 1));
  for (int i = 1; i < 192; ++i) {
    const std::uint32_t frame = sync.NextFrame(0);
    ASSERT_EQ(frame, PackSyncFrame(SyncColourWheel()[static_cast<std::size_t>(i)], 40))
        << "step " << i;
  }
  EXPECT_EQ(sync.NextFrame(0), PackSyncFrame(SyncColourWheel()[0], 40));
}

TEST(LightingSync, DarkAndUnknownEffectsAreAllZero) {
  LightingSync sync;
  sync.SetParameters(Params(SyncEffect::Dark));
  EXPECT_EQ(sync.NextFrame(0), 0u);
  SyncParameters unknown = Params(SyncEffect::Steady);
  unknown.effect = 9;
  sync.SetParameters(unknown);
  EXPECT_EQ(sync.NextFrame(0), 0u);
}

TEST(LightingSync, ResetReturnsEveryAnimationToItsStart) {
  LightingSync sync;
  SyncParameters p = Params(SyncEffect::ColourCycle);
  sync.SetParameters(p);
  for (int i = 0; i < 10; ++i) sync.NextFrame(0);
  p.effect = static_cast<int>(SyncEffect::Breathing);
  sync.SetParameters(p);
  sync.NextFrame(0);
  sync.Reset();
  EXPECT_EQ(sync.CycleWheelPosition(), 0);
  EXPECT_EQ(sync.BreathingPhase(), 0);
  EXPECT_FALSE(sync.BlinkOn());
}

}  // namespace
}  // namespace norvik::devices
