#pragma once
// The lighting preview of the keyboard and the mouse pad: what the device picture shows while
// the device runs its own lighting. Pure and deterministic: the preview thread calls Step when
// the mode's threshold of ticks has passed, the notification reader reports key presses, and
// tests drive both directly.
//
// LED entries are indexed as the device's layout says: by key id on the keyboard (126 entries),
// by light number on the mouse pad.

#include <array>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "devices/device_driver.h"
#include "profiles/profile_records.h"

namespace norvik::devices {

// Speeds index the threshold rows; higher is faster.
inline constexpr std::size_t kPreviewSpeeds = 6;
using ThresholdRow = std::array<std::uint8_t, kPreviewSpeeds>;
inline constexpr std::size_t kKeyboardPreviewModes = 29;
inline constexpr std::size_t kMousePadPreviewModes = 9;

// Ticks between two animation steps of mode at speed (speeds above 5 count as 5); 0 means the
// mode does not animate at that speed. Modes outside the table: 0.
std::uint8_t KeyboardPreviewThreshold(std::uint8_t mode, std::uint8_t speed);
std::uint8_t MousePadPreviewThreshold(std::uint8_t mode, std::uint8_t speed);

// The panels' brightness levels 0-4 as LED entry brightness; higher levels are full.
inline constexpr std::uint8_t kBrightnessLevels = 5;
std::uint8_t BrightnessLevelScale(std::uint8_t level);

// A point of the colour wheel (0-255 around) at full saturation.
struct Rgb {
  std::uint8_t red = 0;
  std::uint8_t green = 0;
  std::uint8_t blue = 0;
  bool operator==(const Rgb&) const = default;
};
Rgb WheelColour(std::uint8_t hue);

// Where each LED entry sits on the device picture.
struct GridCell {
  std::uint8_t column = 0;
  std::uint8_t row = 0;
};
struct PreviewLayout {
  std::vector<GridCell> cells;  // one per LED entry
  std::uint8_t columns = 1;
  std::uint8_t rows = 1;
};
// The keyboard's 23 × 6 grid, cell of each key id.
inline constexpr std::uint8_t kKeyboardGridColumns = 23;
inline constexpr std::uint8_t kKeyboardGridRows = 6;
const PreviewLayout& KeyboardPreviewLayout();
// The mouse pad's lights: a strip of kMousePadLightCount lights around its edge.
inline constexpr std::size_t kMousePadLightCount = 16;
const PreviewLayout& MousePadPreviewLayout();
// count lights in one row (the mouse pad's edge, the headset's lights).
PreviewLayout StripPreviewLayout(std::size_t count);

enum class PreviewEffect : std::uint8_t {
  Off,                // everything dark
  Static,             // the profile colour
  StaticMulticolour,  // a rainbow across the columns, standing
  Custom,             // the entries stay as set (per-key custom colours)
  Wave,               // a rainbow moving across the columns (direction from the option)
  CentreWave,         // a rainbow moving out from the centre
  Spectrum,           // every light through the colour wheel together
  Breathing,          // the colour fading in and out
  RainbowBreathing,   // fading in and out, a new colour each breath
  Flash,              // on and off
  Reactive,           // a pressed key lights and fades after release
  ReactiveLine,       // a pressed key lights its row
  ReactiveCross,      // a pressed key lights its row and column
  Ripple,             // a ring spreading from a pressed key
  Sparkle,            // random lights flaring and fading
  Fall,               // a light falling down each column
  Snake,              // a short run of lights travelling through the list
  Aurora,             // a rainbow moving across the rows
};

PreviewEffect KeyboardPreviewEffect(std::uint8_t mode);
PreviewEffect MousePadPreviewEffect(std::uint8_t mode);
bool IsReactiveEffect(PreviewEffect effect);
// False for the standing effects, which need no steps.
bool PreviewEffectAnimates(PreviewEffect effect);
// Time between two animation steps of effect at threshold ticks; nullopt when it stands still.
std::optional<std::chrono::milliseconds> PreviewPeriodOf(PreviewEffect effect,
                                                         std::uint8_t threshold);

class LightPreview {
 public:
  // layout is not owned and must outlive the preview.
  explicit LightPreview(const PreviewLayout& layout);

  // Starts effect from its beginning with values (colour, brightness level, option,
  // multi-colour flag) and paints its first frame into leds.
  void Reset(PreviewEffect effect, const profiles::LightState& values, std::span<LedEntry> leds);
  // One animation step; true when any entry changed.
  bool Step(std::span<LedEntry> leds);
  // The same over a driver's LED store, under its lock.
  void Reset(PreviewEffect effect, const profiles::LightState& values, LedStore& leds);
  bool Step(LedStore& leds);
  // Key presses of the reactive effects (LED entry index); other effects ignore them.
  void Press(std::size_t led);
  void Release(std::size_t led);
  // Paints the current state without stepping (after a press).
  void Repaint(std::span<LedEntry> leds) const;

  PreviewEffect Effect() const { return effect_; }
  std::uint32_t Phase() const { return phase_; }
  // The per-light effect value (0-255) of the reactive and sparkle effects.
  std::uint8_t Level(std::size_t led) const;

 private:
  struct Ripple {
    GridCell origin;
    int radius = 0;
  };

  Rgb BaseColour(std::size_t led, std::uint8_t hue_offset) const;
  void Paint(std::span<LedEntry> leds, std::size_t led, Rgb colour, unsigned intensity) const;
  void Light(std::size_t led, std::uint8_t level);
  void Decay();
  std::uint32_t NextRandom();

  const PreviewLayout* layout_;
  PreviewEffect effect_ = PreviewEffect::Off;
  profiles::LightState values_;
  std::uint32_t phase_ = 0;
  std::vector<std::uint8_t> levels_;
  std::vector<bool> held_;
  std::vector<Ripple> ripples_;
  std::uint32_t random_ = 0;
};

}  // namespace norvik::devices
