#include "devices/mouse_driver.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "devices/macro_table.h"
#include "mouse_test_rig.h"
#include "profiles/json_file_store.h"
#include "profiles/shoot_files.h"

namespace norvik::devices {
namespace {

using norvik::testing::WriteText;
using testing::Bytes;
using testing::CommandDevice;
using testing::HexOf;
using testing::MouseRig;
using testing::RecordingEvents;
using testing::ShootEvent;
using testing::WriteShootFile;

constexpr std::uint8_t kBegin = 0x01, kEnd = 0x02, kInfo = 0x03, kRead = 0x05, kWrite = 0x06,
                       kReadMap = 0x07, kWriteMap = 0x09, kMacro = 0x15, kShoot = 0x17,
                       kLink = 0xAA;

Bytes SettingsOf(const CommandDevice& device, std::size_t address, std::size_t n) {
  const Bytes memory = device.SettingsMemory();
  return Bytes(memory.begin() + static_cast<std::ptrdiff_t>(address),
               memory.begin() + static_cast<std::ptrdiff_t>(address + n));
}

TEST(MouseDriverRead, CableReadFindsButtonsAndDpiRangesWithoutTheLinkQuery) {
  MouseRig rig;
  ASSERT_EQ(rig.AttachCable(), MouseLink::Cable);
  rig.ClearLogs();
  EXPECT_EQ(rig.driver().ReadKeyData(), DeviceResult::Success);
  // 34 information bytes and 36 key map bytes are one report each over the cable.
  EXPECT_EQ(HexOf(rig.cable().CommandsSeen()), HexOf(Bytes{kBegin, kInfo, kReadMap, kEnd}));
  EXPECT_TRUE(rig.receiver().CommandsSeen().empty());

  const std::map<int, std::uint8_t> expected = {{0, 0}, {1, 1}, {2, 4},    {3, 3},
                                                {4, 2}, {5, 5}, {6, 6},    {7, 7},
                                                {8, 8}, {9, 9}, {10, 126}, {11, 126}};
  EXPECT_EQ(rig.driver().KeyPositionMap(), expected);
  EXPECT_EQ(rig.driver().Ranges(), (DpiRanges{50, 520, 26000}));
  EXPECT_EQ(HexOf(rig.driver().KeyMapImage()), HexOf(rig.cable().KeyMap()));
  EXPECT_FALSE(rig.cable().InConfig());
  // The start-up loads the selected profile (made from the default data).
  EXPECT_TRUE(rig.driver().MouseProfile().Section().isObject());
  EXPECT_TRUE(std::filesystem::exists(rig.driver().MouseProfile().GetProfilePath()));
}

TEST(MouseDriverRead, ReceiverReadAsksTheLinkFirstAndUsesSmallChunks) {
  MouseRig rig(/*cable=*/false);
  ASSERT_EQ(rig.AttachReceiver(), MouseLink::Receiver);
  rig.ClearLogs();
  EXPECT_EQ(rig.driver().ReadKeyData(), DeviceResult::Success);
  EXPECT_EQ(HexOf(rig.receiver().CommandsSeen()),
            HexOf(Bytes{kLink, kBegin, kInfo, kInfo, kReadMap, kReadMap, kEnd}));
  EXPECT_EQ(rig.driver().KeyPosition(2), 4);
}

TEST(MouseDriverRead, StatusThroughTheReceiverIsGatedAndMarksTheRadioLink) {
  MouseRig rig(/*cable=*/false);
  rig.AttachReceiver();
  rig.ClearLogs();
  ASSERT_EQ(rig.driver().ReadStatus(), DeviceResult::Success);
  EXPECT_EQ(HexOf(rig.receiver().CommandsSeen()), "aa 1a");
  const auto status = rig.driver().LastPowerStatus();
  ASSERT_TRUE(status.has_value());
  EXPECT_TRUE(status->wireless);
  EXPECT_EQ(status->power_value, 85) << "the emulated battery level";
}

TEST(MouseDriverRead, SettingsReadTakesTheActiveProfilesBlock) {
  MouseRig rig;
  rig.AttachCable();
  CommandDevice& mouse = rig.cable();
  ASSERT_TRUE(mouse.WriteSettingsMemory(0, Bytes{2}));
  const Bytes block = {0, 6, 3, 1, 1, 0, 0x10, 0x20, 0x30, 0, 0, 2, 4};
  ASSERT_TRUE(mouse.WriteSettingsMemory(2 * 128, block));
  ASSERT_TRUE(mouse.WriteSettingsMemory(2 * 128 + 68, Bytes{0xAB, 0xCD, 0xEF}));
  rig.ClearLogs();

  EXPECT_EQ(rig.driver().ReadSettings(), DeviceResult::Success);
  EXPECT_EQ(HexOf(mouse.CommandsSeen()), HexOf(Bytes{kRead, kRead, kRead}));
  EXPECT_EQ(rig.driver().ActiveProfileIndex(), 2);
  EXPECT_EQ(rig.driver().ReportedDpiStage(), 4);
  const profiles::LightState light = rig.driver().LightValues();
  EXPECT_EQ(light.SelectItem, 6);
  EXPECT_EQ(light.Light, 3);
  EXPECT_EQ(light.Speed, 4) << "speed is 5 - byte 3";
  EXPECT_EQ(light.Fx, 1);
  EXPECT_EQ(light.MultiColor, 0);
  EXPECT_EQ(light.Red, 0x10);
  EXPECT_EQ(light.Green, 0x20);
  EXPECT_EQ(light.Blue, 0x30);
  const auto read = rig.driver().LastSettingsRead();
  ASSERT_TRUE(read.has_value());
  EXPECT_EQ(HexOf(read->image), HexOf(SettingsOf(mouse, 256, 68)));
  EXPECT_EQ(read->trailer, 0xCDAB);
  EXPECT_EQ(read->last, 0xEF);
}

TEST(MouseDriverRead, SettingsReadClearsTheHoldFlag) {
  MouseRig rig;
  rig.AttachCable();
  rig.driver().Io().SetHold(true);
  rig.driver().ReadSettings();
  EXPECT_FALSE(rig.driver().Io().IsHeld());
}

class MouseDriverWrite : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(rig_.AttachCable(), MouseLink::None);
    ASSERT_EQ(rig_.driver().ReadKeyData(), DeviceResult::Success);
    profiles::CMouseProfiledata& profile = rig_.driver().MouseProfile();
    profiles::LightState light = profile.GetLightInfo();
    light.SelectItem = 9;
    light.Speed = 2;
    profile.SetLightInfo(light);
    std::vector<profiles::DpiStage> stages = profile.GetDpiStages();
    stages.resize(3);
    profile.SetDpiStages(stages);
    ASSERT_TRUE(profile.Save());
  }
  MouseDriver& driver() { return rig_.driver(); }
  MouseRig rig_;
};

TEST_F(MouseDriverWrite, CableSettingsPushWritesTheProfileBlock) {
  rig_.ClearLogs();
  ASSERT_EQ(driver().WriteSettings(0, 0), DeviceResult::Success);
  // 66 bytes are two reports over the cable.
  EXPECT_EQ(HexOf(rig_.cable().CommandsSeen()), HexOf(Bytes{kBegin, kWrite, kWrite, kEnd}));
  const Bytes written = SettingsOf(rig_.cable(), 0, kMouseSettingsWriteSize);
  EXPECT_EQ(written[kMouseModeAt], 0) << "mode 9 is sent as 0";
  EXPECT_EQ(written[kMouseSpeedAt], 3) << "speed 2 is sent as 5 - 2";
  EXPECT_EQ(HexOf(std::span(written).subspan(14, 27)),
            "01 00 90 01 90 01 ff 00 00 01 00 20 03 20 03 00 ff 00 01 00 40 06 40 06 00 00 ff");
  for (std::size_t at = 41; at <= 58; ++at) EXPECT_EQ(written[at], 0) << "byte " << at;
  EXPECT_EQ(HexOf(std::span(written).subspan(59, 5)), "01 80 07 38 04");
  EXPECT_FALSE(rig_.cable().InConfig());
}

TEST_F(MouseDriverWrite, ReceiverSettingsPushAsksTheLinkBeforeEachCommandAndMirrorsTheSpeed) {
  ASSERT_EQ(rig_.AttachReceiver(), MouseLink::Cable) << "the cable stays in use";
  ASSERT_EQ(driver().DetachCable(), MouseLink::Receiver);
  rig_.ClearLogs();
  ASSERT_EQ(driver().WriteSettings(0, 0), DeviceResult::Success);
  // 66 bytes are three reports of at most 24 through the receiver.
  EXPECT_EQ(HexOf(rig_.receiver().CommandsSeen()),
            HexOf(Bytes{kLink, kBegin, kLink, kWrite, kWrite, kWrite, kLink, kEnd}));
  EXPECT_TRUE(rig_.cable().CommandsSeen().empty());
  EXPECT_EQ(SettingsOf(rig_.receiver(), kMouseSpeedAt, 1), Bytes{3}) << "speed 2 is sent as 3";
}

// Byte 3 carries 5 − speed on both links, the speed clamped to 0-5 first, and a read-back
// gives the speed that was written.
TEST_F(MouseDriverWrite, SpeedIsSentAsFiveMinusSpeedOnBothLinksAndReadsBackUnchanged) {
  for (const bool receiver : {false, true}) {
    if (receiver) {
      ASSERT_EQ(rig_.AttachReceiver(), MouseLink::Cable);
      ASSERT_EQ(driver().DetachCable(), MouseLink::Receiver);
    }
    CommandDevice& device = receiver ? static_cast<CommandDevice&>(rig_.receiver())
                                     : static_cast<CommandDevice&>(rig_.cable());
    const char* link = receiver ? "receiver" : "cable";
    for (const auto& [stored, sent, read] :
         std::vector<std::array<int, 3>>{{0, 5, 0}, {2, 3, 2}, {5, 0, 5}, {6, 0, 5}, {252, 0, 5}}) {
      profiles::LightState light = driver().MouseProfile().GetLightInfo();
      light.Speed = static_cast<std::uint8_t>(stored);
      driver().MouseProfile().SetLightInfo(light);
      ASSERT_EQ(driver().WriteSettings(0, 0), DeviceResult::Success) << link;
      EXPECT_EQ(SettingsOf(device, kMouseSpeedAt, 1), Bytes{static_cast<std::uint8_t>(sent)})
          << link << ", speed " << stored;
      ASSERT_EQ(driver().ReadSettings(), DeviceResult::Success) << link;
      EXPECT_EQ(driver().LightValues().Speed, read) << link << ", speed " << stored;
    }
  }
}

TEST_F(MouseDriverWrite, SettingsPushOfAnotherProfileSlotGoesToItsStride) {
  driver().SetScreenSize({1280, 720});
  rig_.ClearLogs();
  ASSERT_EQ(driver().WriteSettings(3, 0), DeviceResult::Success);
  EXPECT_EQ(HexOf(SettingsOf(rig_.cable(), 3 * 128 + 60, 4)), "00 05 d0 02");
  EXPECT_EQ(HexOf(SettingsOf(rig_.cable(), 60, 4)), "80 07 38 04") << "profile 0 untouched";
  EXPECT_EQ(driver().WriteSettings(-1, 0), DeviceResult::NotSent);
  EXPECT_EQ(driver().WriteSettings(512, 0), DeviceResult::NotSent);
  EXPECT_EQ(HexOf(rig_.cable().CommandsSeen()), HexOf(Bytes{kBegin, kWrite, kWrite, kEnd}));
}

TEST_F(MouseDriverWrite, KeyMapPushPutsAssignmentsIntoTheDiscoveredSlots) {
  profiles::CMouseProfiledata& profile = driver().MouseProfile();
  std::vector<profiles::KeyEntry> keys = profile.GetKeyList();
  ASSERT_GE(keys.size(), 10u);
  keys[2].assignment = {0x20, 0x00, 0x04};  // middle button → "A"
  keys[4].assignment = {0x20, 0x02, 0x05};  // a side button → Shift+B
  profile.SetKeyList(keys);
  const Bytes before = rig_.cable().KeyMap();
  rig_.ClearLogs();

  ASSERT_EQ(driver().PushKeyMap(0), DeviceResult::Success);
  EXPECT_EQ(HexOf(rig_.cable().CommandsSeen()), HexOf(Bytes{kInfo, kBegin, kWriteMap, kEnd}));
  Bytes expected = before;
  const Bytes middle = {0x20, 0x00, 0x04}, side = {0x20, 0x02, 0x05};
  std::copy(middle.begin(), middle.end(), expected.begin() + 4 * 3);
  std::copy(side.begin(), side.end(), expected.begin() + 2 * 3);
  EXPECT_EQ(HexOf(rig_.cable().KeyMap()), HexOf(expected));
}

TEST_F(MouseDriverWrite, KeyMapPushRefusesOtherBanksAndADeviceWithAnotherLayout) {
  rig_.ClearLogs();
  EXPECT_EQ(driver().PushKeyMap(1), DeviceResult::BadBank);
  EXPECT_TRUE(rig_.cable().CommandsSeen().empty());

  // The device now reports 8 slots: the positions read before do not fit it any more.
  auto info = rig_.cable().InfoBlock();
  info[5] = 8;
  rig_.cable().SetInfoBlock(info);
  const Bytes before = rig_.cable().KeyMap();
  EXPECT_EQ(driver().PushKeyMap(0), DeviceResult::NotSent);
  EXPECT_EQ(HexOf(rig_.cable().CommandsSeen()), HexOf(Bytes{kInfo}));
  EXPECT_EQ(rig_.cable().KeyMap(), before);
}

TEST(MouseDriverKeyMap, NothingIsPushedBeforeTheKeyMapWasRead) {
  MouseRig rig;
  rig.AttachCable();
  rig.ClearLogs();
  EXPECT_EQ(rig.driver().PushKeyMap(0), DeviceResult::NotSent);
  EXPECT_TRUE(rig.cable().CommandsSeen().empty());
}

TEST_F(MouseDriverWrite, MacroTableOfTheDataFolderReachesMacroMemory) {
  WriteText(
      rig_.data_folder() / "macro.config",
      R"({"MacroInfo": [ {"MacroName": "a", "Guid": "ga"}, {"MacroName": "b", "Guid": "gb"} ]})");
  WriteText(rig_.data_folder() / "ga.mac", R"({"Events": [
      {"Action":"down","Type":1,"Button":1,"Delay":20},
      {"Action":"up","Type":1,"Button":1,"Delay":300} ]})");
  WriteText(rig_.data_folder() / "gb.mac",
            R"({"Events": [ {"Action":"down","Type":2,"Button":4,"Delay":0} ]})");
  rig_.ClearLogs();

  const MacroPushResult result = driver().WriteMacroTable();
  EXPECT_EQ(result.status, MacroPushStatus::Sent);
  EXPECT_EQ(result.Code(), 0);
  EXPECT_EQ(HexOf(rig_.cable().CommandsSeen()), HexOf(Bytes{kInfo, kBegin, kMacro, kEnd}));
  // 16 + 6 × 2 + 4 × 3 = 40 bytes; offsets 20 and 32.
  const Bytes expected = {0xAA, 0x55, 40,   0, 2,    0, 0,    0, 0, 0, 0, 0,
                          0,    0,    0,    0, 20,   0, 32,   0, 2, 0, 0, 0,  // macro a
                          20,   0,    0x81, 1, 0x2C, 1, 0x01, 1,              // press / release
                          1,    0,    0,    0, 0,    0, 0x82, 4};             // macro b
  const Bytes memory = rig_.cable().MacroMemory();
  EXPECT_EQ(HexOf(std::span(memory).first(expected.size())), HexOf(expected));
}

TEST_F(MouseDriverWrite, NoMacroListSendsOnlyTheInformationRead) {
  rig_.ClearLogs();
  const MacroPushResult result = driver().WriteMacroTable();
  EXPECT_EQ(result.status, MacroPushStatus::NothingToSend);
  EXPECT_EQ(HexOf(rig_.cable().CommandsSeen()), HexOf(Bytes{kInfo}));
}

TEST_F(MouseDriverWrite, ShootTableReachesShootMemoryByteExact) {
  const auto folder = rig_.data_folder();
  WriteShootFile(folder / "ShootData_0.Shoot", {{"down", 1, 10, 1}, {"up", 1, 0, 1}});
  WriteShootFile(folder / "ShootData_1.Shoot", {});
  WriteShootFile(folder / "ShootData_2.Shoot", {{"down", 300, 5, 4}});
  WriteShootFile(folder / "ShootData_3.Shoot", {{"up", 20, 95, 5}, {"down", 0, 0, 4}});
  rig_.ClearLogs();

  const MacroPushResult result = driver().WriteShootTable();
  ASSERT_EQ(result.status, MacroPushStatus::Sent) << result.Code();
  // 16 + 6 × 4 + 4 × 5 = 60 bytes: two reports of 56 bytes at most. Gun 2's move of 300 goes
  // as 255, the farthest one byte holds.
  EXPECT_EQ(HexOf(rig_.cable().CommandsSeen()), HexOf(Bytes{kInfo, kBegin, kShoot, kShoot, kEnd}));
  const Bytes expected = {0xAA, 0x55, 60, 0, 4,  0, 0,    0,    0,  0, 0,    0,
                          0,    0,    0,  0, 24, 0, 36,   0,    40, 0, 48,   0,   // offsets
                          2,    0,    0,  0, 10, 0, 0x81, 1,    0,  0, 0x01, 1,   // gun 0
                          0,    0,    0,  0,                                      // gun 1
                          1,    0,    0,  0, 5,  0, 0x84, 0xFF,                   // gun 2
                          2,    0,    0,  0, 95, 0, 0x05, 20,   0,  0, 0x84, 0};  // gun 3
  const Bytes memory = rig_.cable().ShootMemory();
  EXPECT_EQ(HexOf(std::span(memory).first(expected.size())), HexOf(expected));
}

TEST_F(MouseDriverWrite, MissingShootFilesAreRestoredAndTheShippedPatternsReachTheMouse) {
  // The shipped patterns: four guns of 30 bullets, six events each, 2920 bytes in all.
  rig_.ClearLogs();
  const MacroPushResult result = driver().WriteShootTable();
  EXPECT_EQ(result.status, MacroPushStatus::Sent);
  for (int gun = 0; gun < 4; ++gun) {
    EXPECT_TRUE(std::filesystem::exists(rig_.data_folder() / profiles::ShootFileName(gun))) << gun;
  }
  const Bytes memory = rig_.cable().ShootMemory();
  EXPECT_EQ(HexOf(std::span(memory).first(6)), HexOf(Bytes{0xAA, 0x55, 0x68, 0x0B, 4, 0}));
}

// The shoot table goes to the mouse over its cable only; through the receiver nothing is
// sent and the result says why.
TEST_F(MouseDriverWrite, ShootTableThroughTheReceiverIsRefusedWithoutTraffic) {
  ASSERT_EQ(rig_.AttachReceiver(), MouseLink::Cable);
  ASSERT_EQ(driver().DetachCable(), MouseLink::Receiver);
  const Bytes memory = rig_.receiver().ShootMemory();
  rig_.ClearLogs();
  const MacroPushResult result = driver().WriteShootTable();
  EXPECT_EQ(result.status, MacroPushStatus::NeedsCable);
  EXPECT_FALSE(result.Ok());
  EXPECT_TRUE(rig_.receiver().CommandsSeen().empty()) << HexOf(rig_.receiver().CommandsSeen());
  EXPECT_EQ(rig_.receiver().ShootMemory(), memory);
}

TEST_F(MouseDriverWrite, WholeProfilePushSendsSettingsMacrosThenTheKeyMap) {
  WriteText(rig_.data_folder() / "macro.config",
            R"({"MacroInfo": [ {"MacroName": "a", "Guid": "ga"} ]})");
  WriteText(rig_.data_folder() / "ga.mac",
            R"({"Events": [ {"Action":"down","Type":1,"Button":1,"Delay":20} ]})");
  rig_.ClearLogs();
  const ApplyResult result = driver().ApplyProfile();
  EXPECT_TRUE(result.Ok());
  EXPECT_EQ(HexOf(rig_.cable().CommandsSeen()),
            HexOf(Bytes{kBegin, kWrite, kWrite, kEnd,       // settings
                        kInfo, kBegin, kMacro, kEnd,        // macros
                        kInfo, kBegin, kWriteMap, kEnd}));  // key map
  EXPECT_FALSE(result.shoot.has_value());
}

TEST_F(MouseDriverWrite, RestoringDefaultsPushesTheFactoryKeyMapAndSettings) {
  profiles::CMouseProfiledata& profile = driver().MouseProfile();
  std::vector<profiles::KeyEntry> keys = profile.GetKeyList();
  ASSERT_FALSE(keys.empty());
  keys[0].assignment = {0x20, 0x00, 0x04};
  profile.SetKeyList(keys);
  ASSERT_TRUE(profile.Save());
  ASSERT_EQ(driver().PushKeyMap(0), DeviceResult::Success);
  ASSERT_EQ(rig_.cable().KeyMap()[0], 0x20);

  rig_.ClearLogs();
  const ApplyResult result = driver().RestoreDefaults();
  EXPECT_TRUE(result.Ok());
  EXPECT_EQ(HexOf(rig_.cable().CommandsSeen()),
            HexOf(Bytes{kInfo, kBegin, kWriteMap, kEnd, kBegin, kWrite, kWrite, kEnd}));
  const Bytes key_map = rig_.cable().KeyMap();
  EXPECT_EQ(HexOf(std::span(key_map).first(3)), "10 01 00");
  EXPECT_EQ(profile.GetLightInfo().SelectItem, 1) << "the factory light mode is back";
}

TEST(MouseDriverLink, LinkDownSendsNothingButTheQuery) {
  MouseRig rig(/*cable=*/false);
  rig.AttachReceiver();
  MouseDriver& driver = rig.driver();
  ASSERT_EQ(driver.ReadKeyData(), DeviceResult::Success);
  RecordingEvents events;
  driver.SetEvents(&events);
  const Bytes settings = rig.receiver().SettingsMemory();
  const Bytes key_map = rig.receiver().KeyMap();
  rig.receiver().SetLinkUp(false);

  const std::vector<std::pair<const char*, std::function<int()>>> operations = {
      {"ReadKeyData", [&] { return hid::ToInt(driver.ReadKeyData()); }},
      {"ReadSettings", [&] { return hid::ToInt(driver.ReadSettings()); }},
      {"WriteSettings", [&] { return hid::ToInt(driver.WriteSettings(0, 0)); }},
      {"PushKeyMap", [&] { return hid::ToInt(driver.PushKeyMap(0)); }},
      {"WriteMacroTable", [&] { return driver.WriteMacroTable().Code(); }},
      {"ApplyProfile", [&] { return hid::ToInt(driver.ApplyProfile().settings); }},
      {"SetActiveDpiStage", [&] { return hid::ToInt(driver.SetActiveDpiStage(2).pushed); }},
      {"ReadStatus", [&] { return hid::ToInt(driver.ReadStatus()); }},
  };
  for (const auto& [name, run] : operations) {
    rig.ClearLogs();
    EXPECT_EQ(run(), 0) << name;
    EXPECT_EQ(HexOf(rig.receiver().CommandsSeen()), HexOf(Bytes{kLink})) << name;
  }
  EXPECT_FALSE(driver.QueryLink());
  EXPECT_EQ(rig.receiver().SettingsMemory(), settings);
  EXPECT_EQ(rig.receiver().KeyMap(), key_map);
  EXPECT_EQ(driver.ActiveProfileIndex(), -1) << "panel values stay untouched";

  rig.receiver().SetLinkUp(true);
  EXPECT_TRUE(driver.QueryLink());
  EXPECT_EQ(events.Events(), (std::vector<RecordingEvents::Event>{{"link", 0}, {"link", 1}}));
  driver.SetEvents(nullptr);
}

TEST(MouseDriverLink, CableLinkQueryIsAnsweredWithoutTraffic) {
  MouseRig rig;
  EXPECT_FALSE(rig.driver().QueryLink()) << "no channel";
  rig.AttachCable();
  rig.ClearLogs();
  EXPECT_TRUE(rig.driver().QueryLink());
  EXPECT_TRUE(rig.cable().CommandsSeen().empty());
}

TEST(MouseDriverSwitch, CableIsPreferredAndTheReceiverTakesOverWhenItGoes) {
  MouseRig rig;
  MouseDriver& driver = rig.driver();
  EXPECT_EQ(driver.ActiveLink(), MouseLink::None);
  EXPECT_EQ(rig.AttachReceiver(), MouseLink::Receiver);
  EXPECT_EQ(driver.Kind(), hid::DeviceKind::MouseReceiver);
  EXPECT_TRUE(driver.Io().IsWireless());
  ASSERT_EQ(driver.ReadKeyData(), DeviceResult::Success);

  // Plugging the cable moves the same mouse object over to it.
  EXPECT_EQ(rig.AttachCable(), MouseLink::Cable);
  EXPECT_EQ(driver.Kind(), hid::DeviceKind::MouseCable);
  EXPECT_FALSE(driver.Io().IsWireless());
  EXPECT_TRUE(driver.KeyMapImage().empty()) << "the receiver's key map is not the cable's base";
  rig.ClearLogs();
  ASSERT_EQ(driver.WriteSettings(0, 0), DeviceResult::Success);
  EXPECT_EQ(HexOf(rig.cable().CommandsSeen()), HexOf(Bytes{kBegin, kWrite, kWrite, kEnd}));
  EXPECT_TRUE(rig.receiver().CommandsSeen().empty());

  // Unplugging the cable switches back to the receiver.
  rig.bus().Unplug(rig.cable_id());
  EXPECT_EQ(driver.DetachCable(), MouseLink::Receiver);
  rig.ClearLogs();
  ASSERT_EQ(driver.WriteSettings(0, 0), DeviceResult::Success);
  EXPECT_EQ(rig.receiver().CommandsSeen().front(), kLink);

  // A receiver that leaves while the cable is absent leaves no channel.
  EXPECT_EQ(driver.DetachReceiver(), MouseLink::None);
  EXPECT_FALSE(driver.IsOpen());
  rig.ClearLogs();
  EXPECT_EQ(driver.WriteSettings(0, 0), DeviceResult::NotSent);
  EXPECT_TRUE(rig.receiver().CommandsSeen().empty());
}

TEST(MouseDriverSwitch, ReceiverLeavingWhileTheCableServesChangesNothing) {
  MouseRig rig;
  rig.AttachCable();
  rig.AttachReceiver();
  ASSERT_EQ(rig.driver().ReadKeyData(), DeviceResult::Success);
  EXPECT_EQ(rig.driver().DetachReceiver(), MouseLink::Cable);
  EXPECT_FALSE(rig.driver().KeyMapImage().empty()) << "the cable's key map stays the base";
  rig.ClearLogs();
  EXPECT_EQ(rig.driver().PushKeyMap(0), DeviceResult::Success);
}

TEST(MouseDriverSwitch, ACableThatCannotBeOpenedFallsBackToTheReceiver) {
  MouseRig rig;
  const std::string cable_path = rig.CommandPath(rig.cable_id());
  rig.bus().Unplug(rig.cable_id());
  rig.AttachReceiver();
  EXPECT_EQ(rig.driver().AttachCable(cable_path), MouseLink::Receiver);
  EXPECT_TRUE(rig.driver().Io().IsWireless());
  EXPECT_EQ(rig.driver().DetachCable(), MouseLink::Receiver);
}

class MouseDriverDpi : public MouseDriverWrite {};

TEST_F(MouseDriverDpi, StageValueIsStoredSavedAndPushed) {
  rig_.ClearLogs();
  const DpiEditResult result = driver().SetDpiStageValue(1, 1200);
  ASSERT_TRUE(result.Ok());
  EXPECT_EQ(HexOf(SettingsOf(rig_.cable(), 14 + 9, 6)), "01 00 b0 04 b0 04");

  ASSERT_TRUE(driver().SetDpiStageValue(1, 1200, 2400).Ok());
  EXPECT_EQ(HexOf(SettingsOf(rig_.cable(), 14 + 9, 6)), "01 01 b0 04 60 09");
  // The profile file holds it too.
  const Json::Value stored =
      profiles::JsonFileStore::ReadJson(driver().MouseProfile().GetProfilePath());
  const Json::Value& stage = stored["Device"][0]["DPIStages"]["StageDPIs"][1];
  EXPECT_EQ(stage["StageDPIX"].asInt(), 1200);
  EXPECT_EQ(stage["StageDPIY"].asInt(), 2400);
  EXPECT_EQ(stage["StageXY"].asInt(), 1);
}

TEST_F(MouseDriverDpi, ValuesOutsideTheDeviceRangeAndUnknownStagesChangeNothing) {
  const std::string before = norvik::testing::ReadText(driver().MouseProfile().GetProfilePath());
  rig_.ClearLogs();
  EXPECT_EQ(driver().SetDpiStageValue(0, 26001).status, DpiEditStatus::OutOfRange);
  EXPECT_EQ(driver().SetDpiStageValue(0, 0).status, DpiEditStatus::OutOfRange);
  EXPECT_EQ(driver().SetDpiStageValue(0, 800, 26050).status, DpiEditStatus::OutOfRange);
  // The set-up left three stages in the profile.
  EXPECT_EQ(driver().SetDpiStageValue(3, 800).status, DpiEditStatus::NoSuchStage);
  EXPECT_EQ(driver().SetActiveDpiStage(-1).status, DpiEditStatus::NoSuchStage);
  EXPECT_EQ(driver().EnableDpiStage(5, true).status, DpiEditStatus::NoSuchStage);
  EXPECT_TRUE(rig_.cable().CommandsSeen().empty());
  EXPECT_EQ(norvik::testing::ReadText(driver().MouseProfile().GetProfilePath()), before);
  EXPECT_TRUE(driver().SetDpiStageValue(0, 26000).Ok());
}

TEST_F(MouseDriverDpi, ActiveStageAndStageSwitchReachTheBlock) {
  ASSERT_TRUE(driver().SetActiveDpiStage(2).Ok());
  EXPECT_EQ(SettingsOf(rig_.cable(), kMouseActiveStageAt, 1), Bytes{2});
  ASSERT_TRUE(driver().EnableDpiStage(2, false).Ok());
  EXPECT_EQ(SettingsOf(rig_.cable(), 14 + 18, 1), Bytes{0});
  ASSERT_TRUE(driver().EnableDpiStage(2, true).Ok());
  EXPECT_EQ(SettingsOf(rig_.cable(), 14 + 18, 1), Bytes{1});
  EXPECT_EQ(driver().MouseProfile().GetActiveDpiStage(), 2);
}

// A stage picked with the mouse's DPI button, seen in a settings read-back or a 0x11
// notification, becomes the profile's active stage: the next settings push keeps it.
TEST_F(MouseDriverDpi, StageChosenOnTheMouseSurvivesTheNextSettingsPush) {
  ASSERT_TRUE(driver().SetActiveDpiStage(0).Ok());
  RecordingEvents events;
  driver().SetEvents(&events);
  ASSERT_TRUE(driver().Notifications().Bind(rig_.NotificationPath(rig_.cable_id()),
                                            hid::DeviceKind::MouseCable));
  struct Case {
    const char* how;
    std::function<void()> report;
    std::uint8_t stage;
  };
  const std::vector<Case> cases = {
      {"settings read",
       [&] {
         ASSERT_TRUE(rig_.cable().WriteSettingsMemory(kMouseActiveStageAt, Bytes{2}));
         ASSERT_EQ(driver().ReadSettings(), DeviceResult::Success);
       },
       2},
      {"notification",
       [&] {
         rig_.cable().InjectProfileChange(0, 1);
         ASSERT_TRUE(events.WaitFor(1));
       },
       1},
  };
  for (const Case& c : cases) {
    c.report();
    ASSERT_EQ(driver().WriteSettings(0, 0), DeviceResult::Success) << c.how;
    EXPECT_EQ(SettingsOf(rig_.cable(), kMouseActiveStageAt, 1), Bytes{c.stage}) << c.how;
    ASSERT_TRUE(driver().LoadProfile());
    EXPECT_EQ(driver().MouseProfile().GetActiveDpiStage(), c.stage) << c.how << ": not saved";
  }
  driver().Shutdown();
  driver().SetEvents(nullptr);
}

TEST(MouseDriverProfile, NormalisingClampsSpeedAndAnActiveStageOutsideTheList) {
  MouseRig rig;
  rig.AttachCable();
  MouseDriver& driver = rig.driver();
  ASSERT_TRUE(driver.LoadProfile());
  profiles::CMouseProfiledata& profile = driver.MouseProfile();
  profiles::LightState light = profile.GetLightInfo();
  light.Speed = 9;
  profile.SetLightInfo(light);
  profile.SetActiveDpiStage(7);
  driver.NormaliseProfile();
  EXPECT_EQ(profile.GetLightInfo().Speed, 5);
  EXPECT_EQ(profile.GetActiveDpiStage(), 0);
  EXPECT_EQ(driver.LightValues().Speed, 5);

  profile.SetActiveDpiStage(4);
  driver.NormaliseProfile();
  EXPECT_EQ(profile.GetActiveDpiStage(), 4) << "a stage inside the list stays";
}

class MouseDriverNotify : public ::testing::Test {
 protected:
  void SetUp() override {
    rig_.AttachCable();
    rig_.AttachReceiver();
    rig_.driver().SetEvents(&events_);
  }
  void TearDown() override {
    rig_.driver().Shutdown();
    rig_.driver().SetEvents(nullptr);
  }
  MouseRig rig_;
  RecordingEvents events_;
};

TEST_F(MouseDriverNotify, ProfileAndStageChangesFromEitherConnectionReachTheOwner) {
  ASSERT_TRUE(rig_.driver().Notifications().Bind(rig_.NotificationPath(rig_.cable_id()),
                                                 hid::DeviceKind::MouseCable));
  ASSERT_TRUE(rig_.driver().Notifications().Bind(rig_.NotificationPath(rig_.receiver_id()),
                                                 hid::DeviceKind::MouseReceiver));
  rig_.cable().InjectProfileChange(2, 3);
  ASSERT_TRUE(events_.WaitFor(1));
  EXPECT_EQ(rig_.driver().ActiveProfileIndex(), 2);
  EXPECT_EQ(rig_.driver().ReportedDpiStage(), 3);

  rig_.receiver().InjectProfileChange(1);
  ASSERT_TRUE(events_.WaitFor(2));
  EXPECT_EQ(rig_.driver().ActiveProfileIndex(), 1);
  EXPECT_EQ(rig_.driver().ReportedDpiStage(), 3) << "0x10xx carries no stage";

  rig_.cable().InjectSyncRequest();
  ASSERT_TRUE(events_.WaitFor(3));
  EXPECT_EQ(events_.Events(),
            (std::vector<RecordingEvents::Event>{{"profile", 2}, {"profile", 1}, {"sync", 50}}));
}

TEST_F(MouseDriverNotify, OtherUsagesAndAClosedChannelLeaveTheProfileAlone) {
  ASSERT_TRUE(rig_.driver().Notifications().Bind(rig_.NotificationPath(rig_.cable_id()),
                                                 hid::DeviceKind::MouseCable));
  rig_.cable().InjectConsumerUsage(0x1203);  // neither 0x10xx nor 0x11xx
  rig_.cable().InjectKeyPress(2);            // the mouse reports no key presses
  rig_.driver().DetachCable();
  rig_.driver().DetachReceiver();
  rig_.cable().InjectConsumerUsage(0x1005);  // a profile change, but no channel
  // A sync request still comes through and marks the end of what the reader saw.
  rig_.cable().InjectSyncRequest();
  ASSERT_TRUE(events_.WaitFor(1));
  EXPECT_EQ(events_.Events(), (std::vector<RecordingEvents::Event>{{"sync", 50}}));
  EXPECT_EQ(rig_.driver().ActiveProfileIndex(), -1);
}

}  // namespace
}  // namespace norvik::devices
