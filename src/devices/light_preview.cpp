#include "devices/light_preview.h"

#include <algorithm>
#include <cstdlib>

namespace norvik::devices {
namespace {

constexpr ThresholdRow kStandardRow = {6, 5, 4, 3, 2, 1};
constexpr ThresholdRow kSlowRow = {7, 6, 5, 4, 3, 2};
constexpr ThresholdRow kFixedRow = {3, 3, 3, 3, 3, 3};
// Modes 25-28: frozen at speed 0, then from slow to fast.
constexpr ThresholdRow kLateRow = {0, 28, 23, 18, 13, 7};

constexpr std::uint8_t kKeyboardBreathingMode = 5;
constexpr std::uint8_t kKeyboardFlashMode = 23;
constexpr std::uint8_t kKeyboardFirstLateMode = 25;
constexpr std::uint8_t kMousePadBreathingMode = 4;

constexpr std::array<std::uint8_t, kBrightnessLevels> kBrightnessLevelTable = {0, 64, 128, 192,
                                                                               255};

// First key id of each keyboard row; the row runs to the next start.
constexpr std::array<int, kKeyboardGridRows + 1> kRowStarts = {0, 21, 42, 62, 84, 105, 126};

constexpr std::array<PreviewEffect, kKeyboardPreviewModes> kKeyboardEffects = {
    PreviewEffect::Off,                // 0 off
    PreviewEffect::Wave,               // 1 wave
    PreviewEffect::Wave,               // 2 neon stream
    PreviewEffect::CentreWave,         // 3 spiral
    PreviewEffect::Spectrum,           // 4 spectrum cycle
    PreviewEffect::Breathing,          // 5 breathing
    PreviewEffect::Static,             // 6 static
    PreviewEffect::Reactive,           // 7 reactive
    PreviewEffect::Ripple,             // 8 ripple
    PreviewEffect::ReactiveLine,       // 9 reactive line
    PreviewEffect::Sparkle,            // 10 raindrops
    PreviewEffect::RainbowBreathing,   // 11 rainbow breathing
    PreviewEffect::Fall,               // 12 rain fall
    PreviewEffect::Sparkle,            // 13 starlight
    PreviewEffect::Sparkle,            // 14 twinkle
    PreviewEffect::Snake,              // 15 snake
    PreviewEffect::StaticMulticolour,  // 16 steady multicolour
    PreviewEffect::Static,             // 17 area
    PreviewEffect::CentreWave,         // 18 centre wave
    PreviewEffect::Off,                // 19 reserved
    PreviewEffect::Custom,             // 20 custom
    PreviewEffect::Fall,               // 21 curtain
    PreviewEffect::Sparkle,            // 22 fireworks
    PreviewEffect::Flash,              // 23 flash
    PreviewEffect::Wave,               // 24 rotation
    PreviewEffect::ReactiveCross,      // 25 reactive cross
    PreviewEffect::Aurora,             // 26 aurora
    PreviewEffect::Wave,               // 27 rainbow sweep
    PreviewEffect::Off,                // 28 dark
};

constexpr std::array<PreviewEffect, kMousePadPreviewModes> kMousePadEffects = {
    PreviewEffect::Wave,   PreviewEffect::Spectrum,  PreviewEffect::Snake,
    PreviewEffect::Static, PreviewEffect::Breathing, PreviewEffect::Off,
    PreviewEffect::Off,    PreviewEffect::Off,       PreviewEffect::Off,
};

// How far the reactive and sparkle lights fade per step.
constexpr std::uint8_t kFadeStep = 24;
constexpr std::uint8_t kSnakeFadeStep = 64;
// Hue advance per step and hue spread across the picture.
constexpr unsigned kHueStep = 8;
constexpr unsigned kWheel = 256;
constexpr std::uint8_t kFull = 255;
// A breath takes kWheel / kBreathStep steps.
constexpr unsigned kBreathStep = 8;
// New colour per breath of the rainbow breathing.
constexpr unsigned kBreathHueStep = 40;
constexpr unsigned kFallColumnShift = 3;
constexpr unsigned kAuroraRowHue = 40;
constexpr unsigned kAuroraHueStep = 6;
constexpr std::uint32_t kRandomSeed = 0x2545F491;
constexpr std::size_t kMaxRipples = 8;

std::uint8_t ClampSpeed(std::uint8_t speed) {
  return std::min<std::uint8_t>(speed, kPreviewSpeeds - 1);
}

PreviewLayout MakeKeyboardLayout() {
  PreviewLayout layout;
  layout.columns = kKeyboardGridColumns;
  layout.rows = kKeyboardGridRows;
  for (std::size_t row = 0; row < kKeyboardGridRows; ++row) {
    for (int id = kRowStarts[row]; id < kRowStarts[row + 1]; ++id) {
      const int column = std::min(id - kRowStarts[row], kKeyboardGridColumns - 1);
      layout.cells.push_back({static_cast<std::uint8_t>(column), static_cast<std::uint8_t>(row)});
    }
  }
  return layout;
}

// 0 → 0, 128 → 254, 255 → 0: one breath.
unsigned Triangle(unsigned x) {
  x %= kWheel;
  return x < kWheel / 2 ? x * 2 : (kWheel - 1 - x) * 2;
}

int Distance(const GridCell& a, const GridCell& b) {
  return std::abs(int{a.column} - int{b.column}) + std::abs(int{a.row} - int{b.row});
}

}  // namespace

std::uint8_t KeyboardPreviewThreshold(std::uint8_t mode, std::uint8_t speed) {
  if (mode >= kKeyboardPreviewModes) return 0;
  const std::uint8_t s = ClampSpeed(speed);
  if (mode >= kKeyboardFirstLateMode) return kLateRow[s];
  if (mode == kKeyboardBreathingMode) return kSlowRow[s];
  if (mode == kKeyboardFlashMode) return kFixedRow[s];
  return kStandardRow[s];
}

std::uint8_t MousePadPreviewThreshold(std::uint8_t mode, std::uint8_t speed) {
  if (mode >= kMousePadPreviewModes) return 0;
  const std::uint8_t s = ClampSpeed(speed);
  return mode == kMousePadBreathingMode ? kSlowRow[s] : kStandardRow[s];
}

std::uint8_t BrightnessLevelScale(std::uint8_t level) {
  return kBrightnessLevelTable[std::min<std::size_t>(level, kBrightnessLevels - 1)];
}

Rgb WheelColour(std::uint8_t hue) {
  // Six ramps of 43 steps: red → yellow → green → cyan → blue → magenta → red.
  constexpr unsigned kSegment = 43;
  const unsigned segment = hue / kSegment;
  const auto up = static_cast<std::uint8_t>((hue % kSegment) * 6);
  const auto down = static_cast<std::uint8_t>(kFull - up);
  switch (segment) {
    case 0:
      return {kFull, up, 0};
    case 1:
      return {down, kFull, 0};
    case 2:
      return {0, kFull, up};
    case 3:
      return {0, down, kFull};
    case 4:
      return {up, 0, kFull};
    default:
      return {kFull, 0, down};
  }
}

const PreviewLayout& KeyboardPreviewLayout() {
  static const PreviewLayout layout = MakeKeyboardLayout();
  return layout;
}

const PreviewLayout& MousePadPreviewLayout() {
  static const PreviewLayout layout = StripPreviewLayout(kMousePadLightCount);
  return layout;
}

PreviewLayout StripPreviewLayout(std::size_t count) {
  PreviewLayout layout;
  count = std::min<std::size_t>(count, 255);
  layout.columns = static_cast<std::uint8_t>(std::max<std::size_t>(count, 1));
  layout.rows = 1;
  for (std::size_t i = 0; i < count; ++i) layout.cells.push_back({static_cast<std::uint8_t>(i), 0});
  return layout;
}

PreviewEffect KeyboardPreviewEffect(std::uint8_t mode) {
  // User lighting effects (modes past the firmware's) show their colour standing.
  return mode < kKeyboardPreviewModes ? kKeyboardEffects[mode] : PreviewEffect::Static;
}

PreviewEffect MousePadPreviewEffect(std::uint8_t mode) {
  return mode < kMousePadPreviewModes ? kMousePadEffects[mode] : PreviewEffect::Off;
}

bool IsReactiveEffect(PreviewEffect effect) {
  switch (effect) {
    case PreviewEffect::Reactive:
    case PreviewEffect::ReactiveLine:
    case PreviewEffect::ReactiveCross:
    case PreviewEffect::Ripple:
      return true;
    default:
      return false;
  }
}

std::optional<std::chrono::milliseconds> PreviewPeriodOf(PreviewEffect effect,
                                                         std::uint8_t threshold) {
  if (!PreviewEffectAnimates(effect) || threshold == 0) return std::nullopt;
  return kPreviewTick * threshold;
}

void LightPreview::Reset(PreviewEffect effect, const profiles::LightState& values, LedStore& leds) {
  leds.Update([&](std::span<LedEntry> entries) { Reset(effect, values, entries); });
}

bool LightPreview::Step(LedStore& leds) {
  bool changed = false;
  leds.Update([&](std::span<LedEntry> entries) { changed = Step(entries); });
  return changed;
}

LightPreview::LightPreview(const PreviewLayout& layout) : layout_(&layout) {
  levels_.assign(layout_->cells.size(), 0);
  held_.assign(layout_->cells.size(), false);
}

void LightPreview::Reset(PreviewEffect effect, const profiles::LightState& values,
                         std::span<LedEntry> leds) {
  effect_ = effect;
  values_ = values;
  phase_ = 0;
  random_ = kRandomSeed;
  levels_.assign(layout_->cells.size(), 0);
  held_.assign(layout_->cells.size(), false);
  ripples_.clear();
  Repaint(leds);
}

std::uint8_t LightPreview::Level(std::size_t led) const {
  return led < levels_.size() ? levels_[led] : 0;
}

std::uint32_t LightPreview::NextRandom() {
  // xorshift32: cheap, and the same sequence after every Reset.
  random_ ^= random_ << 13;
  random_ ^= random_ >> 17;
  random_ ^= random_ << 5;
  return random_;
}

Rgb LightPreview::BaseColour(std::size_t led, std::uint8_t hue_offset) const {
  if (values_.MultiColor == 0) return {values_.Red, values_.Green, values_.Blue};
  const unsigned column = layout_->cells[led].column;
  return WheelColour(static_cast<std::uint8_t>(column * kWheel / layout_->columns + hue_offset));
}

void LightPreview::Paint(std::span<LedEntry> leds, std::size_t led, Rgb colour,
                         unsigned intensity) const {
  if (led >= leds.size()) return;
  const unsigned scale = BrightnessLevelScale(values_.Light);
  leds[led] = {colour.red, colour.green, colour.blue,
               static_cast<std::uint8_t>(scale * std::min(intensity, 255u) / 255u)};
}

void LightPreview::Light(std::size_t led, std::uint8_t level) {
  if (led < levels_.size()) levels_[led] = std::max(levels_[led], level);
}

void LightPreview::Decay() {
  const std::uint8_t fade = effect_ == PreviewEffect::Snake ? kSnakeFadeStep : kFadeStep;
  for (std::size_t i = 0; i < levels_.size(); ++i) {
    if (held_[i]) continue;
    levels_[i] = levels_[i] > fade ? static_cast<std::uint8_t>(levels_[i] - fade) : 0;
  }
}

void LightPreview::Press(std::size_t led) {
  if (!IsReactiveEffect(effect_) || led >= levels_.size()) return;
  held_[led] = true;
  Light(led, kFull);
  const GridCell origin = layout_->cells[led];
  for (std::size_t i = 0; i < levels_.size(); ++i) {
    const GridCell& cell = layout_->cells[i];
    const bool same_row = cell.row == origin.row;
    const bool same_column = cell.column == origin.column;
    if ((effect_ == PreviewEffect::ReactiveLine && same_row) ||
        (effect_ == PreviewEffect::ReactiveCross && (same_row || same_column))) {
      Light(i, kFull);
    }
  }
  if (effect_ == PreviewEffect::Ripple) {
    if (ripples_.size() >= kMaxRipples) ripples_.erase(ripples_.begin());
    ripples_.push_back({origin, 0});
  }
}

void LightPreview::Release(std::size_t led) {
  if (led < held_.size()) held_[led] = false;
}

bool LightPreview::Step(std::span<LedEntry> leds) {
  ++phase_;
  switch (effect_) {
    case PreviewEffect::Reactive:
    case PreviewEffect::ReactiveLine:
    case PreviewEffect::ReactiveCross:
      Decay();
      break;
    case PreviewEffect::Ripple: {
      Decay();
      for (auto& ripple : ripples_) {
        ++ripple.radius;
        for (std::size_t i = 0; i < levels_.size(); ++i) {
          if (Distance(layout_->cells[i], ripple.origin) == ripple.radius) Light(i, kFull);
        }
      }
      const int reach = layout_->columns + layout_->rows;
      std::erase_if(ripples_, [reach](const Ripple& r) { return r.radius > reach; });
      break;
    }
    case PreviewEffect::Sparkle:
      Decay();
      if (!levels_.empty()) Light(NextRandom() % levels_.size(), kFull);
      break;
    case PreviewEffect::Fall:
      Decay();
      for (std::size_t i = 0; i < levels_.size(); ++i) {
        const GridCell& cell = layout_->cells[i];
        if ((phase_ + cell.column * kFallColumnShift) % layout_->rows == cell.row) {
          Light(i, kFull);
        }
      }
      break;
    case PreviewEffect::Snake:
      Decay();
      if (!levels_.empty()) Light(phase_ % levels_.size(), kFull);
      break;
    default:
      break;
  }
  const std::vector<LedEntry> before(leds.begin(), leds.end());
  Repaint(leds);
  return !std::equal(before.begin(), before.end(), leds.begin(), leds.end());
}

void LightPreview::Repaint(std::span<LedEntry> leds) const {
  const std::size_t count = std::min(leds.size(), layout_->cells.size());
  const auto hue_shift = static_cast<std::uint8_t>(phase_ * kHueStep);
  for (std::size_t i = 0; i < count; ++i) {
    const GridCell& cell = layout_->cells[i];
    switch (effect_) {
      case PreviewEffect::Off:
        Paint(leds, i, {}, 0);
        break;
      case PreviewEffect::Static:
        Paint(leds, i, BaseColour(i, 0), kFull);
        break;
      case PreviewEffect::StaticMulticolour:
        Paint(leds, i,
              WheelColour(static_cast<std::uint8_t>(cell.column * kWheel / layout_->columns)),
              kFull);
        break;
      case PreviewEffect::Custom:
        // The per-key colours stay as the owner set them.
        return;
      case PreviewEffect::Wave: {
        // Option 0 moves the colours to the right, anything else to the left.
        const auto offset = static_cast<std::uint8_t>(values_.Fx == 0 ? -hue_shift : hue_shift);
        if (values_.MultiColor != 0) {
          Paint(leds, i, BaseColour(i, offset), kFull);
        } else {
          Paint(leds, i, BaseColour(i, 0),
                Triangle(cell.column * kWheel / layout_->columns + offset));
        }
        break;
      }
      case PreviewEffect::CentreWave: {
        const GridCell centre{static_cast<std::uint8_t>(layout_->columns / 2),
                              static_cast<std::uint8_t>(layout_->rows / 2)};
        const auto hue = static_cast<std::uint8_t>(Distance(cell, centre) * 16 - hue_shift);
        if (values_.MultiColor != 0) {
          Paint(leds, i, WheelColour(hue), kFull);
        } else {
          Paint(leds, i, BaseColour(i, 0), Triangle(hue));
        }
        break;
      }
      case PreviewEffect::Spectrum:
        Paint(leds, i, WheelColour(static_cast<std::uint8_t>(phase_ * kHueStep / 2)), kFull);
        break;
      case PreviewEffect::Breathing:
        Paint(leds, i, BaseColour(i, 0), Triangle(phase_ * kBreathStep));
        break;
      case PreviewEffect::RainbowBreathing: {
        const unsigned breath = phase_ * kBreathStep / kWheel;
        Paint(leds, i, WheelColour(static_cast<std::uint8_t>(breath * kBreathHueStep)),
              Triangle(phase_ * kBreathStep));
        break;
      }
      case PreviewEffect::Flash:
        Paint(leds, i, BaseColour(i, 0), phase_ % 2 == 0 ? kFull : 0);
        break;
      case PreviewEffect::Aurora:
        Paint(leds, i,
              WheelColour(
                  static_cast<std::uint8_t>(cell.row * kAuroraRowHue + phase_ * kAuroraHueStep)),
              kFull);
        break;
      case PreviewEffect::Reactive:
      case PreviewEffect::ReactiveLine:
      case PreviewEffect::ReactiveCross:
      case PreviewEffect::Ripple:
      case PreviewEffect::Sparkle:
      case PreviewEffect::Fall:
      case PreviewEffect::Snake:
        Paint(leds, i, BaseColour(i, 0), levels_[i]);
        break;
    }
  }
}

bool PreviewEffectAnimates(PreviewEffect effect) {
  switch (effect) {
    case PreviewEffect::Off:
    case PreviewEffect::Static:
    case PreviewEffect::StaticMulticolour:
    case PreviewEffect::Custom:
      return false;
    default:
      return true;
  }
}

}  // namespace norvik::devices
