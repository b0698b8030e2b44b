#include "devices/keyboard_driver.h"

#include <gtest/gtest.h>

#include <thread>

#include "keyboard_test_rig.h"

namespace norvik::devices {
namespace {

using namespace std::chrono_literals;
using emulator::CommandDevice;
using emulator::EmulatedKeyboard;
using emulator::EmulatedProduct;
using norvik::testing::WriteText;
using testing::Bytes;
using testing::DriverRig;
using testing::Hex;
using testing::Slice;

using KeyboardRig = DriverRig<KeyboardDriver>;

std::unique_ptr<KeyboardDriver> MakeKeyboard(hid::HidBackend* backend, DeviceFolders folders) {
  return std::make_unique<KeyboardDriver>(backend, std::move(folders), hid::DeviceKind::Keyboard);
}
std::unique_ptr<KeyboardDriver> MakeSecondModel(hid::HidBackend* backend, DeviceFolders folders) {
  return std::make_unique<KeyboardDriver>(backend, std::move(folders),
                                          hid::DeviceKind::KeyboardSecondModel);
}

// The emulated keyboards list key (slot × stride) mod keys in slot `slot`.
int KeyInSlot(std::size_t slot, int stride = 5, int keys = 126) {
  return static_cast<int>(slot * stride % keys);
}
std::uint8_t SlotOfKey(int key, int stride = 5, int keys = 126) {
  for (int slot = 0; slot < keys; ++slot) {
    if (KeyInSlot(slot, stride, keys) == key) return static_cast<std::uint8_t>(slot);
  }
  return kNoPosition;
}

// A keyboard rig with the channel open and the key data read.
class KeyboardDriverTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(rig_.Open());
    ASSERT_EQ(driver().ReadKeyData(), DeviceResult::Success);
    ASSERT_TRUE(driver().ProfileLoaded());
    device().ClearRequestLog();
  }
  KeyboardDriver& driver() { return rig_.driver(); }
  CommandDevice& device() { return rig_.device(); }

  void WriteMacros(const std::vector<int>& event_counts) {
    std::string config = R"({"MacroInfo": [)";
    for (std::size_t m = 0; m < event_counts.size(); ++m) {
      if (m != 0) config += ",";
      config += R"({"MacroName": "m)" + std::to_string(m) + R"(", "Guid": "g)" + std::to_string(m) +
                R"("})";
      Json::Value file;
      file["Events"] = Json::Value(Json::arrayValue);
      for (int e = 0; e < event_counts[m]; ++e) {
        Json::Value event;
        event["Action"] = e % 2 == 0 ? "down" : "up";
        event["Type"] = 10;
        event["Button"] = 4 + e;
        event["Delay"] = std::to_string(10 * (e + 1));
        file["Events"].append(event);
      }
      profiles::JsonFileStore::WriteJson(rig_.DataFolder() / ("g" + std::to_string(m) + ".mac"),
                                         file);
    }
    config += "]}";
    WriteText(rig_.DataFolder() / "macro.config", config);
  }

  void SetMacroUnits(std::uint8_t units) {
    auto info = device().InfoBlock();
    info[6] = units;
    static_cast<EmulatedKeyboard&>(device()).SetInfoBlock(info);
  }

  KeyboardRig rig_{EmulatedProduct::Keyboard, MakeKeyboard};
};

TEST_F(KeyboardDriverTest, ReadFindsEveryKeyInItsSlotWithItsLight) {
  EXPECT_EQ(driver().SlotCount(), 126u);
  for (int key = 0; key < 126; ++key) {
    const std::uint8_t slot = SlotOfKey(key);
    // Keys sharing one factory code (18, 19, 20, 104) all take the first slot holding it.
    const bool shared = key == 18 || key == 19 || key == 20 || key == 104;
    if (!shared) {
      EXPECT_EQ(driver().KeyPosition(key), slot) << "key " << key;
      EXPECT_EQ(driver().LightPositionMap().at(key), key)
          << "the emulated key table gives each key its id";
    }
  }
  const std::uint8_t first =
      std::min({SlotOfKey(18), SlotOfKey(19), SlotOfKey(20), SlotOfKey(104)});
  EXPECT_EQ(driver().KeyPosition(104), first);
  EXPECT_EQ(Hex(driver().KeyMapImage()), Hex(device().KeyMap()));
}

TEST_F(KeyboardDriverTest, ReadSequenceIsBeginInfoKeyMapKeyTableEnd) {
  ASSERT_EQ(driver().ReadKeyData(), DeviceResult::Success);
  const Bytes seen = rig_.Commands();
  // 34 info bytes, 378 key-map bytes and 126 key-table bytes in 56-byte chunks.
  Bytes expected = {0x01};
  expected.insert(expected.end(), 1, 0x03);
  expected.insert(expected.end(), 7, 0x07);
  expected.insert(expected.end(), 3, 0x1B);
  expected.push_back(0x02);
  EXPECT_EQ(Hex(seen), Hex(expected));
  EXPECT_EQ(device().ConfigBeginCount(), device().ConfigEndCount());
}

TEST(KeyboardDriver, SecondModelLeavesMissingKeysWithoutPosition) {
  KeyboardRig rig(EmulatedProduct::SecondKeyboard, MakeSecondModel);
  EXPECT_EQ(rig.driver().DeviceName(), "keyboard2");
  ASSERT_TRUE(rig.Open());
  ASSERT_EQ(rig.driver().ReadKeyData(), DeviceResult::Success);
  EXPECT_EQ(rig.driver().SlotCount(), 112u);
  EXPECT_EQ(rig.driver().KeyPosition(0), 0);
  EXPECT_EQ(rig.driver().KeyPosition(1), SlotOfKey(1, 7, 110));
  for (int key = 110; key < 126; ++key) {
    EXPECT_EQ(rig.driver().KeyPosition(key), kNoPosition) << "key " << key;
  }
  // It has no factory data of its own: its first profile comes from the keyboard's.
  EXPECT_TRUE(rig.driver().ProfileLoaded());
  EXPECT_TRUE(std::filesystem::exists(rig.DataFolder() / "ProfileList.ini"));
}

TEST(KeyboardDriver, MoreThan170SlotsStopTheReadAndKeepThePositions) {
  KeyboardRig rig(EmulatedProduct::Keyboard, MakeKeyboard);
  ASSERT_TRUE(rig.Open());
  ASSERT_EQ(rig.driver().ReadKeyData(), DeviceResult::Success);
  const auto before = rig.driver().KeyPositionMap();
  auto info = rig.device().InfoBlock();
  info[5] = 171;
  static_cast<EmulatedKeyboard&>(rig.device()).SetInfoBlock(info);
  rig.device().ClearRequestLog();
  EXPECT_EQ(rig.driver().ReadKeyData(), DeviceResult::NotSent);
  EXPECT_EQ(Hex(rig.Commands()), "01 03 02") << "no key map read; the sequence is closed";
  EXPECT_EQ(rig.driver().KeyPositionMap(), before);
  EXPECT_EQ(rig.driver().Io().DataLength(), 126 * 3);
}

TEST(KeyboardDriver, ClosedChannelReadsAndPushesNothing) {
  KeyboardRig rig(EmulatedProduct::Keyboard, MakeKeyboard);
  EXPECT_EQ(rig.driver().ReadKeyData(), DeviceResult::NotSent);
  EXPECT_EQ(rig.driver().ReadSettings(), DeviceResult::NotSent);
  EXPECT_EQ(rig.driver().PushKeyMap(0), DeviceResult::NotSent);
  EXPECT_EQ(rig.driver().WriteSettings(0, 0), DeviceResult::NotSent);
  EXPECT_EQ(rig.device().RequestCount(), 0u);
}

TEST(KeyboardDriver, KeyMapIsNeverPushedBeforeItWasRead) {
  KeyboardRig rig(EmulatedProduct::Keyboard, MakeKeyboard);
  ASSERT_TRUE(rig.Open());
  ASSERT_TRUE(rig.driver().LoadProfile());
  EXPECT_EQ(rig.driver().PushKeyMap(0), DeviceResult::NotSent);
  EXPECT_TRUE(rig.Commands().empty());
}

TEST_F(KeyboardDriverTest, SettingsPushWritesTheBlockOfTheProfile) {
  profiles::LightState light = driver().KeyboardProfile().LightStateMirror();
  light.SelectItem = 30;
  light.Speed = 0;
  light.Light = 3;
  light.Red = 0x12;
  light.CustomGroup = 2;
  driver().KeyboardProfile().SetLightInfo(light);
  profiles::KeyboardSystem system = driver().KeyboardProfile().SystemMirror();
  system.WinFlag = 1;
  system.PollingRate = 1;
  driver().KeyboardProfile().SetSystemStages(system);
  ASSERT_EQ(driver().WriteSettings(0, 0), DeviceResult::Success);
  EXPECT_EQ(Hex(rig_.Commands()), "01 06 02");
  const Bytes memory = device().SettingsMemory();
  EXPECT_EQ(Hex(Slice(memory, 0, 26)),
            "00 00 03 05 00 01 12 00 00 00 00 00 00 00 00 00 00 00 00 00 00 01 01 00 00 02")
      << "mode 30 sent as 0, speed 0 as 5";
}

TEST_F(KeyboardDriverTest, SpeedFiveIsSentAsZero) {
  profiles::LightState light = driver().KeyboardProfile().LightStateMirror();
  light.Speed = 5;
  driver().KeyboardProfile().SetLightInfo(light);
  ASSERT_EQ(driver().WriteSettings(0, 0), DeviceResult::Success);
  EXPECT_EQ(device().SettingsMemory()[3], 0);
}

TEST_F(KeyboardDriverTest, SettingsReadFollowsTheDeviceAndSavesTheProfile) {
  // The device switched to profile 2 and changed its lighting there.
  const Bytes block = {0x02, 0x0D, 0x02, 0x01, 0x01, 0x00, 0x40, 0x50, 0x60, 0,    0, 0, 0,
                       0,    0,    0,    0,    0,    0x02, 0x01, 0x01, 0x01, 0x00, 0, 0, 0x03};
  ASSERT_TRUE(device().WriteSettingsMemory(2 * 25, block));
  ASSERT_TRUE(device().WriteSettingsMemory(0, Bytes{2}));
  driver().Io().SetHold(true);
  ASSERT_EQ(driver().ReadSettings(), DeviceResult::Success);
  EXPECT_FALSE(driver().Io().IsHeld()) << "a settings read clears the hold flag";
  EXPECT_EQ(driver().ActiveProfileIndex(), 2);
  const profiles::LightState light = driver().LightValues();
  EXPECT_EQ(light.SelectItem, 13);
  EXPECT_EQ(light.Speed, 4);
  EXPECT_EQ(light.Red, 0x40);
  EXPECT_EQ(light.CustomGroup, 3);
  // Saved: a fresh profile object reads the same from the file.
  profiles::CKeyboardProfiledata reread;
  reread.SetProfilePath(driver().KeyboardProfile().GetProfilePath());
  reread.LoadSection(reread.GetProfilePath());
  EXPECT_EQ(reread.GetLightInfo().SelectItem, 13);
  const profiles::KeyboardSystem system = reread.GetSystemStages();
  EXPECT_EQ(system.WFlag, 1);
  EXPECT_EQ(system.Key6Flag, 1);
  EXPECT_EQ(system.WinFlag, 1);
  EXPECT_EQ(system.PollingRate, 3) << "the polling rate is not taken from the device";
}

TEST_F(KeyboardDriverTest, KeyMapPushPutsAssignmentsIntoTheirSlotsOnly) {
  auto keys = driver().KeyboardProfile().KeyListMirror();
  ASSERT_EQ(keys.size(), 126u);
  keys[64].assignment = {0x20, 0x02, 0x05};  // A becomes Shift+B
  keys[0].assignment = {0xA0, 0x01, 0x00};
  driver().KeyboardProfile().SetKeyList(keys);
  const Bytes before = device().KeyMap();
  ASSERT_EQ(driver().PushKeyMap(0), DeviceResult::Success);
  EXPECT_EQ(Hex(rig_.Commands()), "03 01 09 09 09 09 09 09 09 02");
  const Bytes after = device().KeyMap();
  EXPECT_EQ(Hex(Slice(after, SlotOfKey(64) * 3u, 3)), "20 02 05");
  EXPECT_EQ(Hex(Slice(after, SlotOfKey(0) * 3u, 3)), "a0 01 00");
  std::size_t changed = 0;
  for (std::size_t i = 0; i < after.size(); ++i) changed += after[i] != before[i] ? 1 : 0;
  EXPECT_EQ(changed, 5u) << "02 05 in one slot, a0 01 00 over 20 00 29 in the other";
}

TEST_F(KeyboardDriverTest, KeyMapBankOtherThanZeroIsRefusedWithoutTraffic) {
  EXPECT_EQ(driver().PushKeyMap(1), DeviceResult::BadBank);
  EXPECT_TRUE(rig_.Commands().empty());
}

TEST_F(KeyboardDriverTest, RemappedKeysKeepTheirSlotAcrossReads) {
  auto keys = driver().KeyboardProfile().KeyListMirror();
  // A takes B's code: afterwards two slots hold B's factory code and none A's.
  keys[64].assignment = {0x20, 0x00, 0x05};
  driver().KeyboardProfile().SetKeyList(keys);
  ASSERT_TRUE(driver().KeyboardProfile().Save());
  ASSERT_EQ(driver().PushKeyMap(0), DeviceResult::Success);

  KeyboardDriver again(&rig_.bus(), rig_.Folders());
  ASSERT_TRUE(again.OpenCommand(rig_.CommandPath(), hid::kLinkModeDirect));
  ASSERT_EQ(again.ReadKeyData(), DeviceResult::Success);
  EXPECT_EQ(again.KeyPosition(64), SlotOfKey(64));
  EXPECT_EQ(again.KeyPosition(89), SlotOfKey(89)) << "B keeps its own slot";
  // Back to A: the change lands on A's slot, not on B's.
  auto reset = again.KeyboardProfile().KeyListMirror();
  reset[64].assignment = reset[64].defaultAssignment;
  again.KeyboardProfile().SetKeyList(reset);
  ASSERT_EQ(again.PushKeyMap(0), DeviceResult::Success);
  EXPECT_EQ(Hex(Slice(device().KeyMap(), SlotOfKey(64) * 3u, 3)), "20 00 04");
  EXPECT_EQ(Hex(Slice(device().KeyMap(), SlotOfKey(89) * 3u, 3)), "20 00 05");
}

TEST_F(KeyboardDriverTest, EmptyMacroListSendsNothing) {
  EXPECT_EQ(driver().WriteMacroTable().status, MacroPushStatus::NothingToSend) << "no macro.config";
  WriteText(rig_.DataFolder() / "macro.config", R"({"MacroInfo": []})");
  const MacroPushResult result = driver().WriteMacroTable();
  EXPECT_EQ(result.status, MacroPushStatus::NothingToSend);
  EXPECT_EQ(result.Code(), 0);
  for (const std::uint8_t c : rig_.Commands()) EXPECT_NE(c, 0x15);
}

TEST_F(KeyboardDriverTest, ThreeAndOneEventsGiveA44ByteTableInTheDeviceMemory) {
  WriteMacros({3, 1});
  const MacroPushResult result = driver().WriteMacroTable();
  ASSERT_EQ(result.status, MacroPushStatus::Sent);
  EXPECT_EQ(result.Code(), 0);
  const Bytes memory = device().MacroMemory();
  EXPECT_EQ(Hex(Slice(memory, 0, 20)),
            "aa 55 2c 00 02 00 00 00 00 00 00 00 00 00 00 00 14 00 24 00")
      << "length 44, two macros at offsets 20 and 36";
  // First macro: 3 events; its first event is key 4 pressed after 10 ms.
  EXPECT_EQ(Hex(Slice(memory, 20, 8)), "03 00 00 00 0a 00 8a 04");
  EXPECT_EQ(Hex(Slice(memory, 36, 8)), "01 00 00 00 0a 00 8a 04");
  EXPECT_EQ(Hex(rig_.Commands()), "03 01 15 02");
}

TEST_F(KeyboardDriverTest, ATableExactlyFillingTheMemoryIsSentAndOneOverIsRefused) {
  SetMacroUnits(1);       // 128 bytes
  WriteMacros({13, 12});  // 16 + 12 + 100 = 128
  EXPECT_EQ(driver().WriteMacroTable().status, MacroPushStatus::Sent);
  device().ClearRequestLog();
  WriteMacros({27});  // 16 + 6 + 108 = 130: two bytes over
  const MacroPushResult over = driver().WriteMacroTable();
  EXPECT_EQ(over.status, MacroPushStatus::TooLarge);
  EXPECT_EQ(over.Code(), 1);
  EXPECT_EQ(Hex(rig_.Commands()), "03") << "only the information read went out";
}

TEST_F(KeyboardDriverTest, CustomColourUploadsInModeTwentyOnly) {
  const std::uint32_t colour = PackLedEntry({0x11, 0x22, 0x33, 0x80});
  EXPECT_EQ(driver().WriteCustomColour(64, colour), DeviceResult::Success);
  EXPECT_TRUE(rig_.Commands().empty()) << "not in mode 20";
  EXPECT_EQ(driver().Leds().Get(64), colour);

  profiles::LightState light = driver().KeyboardProfile().LightStateMirror();
  light.SelectItem = 20;
  light.CustomGroup = 2;
  driver().KeyboardProfile().SetLightInfo(light);
  driver().NormaliseProfile();  // takes the values and shows the group's colours
  EXPECT_EQ(driver().WriteCustomColour(64, colour), DeviceResult::Success);
  const std::uint32_t at = 2 * 512 + 64 * 3;  // group 2, light position of key 64
  EXPECT_EQ(Hex(device().LightBlockBytes(at, 3)), "11 22 33");
  EXPECT_EQ(Hex(device().LightBlockBytes(2 * 512, 3)), "ff 00 00")
      << "key 0 shows group 2's stored colour (red in the factory data)";
  ASSERT_EQ(driver().WriteCustomColours(), DeviceResult::Success);
  EXPECT_EQ(Hex(device().LightBlockBytes(at, 3)), "08 11 19") << "scaled by brightness 0x80";
  // The colour is kept in the profile's group.
  const auto colours = driver().KeyboardProfile().GetCustomColours(2, 126);
  EXPECT_EQ(colours[64], (profiles::ColourRecord{0x11, 0x22, 0x33, 0x80}));
}

TEST_F(KeyboardDriverTest, WholeProfilePushRunsSettingsMacrosAndKeyMapInOrder) {
  WriteMacros({2});
  const ApplyResult result = driver().ApplyProfile();
  EXPECT_TRUE(result.profile_loaded);
  EXPECT_EQ(result.settings, DeviceResult::Success);
  ASSERT_TRUE(result.macros.has_value());
  EXPECT_EQ(result.macros->status, MacroPushStatus::Sent);
  ASSERT_TRUE(result.key_map.has_value());
  EXPECT_EQ(*result.key_map, DeviceResult::Success);
  EXPECT_TRUE(result.Ok());
  EXPECT_EQ(Hex(rig_.Commands()), "01 06 02 03 01 15 02 03 01 09 09 09 09 09 09 09 02");
}

TEST_F(KeyboardDriverTest, RestoreDefaultsResetsTheProfileAndPushesKeysThenSettings) {
  auto keys = driver().KeyboardProfile().KeyListMirror();
  keys[64].assignment = {0x20, 0x00, 0x05};
  driver().KeyboardProfile().SetKeyList(keys);
  ASSERT_TRUE(driver().KeyboardProfile().Save());
  ASSERT_EQ(driver().PushKeyMap(0), DeviceResult::Success);
  device().ClearRequestLog();
  const ApplyResult result = driver().RestoreDefaults();
  EXPECT_TRUE(result.Ok());
  EXPECT_EQ(Hex(rig_.Commands()), "03 01 09 09 09 09 09 09 09 02 01 06 02");
  EXPECT_EQ(Hex(Slice(device().KeyMap(), SlotOfKey(64) * 3u, 3)), "20 00 04");
  EXPECT_EQ(driver().KeyboardProfile().KeyListMirror()[64].assignment,
            (profiles::KeyAssignment{0x20, 0x00, 0x04}));
}

TEST(KeyboardDriver, EditedProfileReachesTheDeviceEndToEnd) {
  KeyboardRig rig(EmulatedProduct::Keyboard, MakeKeyboard,
                  emulator::Presentation::PerInterfaceNode);
  ASSERT_TRUE(rig.Open());
  ASSERT_EQ(rig.driver().ReadKeyData(), DeviceResult::Success);
  ASSERT_EQ(rig.driver().ReadSettings(), DeviceResult::Success);
  // Edit the stored profile as a panel would: change, save, apply.
  profiles::CKeyboardProfiledata& profile = rig.driver().KeyboardProfile();
  profiles::LightState light = profile.GetLightInfo();
  light.SelectItem = 6;
  light.Red = 0x01;
  light.Green = 0x02;
  light.Blue = 0x03;
  profile.SetLightInfo(light);
  auto keys = profile.GetKeyList();
  keys[108].assignment = {0x20, 0x00, 0x28};  // Space sends Enter
  profile.SetKeyList(keys);
  ASSERT_TRUE(profile.Save());
  const ApplyResult result = rig.driver().ApplyProfile();
  ASSERT_TRUE(result.Ok());
  const Bytes settings = rig.device().SettingsMemory();
  EXPECT_EQ(Hex(Slice(settings, 1, 8)), "06 04 02 00 01 01 02 03")
      << "speed 3 read from the device's 2 goes back as 2";
  EXPECT_EQ(Hex(Slice(rig.device().KeyMap(), SlotOfKey(108) * 3u, 3)), "20 00 28");
  EXPECT_EQ(rig.device().ConfigBeginCount(), rig.device().ConfigEndCount());
  EXPECT_FALSE(rig.device().InConfig());
}

TEST(KeyboardDriver, ApplyWithoutDefaultDataOrProfileSendsNothing) {
  norvik::testing::TempFolder user;
  emulator::EmulatedBus bus;
  const auto id = bus.Plug(EmulatedProduct::Keyboard);
  const auto path =
      bus.PathOf(id, CommandDevice::kVendorInterface, CommandDevice::kCommandCollection);
  ASSERT_TRUE(path.has_value());
  KeyboardDriver driver(&bus, {user.path(), user.path() / "no-program"});
  ASSERT_TRUE(driver.OpenCommand(*path, hid::kLinkModeDirect));
  auto device = bus.DeviceAs<CommandDevice>(id);
  device->ClearRequestLog();
  const ApplyResult result = driver.ApplyProfile();
  EXPECT_FALSE(result.profile_loaded);
  EXPECT_FALSE(result.Ok());
  EXPECT_EQ(driver.WriteSettings(0, 0), DeviceResult::NotSent);
  EXPECT_TRUE(device->CommandsSeen().empty());
}

TEST_F(KeyboardDriverTest, LoadListsReadsMacroNamesAndLightLists) {
  WriteMacros({1, 1});
  WriteText(rig_.DataFolder() / "zintu_light.config",
            R"({"LightInfo": [[{"LightName": "mine", "Guid": "g1"}]]})");
  driver().LoadLists();
  EXPECT_EQ(driver().MacroNames(), (std::vector<std::string>{"m0", "m1"}));
  const auto built_in = driver().BuiltInLightModes();
  ASSERT_EQ(built_in.modes.size(), 29u);
  EXPECT_EQ(built_in.modes[1].LightName, "kb_light_mode_wave");
  EXPECT_FALSE(built_in.modes[19].visible);
  ASSERT_EQ(driver().UserLightEffects().size(), 1u);
  EXPECT_EQ(driver().UserLightEffects()[0].LightName, "mine");
}

// --- notifications ---

class KeyboardNotificationTest : public KeyboardDriverTest {
 protected:
  void SetUp() override {
    KeyboardDriverTest::SetUp();
    ASSERT_TRUE(driver().Notifications().Bind(rig_.NotificationPath(), hid::DeviceKind::Keyboard));
  }
  EmulatedKeyboard& keyboard() { return static_cast<EmulatedKeyboard&>(device()); }
};

TEST_F(KeyboardNotificationTest, SyncRequestAsksForASettingsReadAfter50Ms) {
  keyboard().InjectSyncRequest();
  ASSERT_TRUE(rig_.events().WaitFor("sync"));
  EXPECT_EQ(rig_.events().Named("sync").front().value, 50);
}

TEST_F(KeyboardNotificationTest, KeyPressAndReleaseReportTheKeyOfTheSlot) {
  const std::uint8_t slot = SlotOfKey(64);
  keyboard().InjectKeyPress(slot);
  keyboard().InjectKeyRelease(slot);
  ASSERT_TRUE(rig_.events().WaitFor("release"));
  EXPECT_EQ(rig_.events().Named("press").front().value, 64);
  EXPECT_EQ(rig_.events().Named("release").front().value, 64);
}

TEST_F(KeyboardNotificationTest, ReactiveModeLightsThePressedKey) {
  profiles::LightState light = driver().LightValues();
  light.SelectItem = 7;
  light.Light = 4;
  driver().KeyboardProfile().SetLightInfo(light);
  driver().NormaliseProfile();
  EXPECT_EQ(UnpackLedEntry(driver().Leds().Get(64)).brightness, 0);
  keyboard().InjectKeyPress(SlotOfKey(64));
  ASSERT_TRUE(rig_.events().WaitFor("press"));
  EXPECT_EQ(UnpackLedEntry(driver().Leds().Get(64)).brightness, 255);
  EXPECT_EQ(UnpackLedEntry(driver().Leds().Get(65)).brightness, 0);
}

TEST_F(KeyboardNotificationTest, ASlotWithoutAKeyAndOtherUsagesAreIgnored) {
  keyboard().InjectKeyPress(200);          // no key in slot 200
  keyboard().InjectConsumerUsage(0x1003);  // a profile change means nothing to this model
  keyboard().InjectSyncRequest();          // sent last: when it arrives the others were read
  ASSERT_TRUE(rig_.events().WaitFor("sync"));
  EXPECT_TRUE(rig_.events().Named("press").empty());
  EXPECT_TRUE(rig_.events().Named("profile").empty());
}

TEST(KeyboardDriver, SecondModelReportsProfileChangesMadeOnTheDevice) {
  KeyboardRig rig(EmulatedProduct::SecondKeyboard, MakeSecondModel);
  ASSERT_TRUE(rig.Open());
  ASSERT_TRUE(rig.driver().Notifications().Bind(rig.NotificationPath(),
                                                hid::DeviceKind::KeyboardSecondModel));
  auto& keyboard = static_cast<EmulatedKeyboard&>(rig.device());
  keyboard.InjectKeyPress(3);            // key usages go to the profile handler: ignored
  keyboard.InjectConsumerUsage(0x1203);  // high byte 0x12: ignored
  keyboard.InjectProfileChange(3);       // 0x1003
  keyboard.InjectConsumerUsage(0x1112);  // 0x11: profile 2
  ASSERT_TRUE(rig.events().WaitFor("profile"));
  for (int i = 0; i < 500 && rig.events().Named("profile").size() < 2; ++i) {
    std::this_thread::sleep_for(2ms);
  }
  const auto changes = rig.events().Named("profile");
  ASSERT_EQ(changes.size(), 2u);
  EXPECT_EQ(changes[0].value, 3);
  EXPECT_EQ(changes[1].value, 2);
  EXPECT_EQ(rig.driver().ActiveProfileIndex(), 2);
  EXPECT_TRUE(rig.events().Named("press").empty());
}

TEST(KeyboardDriver, SecondModelIgnoresProfileChangesWhileItsChannelIsClosed) {
  KeyboardRig rig(EmulatedProduct::SecondKeyboard, MakeSecondModel);
  ASSERT_TRUE(rig.driver().Notifications().Bind(rig.NotificationPath(),
                                                hid::DeviceKind::KeyboardSecondModel));
  auto& keyboard = static_cast<EmulatedKeyboard&>(rig.device());
  keyboard.InjectProfileChange(3);
  keyboard.InjectSyncRequest();
  ASSERT_TRUE(rig.events().WaitFor("sync"));
  EXPECT_TRUE(rig.events().Named("profile").empty());
  EXPECT_EQ(rig.driver().ActiveProfileIndex(), -1);
}

TEST_F(KeyboardNotificationTest, ShutdownStopsReaderAndPreviewWithinTheirBound) {
  ASSERT_TRUE(driver().Preview().Running());
  EXPECT_EQ(driver().Notifications().Unbind(hid::DeviceKind::Keyboard), StopOutcome::Stopped);
  EXPECT_EQ(driver().Preview().Stop(), StopOutcome::Stopped);
  driver().Shutdown();
  EXPECT_FALSE(driver().Preview().Running());
  EXPECT_FALSE(driver().Notifications().IsBound(hid::DeviceKind::Keyboard));
}

TEST_F(KeyboardDriverTest, PreviewAnimatesTheLedsOfAMovingMode) {
  profiles::LightState light = driver().LightValues();
  light.SelectItem = 1;  // wave
  light.Speed = 5;
  driver().KeyboardProfile().SetLightInfo(light);
  driver().NormaliseProfile();
  const auto before = driver().Leds().Entries();
  ASSERT_TRUE(rig_.events().WaitForRepaints(rig_.events().Repaints() + 2));
  EXPECT_NE(driver().Leds().Entries(), before);
}

}  // namespace
}  // namespace norvik::devices
