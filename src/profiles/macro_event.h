#pragma once
// One macro event: a key, modifier or mouse button press or release, or a mouse move, with the
// pause after it. Stored as a JSON object in ".mac" and ".Shoot" files and packed into four bytes
// for the device's macro and shoot tables.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include <json/value.h>

namespace norvik::profiles {

// "Type" of an event.
enum class MacroEventType : std::uint8_t {
  MouseButton = 1,
  MouseOther2 = 2,  // mouse-class events the editor never produces; accepted as they stand
  MouseOther3 = 3,
  MoveHorizontal = 4,  // "down" moves left, "up" right
  MoveVertical = 5,    // "down" moves up, "up" down
  ModifierKey = 9,     // "Button" is the bit of the HID modifier byte
  Key = 10,            // "Button" is the HID keyboard usage
};

inline constexpr char kActionDown[] = "down";
inline constexpr char kActionUp[] = "up";

// Longest pause after one event, in milliseconds; the device keeps 16 bits.
inline constexpr std::int64_t kMaxMacroDelay = 65535;

// The packed device record.
inline constexpr std::size_t kPackedMacroEventSize = 4;
using PackedMacroEvent = std::array<std::uint8_t, kPackedMacroEventSize>;
enum PackedMacroEventByte : std::size_t {
  kPackedDelayLow = 0,
  kPackedDelayHigh = 1,
  kPackedType = 2,  // "Type" with kPackedPressBit set for "down"
  kPackedButton = 3,
};
inline constexpr std::uint8_t kPackedPressBit = 0x80;

// The event in plain fields. "Delay" stays text, as the files keep it.
struct MacroEvent {
  std::string action = kActionUp;
  std::int64_t button = 0;
  std::int64_t type = 0;
  std::string delay = "0";

  // Members of the wrong type read as missing: action "up", button and type 0, delay "0". A
  // numeric "Delay" (the recorder writes the first event that way) becomes its decimal text.
  static MacroEvent FromJson(const Json::Value& event);
  // "Action", "Button", "Type" and "Delay" (a string).
  Json::Value ToJson() const;
  bool IsPress() const { return action == kActionDown; }
};

// The pause of an event in milliseconds: a "Delay" string read by its leading decimal digits, or
// a JSON number; missing or no digits give 0. Values beyond 0..65535 are clamped, so what the
// editor shows and what the device receives agree.
std::uint16_t MacroEventDelay(const Json::Value& delay);

// A delay cell's text in the form the files keep: "" becomes "0", "007" becomes "7"; the value is
// clamped to 0..65535.
std::string CanonicalDelayText(std::string_view cell);

// Bytes 0-1 the delay (little-endian), byte 2 the type with bit 7 set exactly when "Action" is
// "down", byte 3 the button; type and button keep their low byte, except a move's distance,
// which is clamped to 0..255.
PackedMacroEvent PackMacroEvent(const Json::Value& event);
PackedMacroEvent PackMacroEvent(const MacroEvent& event);

}  // namespace norvik::profiles
