#pragma once
// The headset's live colour frame: the LED entries turned into three colour arrays of 13
// lights (red, green, blue), sent as twelve 17-byte output reports. Each colour array goes to
// both light groups of the headset (0x22 and 0x44) in two reports, lights 0-6 and 7-12.
// Pure code; the driver sends the reports.

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

namespace norvik::devices {

inline constexpr std::size_t kHeadsetReportSize = 17;
inline constexpr std::uint8_t kHeadsetReportId = 0xFF;
inline constexpr std::size_t kHeadsetGroupByte = 1;
inline constexpr std::size_t kHeadsetCommandByte = 2;
inline constexpr std::size_t kHeadsetValuesByte = 3;

inline constexpr std::size_t kHeadsetLightCount = 13;
inline constexpr std::size_t kHeadsetFrameReportCount = 12;
// Light number of an LED entry that drives no light.
inline constexpr std::size_t kHeadsetNoLight = 126;
// The headset's LEDs take colour values up to this.
inline constexpr std::uint8_t kHeadsetMaxColourValue = 247;

enum class HeadsetGroup : std::uint8_t { First = 0x22, Second = 0x44 };

enum class HeadsetColourCommand : std::uint8_t {
  FirstLow = 0xAA,
  SecondLow = 0xAB,
  ThirdLow = 0xAC,
  FirstHigh = 0xAD,
  SecondHigh = 0xAE,
  ThirdHigh = 0xAF,
};

// Which colour array a report carries: 0 red, 1 green, 2 blue.
enum class HeadsetChannel : std::uint8_t { Red = 0, Green = 1, Blue = 2 };
inline constexpr std::size_t kHeadsetChannelCount = 3;

// One report of the frame: its header and the slice of one colour array it carries.
struct HeadsetReportPlan {
  HeadsetGroup group;
  HeadsetColourCommand command;
  HeadsetChannel channel;
  std::uint8_t first_light;
  std::uint8_t value_count;
};

// The order the device expects.
inline constexpr std::array<HeadsetReportPlan, kHeadsetFrameReportCount> kHeadsetFramePlan = {{
    {HeadsetGroup::First, HeadsetColourCommand::FirstLow, HeadsetChannel::Red, 0, 7},
    {HeadsetGroup::First, HeadsetColourCommand::FirstHigh, HeadsetChannel::Red, 7, 6},
    {HeadsetGroup::Second, HeadsetColourCommand::FirstLow, HeadsetChannel::Red, 0, 7},
    {HeadsetGroup::Second, HeadsetColourCommand::FirstHigh, HeadsetChannel::Red, 7, 6},
    {HeadsetGroup::First, HeadsetColourCommand::SecondLow, HeadsetChannel::Green, 0, 7},
    {HeadsetGroup::First, HeadsetColourCommand::SecondHigh, HeadsetChannel::Green, 7, 6},
    {HeadsetGroup::Second, HeadsetColourCommand::SecondLow, HeadsetChannel::Green, 0, 7},
    {HeadsetGroup::Second, HeadsetColourCommand::SecondHigh, HeadsetChannel::Green, 7, 6},
    {HeadsetGroup::First, HeadsetColourCommand::ThirdLow, HeadsetChannel::Blue, 0, 7},
    {HeadsetGroup::First, HeadsetColourCommand::ThirdHigh, HeadsetChannel::Blue, 7, 6},
    {HeadsetGroup::Second, HeadsetColourCommand::ThirdLow, HeadsetChannel::Blue, 0, 7},
    {HeadsetGroup::Second, HeadsetColourCommand::ThirdHigh, HeadsetChannel::Blue, 7, 6},
}};

using HeadsetReport = std::array<std::uint8_t, kHeadsetReportSize>;
using HeadsetFrame = std::array<HeadsetReport, kHeadsetFrameReportCount>;
// colours[channel][light]
using HeadsetColours =
    std::array<std::array<std::uint8_t, kHeadsetLightCount>, kHeadsetChannelCount>;

// One colour value: (colour × brightness) >> 8, limited to 247.
std::uint8_t HeadsetColourValue(std::uint8_t colour, std::uint8_t brightness);

// The colour arrays from packed LED entries (red in the low byte, then green, blue,
// brightness), indexed by light number. Only lights 0-12 exist on the headset: entries beyond
// them (among them light 126, "no light") are left out; lights without an entry stay 0.
HeadsetColours BuildHeadsetColours(std::span<const std::uint32_t> led_entries);

// The twelve reports in the device's order: id 0xFF, group, command, the values, zeros.
HeadsetFrame BuildHeadsetFrame(const HeadsetColours& colours);

}  // namespace norvik::devices
