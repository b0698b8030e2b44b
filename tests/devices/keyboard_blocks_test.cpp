#include "devices/keyboard_blocks.h"

#include <gtest/gtest.h>

#include "keyboard_test_rig.h"

namespace norvik::devices {
namespace {

using testing::Bytes;
using testing::Hex;

profiles::LightState SampleLight() {
  profiles::LightState light;
  light.SelectItem = 7;
  light.Light = 3;
  light.Speed = 1;
  light.Fx = 1;
  light.MultiColor = 1;
  light.Red = 0x11;
  light.Green = 0x22;
  light.Blue = 0x33;
  light.ZZCCLedMode = 4;
  light.CustomGroup = 2;
  light.OldLedmode = 9;
  return light;
}

profiles::KeyboardSystem SampleSystem() {
  profiles::KeyboardSystem system;
  system.Repeat = 31;
  system.RepeatDelay = 2;
  system.Key6Flag = 1;
  system.PollingRate = 2;
  system.WFlag = 1;
  system.WinFlag = 0;
  return system;
}

TEST(KeyboardSettingsBlock, CarriesEachProfileValueAtItsByte) {
  const KeyboardSettingsBlock block = BuildKeyboardSettingsBlock(SampleLight(), SampleSystem());
  //                 0  1  2  3  4  5  6  7  8  9-17                       18 19 20 21 22 23 24 25
  EXPECT_EQ(Hex(block),
            "00 07 03 04 01 01 11 22 33 00 00 00 00 00 00 00 00 00 04 01 01 00 02 00 00 02");
}

TEST(KeyboardSettingsBlock, ModesFrom29OnAreSentAsZero) {
  profiles::LightState light = SampleLight();
  for (const auto& [mode, sent] :
       std::vector<std::pair<int, int>>{{28, 28}, {29, 0}, {30, 0}, {255, 0}, {20, 20}}) {
    light.SelectItem = static_cast<std::uint8_t>(mode);
    EXPECT_EQ(BuildKeyboardSettingsBlock(light, SampleSystem())[kKbLightMode], sent)
        << "mode " << mode;
  }
}

TEST(KeyboardSettingsBlock, SpeedIsSentAsFiveMinusSpeedWithoutWrapping) {
  profiles::LightState light = SampleLight();
  for (const auto& [speed, sent] :
       std::vector<std::pair<int, int>>{{0, 5}, {1, 4}, {5, 0}, {6, 0}, {200, 0}}) {
    light.Speed = static_cast<std::uint8_t>(speed);
    EXPECT_EQ(BuildKeyboardSettingsBlock(light, SampleSystem())[kKbSpeed], sent)
        << "speed " << speed;
  }
}

TEST(KeyboardSettingsBlock, PollingRatesOutsideTheFourOptionsAreSentAsTheFirst) {
  profiles::KeyboardSystem system = SampleSystem();
  for (const auto& [rate, sent] :
       std::vector<std::pair<int, int>>{{0, 0}, {3, 3}, {4, 0}, {0x0102, 0}}) {
    system.PollingRate = static_cast<std::uint16_t>(rate);
    EXPECT_EQ(BuildKeyboardSettingsBlock(SampleLight(), system)[kKbPollingRate], sent)
        << "rate " << rate;
  }
}

TEST(KeyboardSettingsBlock, FlagsAndMultiColourAreSentAsZeroOrOne) {
  profiles::LightState light = SampleLight();
  light.MultiColor = 7;
  profiles::KeyboardSystem system = SampleSystem();
  system.WFlag = 0x0100;  // a low byte of 0 must not turn the flag off
  system.Key6Flag = 0;
  system.WinFlag = 5;
  const auto block = BuildKeyboardSettingsBlock(light, system);
  EXPECT_EQ(block[kKbMultiColour], 1);
  EXPECT_EQ(block[kKbWFlag], 1);
  EXPECT_EQ(block[kKbKey6Flag], 0);
  EXPECT_EQ(block[kKbWinLock], 1);
}

TEST(KeyboardSettingsBlock, ReadingTakesLightValuesAndFlagsButKeepsWhatTheDeviceDoesNotHold) {
  const KeyboardSettingsBlock stored = {0x02, 0x05, 0x04, 0x01, 0x01, 0x00, 0xAA, 0xBB, 0xCC,
                                        0,    0,    0,    0,    0,    0,    0,    0,    0,
                                        0x03, 0x01, 0x00, 0x01, 0x03, 0,    0,    0x04};
  const KeyboardSettingsRead read = ParseKeyboardSettingsBlock(stored, SampleLight());
  EXPECT_EQ(read.light.SelectItem, 5);
  EXPECT_EQ(read.light.Light, 4);
  EXPECT_EQ(read.light.Speed, 4) << "5 - stored 1";
  EXPECT_EQ(read.light.Fx, 1);
  EXPECT_EQ(read.light.MultiColor, 0);
  EXPECT_EQ(read.light.Red, 0xAA);
  EXPECT_EQ(read.light.Green, 0xBB);
  EXPECT_EQ(read.light.Blue, 0xCC);
  EXPECT_EQ(read.light.ZZCCLedMode, 3);
  EXPECT_EQ(read.light.CustomGroup, 4);
  EXPECT_EQ(read.light.OldLedmode, 9) << "not on the device: kept";
  EXPECT_EQ(read.WFlag, 1);
  EXPECT_EQ(read.Key6Flag, 0);
  EXPECT_EQ(read.WinFlag, 1);
}

TEST(DefaultKeyCodes, HoldTheFactoryCodeOfEveryKey) {
  const auto& codes = DefaultKeyCodes();
  const std::vector<std::pair<int, std::string>> rows = {
      {0, "20 00 29"},   {1, "20 00 3a"},   {12, "20 00 45"},  {16, "a0 1b 00"},  {17, "a0 24 00"},
      {18, "20 00 00"},  {64, "20 00 04"},  {84, "20 02 00"},  {95, "20 20 00"},  {105, "20 01 00"},
      {106, "20 08 00"}, {108, "20 00 2c"}, {110, "a0 01 00"}, {112, "20 10 00"}, {120, "d0 a2 01"},
      {124, "d0 a2 05"}, {125, "20 80 00"}};
  for (const auto& [id, code] : rows) EXPECT_EQ(Hex(codes[id]), code) << "key " << id;
}

// A key map of slots with the given key ids in order (-1 = an empty slot).
Bytes KeyMapOf(const std::vector<int>& ids) {
  Bytes map;
  for (const int id : ids) {
    const KeyCode code =
        id < 0 ? KeyCode{0, 0, 0} : DefaultKeyCodes()[static_cast<std::size_t>(id)];
    map.insert(map.end(), code.begin(), code.end());
  }
  return map;
}

TEST(KeyPositions, EachKeyTakesTheFirstSlotHoldingItsFactoryCode) {
  // Slot 0 Esc, slot 1 A, slot 2 A again, slot 3 F1.
  const Bytes map = KeyMapOf({0, 64, 64, 1});
  const Bytes table = {10, 20, 30, 40};
  const auto positions = BuildKeyPositions(map, table, 4);
  ASSERT_TRUE(positions.has_value());
  EXPECT_EQ(positions->key.at(64), 1) << "duplicate code: the lower slot wins";
  EXPECT_EQ(positions->light.at(64), 20);
  EXPECT_EQ(positions->key.at(0), 0);
  EXPECT_EQ(positions->key.at(1), 3);
  EXPECT_EQ(positions->light.at(1), 40);
  // Ids below the slot count that are not on the keyboard read "none".
  EXPECT_EQ(positions->key.at(2), kNoPosition);
  EXPECT_EQ(positions->light.at(3), kNoPosition);
}

TEST(KeyPositions, KeysSharingAFactoryCodeShareTheFirstSlot) {
  // Keys 18, 19, 20 and 104 all ship as 20 00 00.
  const Bytes map = KeyMapOf({5, 18, 6});
  const auto positions = BuildKeyPositions(map, Bytes{1, 2, 3}, 3);
  ASSERT_TRUE(positions.has_value());
  EXPECT_EQ(positions->key.at(18), 1);
  EXPECT_EQ(positions->key.at(104), 1);
}

TEST(KeyPositions, KeysWithIdsPastTheSlotCountStillGetTheirLight) {
  const Bytes map = KeyMapOf({125, 0});
  const auto positions = BuildKeyPositions(map, Bytes{7, 8}, 2);
  ASSERT_TRUE(positions.has_value());
  EXPECT_EQ(positions->key.at(125), 0);
  EXPECT_EQ(positions->light.at(125), 7);
  EXPECT_EQ(positions->key.count(64), 0u) << "absent key above the slot count has no entry";
}

TEST(KeyPositions, MoreThan170SlotsOrShortImagesAreRefused) {
  const Bytes big_map(171 * 3, 0);
  const Bytes big_table(171, 0);
  EXPECT_FALSE(BuildKeyPositions(big_map, big_table, 171).has_value());
  EXPECT_TRUE(BuildKeyPositions(big_map, big_table, 170).has_value());
  EXPECT_FALSE(BuildKeyPositions(Bytes(5), Bytes(2), 2).has_value());
  EXPECT_FALSE(BuildKeyPositions(Bytes(6), Bytes(1), 2).has_value());
}

TEST(KeyPositionRecord, RoundTripsForTheSameDeviceOnly) {
  const std::map<int, std::uint8_t> key = {{0, 3}, {1, kNoPosition}, {64, 0}, {125, 2}};
  const Bytes identity = {1, 2, 3, 4, 5};
  const Json::Value record = KeyPositionsToJson(key, 4, identity);
  const auto back = KeyPositionsFromJson(record, 4, identity);
  ASSERT_TRUE(back.has_value());
  EXPECT_EQ(back->at(0), 3);
  EXPECT_EQ(back->at(64), 0);
  EXPECT_EQ(back->at(125), 2);
  EXPECT_EQ(back->at(1), kNoPosition);
  EXPECT_EQ(back->count(100), 0u);
  EXPECT_FALSE(KeyPositionsFromJson(record, 5, identity).has_value()) << "other slot count";
  EXPECT_FALSE(KeyPositionsFromJson(record, 4, Bytes{1, 2, 3, 4, 6}).has_value()) << "other device";
  // Keys 18 and 104 ship with the same code and share the slot holding it.
  const auto shared =
      KeyPositionsFromJson(KeyPositionsToJson({{18, 1}, {104, 1}}, 4, identity), 4, identity);
  ASSERT_TRUE(shared.has_value());
  EXPECT_EQ(shared->at(104), 1);
}

TEST(KeyPositionRecord, DamagedRecordsAreRefused) {
  const Bytes identity = {1, 2, 3, 4, 5};
  Json::Value record = KeyPositionsToJson({{0, 1}, {1, 2}}, 4, identity);
  Json::Value twice = record;
  twice["KeyPositions"][1] = 1;  // two keys in slot 1
  EXPECT_FALSE(KeyPositionsFromJson(twice, 4, identity).has_value());
  Json::Value outside = record;
  outside["KeyPositions"][0] = 4;
  EXPECT_FALSE(KeyPositionsFromJson(outside, 4, identity).has_value());
  Json::Value text = record;
  text["KeyPositions"][0] = "1";
  EXPECT_FALSE(KeyPositionsFromJson(text, 4, identity).has_value());
  Json::Value shorter = record;
  shorter["KeyPositions"].resize(10);
  EXPECT_FALSE(KeyPositionsFromJson(shorter, 4, identity).has_value());
  EXPECT_FALSE(KeyPositionsFromJson(Json::Value("x"), 4, identity).has_value());
  EXPECT_FALSE(KeyPositionsFromJson(Json::Value(), 4, identity).has_value());
}

TEST(KeyAssignments, GoIntoTheSlotsOfPlacedKeysOnly) {
  const Bytes image = KeyMapOf({0, 64, 1});
  const std::map<int, std::uint8_t> positions = {{0, 0}, {64, 1}, {1, 2}, {5, kNoPosition}, {7, 9}};
  std::vector<profiles::KeyEntry> entries(8);
  for (std::size_t i = 0; i < entries.size(); ++i) {
    entries[i].index = static_cast<std::uint16_t>(i);
    entries[i].assignment = {0x20, 0x00, static_cast<std::uint8_t>(0x30 + i)};
  }
  entries.push_back({64, {0xA0, 0x01, 0x02}, {}});
  const Bytes out = ApplyKeyAssignments(image, positions, entries);
  // Key 0 → slot 0, key 1 → slot 2, key 64 → slot 1; key 5 has no slot, key 7's is past the end.
  EXPECT_EQ(Hex(out), "20 00 30 a0 01 02 20 00 31");
}

TEST(CustomColourBlock, PutsEachKeysColourAtItsLightPosition) {
  std::vector<LedEntry> leds(126);
  leds[0] = {0x10, 0x20, 0x30, 0x80};
  leds[64] = {0xFF, 0x00, 0x80, 0xFF};
  const std::map<int, std::uint8_t> light = {{0, 2}, {64, 0}, {1, kNoPosition}};
  const Bytes plain = BuildCustomColourBlock(leds, light, 3, false);
  EXPECT_EQ(Hex(plain), "ff 00 80 00 00 00 10 20 30");
  const Bytes scaled = BuildCustomColourBlock(leds, light, 3, true);
  EXPECT_EQ(Hex(scaled), "fe 00 7f 00 00 00 08 10 18");
}

TEST(CustomColourBlock, CoversEveryPositionUpTo170AndSkipsThoseBeyond) {
  std::vector<LedEntry> leds(126, LedEntry{1, 2, 3, 255});
  const std::map<int, std::uint8_t> light = {{0, 5}, {1, 169}, {2, 170}, {3, 200}};
  const Bytes block = BuildCustomColourBlock(leds, light, 2, false);
  ASSERT_EQ(block.size(), 170u * 3) << "the highest position inside the block decides its length";
  EXPECT_EQ(Hex(testing::Slice(block, 169 * 3, 3)), "01 02 03");
  EXPECT_EQ(Hex(testing::Slice(block, 5 * 3, 3)), "01 02 03");
}

}  // namespace
}  // namespace norvik::devices
