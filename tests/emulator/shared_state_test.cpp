// One state file shared by several buses (as by several processes): what one changes reaches the
// others, nothing is undone by a stale copy, and checking for work costs no file traffic.

#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <sstream>

#include "emulator/shared_state.h"
#include "emulator_test_support.h"

namespace norvik::emulator::testing {
namespace {

const DeviceKey kKey{EmulatedProduct::Keyboard, 0};

DeviceStates One(const char* memory, bool plugged) {
  return {{kKey, DeviceEntry{Json::Value(memory), plugged}}};
}

TEST(MergeDeviceStates, EachPartTakesTheSideThatChangedIt) {
  struct Row {
    const char* name;
    DeviceStates base, local, file, merged;
  };
  const Row rows[] = {
      {"nothing changed", One("A", true), One("A", true), One("A", true), One("A", true)},
      {"unplugged elsewhere", One("A", true), One("A", true), One("A", false), One("A", false)},
      {"unplugged here", One("A", true), One("A", false), One("A", true), One("A", false)},
      {"memory written elsewhere", One("A", true), One("A", true), One("B", true), One("B", true)},
      {"memory here, unplug elsewhere", One("A", true), One("B", true), One("A", false),
       One("B", false)},
      {"both wrote the memory: here wins", One("A", true), One("B", true), One("C", true),
       One("B", true)},
      {"new here", {}, One("A", true), {}, One("A", true)},
      {"new elsewhere", {}, {}, One("A", true), One("A", true)},
      {"made on both sides: here wins", {}, One("A", false), One("B", true), One("A", false)},
      {"gone from the file: kept", One("A", true), One("A", true), {}, One("A", true)},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(MergeDeviceStates(row.base, row.local, row.file), row.merged) << row.name;
  }
}

// What moves a device's revision: memories, traffic, or nothing.
struct Mutation {
  const char* name;
  std::function<void(EmulatedBus&, DeviceId)> apply;
  bool memory;
  bool traffic;
};

std::shared_ptr<CommandDevice> Command(EmulatedBus& bus, DeviceId id) {
  return bus.DeviceAs<CommandDevice>(id);
}

const Mutation kMutations[] = {
    {"WriteMemory command",
     [](EmulatedBus& b, DeviceId id) {
       Command(b, id)->Exchange(Req(0x06, 2, 4, {1, 2}));
     },
     true, false},
    {"WriteKeyMap command",
     [](EmulatedBus& b, DeviceId id) {
       Command(b, id)->Exchange(Req(0x09, 3, 0, {4, 5, 6}));
     },
     true, false},
    {"WriteMacroData command",
     [](EmulatedBus& b, DeviceId id) {
       Command(b, id)->Exchange(Req(0x15, 2, 0, {7, 7}));
     },
     true, false},
    {"BeginConfig command",
     [](EmulatedBus& b, DeviceId id) { Command(b, id)->Exchange(Req(0x01)); }, true, false},
    {"SendLightFrame command",
     [](EmulatedBus& b, DeviceId id) {
       Command(b, id)->Exchange(Req(0x12, 3, 0, {1, 2, 3}));
     },
     false, true},
    {"ReadMemory command",
     [](EmulatedBus& b, DeviceId id) { Command(b, id)->Exchange(Req(0x05, 8, 0)); }, false, false},
    {"refused write",
     [](EmulatedBus& b, DeviceId id) { Command(b, id)->Exchange(Req(0x06, 8, 0xFFF0, {1})); },
     false, false},
    {"WriteSettingsMemory",
     [](EmulatedBus& b, DeviceId id) {
       const Bytes one = {9};
       Command(b, id)->WriteSettingsMemory(1, one);
     },
     true, false},
    {"profile change on the keyboard",
     [](EmulatedBus& b, DeviceId id) { b.DeviceAs<EmulatedKeyboard>(id)->InjectProfileChange(2); },
     true, false},
    {"factory reset", [](EmulatedBus& b, DeviceId id) { b.Device(id)->FactoryReset(); }, true,
     true},
    {"key press notification",
     [](EmulatedBus& b, DeviceId id) { Command(b, id)->InjectKeyPress(3); }, false, false},
};

class RevisionOf : public ::testing::TestWithParam<Mutation> {};

INSTANTIATE_TEST_SUITE_P(SharedState, RevisionOf, ::testing::ValuesIn(kMutations),
                         [](const auto& row) {
                           std::string name = row.param.name;
                           for (char& c : name) {
                             if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
                           }
                           return name;
                         });

TEST_P(RevisionOf, MovesExactlyWithWhatTheStateFileKeeps) {
  EmulatedBus bus;
  const DeviceId id = bus.Plug(EmulatedProduct::Keyboard);
  const auto device = bus.Device(id);
  const EmulatedDevice::StateRevision before = device->Revision();
  const Json::Value saved = device->SaveState();
  GetParam().apply(bus, id);
  const EmulatedDevice::StateRevision after = device->Revision();
  EXPECT_EQ(after.memory != before.memory, GetParam().memory);
  EXPECT_EQ(after.traffic != before.traffic, GetParam().traffic);
  // A revision that stays means a state that stays.
  if (after == before) {
    EXPECT_EQ(device->SaveState(), saved);
  }
}

TEST(RevisionOf, ReceiverLinkIsAMemory) {
  EmulatedBus bus;
  const auto receiver = bus.DeviceAs<EmulatedReceiver>(bus.Plug(EmulatedProduct::MouseReceiver));
  const auto before = receiver->Revision();
  receiver->SetLinkUp(false);
  EXPECT_NE(receiver->Revision().memory, before.memory);
}

// Two buses on one file, as two processes on one data folder.
class TwoProcesses : public ::testing::Test {
 protected:
  TempFolder folder_;
  const std::filesystem::path file_ = folder_.path() / "emulator" / "state.json";
  EmulatedBus bus_a_, bus_b_;
  SharedEmulatorState a_{bus_a_, file_};
  SharedEmulatorState b_{bus_b_, file_};

  static std::string Settings(EmulatedBus& bus, EmulatedProduct product) {
    const auto id = bus.FindPlugged(product);
    if (!id) return "not plugged";
    return Hex(bus.DeviceAs<CommandDevice>(*id)->SettingsMemory()).substr(0, 8);
  }
  static void WriteSettings(EmulatedBus& bus, EmulatedProduct product, std::uint8_t value) {
    const Bytes bytes = {value, value};
    bus.DeviceAs<CommandDevice>(*bus.FindPlugged(product))->WriteSettingsMemory(1, bytes);
  }
};

TEST_F(TwoProcesses, PlugsAndUnplugsReachTheOtherAndAreNotUndoneByItsExit) {
  EXPECT_EQ(a_.Load(), StateLoadResult::Missing);
  bus_a_.Plug(EmulatedProduct::Keyboard);
  ASSERT_EQ(a_.SyncIfChanged(), SyncResult::Done);
  ASSERT_TRUE(std::filesystem::exists(file_));

  ASSERT_EQ(b_.Load(), StateLoadResult::Loaded);
  ASSERT_TRUE(bus_b_.FindPlugged(EmulatedProduct::Keyboard));
  bus_b_.Unplug(*bus_b_.FindPlugged(EmulatedProduct::Keyboard));
  bus_b_.Plug(EmulatedProduct::MousePad);
  ASSERT_EQ(b_.Sync(), SyncResult::Done);

  std::uint64_t changes = bus_a_.ChangeCount();
  ASSERT_EQ(a_.SyncIfChanged(), SyncResult::Done);
  EXPECT_FALSE(bus_a_.FindPlugged(EmulatedProduct::Keyboard)) << "the unplug reached A";
  EXPECT_TRUE(bus_a_.FindPlugged(EmulatedProduct::MousePad)) << "the new device reached A";
  EXPECT_GT(bus_a_.ChangeCount(), changes) << "A's watcher is told";

  // A ends (its final exchange) with nothing of its own changed: the file keeps B's doing.
  ASSERT_EQ(a_.Sync(), SyncResult::Done);
  EmulatedBus fresh;
  SharedEmulatorState reader(fresh, file_);
  ASSERT_EQ(reader.Load(), StateLoadResult::Loaded);
  EXPECT_FALSE(fresh.FindPlugged(EmulatedProduct::Keyboard));
  EXPECT_TRUE(fresh.FindPlugged(EmulatedProduct::MousePad));
  EXPECT_EQ(fresh.Devices().size(), 2u);
}

TEST_F(TwoProcesses, MemoriesWrittenOnBothSidesAreBothKept) {
  bus_a_.Plug(EmulatedProduct::Keyboard);
  bus_a_.Plug(EmulatedProduct::MousePad);
  ASSERT_EQ(a_.Sync(), SyncResult::Done);
  ASSERT_EQ(b_.Load(), StateLoadResult::Loaded);

  // At the same time: A writes the keyboard, B the mouse pad and unplugs A's keyboard.
  WriteSettings(bus_a_, EmulatedProduct::Keyboard, 0xAA);
  WriteSettings(bus_b_, EmulatedProduct::MousePad, 0xBB);
  bus_b_.Unplug(*bus_b_.FindPlugged(EmulatedProduct::Keyboard));
  ASSERT_EQ(b_.SyncIfChanged(), SyncResult::Done);
  ASSERT_EQ(a_.SyncIfChanged(), SyncResult::Done);
  ASSERT_EQ(b_.SyncIfChanged(), SyncResult::Done);

  for (EmulatedBus* bus : {&bus_a_, &bus_b_}) {
    EXPECT_EQ(Settings(*bus, EmulatedProduct::MousePad).substr(2, 4), "bbbb");
    EXPECT_FALSE(bus->FindPlugged(EmulatedProduct::Keyboard));
    const auto keyboard = bus->DeviceAs<CommandDevice>(bus->Devices()[0]);
    EXPECT_EQ(Hex(keyboard->SettingsMemory()).substr(2, 4), "aaaa");
  }
}

TEST_F(TwoProcesses, NothingChangedMeansNoWriteAndTrafficWaitsForItsInterval) {
  const DeviceId id = bus_a_.Plug(EmulatedProduct::Keyboard);
  ASSERT_EQ(a_.Sync(), SyncResult::Done);
  const StateFileStamp written = StampOf(file_);
  ASSERT_TRUE(written.exists);

  ASSERT_EQ(a_.SyncIfChanged(), SyncResult::Done);
  ASSERT_EQ(a_.Sync(), SyncResult::Done);
  EXPECT_EQ(StampOf(file_), written) << "an exchange without changes rewrote the file";

  bus_a_.DeviceAs<CommandDevice>(id)->Exchange(Req(0x12, 3, 0, {1, 2, 3}));
  ASSERT_EQ(a_.SyncIfChanged(), SyncResult::Done);
  EXPECT_EQ(StampOf(file_), written) << "a live frame alone was written at once";
  // A full exchange (as at exit) writes it.
  ASSERT_EQ(a_.Sync(), SyncResult::Done);
  EXPECT_NE(StampOf(file_), written);
}

TEST_F(TwoProcesses, DamagedFileIsNeitherTrustedNorOverwritten) {
  bus_a_.Plug(EmulatedProduct::Keyboard);
  ASSERT_EQ(a_.Sync(), SyncResult::Done);
  { std::ofstream(file_, std::ios::trunc) << "{ \"version\": 1, \"devices\": [ 7 ] }"; }
  bus_a_.Plug(EmulatedProduct::MousePad);
  EXPECT_EQ(a_.SyncIfChanged(), SyncResult::Damaged);
  EXPECT_EQ(a_.Sync(), SyncResult::Damaged);
  EXPECT_EQ(bus_a_.PluggedDevices().size(), 2u) << "the bus keeps its devices";
  std::ifstream in(file_);
  std::ostringstream text;
  text << in.rdbuf();
  EXPECT_EQ(text.str(), "{ \"version\": 1, \"devices\": [ 7 ] }");
  EXPECT_EQ(b_.Load(), StateLoadResult::Damaged);
  EXPECT_TRUE(bus_b_.Devices().empty());
}

}  // namespace
}  // namespace norvik::emulator::testing
