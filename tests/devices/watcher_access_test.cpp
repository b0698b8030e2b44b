// The watcher and a supported device whose node this user may not open: retried for a few
// passes, then reported (once per device), never bound; reported no more once it opens or
// goes away.

#include <gtest/gtest.h>

#include <vector>

#include "devices/device_watcher.h"
#include "emulator/emulated_bus.h"

namespace norvik::devices {
namespace {

using emulator::EmulatedBus;
using emulator::EmulatedProduct;
using emulator::Presentation;

class WatcherAccess : public ::testing::TestWithParam<Presentation> {};

TEST_P(WatcherAccess, RefusedNodeIsRetriedThenReportedAndClearedWhenItOpensOrGoes) {
  EmulatedBus bus(GetParam());
  const auto device = emulator::MakeEmulatedDevice(EmulatedProduct::MousePad);
  device->SetNodeAccessDenied(true);
  const emulator::DeviceId id = bus.Attach(device);
  bus.Plug(EmulatedProduct::Keyboard);

  DeviceWatcher watcher(bus);
  std::vector<std::vector<DeniedDevice>> reports;
  int arrivals = 0;
  watcher.SetDeniedCallback([&](const std::vector<DeniedDevice>& d) { reports.push_back(d); });
  watcher.SetArrivalCallback([&](std::size_t, const hid::HidInterfaceCopy&) { ++arrivals; });

  // The first look and two of its three retries: pending, nothing reported; the keyboard
  // binds.
  for (int pass = 1; pass <= 3; ++pass) {
    watcher.RunPass();
    EXPECT_TRUE(watcher.DeniedDevices().empty()) << "pass " << pass;
    EXPECT_TRUE(watcher.AccessCheckPending()) << "pass " << pass;
  }
  const int keyboard_arrivals = arrivals;
  EXPECT_GT(keyboard_arrivals, 0);
  ASSERT_TRUE(reports.empty());

  // The third retry refused too: reported, once, though the pad has two refused paths.
  watcher.RunPass();
  ASSERT_EQ(reports.size(), 1U);
  ASSERT_EQ(reports[0].size(), 1U);
  EXPECT_EQ(reports[0][0].kind, hid::DeviceKind::MousePad);
  EXPECT_EQ(reports[0][0].vendor_id, 0x320F);
  EXPECT_EQ(reports[0][0].product_id, 0x1004);
  EXPECT_EQ(watcher.DeniedDevices(), reports[0]);
  EXPECT_FALSE(watcher.AccessCheckPending());
  watcher.RunPass(/*force=*/true);
  EXPECT_EQ(reports.size(), 1U);
  EXPECT_EQ(arrivals, keyboard_arrivals);

  // Access given: the next full pass binds it and the report is withdrawn.
  device->SetNodeAccessDenied(false);
  watcher.RunPass(/*force=*/true);
  EXPECT_GT(arrivals, keyboard_arrivals);
  ASSERT_EQ(reports.size(), 2U);
  EXPECT_TRUE(reports[1].empty());
  EXPECT_TRUE(watcher.DeniedDevices().empty());

  // Refused again after a re-plug, then pulled out before the report: nothing is reported.
  ASSERT_TRUE(bus.Unplug(id));
  watcher.RunPass(/*force=*/true);
  device->SetNodeAccessDenied(true);
  ASSERT_TRUE(bus.Replug(id));
  watcher.RunPass(/*force=*/true);
  EXPECT_TRUE(watcher.AccessCheckPending());
  ASSERT_TRUE(bus.Unplug(id));
  watcher.RunPass(/*force=*/true);
  EXPECT_FALSE(watcher.AccessCheckPending());
  for (int pass = 0; pass < 5; ++pass) watcher.RunPass(/*force=*/true);
  EXPECT_EQ(reports.size(), 2U);
  EXPECT_TRUE(watcher.DeniedDevices().empty());
}

INSTANTIATE_TEST_SUITE_P(BothPresentations, WatcherAccess,
                         ::testing::Values(Presentation::PerCollection,
                                           Presentation::PerInterfaceNode));

}  // namespace
}  // namespace norvik::devices
