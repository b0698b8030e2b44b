// The state file keeps the bus across runs, and a damaged one is never trusted.

#include <gtest/gtest.h>

#include <fstream>

#include <json/writer.h>

#include "emulator/emulator_state.h"
#include "emulator_test_support.h"

namespace norvik::emulator::testing {
namespace {

void WriteText(const std::filesystem::path& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary);
  out << text;
}

// A bus whose devices all differ from factory state somewhere.
void Populate(EmulatedBus& bus) {
  auto kb = bus.DeviceAs<CommandDevice>(bus.Plug(EmulatedProduct::Keyboard));
  kb->Exchange(Req(0x06, 4, 0, {1, 2, 3, 4}));
  kb->Exchange(Req(0x09, 3, 3, {0xA0, 0x01, 0x00}));
  kb->Exchange(Req(0x15, 8, 0, {0xAA, 0x55, 8, 0, 0, 0, 0, 0}));
  kb->Exchange(Req(0x0B, 6, 1024, {9, 8, 7, 6, 5, 4}));
  kb->Exchange(Req(0x12, 6, 0, {1, 1, 1, 2, 2, 2}));
  auto receiver_id = bus.Plug(EmulatedProduct::MouseReceiver);
  auto receiver = bus.DeviceAs<EmulatedReceiver>(receiver_id);
  receiver->Exchange(Req(0x17, 4, 0, {5, 6, 7, 8}));
  receiver->SetLinkUp(false);
  const DeviceId headset = bus.Plug(EmulatedProduct::Headset);
  auto hs_handle = bus.Open(bus.PathOf(headset, 3, 1).value(), true, true, false);
  Bytes colours(17, 3);
  colours[0] = 0xFF;
  hs_handle->SetOutputReport(colours);
  hs_handle.reset();
  bus.Unplug(headset);
}

TEST(EmulatorState, SavedBusLoadsBackWithTheSameDevicesAndMemories) {
  TempFolder folder;
  const auto file = folder.path() / "emulator.json";
  EmulatedBus saved;
  Populate(saved);
  ASSERT_TRUE(SaveEmulatorState(saved, file));

  EmulatedBus loaded;
  loaded.Plug(EmulatedProduct::MousePad);  // replaced by the file's devices
  ASSERT_EQ(LoadEmulatorState(loaded, file), StateLoadResult::Loaded);
  ASSERT_EQ(loaded.Devices().size(), 3u);
  for (std::size_t i = 0; i < 3; ++i) {
    const DeviceId a = saved.Devices()[i], b = loaded.Devices()[i];
    EXPECT_EQ(saved.Device(a)->Dump(), loaded.Device(b)->Dump())
        << "device " << i << "\nsaved:\n"
        << saved.Device(a)->Dump().toStyledString() << "loaded:\n"
        << loaded.Device(b)->Dump().toStyledString();
    EXPECT_EQ(saved.IsPlugged(a), loaded.IsPlugged(b)) << "device " << i;
  }
  auto receiver = loaded.DeviceAs<EmulatedReceiver>(loaded.Devices()[1]);
  ASSERT_NE(receiver, nullptr);
  EXPECT_FALSE(receiver->LinkUp());
  EXPECT_EQ(receiver->Exchange(Req(0x01))[0][command_field::kCommand], kReceiverUnreachable);
  auto kb = loaded.DeviceAs<CommandDevice>(loaded.Devices()[0]);
  EXPECT_EQ(Hex(kb->LightBlockBytes(1024, 6)), "090807060504");
  EXPECT_EQ(kb->LightFrameCount(), 1u);
  EXPECT_FALSE(loaded.FindPlugged(EmulatedProduct::Headset).has_value());
  // No temporary file stays behind.
  std::size_t files = 0;
  for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(folder.path())) {
    ++files;
  }
  EXPECT_EQ(files, 1u);
}

TEST(EmulatorState, MissingFileLeavesTheBusAlone) {
  TempFolder folder;
  EmulatedBus bus;
  bus.Plug(EmulatedProduct::Keyboard);
  EXPECT_EQ(LoadEmulatorState(bus, folder.path() / "none.json"), StateLoadResult::Missing);
  EXPECT_EQ(bus.PluggedDevices().size(), 1u);
}

TEST(EmulatorState, SaveIntoAMissingFolderFailsWithoutAFile) {
  TempFolder folder;
  EmulatedBus bus;
  bus.Plug(EmulatedProduct::Keyboard);
  EXPECT_FALSE(SaveEmulatorState(bus, folder.path() / "no" / "state.json"));
  EXPECT_FALSE(std::filesystem::exists(folder.path() / "no"));
}

// Each damage turns a valid document into one that must be refused as a whole.
struct Damage {
  const char* name;
  std::function<void(Json::Value&)> apply;
};

const Damage kDamages[] = {
    {"WrongVersion", [](Json::Value& d) { d["version"] = 99; }},
    {"DevicesNotAnArray", [](Json::Value& d) { d["devices"] = "x"; }},
    {"UnknownProduct", [](Json::Value& d) { d["devices"][0]["product"] = "toaster"; }},
    {"SettingsOneByteShort",
     [](Json::Value& d) {
       std::string s = d["devices"][0]["settings"].asString();
       d["devices"][0]["settings"] = s.substr(2);
     }},
    {"OddHex",
     [](Json::Value& d) { d["devices"][0]["info"] = d["devices"][0]["info"].asString() + "0"; }},
    {"NotHex",
     [](Json::Value& d) {
       std::string s = d["devices"][0]["keymap"].asString();
       s[4] = 'z';
       d["devices"][0]["keymap"] = s;
     }},
    {"MacroSizeDisagreesWithInfo",
     [](Json::Value& d) {
       std::string info = d["devices"][0]["info"].asString();
       info.replace(12, 2, "01");  // macro units 0x20 -> 0x01
       d["devices"][0]["info"] = info;
     }},
    {"LightBlockPastTheOffsetRange",
     [](Json::Value& d) { d["devices"][0]["lightblocks"]["65535"] = "0102"; }},
    {"LightBlockOffsetNotANumber",
     [](Json::Value& d) { d["devices"][0]["lightblocks"]["-1"] = "01"; }},
    {"NegativeFrameCount", [](Json::Value& d) { d["devices"][0]["frames"] = -4; }},
    {"LinkNotABool", [](Json::Value& d) { d["devices"][1]["link"] = "up"; }},
    {"PluggedMissing", [](Json::Value& d) { d["devices"][1].removeMember("plugged"); }},
    {"HeadsetReportOfWrongLength",
     [](Json::Value& d) { d["devices"][2]["outputreports"][0] = "ff01"; }},
};

class DamagedState : public ::testing::TestWithParam<Damage> {};

INSTANTIATE_TEST_SUITE_P(EmulatorState, DamagedState, ::testing::ValuesIn(kDamages),
                         [](const auto& row) { return std::string(row.param.name); });

TEST_P(DamagedState, IsRefusedAndTheBusKeepsItsDevices) {
  EmulatedBus source;
  Populate(source);
  Json::Value document = EmulatorStateDocument(source);
  GetParam().apply(document);
  TempFolder folder;
  const auto file = folder.path() / "state.json";
  WriteText(file, document.toStyledString());
  EmulatedBus bus;
  const DeviceId pad = bus.Plug(EmulatedProduct::MousePad);
  EXPECT_EQ(LoadEmulatorState(bus, file), StateLoadResult::Damaged);
  EXPECT_EQ(bus.Devices(), std::vector<DeviceId>{pad});
  EXPECT_TRUE(bus.IsPlugged(pad));
}

TEST(EmulatorState, UnparsableOrTruncatedFilesAreDamaged) {
  EmulatedBus source;
  Populate(source);
  const std::string text = EmulatorStateDocument(source).toStyledString();
  TempFolder folder;
  const auto file = folder.path() / "state.json";
  for (const std::string& content :
       {std::string(), std::string("not json"), text.substr(0, text.size() / 2),
        std::string(4096, '['), std::string("\0\xff\xfe", 3)}) {
    WriteText(file, content);
    EmulatedBus bus;
    EXPECT_EQ(LoadEmulatorState(bus, file), StateLoadResult::Damaged)
        << "content of " << content.size() << " bytes";
    EXPECT_TRUE(bus.Devices().empty());
  }
}

// Flipped bytes anywhere in a valid file: the load either refuses it and leaves the bus alone,
// or loads devices that save and load back to the same document.
TEST(EmulatorState, CorruptedBytesNeverLoadHalfAState) {
  EmulatedBus source;
  Populate(source);
  Json::StreamWriterBuilder compact;
  compact["indentation"] = "";
  const std::string text = Json::writeString(compact, EmulatorStateDocument(source));
  TempFolder folder;
  const auto file = folder.path() / "state.json";
  std::uint32_t seed = 99;
  int loaded = 0;
  for (int round = 0; round < 150; ++round) {
    std::string damaged = text;
    for (int k = 0; k < 1 + round % 3; ++k) {
      seed = seed * 1103515245u + 12345u;
      const std::size_t at = (seed >> 8) % damaged.size();
      static constexpr char kChars[] = "0af9\"{}[],:-1x ";
      damaged[at] = kChars[(seed >> 4) % (sizeof kChars - 1)];
    }
    WriteText(file, damaged);
    EmulatedBus bus;
    const DeviceId pad = bus.Plug(EmulatedProduct::MousePad);
    const StateLoadResult result = LoadEmulatorState(bus, file);
    if (result == StateLoadResult::Damaged) {
      EXPECT_EQ(bus.Devices(), std::vector<DeviceId>{pad}) << "round " << round;
      continue;
    }
    ASSERT_EQ(result, StateLoadResult::Loaded) << "round " << round;
    ++loaded;
    const Json::Value once = EmulatorStateDocument(bus);
    EmulatedBus again;
    ASSERT_TRUE(ApplyEmulatorStateDocument(again, once)) << "round " << round;
    EXPECT_EQ(EmulatorStateDocument(again), once) << "round " << round;
  }
  // Most single flips inside hex digits still load; the loop must have seen both outcomes.
  EXPECT_GT(loaded, 0);
  EXPECT_LT(loaded, 150);
}

TEST(EmulatorState, DumpNamesEachMemoryFromAddressZero) {
  auto kb = std::make_shared<EmulatedKeyboard>();
  kb->Exchange(Req(0x0B, 3, 512, {1, 2, 3}));
  const Json::Value dump = kb->Dump();
  EXPECT_EQ(dump["product"].asString(), "keyboard");
  EXPECT_EQ(dump["info"].asString().size(), 68u);
  EXPECT_EQ(dump["settings"].asString().substr(0, 10), "0001040200");
  EXPECT_EQ(dump["keymap"].asString().size(), 2u * 126 * 3 * 2);
  EXPECT_EQ(dump["keymap"].asString().substr(0, 12), "20002920003e");
  EXPECT_EQ(dump["keytable"].asString().substr(0, 6), "00050a");
  EXPECT_EQ(dump["macros"].asString().size(), 2u * 4096);
  EXPECT_EQ(dump["lightblocks"]["512"].asString(), "010203");
  EXPECT_EQ(dump["frames"].asUInt64(), 0u);
  auto headset = std::make_shared<EmulatedHeadset>();
  EXPECT_TRUE(headset->Dump()["outputreports"].isArray());
}

}  // namespace
}  // namespace norvik::emulator::testing
