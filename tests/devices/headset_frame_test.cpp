// The headset's colour frame: twelve 17-byte reports built from the LED entries.

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <vector>

#include "devices/headset_frame.h"

namespace norvik::devices {
namespace {

std::uint32_t Entry(std::uint8_t red, std::uint8_t green, std::uint8_t blue,
                    std::uint8_t brightness) {
  return red | green << 8 | blue << 16 | static_cast<std::uint32_t>(brightness) << 24;
}

// (group, command, colour array, first light, count) of each report, in the order sent.
struct ExpectedReport {
  std::uint8_t group;
  std::uint8_t command;
  int channel;
  int first;
  int count;
};
constexpr std::array<ExpectedReport, 12> kExpected = {{
    {0x22, 0xAA, 0, 0, 7},
    {0x22, 0xAD, 0, 7, 6},
    {0x44, 0xAA, 0, 0, 7},
    {0x44, 0xAD, 0, 7, 6},
    {0x22, 0xAB, 1, 0, 7},
    {0x22, 0xAE, 1, 7, 6},
    {0x44, 0xAB, 1, 0, 7},
    {0x44, 0xAE, 1, 7, 6},
    {0x22, 0xAC, 2, 0, 7},
    {0x22, 0xAF, 2, 7, 6},
    {0x44, 0xAC, 2, 0, 7},
    {0x44, 0xAF, 2, 7, 6},
}};

TEST(HeadsetFrame, TwelveReportsInDeviceOrderWithTheirHeaders) {
  const HeadsetFrame frame = BuildHeadsetFrame(HeadsetColours{});
  ASSERT_EQ(frame.size(), 12u);
  for (std::size_t i = 0; i < frame.size(); ++i) {
    EXPECT_EQ(frame[i].size(), 17u);
    EXPECT_EQ(frame[i][0], 0xFF) << "report " << i << " id";
    EXPECT_EQ(frame[i][1], kExpected[i].group) << "report " << i << " group";
    EXPECT_EQ(frame[i][2], kExpected[i].command) << "report " << i << " command";
  }
}

TEST(HeadsetFrame, EachReportCarriesItsSliceOfOneColourArrayThenZeros) {
  // Light i: red 10 + i, green 100 + i, blue 200 + i, at brightness 128 (half).
  std::vector<std::uint32_t> entries;
  for (int i = 0; i < 13; ++i) {
    entries.push_back(Entry(static_cast<std::uint8_t>(10 + 2 * i),
                            static_cast<std::uint8_t>(100 + 2 * i),
                            static_cast<std::uint8_t>(200 + 2 * i), 128));
  }
  const HeadsetFrame frame = BuildHeadsetFrame(BuildHeadsetColours(entries));
  const std::array<int, 3> base = {10, 100, 200};
  for (std::size_t r = 0; r < frame.size(); ++r) {
    const ExpectedReport& e = kExpected[r];
    for (int v = 0; v < e.count; ++v) {
      const int light = e.first + v;
      // (c × 128) >> 8 = c / 2
      const int expected = (base[static_cast<std::size_t>(e.channel)] + 2 * light) / 2;
      EXPECT_EQ(frame[r][3 + static_cast<std::size_t>(v)], expected)
          << "report " << r << " byte " << 3 + v << " (light " << light << ")";
    }
    for (std::size_t b = 3 + static_cast<std::size_t>(e.count); b < 17; ++b) {
      EXPECT_EQ(frame[r][b], 0) << "report " << r << " byte " << b;
    }
  }
}

TEST(HeadsetFrame, ValuesKeepTheHighByteOfColourTimesBrightnessLimitedTo247) {
  EXPECT_EQ(HeadsetColourValue(200, 128), 100);
  EXPECT_EQ(HeadsetColourValue(255, 255), 247);  // 254 before the limit
  EXPECT_EQ(HeadsetColourValue(250, 253), 247);  // 247.07
  EXPECT_EQ(HeadsetColourValue(248, 255), 247);
  EXPECT_EQ(HeadsetColourValue(247, 255), 246);
  EXPECT_EQ(HeadsetColourValue(1, 255), 0);
  EXPECT_EQ(HeadsetColourValue(255, 0), 0);

  const HeadsetColours colours =
      BuildHeadsetColours(std::vector<std::uint32_t>(13, Entry(255, 255, 255, 255)));
  for (const auto& channel : colours) {
    for (const std::uint8_t value : channel) EXPECT_EQ(value, 247);
  }
}

TEST(HeadsetFrame, OnlyTheThirteenHeadsetLightsAreTaken) {
  // 130 entries: light 126 ("no light") and every light past 12 at full white.
  std::vector<std::uint32_t> entries(130, Entry(255, 255, 255, 255));
  for (std::size_t i = 0; i < 13; ++i) entries[i] = Entry(0, 0, 0, 255);
  const HeadsetColours colours = BuildHeadsetColours(entries);
  for (std::size_t c = 0; c < 3; ++c) {
    for (std::size_t light = 0; light < 13; ++light) {
      EXPECT_EQ(colours[c][light], 0) << "channel " << c << " light " << light;
    }
  }
}

TEST(HeadsetFrame, LightsWithoutAnEntryStayDark) {
  const std::vector<std::uint32_t> entries = {Entry(100, 0, 0, 255), Entry(0, 100, 0, 255)};
  const HeadsetFrame frame = BuildHeadsetFrame(BuildHeadsetColours(entries));
  EXPECT_EQ(frame[0][3], 99);  // red, light 0
  EXPECT_EQ(frame[4][4], 99);  // green, light 1
  for (std::size_t b = 5; b < 10; ++b) EXPECT_EQ(frame[0][b], 0) << "byte " << b;
  for (std::size_t b = 3; b < 9; ++b) EXPECT_EQ(frame[1][b], 0) << "byte " << b;
}

}  // namespace
}  // namespace norvik::devices
