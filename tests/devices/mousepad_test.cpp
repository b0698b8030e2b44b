#include <gtest/gtest.h>

#include <array>
#include <thread>
#include <vector>

#include "devices/keyboard_blocks.h"
#include "devices/mouse_pad_blocks.h"
#include "devices/mouse_pad_driver.h"
#include "keyboard_test_rig.h"

namespace norvik::devices {
namespace {

using namespace std::chrono_literals;
using emulator::EmulatedProduct;
using testing::Bytes;
using testing::DriverRig;
using testing::FolderSnapshot;
using testing::Hex;
using testing::Slice;

using PadRig = DriverRig<MousePadDriver>;

std::unique_ptr<MousePadDriver> MakePad(hid::HidBackend* backend, DeviceFolders folders) {
  return std::make_unique<MousePadDriver>(backend, std::move(folders));
}

TEST(MousePadBlock, SpeedOneIsStoredAsFourAndReadBackAsOne) {
  profiles::LightState light;
  light.SelectItem = 4;
  light.Light = 3;
  light.Speed = 1;
  light.Fx = 1;
  light.MultiColor = 5;
  light.Red = 0xA0;
  light.Green = 0xB0;
  light.Blue = 0xC0;
  MousePadBlock previous{};
  previous[9] = 0x77;
  previous[20] = 0x99;
  const MousePadBlock image = MousePadImageFromLight(previous, light, 0);
  const MousePadBlock stored = MousePadBlockToDevice(image);
  EXPECT_EQ(Hex(stored), "00 04 03 04 01 01 a0 b0 c0 77 00 00 00 00 00 00 00 00 00 00 99")
      << "bytes 9-20 are kept from the image";
  const MousePadBlock back = MousePadBlockFromDevice(stored);
  EXPECT_EQ(back, image);
  const profiles::LightState read = MousePadLightFromImage(back, {});
  EXPECT_EQ(read.Speed, 1);
  EXPECT_EQ(read.MultiColor, 1);
  EXPECT_EQ(read.Red, 0xA0);
}

// Bytes 1-8 of the pad's block are laid out as the keyboard's (and the mouse's): mode,
// brightness, 5 - speed, effect, multi-colour, red, green, blue.
TEST(MousePadBlock, LightBytesAreInTheKeyboardsOrder) {
  for (const auto& [mode, speed, fx, multi, red, green, blue] :
       std::vector<std::array<std::uint8_t, 7>>{{1, 0, 2, 1, 0xFF, 0x00, 0x80},
                                                {8, 5, 0, 0, 0x01, 0x02, 0x03},
                                                {3, 3, 1, 1, 0x10, 0xEE, 0x7F}}) {
    profiles::LightState light;
    light.SelectItem = mode;
    light.Light = 2;
    light.Speed = speed;
    light.Fx = fx;
    light.MultiColor = multi;
    light.Red = red;
    light.Green = green;
    light.Blue = blue;
    const MousePadBlock pad = MousePadBlockToDevice(MousePadImageFromLight({}, light, 0));
    const KeyboardSettingsBlock keyboard = BuildKeyboardSettingsBlock(light, {});
    EXPECT_EQ(Hex(Slice(Bytes(pad.begin(), pad.end()), 1, 8)),
              Hex(Slice(Bytes(keyboard.begin(), keyboard.end()), 1, 8)))
        << "mode " << int{mode};
  }
}

class MousePadDriverTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(rig_.Open());
    ASSERT_EQ(driver().ReadKeyData(), DeviceResult::Success);
    device().ClearRequestLog();
  }
  MousePadDriver& driver() { return rig_.driver(); }
  emulator::CommandDevice& device() { return rig_.device(); }
  void SetSpeed(std::uint8_t speed) {
    profiles::LightState light = driver().Profile()->LightStateMirror();
    light.Speed = speed;
    driver().Profile()->SetLightInfo(light);
  }

  PadRig rig_{EmulatedProduct::MousePad, MakePad};
};

TEST_F(MousePadDriverTest, InformationReadIsBeginInfoEndAndStartsThePreview) {
  ASSERT_EQ(driver().ReadKeyData(), DeviceResult::Success);
  EXPECT_EQ(Hex(rig_.Commands()), "01 03 02");
  const hid::DeviceInfo info = driver().DeviceInformation();
  EXPECT_EQ(Hex(std::span<const std::uint8_t>(info.block).subspan(3, 2)), "04 10")
      << "product id in the emulated information block";
  EXPECT_TRUE(driver().Preview().Running());
  EXPECT_TRUE(driver().ProfileLoaded());
}

TEST_F(MousePadDriverTest, SettingsAreWrittenAsTwentyOneBytesAtAStrideOf64) {
  SetSpeed(1);
  ASSERT_EQ(driver().WriteSettings(0, 0), DeviceResult::Success);
  EXPECT_EQ(Hex(rig_.Commands()), "01 06 02");
  const Bytes memory = device().SettingsMemory();
  // Factory profile of the pad: mode 1, brightness 4, red, multi-colour.
  EXPECT_EQ(Hex(Slice(memory, 0, 9)), "00 01 04 04 00 01 ff 00 00");
  EXPECT_EQ(memory[21], 0) << "nothing past the 21 bytes";
  ASSERT_EQ(driver().WriteSettings(1, 0), DeviceResult::Success);
  EXPECT_EQ(Hex(Slice(device().SettingsMemory(), 64, 4)), "00 01 04 04");
}

TEST_F(MousePadDriverTest, SettingsReadTakesTheBlockAtTheActiveProfile) {
  ASSERT_TRUE(device().WriteSettingsMemory(
      25, Bytes{0x05, 0x03, 0x02, 0x01, 0x00, 0x01, 0x10, 0x20, 0x30, 0x42}));
  ASSERT_TRUE(device().WriteSettingsMemory(0, Bytes{1}));
  ASSERT_EQ(driver().ReadSettings(), DeviceResult::Success);
  EXPECT_EQ(Hex(rig_.Commands()), "05 05");
  EXPECT_EQ(driver().ActiveProfileIndex(), 1);
  const MousePadBlock image = driver().BlockImage();
  EXPECT_EQ(Hex(Slice(Bytes(image.begin(), image.end()), 0, 10)), "05 03 02 04 00 01 10 20 30 42")
      << "byte 3 back to the speed: 5 - 1";
  const profiles::LightState light = driver().LightValues();
  EXPECT_EQ(light.SelectItem, 3);
  EXPECT_EQ(light.Speed, 4);
  EXPECT_EQ(light.Blue, 0x30);
  // The block's other bytes go back to the device with the next write.
  ASSERT_EQ(driver().WriteSettings(0, 0), DeviceResult::Success);
  EXPECT_EQ(device().SettingsMemory()[9], 0x42);
  EXPECT_EQ(device().SettingsMemory()[3], 1);
}

TEST_F(MousePadDriverTest, SpeedOneReachesTheDeviceAsFourAndComesBackAsOne) {
  SetSpeed(1);
  ASSERT_EQ(driver().WriteSettings(0, 0), DeviceResult::Success);
  EXPECT_EQ(device().SettingsMemory()[3], 4);
  SetSpeed(3);
  ASSERT_EQ(driver().ReadSettings(), DeviceResult::Success);
  EXPECT_EQ(driver().LightValues().Speed, 1);
}

TEST_F(MousePadDriverTest, ClosedChannelWritesNothingAndReportsIt) {
  driver().CloseCommand();
  EXPECT_EQ(driver().WriteSettings(0, 0), DeviceResult::NotSent);
  const MousePadBlock image = driver().BlockImage();
  EXPECT_EQ(driver().ReadSettings(), DeviceResult::NotSent);
  EXPECT_EQ(driver().BlockImage(), image);
  EXPECT_TRUE(rig_.Commands().empty());
}

TEST_F(MousePadDriverTest, LiveFramesCarryTheSixteenLightsOfThePreview) {
  driver().Preview().Stop();  // the entries hold still while the frame is compared
  ASSERT_EQ(driver().SendLiveFrame(), DeviceResult::Success);
  Bytes expected;
  for (const LedEntry& e : driver().Leds().Entries()) {
    expected.push_back(static_cast<std::uint8_t>(e.red * e.brightness / 256));
    expected.push_back(static_cast<std::uint8_t>(e.green * e.brightness / 256));
    expected.push_back(static_cast<std::uint8_t>(e.blue * e.brightness / 256));
  }
  ASSERT_EQ(expected.size(), kMousePadLightCount * 3);
  EXPECT_EQ(Hex(device().LastLightFrame()), Hex(expected));
  EXPECT_EQ(Hex(rig_.Commands()), "12");
}

TEST(MousePadDriver, SyncRequestAsksForASettingsReadAfter500Ms) {
  PadRig rig(EmulatedProduct::MousePad, MakePad);
  ASSERT_TRUE(rig.driver().Notifications().Bind(rig.NotificationPath(), hid::DeviceKind::MousePad));
  rig.device().InjectKeyPress(3);  // no meaning on the pad
  rig.device().InjectSyncRequest();
  ASSERT_TRUE(rig.events().WaitFor("sync"));
  const auto events = rig.events().Events();
  ASSERT_EQ(events.size(), 1u);
  EXPECT_EQ(events[0].value, 500);
  EXPECT_EQ(rig.driver().Notifications().Unbind(hid::DeviceKind::MousePad), StopOutcome::Stopped);
}

TEST(MousePadDriver, PreviewStopsWithinItsBound) {
  PadRig rig(EmulatedProduct::MousePad, MakePad);
  ASSERT_TRUE(rig.Open());
  ASSERT_EQ(rig.driver().ReadKeyData(), DeviceResult::Success);
  ASSERT_TRUE(rig.driver().Preview().Running());
  EXPECT_EQ(rig.driver().Preview().Stop(), StopOutcome::Stopped);
  EXPECT_FALSE(rig.driver().Preview().Running());
}

TEST(MousePadDriver, WholeProfilePushSendsTheSettingsOfTheSelectedProfile) {
  PadRig rig(EmulatedProduct::MousePad, MakePad);
  ASSERT_TRUE(rig.Open());
  const ApplyResult result = rig.driver().ApplyProfile();
  EXPECT_TRUE(result.Ok());
  EXPECT_FALSE(result.macros.has_value());
  EXPECT_FALSE(result.key_map.has_value());
  EXPECT_EQ(Hex(rig.Commands()), "01 06 02");
  EXPECT_EQ(rig.device().SettingsMemory()[3], 3) << "factory speed 2 as 5 - 2";
}

TEST(MousePadFaults, UnpluggingAtEveryStepOfTheWritesFailsCleanly) {
  const std::vector<std::pair<const char*, std::function<bool(MousePadDriver&)>>> sequences = {
      {"settings",
       [](MousePadDriver& d) { return d.WriteSettings(0, 0) == DeviceResult::Success; }},
      {"whole profile", [](MousePadDriver& d) { return d.ApplyProfile().Ok(); }},
      {"live frame", [](MousePadDriver& d) { return d.SendLiveFrame() == DeviceResult::Success; }},
  };
  for (const auto& [name, run] : sequences) {
    for (int k = 0; k < 3; ++k) {
      PadRig rig(EmulatedProduct::MousePad, MakePad);
      ASSERT_TRUE(rig.Open());
      ASSERT_TRUE(rig.driver().LoadProfile());
      if (std::string(name) == "live frame" && k > 0) break;  // a frame is one request
      const auto files = FolderSnapshot(rig.user());
      const std::uint64_t before = rig.device().RequestCount();
      rig.device().Faults().UnplugAfterRequests(k);
      EXPECT_FALSE(run(rig.driver())) << name << ", unplugged after " << k;
      EXPECT_EQ(rig.device().RequestCount() - before, static_cast<std::uint64_t>(k)) << name;
      EXPECT_EQ(FolderSnapshot(rig.user()), files) << name;
    }
  }
}

TEST(MousePadFaults, ErrorStatusGivesItsCodeAndClosesTheBracket) {
  PadRig rig(EmulatedProduct::MousePad, MakePad);
  ASSERT_TRUE(rig.Open());
  ASSERT_TRUE(rig.driver().LoadProfile());
  rig.device().Faults().FailChunk(0x06, 1, 0xFE);
  EXPECT_EQ(rig.driver().WriteSettings(0, 0), DeviceResult::StatusFE);
  EXPECT_EQ(Hex(rig.Commands()), "01 06 02");
  EXPECT_FALSE(rig.device().InConfig());
  rig.device().ClearRequestLog();
  rig.device().Faults().FailChunk(0x03, 1, 0xFF);
  EXPECT_EQ(rig.driver().ReadKeyData(), DeviceResult::StatusFF);
  EXPECT_EQ(Hex(rig.Commands()), "01 03 02");
  EXPECT_FALSE(rig.device().InConfig());
  rig.device().Faults().QueueStaleReply(3);
  EXPECT_EQ(rig.driver().WriteSettings(0, 0), DeviceResult::Success);
}

}  // namespace
}  // namespace norvik::devices
