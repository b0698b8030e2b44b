// Keyboard write sequences against faults of the emulated device: pulled out at every step,
// stale replies in the queue, error statuses in the replies.

#include <gtest/gtest.h>

#include <functional>

#include "devices/keyboard_driver.h"
#include "keyboard_test_rig.h"

namespace norvik::devices {
namespace {

using emulator::EmulatedKeyboard;
using emulator::EmulatedProduct;
using testing::Bytes;
using testing::DriverRig;
using testing::FolderSnapshot;
using testing::Hex;
using testing::Slice;

using KeyboardRig = DriverRig<KeyboardDriver>;

std::unique_ptr<KeyboardDriver> MakeKeyboard(hid::HidBackend* backend, DeviceFolders folders) {
  return std::make_unique<KeyboardDriver>(backend, std::move(folders));
}

// One write sequence: how to get the driver ready for it, and how to run it (true = success).
struct Sequence {
  const char* name;
  std::function<void(KeyboardRig&)> prepare;
  std::function<bool(KeyboardDriver&)> run;
};

void WriteTwoMacros(KeyboardRig& rig) {
  norvik::testing::WriteText(rig.DataFolder() / "macro.config",
                             R"({"MacroInfo": [{"MacroName": "a", "Guid": "ga"},
                                               {"MacroName": "b", "Guid": "gb"}]})");
  std::string events = R"({"Events": [)";
  for (int i = 0; i < 30; ++i) {
    if (i != 0) events += ",";
    events += R"({"Action":"down","Type":10,"Button":4,"Delay":"5"})";
  }
  events += "]}";
  norvik::testing::WriteText(rig.DataFolder() / "ga.mac", events);
  norvik::testing::WriteText(rig.DataFolder() / "gb.mac", events);
}

void SelectCustomMode(KeyboardRig& rig) {
  auto& profile = rig.driver().KeyboardProfile();
  profiles::LightState light = profile.LightStateMirror();
  light.SelectItem = 20;
  light.CustomGroup = 1;
  profile.SetLightInfo(light);
  ASSERT_TRUE(profile.Save());
  rig.driver().NormaliseProfile();
}

std::vector<Sequence> Sequences() {
  return {
      {"settings",
       {},
       [](KeyboardDriver& d) { return d.WriteSettings(0, 0) == DeviceResult::Success; }},
      {"key map", {}, [](KeyboardDriver& d) { return d.PushKeyMap(0) == DeviceResult::Success; }},
      {"macro table", WriteTwoMacros,
       [](KeyboardDriver& d) { return d.WriteMacroTable().status == MacroPushStatus::Sent; }},
      {"custom colours", SelectCustomMode,
       [](KeyboardDriver& d) { return d.WriteCustomColours() == DeviceResult::Success; }},
      {"whole profile", WriteTwoMacros, [](KeyboardDriver& d) { return d.ApplyProfile().Ok(); }},
  };
}

// A rig with the key data read and the sequence's files in place; the request log cleared.
std::unique_ptr<KeyboardRig> ReadyRig(const Sequence& sequence) {
  auto rig = std::make_unique<KeyboardRig>(EmulatedProduct::Keyboard, MakeKeyboard);
  EXPECT_TRUE(rig->Open());
  EXPECT_EQ(rig->driver().ReadKeyData(), DeviceResult::Success);
  if (sequence.prepare) sequence.prepare(*rig);
  rig->device().ClearRequestLog();
  return rig;
}

TEST(KeyboardFaults, UnpluggingAtEveryStepOfEveryWriteFailsCleanly) {
  for (const Sequence& sequence : Sequences()) {
    // A clean run tells how many requests the sequence sends.
    std::uint64_t steps = 0;
    {
      auto rig = ReadyRig(sequence);
      const std::uint64_t before = rig->device().RequestCount();
      ASSERT_TRUE(sequence.run(rig->driver())) << sequence.name << " fails without a fault";
      steps = rig->device().RequestCount() - before;
      ASSERT_GT(steps, 0u) << sequence.name;
    }
    for (std::uint64_t k = 0; k < steps; ++k) {
      auto rig = ReadyRig(sequence);
      const auto files = FolderSnapshot(rig->user());
      const std::uint64_t before = rig->device().RequestCount();
      rig->device().Faults().UnplugAfterRequests(static_cast<int>(k));
      EXPECT_FALSE(sequence.run(rig->driver())) << sequence.name << ", unplugged after " << k;
      EXPECT_FALSE(rig->bus().IsPlugged(rig->id()));
      EXPECT_EQ(rig->device().RequestCount() - before, k)
          << sequence.name << ": sent after the unplug";
      EXPECT_EQ(FolderSnapshot(rig->user()), files) << sequence.name << ", step " << k;
    }
  }
}

TEST(KeyboardFaults, StaleRepliesInTheQueueDoNotFailTheWrites) {
  for (const Sequence& sequence : Sequences()) {
    auto rig = ReadyRig(sequence);
    rig->device().Faults().QueueStaleReply(1000);
    EXPECT_TRUE(sequence.run(rig->driver())) << sequence.name;
  }
}

TEST(KeyboardFaults, StaleRepliesDoNotCorruptTheSettingsWritten) {
  auto rig = ReadyRig({"settings", {}, {}});
  rig->device().Faults().QueueStaleReply(3);
  ASSERT_EQ(rig->driver().WriteSettings(0, 0), DeviceResult::Success);
  const auto expected =
      BuildKeyboardSettingsBlock(rig->driver().KeyboardProfile().LightStateMirror(),
                                 rig->driver().KeyboardProfile().SystemMirror());
  EXPECT_EQ(Hex(Slice(rig->device().SettingsMemory(), 0, 26)), Hex(expected));
}

// A refused command ends the sequence, and the device, still there, is taken out of the
// configuration bracket; a refused BeginConfig opened none.
TEST(KeyboardFaults, ErrorStatusesGiveTheirCodesAndCloseTheBracket) {
  {
    auto rig = ReadyRig({"settings", {}, {}});
    rig->device().Faults().FailChunk(0x06, 1, 0xFE);
    EXPECT_EQ(rig->driver().WriteSettings(0, 0), DeviceResult::StatusFE);
    EXPECT_EQ(Hex(rig->Commands()), "01 06 02");
    EXPECT_FALSE(rig->device().InConfig());
  }
  {
    auto rig = ReadyRig({"settings", {}, {}});
    rig->device().Faults().FailNthRequest(1, 0xFF);
    EXPECT_EQ(rig->driver().WriteSettings(0, 0), DeviceResult::StatusFF);
    EXPECT_EQ(Hex(rig->Commands()), "01");
  }
  {
    auto rig = ReadyRig({"key map", {}, {}});
    rig->device().Faults().FailChunk(0x09, 3, 0xFE);
    EXPECT_EQ(rig->driver().PushKeyMap(0), DeviceResult::StatusFE);
    EXPECT_EQ(Hex(rig->Commands()), "03 01 09 09 09 02") << "the fourth chunk is not sent";
    EXPECT_FALSE(rig->device().InConfig());
  }
  {
    auto rig = ReadyRig({"macro table", WriteTwoMacros, {}});
    rig->device().Faults().FailChunk(0x15, 2, 0xFF);
    const MacroPushResult result = rig->driver().WriteMacroTable();
    EXPECT_EQ(result.status, MacroPushStatus::TransferFailed);
    EXPECT_EQ(result.transfer, DeviceResult::StatusFF);
    EXPECT_EQ(Hex(rig->Commands()), "03 01 15 15 02");
    EXPECT_FALSE(rig->device().InConfig());
  }
  {
    auto rig = ReadyRig({"whole profile", {}, {}});
    rig->device().Faults().FailChunk(0x06, 1, 0xFE);
    const ApplyResult result = rig->driver().ApplyProfile();
    EXPECT_EQ(result.settings, DeviceResult::StatusFE);
    EXPECT_FALSE(result.Ok());
    // The later steps still run, each on its own.
    ASSERT_TRUE(result.key_map.has_value());
    EXPECT_EQ(*result.key_map, DeviceResult::Success);
  }
}

// The whole-profile push stops at the first step that finds the device gone and says which.
TEST(KeyboardFaults, WholeProfilePushStopsAtTheStepThatFindsTheDeviceGone) {
  auto rig = ReadyRig({"whole profile", WriteTwoMacros, {}});
  rig->device().Faults().UnplugAfterRequests(0);
  const ApplyResult result = rig->driver().ApplyProfile();
  EXPECT_FALSE(result.Ok());
  EXPECT_EQ(result.settings, DeviceResult::WriteFailed);
  ASSERT_TRUE(result.stopped_at.has_value());
  EXPECT_EQ(*result.stopped_at, PushStep::Settings);
  EXPECT_FALSE(result.macros.has_value()) << "the macro upload was still tried";
  EXPECT_FALSE(result.key_map.has_value()) << "the key map push was still tried";
}

TEST(KeyboardFaults, AReadFailingHalfwayKeepsThePreviousKeyData) {
  auto rig = ReadyRig({"read", {}, {}});
  const auto positions = rig->driver().KeyPositionMap();
  const Bytes image = rig->driver().KeyMapImage();
  rig->device().Faults().FailChunk(0x07, 4, 0xFE);
  EXPECT_EQ(rig->driver().ReadKeyData(), DeviceResult::StatusFE);
  EXPECT_EQ(rig->driver().KeyPositionMap(), positions);
  EXPECT_EQ(rig->driver().KeyMapImage(), image);
  EXPECT_FALSE(rig->device().InConfig());
}

}  // namespace
}  // namespace norvik::devices
