#include "devices/mouse_blocks.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "mouse_test_rig.h"

namespace norvik::devices {
namespace {

using testing::Bytes;
using testing::HexOf;

profiles::DpiStage Stage(std::uint8_t active, std::uint8_t xy, std::uint16_t x, std::uint16_t y,
                         std::uint8_t r, std::uint8_t g, std::uint8_t b) {
  return {active, xy, x, y, r, g, b};
}

MouseSettingsSource TypicalSource() {
  MouseSettingsSource source;
  source.light.SelectItem = 3;
  source.light.Light = 4;
  source.light.Speed = 2;
  source.light.Fx = 1;
  source.light.MultiColor = 1;
  source.light.Red = 0x11;
  source.light.Green = 0x22;
  source.light.Blue = 0x33;
  source.light.ZZCCLedMode = 7;  // not carried by the mouse block
  source.polling_rate = 3;
  source.active_stage = 1;
  source.stages = {Stage(1, 0, 400, 400, 0xFF, 0, 0), Stage(1, 1, 800, 1600, 0, 0xFF, 0),
                   Stage(0, 0, 0x1234, 0x1234, 0, 0, 0xFF)};
  source.screen = {2560, 1440};
  source.corrections = {{4, 8, 0, "Low"}, {8, 16, 1, "Medium"}, {12, 32, 1, "High"}};
  return source;
}

TEST(MouseSettingsBlock, EveryByteOfATypicalProfile) {
  const MouseSettingsBlock block = BuildMouseSettingsBlock(TypicalSource());
  Bytes expected(kMouseSettingsWriteSize, 0);
  // Byte 3: speed 2 as 5 - 2.
  const Bytes head = {0, 3, 4, 3, 1, 1, 0x11, 0x22, 0x33, 0, 0, 3, 1, 0};
  std::copy(head.begin(), head.end(), expected.begin());
  const Bytes stages = {1, 0, 0x90, 0x01, 0x90, 0x01, 0xFF, 0,    0,      // 400 / 400
                        1, 1, 0x20, 0x03, 0x40, 0x06, 0,    0xFF, 0,      // 800 / 1600
                        0, 0, 0x34, 0x12, 0x34, 0x12, 0,    0,    0xFF};  // 0x1234
  std::copy(stages.begin(), stages.end(), expected.begin() + 14);
  expected[59] = 1;
  expected[60] = 0x00;  // 2560
  expected[61] = 0x0A;
  expected[62] = 0xA0;  // 1440
  expected[63] = 0x05;
  expected[64] = 16;  // the first selected correction entry ("Medium")
  expected[65] = 8;
  EXPECT_EQ(HexOf(block), HexOf(expected));
}

TEST(MouseSettingsBlock, LightModesFromNineOnAreSentAsOff) {
  MouseSettingsSource source = TypicalSource();
  for (const auto& [mode, sent] :
       std::vector<std::pair<int, int>>{{0, 0}, {8, 8}, {9, 0}, {255, 0}}) {
    source.light.SelectItem = static_cast<std::uint8_t>(mode);
    EXPECT_EQ(BuildMouseSettingsBlock(source)[kMouseModeAt], sent) << "mode " << mode;
  }
}

TEST(MouseSettingsBlock, ThreeStagesLeaveBytes41To58Zero) {
  MouseSettingsSource source = TypicalSource();
  source.stages[2].StageColorB = 0xEE;  // the last byte of the third stage is byte 40
  const MouseSettingsBlock block = BuildMouseSettingsBlock(source);
  EXPECT_EQ(block[40], 0xEE);
  for (std::size_t at = 41; at <= 58; ++at) EXPECT_EQ(block[at], 0) << "byte " << at;
  EXPECT_EQ(block[59], 1);
}

TEST(MouseSettingsBlock, StagesPastTheFifthAreLeftOut) {
  MouseSettingsSource source = TypicalSource();
  source.stages.assign(7, Stage(1, 1, 0xFFFF, 0xFFFF, 0xFF, 0xFF, 0xFF));
  const MouseSettingsBlock block = BuildMouseSettingsBlock(source);
  for (std::size_t at = 14; at < 59; ++at) EXPECT_NE(block[at], 0) << "byte " << at;
  EXPECT_EQ(block[59], 1) << "the sixth stage must not run into byte 59";
  EXPECT_EQ(block[60], 0x00);
}

TEST(MouseSettingsBlock, SpeedIsFiveMinusSpeedClampedToZeroToFive) {
  MouseSettingsSource source = TypicalSource();
  for (const auto& [speed, sent] :
       std::vector<std::pair<int, int>>{{0, 5}, {2, 3}, {5, 0}, {6, 0}, {252, 0}}) {
    source.light.Speed = static_cast<std::uint8_t>(speed);
    EXPECT_EQ(BuildMouseSettingsBlock(source)[kMouseSpeedAt], sent) << "speed " << speed;
  }
}
TEST(MouseSettingsBlock, FullHdScreenGivesBytes80073804) {
  MouseSettingsSource source = TypicalSource();
  source.screen = {1920, 1080};
  const MouseSettingsBlock block = BuildMouseSettingsBlock(source);
  EXPECT_EQ(HexOf(std::span(block).subspan(60, 4)), "80 07 38 04");
}

TEST(MouseSettingsBlock, CorrectionBytesZeroWithoutSelectionAndClampedToAByte) {
  MouseSettingsSource source = TypicalSource();
  source.corrections = {{4, 8, 0, "Low"}};
  MouseSettingsBlock block = BuildMouseSettingsBlock(source);
  EXPECT_EQ(block[64], 0);
  EXPECT_EQ(block[65], 0);

  source.corrections = {{-4, 300, 2, "odd"}};
  block = BuildMouseSettingsBlock(source);
  EXPECT_EQ(block[64], 255) << "CorrectMinSq 300";
  EXPECT_EQ(block[65], 0) << "CorrectPixThresh -4";

  source.polling_rate = 700;
  source.active_stage = -1;
  block = BuildMouseSettingsBlock(source);
  EXPECT_EQ(block[kMousePollingAt], 255);
  EXPECT_EQ(block[kMouseActiveStageAt], 0);
}

TEST(MouseSettingsReadback, DecodesWhatTheBuilderLaidOutAndKeepsTheTail) {
  const MouseSettingsSource source = TypicalSource();
  const MouseSettingsBlock block = BuildMouseSettingsBlock(source);
  std::array<std::uint8_t, kMouseSettingsReadSize> read{};
  std::copy(block.begin(), block.end(), read.begin());
  read[0] = 2;  // the active profile index stands in byte 0 of profile 0's block
  read[66] = 0xA6;
  read[67] = 0xA7;
  read[68] = 0x21;
  read[69] = 0x03;
  read[70] = 0x01;

  const MouseSettingsReadout out = ParseMouseSettingsBlock(read);
  profiles::LightState light = source.light;
  light.ZZCCLedMode = 0;
  EXPECT_EQ(out.light, light);
  EXPECT_EQ(out.polling_rate, 3);
  EXPECT_EQ(out.active_stage, 1);
  for (std::size_t i = 0; i < 3; ++i) EXPECT_EQ(out.stages[i], source.stages[i]) << "stage " << i;
  EXPECT_EQ(out.stages[3], profiles::DpiStage{});
  EXPECT_EQ(out.screen, (ScreenSize{2560, 1440}));
  EXPECT_EQ(out.correct_min_sq, 16);
  EXPECT_EQ(out.correct_pix_thresh, 8);
  EXPECT_EQ(HexOf(out.image), HexOf(std::span(read).first(68)));
  EXPECT_EQ(out.trailer, 0x0321);
  EXPECT_EQ(out.last, 0x01);
}

TEST(MouseSettingsReadback, SpeedIsFiveMinusByteThreeWithinZeroToFive) {
  std::array<std::uint8_t, kMouseSettingsReadSize> read{};
  for (const auto& [byte, speed] :
       std::vector<std::pair<int, int>>{{0, 5}, {3, 2}, {5, 0}, {7, 0}, {255, 0}}) {
    read[kMouseSpeedAt] = static_cast<std::uint8_t>(byte);
    EXPECT_EQ(ParseMouseSettingsBlock(read).light.Speed, speed) << "byte 3 = " << byte;
  }
}

// The emulated mouse's matrix: side buttons before the middle button, two spare slots.
Bytes EmulatorLikeKeyMap() {
  return {0x10, 0x01, 0x00, 0x10, 0x02, 0x00, 0x10, 0x08, 0x00, 0x10, 0x10, 0x00,
          0x10, 0x04, 0x00, 0x13, 0x01, 0x00, 0x13, 0x02, 0x00, 0x13, 0x03, 0x00,
          0xA0, 0x1B, 0x00, 0x16, 0x90, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00};
}

TEST(MouseButtonPositions, EachButtonTakesTheSlotHoldingItsDefaultCode) {
  const std::map<int, std::uint8_t> positions = FindMouseButtonPositions(EmulatorLikeKeyMap(), 12);
  const std::map<int, std::uint8_t> expected = {{0, 0}, {1, 1}, {2, 4},    {3, 3},
                                                {4, 2}, {5, 5}, {6, 6},    {7, 7},
                                                {8, 8}, {9, 9}, {10, 126}, {11, 126}};
  EXPECT_EQ(positions, expected);
}

TEST(MouseButtonPositions, AButtonFoundTwiceTakesTheLowerSlotAndMissingOnesHaveNone) {
  Bytes map = EmulatorLikeKeyMap();
  // Slot 11 holds the left button again; slot 5 loses the wheel code.
  map[33] = 0x10;
  map[34] = 0x01;
  map[15] = 0x20;
  const std::map<int, std::uint8_t> positions = FindMouseButtonPositions(map, 12);
  EXPECT_EQ(positions.at(0), 0);
  EXPECT_EQ(positions.at(5), kMouseNoSlot);
}

TEST(MouseButtonPositions, OnlyTheReportedSlotsAreSearched) {
  const Bytes map = EmulatorLikeKeyMap();
  std::map<int, std::uint8_t> positions = FindMouseButtonPositions(map, 3);
  EXPECT_EQ(positions, (std::map<int, std::uint8_t>{{0, 0}, {1, 1}, {2, 126}, {4, 2}}));
  // A slot count beyond the bytes at hand is cut to them, never read past.
  positions = FindMouseButtonPositions(std::span(map).first(7), 12);
  EXPECT_EQ(positions, (std::map<int, std::uint8_t>{{0, 0}, {1, 1}}));
}

TEST(MouseKeyMapImage, AssignmentsGoToTheirSlotsAndSlotlessKeysAreLeftOut) {
  // Room past the reported slots, as in a full 512-byte key map block.
  Bytes image = EmulatorLikeKeyMap();
  image.resize(512, 0);
  const std::map<int, std::uint8_t> positions = {{0, 0}, {2, 4}, {10, kMouseNoSlot}, {3, 40}};
  const std::vector<profiles::KeyEntry> entries = {
      {0, {0x20, 0x00, 0x04}, {}},   // left button → "A"
      {2, {0x15, 0x02, 0x03}, {}},   // middle button
      {10, {0x99, 0x99, 0x99}, {}},  // no slot
      {3, {0x98, 0x98, 0x98}, {}},   // slot past the count
      {7, {0x97, 0x97, 0x97}, {}},   // not in the map
  };
  PutMouseAssignments(image, positions, entries, 12);
  Bytes expected = EmulatorLikeKeyMap();
  expected.resize(512, 0);
  expected[0] = 0x20;
  expected[1] = 0x00;
  expected[2] = 0x04;
  expected[12] = 0x15;
  expected[13] = 0x02;
  expected[14] = 0x03;
  EXPECT_EQ(HexOf(image), HexOf(expected));
}

TEST(MouseInformation, DpiRangesComeFromBytes11To13) {
  hid::DeviceInfo info;
  info.block[11] = 50;
  info.block[12] = 0x08;  // 520
  info.block[13] = 0x02;
  EXPECT_EQ(DpiRangesFromInfo(info), (DpiRanges{50, 520, 26000}));
  info.block[11] = 0;
  EXPECT_EQ(DpiRangesFromInfo(info), (DpiRanges{0, 520, 0}));
}

}  // namespace
}  // namespace norvik::devices
