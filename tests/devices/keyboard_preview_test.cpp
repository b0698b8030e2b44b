#include "devices/light_preview.h"

#include <gtest/gtest.h>

#include "keyboard_test_rig.h"

namespace norvik::devices {
namespace {

profiles::LightState Values(std::uint8_t mode, std::uint8_t multicolour = 0) {
  profiles::LightState v;
  v.SelectItem = mode;
  v.Light = 4;
  v.Speed = 2;
  v.MultiColor = multicolour;
  v.Red = 0x10;
  v.Green = 0x20;
  v.Blue = 0x30;
  return v;
}

TEST(PreviewThresholds, FollowTheRowOfEachMode) {
  const ThresholdRow standard = {6, 5, 4, 3, 2, 1};
  const ThresholdRow slow = {7, 6, 5, 4, 3, 2};
  const ThresholdRow late = {0, 28, 23, 18, 13, 7};
  for (std::uint8_t speed = 0; speed < kPreviewSpeeds; ++speed) {
    EXPECT_EQ(KeyboardPreviewThreshold(1, speed), standard[speed]) << "wave, speed " << int{speed};
    EXPECT_EQ(KeyboardPreviewThreshold(5, speed), slow[speed]) << "breathing";
    EXPECT_EQ(KeyboardPreviewThreshold(23, speed), 3) << "flash";
    for (std::uint8_t mode = 25; mode <= 28; ++mode) {
      EXPECT_EQ(KeyboardPreviewThreshold(mode, speed), late[speed]) << "mode " << int{mode};
    }
    EXPECT_EQ(MousePadPreviewThreshold(0, speed), standard[speed]);
    EXPECT_EQ(MousePadPreviewThreshold(4, speed), slow[speed]);
  }
  EXPECT_EQ(KeyboardPreviewThreshold(1, 9), 1) << "speeds above 5 count as 5";
  EXPECT_EQ(KeyboardPreviewThreshold(29, 2), 0);
  EXPECT_EQ(MousePadPreviewThreshold(9, 2), 0);
}

TEST(PreviewEffects, ReactiveModesAreSevenEightNineAndTwentyFive) {
  for (std::uint8_t mode = 0; mode < kKeyboardPreviewModes; ++mode) {
    const bool reactive = mode == 7 || mode == 8 || mode == 9 || mode == 25;
    EXPECT_EQ(IsReactiveEffect(KeyboardPreviewEffect(mode)), reactive) << "mode " << int{mode};
  }
  EXPECT_EQ(KeyboardPreviewEffect(20), PreviewEffect::Custom);
  EXPECT_EQ(KeyboardPreviewEffect(40), PreviewEffect::Static) << "a user effect stands";
  EXPECT_EQ(MousePadPreviewEffect(8), PreviewEffect::Off);
  EXPECT_EQ(MousePadPreviewEffect(3), PreviewEffect::Static);
}

TEST(LightPreview, StaticPaintsTheColourAtTheBrightnessLevel) {
  LightPreview preview(KeyboardPreviewLayout());
  std::vector<LedEntry> leds(126);
  profiles::LightState v = Values(6);
  v.Light = 2;
  preview.Reset(PreviewEffect::Static, v, leds);
  EXPECT_EQ(leds[0], (LedEntry{0x10, 0x20, 0x30, 128}));
  EXPECT_EQ(leds[125], (LedEntry{0x10, 0x20, 0x30, 128}));
  EXPECT_FALSE(preview.Step(leds)) << "a standing effect does not change";
}

TEST(LightPreview, OffDarkensAndCustomLeavesTheEntriesAlone) {
  LightPreview preview(KeyboardPreviewLayout());
  std::vector<LedEntry> leds(126, LedEntry{1, 2, 3, 4});
  preview.Reset(PreviewEffect::Custom, Values(20), leds);
  EXPECT_EQ(leds[10], (LedEntry{1, 2, 3, 4}));
  EXPECT_FALSE(preview.Step(leds));
  preview.Reset(PreviewEffect::Off, Values(0), leds);
  EXPECT_EQ(leds[10].brightness, 0);
}

TEST(LightPreview, WaveMovesWithEachStepAndTheOptionTurnsItAround) {
  LightPreview right(KeyboardPreviewLayout());
  LightPreview left(KeyboardPreviewLayout());
  std::vector<LedEntry> a(126), b(126);
  profiles::LightState v = Values(1, 1);
  right.Reset(PreviewEffect::Wave, v, a);
  v.Fx = 1;
  left.Reset(PreviewEffect::Wave, v, b);
  EXPECT_EQ(a, b) << "both start from the same picture";
  EXPECT_TRUE(right.Step(a));
  EXPECT_TRUE(left.Step(b));
  EXPECT_NE(a, b);
  // A wave moving right shows at column c what column c - 1 showed... shifted by one hue step;
  // after a full turn of the wheel it is back.
  std::vector<LedEntry> start(126);
  LightPreview round(KeyboardPreviewLayout());
  round.Reset(PreviewEffect::Wave, Values(1, 1), start);
  std::vector<LedEntry> now = start;
  for (int i = 0; i < 32; ++i) round.Step(now);
  EXPECT_EQ(now, start);
}

TEST(LightPreview, BreathingFadesInAndOut) {
  LightPreview preview(MousePadPreviewLayout());
  std::vector<LedEntry> leds(kMousePadLightCount);
  preview.Reset(PreviewEffect::Breathing, Values(4), leds);
  EXPECT_EQ(leds[0].brightness, 0);
  int peak = 0;
  for (int i = 0; i < 16; ++i) {
    preview.Step(leds);
    peak = std::max<int>(peak, leds[0].brightness);
  }
  EXPECT_GT(peak, 240);
  for (int i = 0; i < 16; ++i) preview.Step(leds);
  EXPECT_EQ(leds[0].brightness, 0) << "a breath lasts 32 steps";
}

TEST(LightPreview, ReactiveKeyLightsWhilePressedAndFadesAfterRelease) {
  LightPreview preview(KeyboardPreviewLayout());
  std::vector<LedEntry> leds(126);
  preview.Reset(PreviewEffect::Reactive, Values(7), leds);
  EXPECT_EQ(leds[64].brightness, 0);
  preview.Press(64);
  preview.Repaint(leds);
  EXPECT_EQ(leds[64].brightness, 255);
  EXPECT_EQ(leds[65].brightness, 0);
  preview.Step(leds);
  EXPECT_EQ(leds[64].brightness, 255) << "held keys stay lit";
  preview.Release(64);
  int steps = 0;
  while (leds[64].brightness > 0 && steps < 100) {
    preview.Step(leds);
    ++steps;
  }
  EXPECT_EQ(steps, 11) << "255 fades in steps of 24";
}

TEST(LightPreview, ReactiveLineLightsTheRowAndCrossAlsoTheColumn) {
  const PreviewLayout& layout = KeyboardPreviewLayout();
  std::vector<LedEntry> leds(126);
  LightPreview line(layout);
  line.Reset(PreviewEffect::ReactiveLine, Values(9), leds);
  line.Press(64);
  for (std::size_t i = 0; i < 126; ++i) {
    const bool same_row = layout.cells[i].row == layout.cells[64].row;
    EXPECT_EQ(line.Level(i) == 255, same_row) << "key " << i;
  }
  LightPreview cross(layout);
  cross.Reset(PreviewEffect::ReactiveCross, Values(25), leds);
  cross.Press(64);
  for (std::size_t i = 0; i < 126; ++i) {
    const bool lit = layout.cells[i].row == layout.cells[64].row ||
                     layout.cells[i].column == layout.cells[64].column;
    EXPECT_EQ(cross.Level(i) == 255, lit) << "key " << i;
  }
}

TEST(LightPreview, RippleSpreadsOneCellPerStep) {
  const PreviewLayout& layout = KeyboardPreviewLayout();
  std::vector<LedEntry> leds(126);
  LightPreview ripple(layout);
  ripple.Reset(PreviewEffect::Ripple, Values(8), leds);
  ripple.Press(64);
  ripple.Release(64);
  ripple.Step(leds);
  ripple.Step(leds);
  // After two steps the ring stands two cells away from key 64.
  for (std::size_t i = 0; i < 126; ++i) {
    const int d = std::abs(layout.cells[i].column - layout.cells[64].column) +
                  std::abs(layout.cells[i].row - layout.cells[64].row);
    if (d == 2) {
      EXPECT_EQ(ripple.Level(i), 255) << "key " << i;
    }
    if (d > 2) {
      EXPECT_EQ(ripple.Level(i), 0) << "key " << i;
    }
  }
}

TEST(LightPreview, PressesAreIgnoredOutsideTheReactiveEffects) {
  LightPreview preview(KeyboardPreviewLayout());
  std::vector<LedEntry> leds(126);
  preview.Reset(PreviewEffect::Static, Values(6), leds);
  preview.Press(64);
  EXPECT_EQ(preview.Level(64), 0);
  preview.Press(500);  // outside the layout: nothing
}

TEST(LightPreview, SparkleRepeatsTheSameSequenceAfterAReset) {
  LightPreview preview(KeyboardPreviewLayout());
  std::vector<LedEntry> first(126), second(126);
  preview.Reset(PreviewEffect::Sparkle, Values(13), first);
  for (int i = 0; i < 5; ++i) EXPECT_TRUE(preview.Step(first));
  preview.Reset(PreviewEffect::Sparkle, Values(13), second);
  for (int i = 0; i < 5; ++i) preview.Step(second);
  EXPECT_EQ(first, second);
  int lit = 0;
  for (const LedEntry& e : first) lit += e.brightness > 0 ? 1 : 0;
  EXPECT_GE(lit, 1);
  EXPECT_LE(lit, 5);
}

}  // namespace
}  // namespace norvik::devices
