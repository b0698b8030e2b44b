#include "devices/headset_frame.h"

#include <algorithm>

namespace norvik::devices {

std::uint8_t HeadsetColourValue(std::uint8_t colour, std::uint8_t brightness) {
  const unsigned product = static_cast<unsigned>(colour) * static_cast<unsigned>(brightness);
  return static_cast<std::uint8_t>(std::min<unsigned>(product >> 8, kHeadsetMaxColourValue));
}

HeadsetColours BuildHeadsetColours(std::span<const std::uint32_t> led_entries) {
  HeadsetColours colours{};
  const std::size_t lights = std::min(led_entries.size(), kHeadsetLightCount);
  for (std::size_t light = 0; light < lights; ++light) {
    const std::uint32_t entry = led_entries[light];
    const auto brightness = static_cast<std::uint8_t>(entry >> 24);
    for (std::size_t channel = 0; channel < kHeadsetChannelCount; ++channel) {
      const auto colour = static_cast<std::uint8_t>(entry >> (8 * channel) & 0xFF);
      colours[channel][light] = HeadsetColourValue(colour, brightness);
    }
  }
  return colours;
}

HeadsetFrame BuildHeadsetFrame(const HeadsetColours& colours) {
  HeadsetFrame frame{};
  for (std::size_t i = 0; i < kHeadsetFrameReportCount; ++i) {
    const HeadsetReportPlan& plan = kHeadsetFramePlan[i];
    HeadsetReport& report = frame[i];
    report[0] = kHeadsetReportId;
    report[kHeadsetGroupByte] = static_cast<std::uint8_t>(plan.group);
    report[kHeadsetCommandByte] = static_cast<std::uint8_t>(plan.command);
    const auto& values = colours[static_cast<std::size_t>(plan.channel)];
    std::copy_n(values.begin() + plan.first_light, plan.value_count,
                report.begin() + kHeadsetValuesByte);
  }
  return frame;
}

}  // namespace norvik::devices
