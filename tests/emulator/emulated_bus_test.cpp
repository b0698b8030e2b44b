// The emulated bus through the HidBackend seam: paths in both presentations, handles,
// hot-plug, and input delivery to every reader.

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "emulator/emulated_bus.h"
#include "emulator_test_support.h"
#include "hid/hid_device.h"
#include "hid/hid_interface_table.h"

namespace norvik::emulator::testing {
namespace {

class BusPresentation : public ::testing::TestWithParam<Presentation> {};

INSTANTIATE_TEST_SUITE_P(EmulatedBus, BusPresentation,
                         ::testing::Values(Presentation::PerCollection,
                                           Presentation::PerInterfaceNode),
                         [](const auto& row) {
                           return row.param == Presentation::PerCollection ? "PerCollection"
                                                                           : "PerInterfaceNode";
                         });

TEST_P(BusPresentation, EveryInterfaceTableRowBindsToItsDeviceAndNothingElseBinds) {
  EmulatedBus bus(GetParam());
  std::map<EmulatedProduct, DeviceId> ids;
  for (EmulatedProduct product : kAllProducts) ids[product] = bus.Plug(product);
  auto paths = bus.EnumeratePaths();
  ASSERT_TRUE(paths.has_value());
  // Boot interfaces and the other collections are listed too; the table ignores them.
  EXPECT_EQ(paths->size(), 5u * (1 + 4) + 1u);

  auto copy = hid::MakeHidInterfaceCopy();
  std::size_t bound = 0;
  for (const std::string& path : *paths) {
    auto row = hid::MatchHidPath(bus, copy, path);
    if (!row) continue;
    ++bound;
    const hid::HidInterfaceRow& r = hid::kHidInterfaceTable[*row];
    const auto expected = ids.at(static_cast<EmulatedProduct>(r.device_kind));
    EXPECT_EQ(bus.DeviceOfPath(path), expected) << path;
    EXPECT_EQ(bus.PathOf(expected, r.interface_number, r.collection == 0 ? 1 : r.collection), path);
  }
  EXPECT_EQ(bound, hid::kHidInterfaceRowCount);
  for (const auto& binding : copy) {
    EXPECT_FALSE(binding.IsFree())
        << "row vid " << binding.row.vendor_id << " pid " << binding.row.product_id << " col "
        << binding.row.collection << " not bound";
  }
}

TEST(EmulatedBus, PerCollectionPathsHaveTheWindowsForm) {
  EmulatedBus bus(Presentation::PerCollection);
  const DeviceId kb = bus.Plug(EmulatedProduct::Keyboard);
  const DeviceId hs = bus.Plug(EmulatedProduct::Headset);
  EXPECT_EQ(bus.PathOf(kb, 1, 4).value_or(""),
            "\\\\?\\hid#vid_0c45&pid_8508&mi_01&col04#8&e0000001&0&0003#"
            "{4d1e55b2-f16f-11cf-88cb-001111000030}");
  const std::string headset = bus.PathOf(hs, 3, 1).value_or("");
  EXPECT_EQ(hid::ParsePathNumber(headset, "&mi_"), 3);
  EXPECT_EQ(headset.find("&col"), std::string::npos) << headset;
  // Paths are matched without regard to case, as Windows does.
  std::string upper = bus.PathOf(kb, 1, 4).value_or("");
  for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  EXPECT_NE(bus.Open(upper, true, true, false), nullptr);
}

TEST(EmulatedBus, PerInterfaceNodePathsAreNodePlusCollection) {
  EmulatedBus bus(Presentation::PerInterfaceNode);
  const DeviceId kb = bus.Plug(EmulatedProduct::Keyboard);
  const std::string path = bus.PathOf(kb, 1, 4).value_or("");
  EXPECT_EQ(path, "/dev/emulated-hidraw1#vid_0c45&pid_8508&mi_01&col04");
  auto nodes = bus.MakeNodeSource()->EnumerateNodes();
  ASSERT_TRUE(nodes.has_value());
  ASSERT_EQ(nodes->size(), 2u);
  EXPECT_EQ((*nodes)[1].interface_number, 1);
  EXPECT_EQ((*nodes)[1].attributes.product_id, 0x8508);
}

CommandReport ReadReply(hid::HidHandle& handle, int timeout_ms = 1000) {
  CommandReport reply{};
  const int n = handle.Read(reply, timeout_ms);
  EXPECT_EQ(n, 64) << "read result";
  return reply;
}

TEST_P(BusPresentation, EveryOpenHandleOfTheCollectionReceivesTheReply) {
  EmulatedBus bus(GetParam());
  const DeviceId id = bus.Plug(EmulatedProduct::Keyboard);
  const std::string path = bus.PathOf(id, 1, 4).value();
  auto writer = bus.Open(path, true, true, false);
  auto listener = bus.Open(path, true, false, false);
  auto consumer = bus.Open(bus.PathOf(id, 1, 3).value(), true, false, false);
  ASSERT_TRUE(writer && listener && consumer);
  EXPECT_EQ(writer->CollectionIndex(), 4);
  EXPECT_EQ(writer->Attributes().vendor_id, 0x0C45);
  const CommandReport request = Req(0x03, 34, 0);
  ASSERT_EQ(writer->Write(request, 1000), 64);
  const CommandReport a = ReadReply(*writer);
  const CommandReport b = ReadReply(*listener);
  EXPECT_EQ(Hex(a), Hex(b));
  EXPECT_EQ(a[command_field::kData + 5], 126);
  Bytes other(64);
  EXPECT_EQ(consumer->Read(other, 0), hid::kReadTimedOut) << "reply leaked to collection 3";
  EXPECT_LT(listener->Write(request, 1000), 0) << "handle opened without write access wrote";
}

TEST_P(BusPresentation, WritesMustMatchADeclaredOutputReport) {
  EmulatedBus bus(GetParam());
  const DeviceId id = bus.Plug(EmulatedProduct::Keyboard);
  auto handle = bus.Open(bus.PathOf(id, 1, 4).value(), true, true, false);
  ASSERT_NE(handle, nullptr);
  const CommandReport request = Req(0x01);
  EXPECT_LT(handle->Write(std::span(request).first(63), 100), 0) << "short report taken";
  Bytes wrong_id(request.begin(), request.end());
  wrong_id[0] = 3;
  EXPECT_LT(handle->Write(wrong_id, 100), 0) << "report id 3 taken on the command collection";
  EXPECT_EQ(bus.Device(id)->RequestCount(), 0u);
}

TEST_P(BusPresentation, UnplugMakesABlockedReadFailAndOldHandlesStayDead) {
  EmulatedBus bus(GetParam());
  const DeviceId id = bus.Plug(EmulatedProduct::MousePad);
  const std::string path = bus.PathOf(id, 1, 4).value();
  auto handle = bus.Open(path, true, true, false);
  ASSERT_NE(handle, nullptr);
  std::atomic<int> result{1000};
  std::atomic<bool> started{false};
  std::thread reader([&] {
    Bytes buffer(64);
    started = true;
    // Long enough that a read which only ends by its time limit reports kReadTimedOut.
    result = handle->Read(buffer, 20000);
  });
  while (!started) std::this_thread::yield();
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  ASSERT_TRUE(bus.Unplug(id));
  reader.join();
  EXPECT_EQ(result.load(), hid::kReadFailed);
  const CommandReport request = Req(0x01);
  EXPECT_LT(handle->Write(request, 100), 0);
  EXPECT_EQ(bus.Open(path, true, true, false), nullptr) << "unplugged path opened";
  EXPECT_FALSE(bus.EnumeratePaths()->size() > 0);

  ASSERT_TRUE(bus.Replug(id));
  Bytes buffer(64);
  EXPECT_EQ(handle->Read(buffer, 0), hid::kReadFailed) << "handle from before the unplug";
  auto fresh = bus.Open(bus.PathOf(id, 1, 4).value(), true, true, false);
  ASSERT_NE(fresh, nullptr);
  EXPECT_EQ(fresh->Write(request, 100), 64);
  EXPECT_EQ(ReadReply(*fresh)[command_field::kCommand], 0x01);
}

TEST(EmulatedBus, ReplugKeepsMemoriesAndChangesAreCountedAndCalledBack) {
  EmulatedBus bus;
  std::atomic<int> calls{0};
  bus.SetChangeCallback([&] { ++calls; });
  const std::uint64_t start = bus.ChangeCount();
  const DeviceId id = bus.Plug(EmulatedProduct::Keyboard);
  auto kb = bus.DeviceAs<EmulatedKeyboard>(id);
  ASSERT_NE(kb, nullptr);
  kb->Exchange(Req(0x06, 2, 0, {3, 9}));
  EXPECT_TRUE(bus.Unplug(id));
  EXPECT_FALSE(bus.Unplug(id)) << "second unplug of the same device";
  EXPECT_TRUE(bus.Replug(id));
  EXPECT_EQ(bus.ChangeCount() - start, 3u);
  EXPECT_EQ(calls.load(), 3);
  EXPECT_EQ(kb->SettingsMemory()[1], 9);
  EXPECT_TRUE(bus.Remove(id));
  EXPECT_EQ(bus.Device(id), nullptr);
  EXPECT_EQ(calls.load(), 4);
  EXPECT_FALSE(bus.FindPlugged(EmulatedProduct::Keyboard).has_value());
}

TEST(EmulatedBus, NodeReadsCarryNoIdByteWhereTheInterfaceDeclaresNone) {
  EmulatedBus bus(Presentation::PerCollection);
  const DeviceId id = bus.Plug(EmulatedProduct::Keyboard);
  auto source = bus.MakeNodeSource();
  auto nodes = source->EnumerateNodes().value();
  ASSERT_EQ(nodes.size(), 2u);
  auto boot_node = source->OpenNode(nodes[0].node, true, true, false);
  auto vendor_node = source->OpenNode(nodes[1].node, true, true, false);
  auto boot_collection = bus.Open(bus.PathOf(id, 0, 1).value(), true, false, false);
  ASSERT_TRUE(boot_node && vendor_node && boot_collection);
  const Bytes keys = {0, 0x02, 0, 0x04, 0, 0, 0, 0, 0};  // Shift + A, report id 0
  ASSERT_TRUE(bus.Device(id)->InjectInputReport(0, keys));
  Bytes buffer(64);
  ASSERT_EQ(boot_node->Read(buffer, 1000), 8);
  EXPECT_EQ(Hex(std::span(buffer).first(8)), "0200040000000000");
  ASSERT_EQ(boot_collection->Read(buffer, 1000), 9);
  EXPECT_EQ(Hex(std::span(buffer).first(9)), "000200040000000000");
  // The vendor node carries ids and gets every collection's reports.
  bus.DeviceAs<CommandDevice>(id)->InjectSyncRequest();
  ASSERT_EQ(vendor_node->Read(buffer, 1000), 3);
  EXPECT_EQ(Hex(std::span(buffer).first(3)), "030104");
  const CommandReport request = Req(0x1C);
  EXPECT_EQ(vendor_node->Write(request, 100), 64);
  ASSERT_EQ(vendor_node->Read(buffer, 1000), 64);
  EXPECT_EQ(buffer[command_field::kCommand], 0x1C);
}

TEST_P(BusPresentation, NotificationsReachAHidDeviceAsTheirUsages) {
  EmulatedBus bus(GetParam());
  const DeviceId id = bus.Plug(EmulatedProduct::MouseCable);
  auto mouse = bus.DeviceAs<EmulatedMouse>(id);
  hid::HidDevice reader(&bus);
  ASSERT_TRUE(reader.OpenHidDevice(bus.PathOf(id, 1, 3).value(), true, true, true, false));
  struct Case {
    std::function<void()> inject;
    std::uint16_t usage;
  };
  const Case cases[] = {
      {[&] { mouse->InjectSyncRequest(); }, 0x0401},
      {[&] { mouse->InjectKeyPress(7); }, 0x0507},
      {[&] { mouse->InjectKeyRelease(7); }, 0x0607},
      {[&] { mouse->InjectProfileChange(2); }, 0x1002},
      {[&] { mouse->InjectProfileChange(1, 3); }, 0x1131},
  };
  for (const Case& c : cases) {
    c.inject();
    Bytes report(reader.Caps().input_report_byte_length);
    std::size_t n = 0;
    ASSERT_TRUE(reader.ReadReport(report, 1000, &n));
    ASSERT_TRUE(reader.UnpackInputReport(std::span(report).first(n)));
    ASSERT_FALSE(reader.InputData().empty());
    EXPECT_EQ(reader.InputData()[0].button_data.usages[0], c.usage) << "report " << Hex(report);
  }
  // A profile change made on the mouse is what the next settings read finds.
  const Bytes settings = mouse->SettingsMemory();
  EXPECT_EQ(settings[0], 1);
  EXPECT_EQ(settings[EmulatedMouse::kProfileStride + EmulatedMouse::kActiveStageByte], 3);
}

TEST_P(BusPresentation, HeadsetKeepsItsColourReportsInOrder) {
  EmulatedBus bus(GetParam());
  const DeviceId id = bus.Plug(EmulatedProduct::Headset);
  auto headset = bus.DeviceAs<EmulatedHeadset>(id);
  auto handle = bus.Open(bus.PathOf(id, 3, 1).value(), true, true, false);
  ASSERT_NE(handle, nullptr);
  Bytes first(17, 0), second(17, 0);
  first[0] = second[0] = 0xFF;
  first[1] = 0x22, first[2] = 0xAA, first[3] = 0x10;
  second[1] = 0x44, second[2] = 0xAD, second[3] = 0x20;
  EXPECT_TRUE(handle->SetOutputReport(first));
  EXPECT_EQ(handle->Write(second, 100), 17);
  Bytes short_report(first.begin(), first.begin() + 16);
  EXPECT_FALSE(handle->SetOutputReport(short_report));
  const auto kept = headset->OutputReports();
  ASSERT_EQ(kept.size(), 2u);
  EXPECT_EQ(Hex(kept[0]), Hex(first));
  EXPECT_EQ(Hex(kept[1]), Hex(second));
  EXPECT_EQ(headset->OutputReportCount(), 2u);
  headset->InjectButtons(0x04);
  Bytes buffer(8);
  ASSERT_EQ(handle->Read(buffer, 1000), 2);
  EXPECT_EQ(Hex(std::span(buffer).first(2)), "0104");
}

}  // namespace
}  // namespace norvik::emulator::testing
