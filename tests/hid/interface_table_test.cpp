#include "hid/hid_interface_table.h"

#include <gtest/gtest.h>

#include "hid/collection_splitter.h"
#include "hid/fake_hid_backend.h"
#include "hid/hid_test_descriptors.h"

namespace norvik::hid {
namespace {

HidProbeResult Probe(std::uint16_t vid, std::uint16_t pid, std::uint16_t page,
                     std::uint16_t usage) {
  HidProbeResult probe;
  probe.attributes = {vid, pid, 0};
  probe.usage_page = page;
  probe.usage = usage;
  return probe;
}

TEST(HidInterfaceTable, PairedRowsPointAtEachOther) {
  for (std::size_t i = 0; i < kHidInterfaceTable.size(); ++i) {
    const HidInterfaceRow& row = kHidInterfaceTable[i];
    if (row.paired == 0) continue;
    ASSERT_LT(row.partner_row, kHidInterfaceTable.size()) << "row " << i;
    const HidInterfaceRow& partner = kHidInterfaceTable[row.partner_row];
    EXPECT_EQ(partner.partner_row, i) << "row " << i;
    EXPECT_EQ(partner.role, row.role) << "row " << i;
    EXPECT_EQ(partner.vendor_id, row.vendor_id) << "row " << i;
  }
  for (const HidInterfaceRow& row : kHidInterfaceTable) {
    const bool command = row.role == InterfaceRole::Command;
    if (row.device_kind == DeviceKind::Headset) continue;
    EXPECT_EQ(row.usage_page, command ? kCommandUsagePage : kConsumerUsagePage);
    EXPECT_EQ(row.collection, command ? 4 : 3);
  }
}

TEST(HidInterfaceTable, CandidatesNeedAListedIdentityAndAFreeRow) {
  HidInterfaceCopy copy = MakeHidInterfaceCopy();
  const auto keyboard_command = ParseHidPathIds("\\\\?\\hid#vid_0c45&pid_8508&mi_01&col04#x");
  EXPECT_TRUE(IsCandidatePath(keyboard_command, copy));
  EXPECT_FALSE(IsCandidatePath(ParseHidPathIds("\\\\?\\hid#vid_0c45&pid_9999&mi_01&col04#x"), copy))
      << "unlisted product";
  EXPECT_FALSE(IsCandidatePath(ParseHidPathIds("\\\\?\\hid#vid_0c45&pid_8508&mi_01&col01#x"), copy))
      << "listed product, unlisted collection";
  EXPECT_FALSE(IsCandidatePath(ParseHidPathIds("\\\\?\\hid#vid_0c45&pid_8508&mi_00&col04#x"), copy))
      << "wrong interface";

  copy[0].row.connected = 1;
  EXPECT_FALSE(IsCandidatePath(keyboard_command, copy)) << "its only row is connected";
  copy[0].row.connected = 0;
  copy[0].path = "somewhere";
  EXPECT_FALSE(IsCandidatePath(keyboard_command, copy)) << "its only row holds a path";
}

TEST(HidInterfaceTable, AcceptanceNeedsTheDevicesUsagePageAndUsage) {
  const auto ids = ParseHidPathIds("/dev/hidraw3#vid_0c45&pid_8508&mi_01&col04");
  EXPECT_EQ(AcceptedTableRow(ids, Probe(0x0C45, 0x8508, 0xFF1C, 0x92)), 0u);
  EXPECT_EQ(AcceptedTableRow(ids, Probe(0x0C45, 0x8508, 0xFF00, 0x92)), std::nullopt);
  EXPECT_EQ(AcceptedTableRow(ids, Probe(0x0C45, 0x8508, 0xFF1C, 0x01)), std::nullopt);
  EXPECT_EQ(AcceptedTableRow(ids, Probe(0x320F, 0x5001, 0xFF1C, 0x92)), 2u)
      << "vendor and product come from the device, not from the path";

  const auto consumer = ParseHidPathIds("/dev/hidraw3#vid_3938&pid_1254&mi_01&col03");
  EXPECT_EQ(AcceptedTableRow(consumer, Probe(0x3938, 0x1254, 0x0C, 0x01)), 7u);
}

TEST(HidInterfaceTable, HeadsetPathWithoutCollectionMatchesItsZeroCollectionRow) {
  const auto ids = ParseHidPathIds("\\\\?\\HID#VID_0C76&PID_1630&MI_03#7&2a&0&0000");
  EXPECT_EQ(ids.collection, 0);
  HidInterfaceCopy copy = MakeHidInterfaceCopy();
  ASSERT_TRUE(IsCandidatePath(ids, copy));
  EXPECT_EQ(BindHidPath(copy, ids, Probe(0x0C76, 0x1630, 0x0C, 0x01), "headset"), 10u);
  EXPECT_EQ(copy[10].row.connected, 1);
  EXPECT_EQ(copy[10].path, "headset");
  EXPECT_EQ(copy[10].row.device_kind, DeviceKind::Headset);
}

TEST(HidInterfaceTable, BindingTakesTheFirstFreeMatchingRowOfTheWorkingCopy) {
  // A working copy holding the keyboard's command row twice, the first already bound.
  std::array<HidInterfaceBinding, 3> copy;
  copy[0].row = kHidInterfaceTable[1];
  copy[1].row = kHidInterfaceTable[0];
  copy[1].row.connected = 1;
  copy[1].path = "first";
  copy[2].row = kHidInterfaceTable[0];
  const auto ids = ParseHidPathIds("/dev/hidraw3#vid_0c45&pid_8508&mi_01&col04");
  const auto probe = Probe(0x0C45, 0x8508, 0xFF1C, 0x92);
  EXPECT_EQ(BindHidPath(copy, ids, probe, "second"), 2u);
  EXPECT_EQ(copy[2].path, "second");
  EXPECT_EQ(copy[1].path, "first");
  EXPECT_EQ(copy[0].row.connected, 0);
  EXPECT_EQ(BindHidPath(copy, ids, probe, "third"), std::nullopt) << "no free row is left";
  EXPECT_EQ(BindHidPath(copy, ids, Probe(0x0C45, 0x8508, 0xFF1C, 0x93), "x"), std::nullopt);
}

TEST(HidInterfaceTable, MatchingAListedInterfaceBindsOnlyItsCommandAndConsumerCollections) {
  test::FakeHidBackend backend;
  const HidAttributes keyboard{0x0C45, 0x8508, 0x0100};
  const std::string base = "/dev/hidraw3#vid_0c45&pid_8508&mi_01&col0";
  for (int col = 1; col <= 4; ++col) {
    backend.paths[base + std::to_string(col)] = {test::kCompositeInterface, keyboard, col};
  }
  // An unlisted product that also has a 0xFF1C/0x92 collection.
  backend.paths["/dev/hidraw4#vid_1234&pid_8508&mi_01&col04"] = {
      test::kCompositeInterface, {0x1234, 0x8508, 0}, 4};

  HidInterfaceCopy copy = MakeHidInterfaceCopy();
  std::vector<std::size_t> bound;
  for (const auto& [path, spec] : backend.paths) {
    if (const auto row = MatchHidPath(backend, copy, path)) bound.push_back(*row);
  }
  EXPECT_EQ(bound, (std::vector<std::size_t>{1, 0}));
  EXPECT_EQ(copy[0].path, base + "4");
  EXPECT_EQ(copy[1].path, base + "3");
  EXPECT_EQ(backend.bus->opens, 2) << "only candidates are probed";
  EXPECT_EQ(backend.bus->live_handles, 0) << "probing handles are closed again";
  EXPECT_FALSE(backend.bus->last_write) << "probing opens read-only";
  EXPECT_FALSE(backend.bus->last_exclusive);

  EXPECT_EQ(MatchHidPath(backend, copy, base + "4"), std::nullopt) << "already bound";
}

TEST(HidInterfaceTable, ADeviceWhoseCollectionHasAnotherUsageIsNeverBound) {
  // Listed identity, but the device's collection 4 is a plain consumer control.
  test::FakeHidBackend backend;
  const std::string path = "/dev/hidraw3#vid_320f&pid_1004&mi_01&col04";
  std::vector<std::uint8_t> descriptor = test::kConsumerControl;
  backend.paths[path] = {descriptor, {0x320F, 0x1004, 0}, 1};
  HidInterfaceCopy copy = MakeHidInterfaceCopy();
  EXPECT_EQ(MatchHidPath(backend, copy, path), std::nullopt);
  for (const auto& binding : copy) EXPECT_TRUE(binding.IsFree());
  EXPECT_EQ(MatchHidPath(backend, copy, "/dev/hidraw3#vid_320f&pid_1004&mi_01&col03"), std::nullopt)
      << "a probing open that fails binds nothing";
}

}  // namespace
}  // namespace norvik::hid
