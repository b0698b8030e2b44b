// The device watcher against the emulated bus (both path presentations) and a small in-test
// stack for interfaces the emulator never presents.

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "devices/device_watcher.h"
#include "emulator/emulated_bus.h"
#include "hid/fake_hid_backend.h"
#include "hid/hid_test_descriptors.h"
#include "support/temp_folder.h"

namespace norvik::devices {
namespace {

using emulator::EmulatedBus;
using emulator::EmulatedProduct;
using emulator::Presentation;
using hid::DeviceKind;
using hid::InterfaceRole;

// What the callbacks saw, in order: +row for an arrival, -row - 1 for a removal.
struct Recorder {
  std::mutex mutex;
  std::condition_variable changed;
  std::vector<int> events;
  int first_scans = 0;

  void Attach(DeviceWatcher& watcher) {
    watcher.SetArrivalCallback([this](std::size_t row, const hid::HidInterfaceCopy& copy) {
      // The copy handed over already holds the binding.
      EXPECT_EQ(copy[row].row.connected, 1) << "row " << row;
      EXPECT_FALSE(copy[row].path.empty()) << "row " << row;
      Add(static_cast<int>(row));
    });
    watcher.SetRemovalCallback([this](std::size_t row, const hid::HidInterfaceCopy& copy) {
      EXPECT_TRUE(copy[row].IsFree()) << "row " << row;
      Add(-static_cast<int>(row) - 1);
    });
    watcher.SetFirstScanCallback([this] {
      std::lock_guard lock(mutex);
      ++first_scans;
    });
  }
  void Add(int event) {
    std::lock_guard lock(mutex);
    events.push_back(event);
    changed.notify_all();
  }
  std::vector<int> Take() {
    std::lock_guard lock(mutex);
    auto out = std::move(events);
    events.clear();
    return out;
  }
  bool WaitFor(std::size_t count, std::chrono::milliseconds limit) {
    std::unique_lock lock(mutex);
    return changed.wait_for(lock, limit, [&] { return events.size() >= count; });
  }
};

std::vector<int> Sorted(std::vector<int> v) {
  std::sort(v.begin(), v.end());
  return v;
}

class WatcherOnBus : public ::testing::TestWithParam<Presentation> {
 protected:
  EmulatedBus bus{GetParam()};
  DeviceWatcher watcher{bus};
  Recorder seen;
  void SetUp() override { seen.Attach(watcher); }
};

TEST_P(WatcherOnBus, KeyboardBindsItsCommandAndNotificationRowsWithTheirCollections) {
  bus.Plug(EmulatedProduct::Keyboard);
  const auto summary = watcher.RunPass();
  EXPECT_EQ(summary.arrivals, 2);
  EXPECT_EQ(Sorted(seen.Take()), (std::vector<int>{0, 1}));
  const auto copy = watcher.Copy();
  EXPECT_NE(copy[0].path.find("&col04"), std::string::npos) << copy[0].path;
  EXPECT_NE(copy[1].path.find("&col03"), std::string::npos) << copy[1].path;
  for (std::size_t i = 2; i < copy.size(); ++i) EXPECT_TRUE(copy[i].IsFree()) << "row " << i;
}

TEST_P(WatcherOnBus, EveryProductBindsEveryRowOfTheTableOnce) {
  for (const auto product : emulator::kAllProducts) bus.Plug(product);
  watcher.RunPass();
  EXPECT_EQ(Sorted(seen.Take()), (std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10}));
  const auto copy = watcher.Copy();
  // The headset interface has one collection: its path carries no collection number.
  EXPECT_EQ(copy[10].path.find("&col"), std::string::npos) << copy[10].path;
  EXPECT_NE(copy[10].path.find("&mi_03"), std::string::npos) << copy[10].path;
  // A second pass finds nothing new.
  const auto again = watcher.RunPass(/*force=*/true);
  EXPECT_EQ(again.arrivals, 0);
  EXPECT_EQ(again.removals, 0);
  EXPECT_FALSE(again.enumerated) << "no free row is left, so nothing needs listing";
}

TEST_P(WatcherOnBus, UnplugFreesTheRowsAndReplugBindsThemAgain) {
  const auto mouse = bus.Plug(EmulatedProduct::MouseCable);
  const auto pad = bus.Plug(EmulatedProduct::MousePad);
  watcher.RunPass();
  EXPECT_EQ(Sorted(seen.Take()), (std::vector<int>{4, 5, 8, 9}));

  bus.Unplug(mouse);
  const auto gone = watcher.RunPass();
  EXPECT_EQ(gone.removals, 2);
  EXPECT_EQ(Sorted(seen.Take()), (std::vector<int>{-6, -5}));
  const auto copy = watcher.Copy();
  EXPECT_TRUE(copy[4].IsFree());
  EXPECT_TRUE(copy[5].IsFree());
  EXPECT_EQ(copy[8].row.connected, 1) << "the mouse pad stays bound";

  bus.Replug(mouse);
  watcher.RunPass();
  EXPECT_EQ(Sorted(seen.Take()), (std::vector<int>{4, 5}));
  (void)pad;
}

TEST_P(WatcherOnBus, CableAndReceiverOfTheMouseBindTheirOwnRows) {
  bus.Plug(EmulatedProduct::MouseReceiver);
  watcher.RunPass();
  EXPECT_EQ(Sorted(seen.Take()), (std::vector<int>{6, 7}));
  bus.Plug(EmulatedProduct::MouseCable);
  watcher.RunPass();
  EXPECT_EQ(Sorted(seen.Take()), (std::vector<int>{4, 5}));
  const auto copy = watcher.Copy();
  EXPECT_EQ(copy[4].row.partner_row, 6);
  EXPECT_EQ(copy[6].row.partner_row, 4);
}

TEST_P(WatcherOnBus, AnUnchangedBusIsNotListedAgainUntilTheFallbackPass) {
  bus.Plug(EmulatedProduct::Keyboard);
  EXPECT_TRUE(watcher.RunPass().enumerated);
  const auto listed = watcher.EnumerationCount();
  for (int i = 0; i < 5; ++i) EXPECT_FALSE(watcher.RunPass().full) << "pass " << i;
  EXPECT_EQ(watcher.EnumerationCount(), listed);
  bus.Plug(EmulatedProduct::MousePad);
  const auto after = watcher.RunPass();
  EXPECT_TRUE(after.full);
  EXPECT_EQ(after.arrivals, 2);
  EXPECT_EQ(watcher.EnumerationCount(), listed + 1);
}

TEST_P(WatcherOnBus, FirstScanIsSignalledOnceEvenWithNoDevice) {
  EXPECT_FALSE(watcher.FirstScanDone());
  watcher.RunPass();
  watcher.RunPass(true);
  EXPECT_TRUE(watcher.FirstScanDone());
  EXPECT_TRUE(watcher.WaitForFirstScan(std::chrono::milliseconds(0)));
  std::lock_guard lock(seen.mutex);
  EXPECT_EQ(seen.first_scans, 1);
  EXPECT_TRUE(seen.events.empty());
}

TEST_P(WatcherOnBus, ThreadReportsPlugAndUnplugAndStopsWithinItsBound) {
  ASSERT_TRUE(watcher.Start());
  ASSERT_TRUE(watcher.WaitForFirstScan(std::chrono::seconds(5)));
  const auto id = bus.Plug(EmulatedProduct::Headset);
  ASSERT_TRUE(seen.WaitFor(1, std::chrono::seconds(5)));
  bus.Unplug(id);
  ASSERT_TRUE(seen.WaitFor(2, std::chrono::seconds(5)));
  EXPECT_EQ(seen.Take(), (std::vector<int>{10, -11}));

  const auto begin = std::chrono::steady_clock::now();
  EXPECT_EQ(watcher.Stop(), StopOutcome::Stopped);
  EXPECT_LT(std::chrono::steady_clock::now() - begin, kWatcherStopBound);
  EXPECT_FALSE(watcher.Running());
}

TEST_P(WatcherOnBus, PokeRunsAFullPassAtOnce) {
  // A pass interval far beyond the test: only the poke can make the thread look again.
  DeviceWatcher slow(bus, WatcherOptions{std::chrono::seconds(60), std::chrono::seconds(60), {}});
  Recorder slow_seen;
  slow_seen.Attach(slow);
  ASSERT_TRUE(slow.Start());
  ASSERT_TRUE(slow.WaitForFirstScan(std::chrono::seconds(5)));
  bus.Plug(EmulatedProduct::MousePad);
  slow.Poke();
  EXPECT_TRUE(slow_seen.WaitFor(2, std::chrono::seconds(5)));
  EXPECT_EQ(slow.Stop(), StopOutcome::Stopped);
}

INSTANTIATE_TEST_SUITE_P(BothPresentations, WatcherOnBus,
                         ::testing::Values(Presentation::PerCollection,
                                           Presentation::PerInterfaceNode),
                         [](const auto& param_info) {
                           return param_info.param == Presentation::PerCollection
                                      ? "PerCollection"
                                      : "PerInterfaceNode";
                         });

// --- interfaces the emulator never presents ---

hid::test::FakePath Vendor(std::uint16_t vid, std::uint16_t pid) {
  return {hid::test::kVendorCommand, {vid, pid, 0x0100}, 1};
}

// A fake stack that can claim to know when it changed.
class CountingFake : public hid::test::FakeHidBackend {
 public:
  std::optional<std::uint64_t> counter;
  std::optional<std::uint64_t> ChangeCounter() override { return counter; }
};

TEST(WatcherMatching, UnlistedProductIsNeverOpenedNorBound) {
  hid::test::FakeHidBackend fake;
  fake.paths["x#vid_1234&pid_5678&mi_01&col04"] = Vendor(0x1234, 0x5678);
  DeviceWatcher watcher(fake);
  Recorder seen;
  seen.Attach(watcher);
  watcher.RunPass();
  watcher.RunPass();
  EXPECT_TRUE(seen.Take().empty());
  std::lock_guard lock(fake.bus->mutex);
  EXPECT_EQ(fake.bus->opens, 0) << "a path that is no candidate is not probed";
}

TEST(WatcherMatching, KnownProductWithAnotherUsagePageOrUsageIsNeverBound) {
  hid::test::FakeHidBackend fake;
  // Keyboard ids and the command interface's numbers, but a consumer-control collection.
  fake.paths["x#vid_0c45&pid_8508&mi_01&col04"] = {
      hid::test::kConsumerControl, {0x0C45, 0x8508, 0x0100}, 1};
  // Path says keyboard, the device itself says another product.
  fake.paths["y#vid_0c45&pid_8508&mi_01&col04"] = Vendor(0x0C45, 0x9999);
  DeviceWatcher watcher(fake);
  Recorder seen;
  seen.Attach(watcher);
  watcher.RunPass();
  EXPECT_TRUE(seen.Take().empty());
  EXPECT_TRUE(watcher.Copy()[0].IsFree());
  // The right collection binds.
  fake.paths["z#vid_0c45&pid_8508&mi_01&col04"] = Vendor(0x0C45, 0x8508);
  watcher.RunPass();
  EXPECT_EQ(seen.Take(), (std::vector<int>{0}));
  EXPECT_EQ(watcher.Copy()[0].path, "z#vid_0c45&pid_8508&mi_01&col04");
}

TEST(WatcherMatching, FailedProbeIsRetriedAtTheNextPassEvenOnAQuietBus) {
  CountingFake fake;
  fake.counter = 7;  // the bus never reports a change
  const std::string path = "x#vid_320f&pid_1004&mi_01&col04";
  fake.extra_listed.push_back(path);  // listed but not openable yet
  DeviceWatcher watcher(fake, WatcherOptions{kWatcherPassInterval, std::chrono::hours(1), {}});
  Recorder seen;
  seen.Attach(watcher);
  EXPECT_EQ(watcher.RunPass().failed_probes, 1);
  // Now accessible (e.g. its permissions were set after the node appeared).
  fake.extra_listed.clear();
  fake.paths[path] = Vendor(0x320F, 0x1004);
  const auto retry = watcher.RunPass();
  EXPECT_TRUE(retry.full);
  EXPECT_EQ(seen.Take(), (std::vector<int>{8}));
  EXPECT_FALSE(watcher.RunPass().full) << "nothing left to retry and nothing changed";
}

TEST(WatcherMatching, PathThatCannotBeOpenedAnyMoreIsRemovedAtOnce) {
  hid::test::FakeHidBackend fake;
  const std::string path = "x#vid_0c45&pid_8508&mi_01&col04";
  fake.paths[path] = Vendor(0x0C45, 0x8508);
  DeviceWatcher watcher(fake);
  Recorder seen;
  seen.Attach(watcher);
  watcher.RunPass();
  fake.paths.erase(path);
  watcher.RunPass();
  EXPECT_EQ(seen.Take(), (std::vector<int>{0, -1}));
}

TEST(WatcherMatching, FailedEnumerationStillSignalsTheFirstScan) {
  hid::test::FakeHidBackend fake;
  fake.enumeration_fails = true;
  DeviceWatcher watcher(fake);
  watcher.RunPass();
  EXPECT_TRUE(watcher.FirstScanDone());
}

#if defined(__linux__)
TEST(WatcherChangeDetector, DeviceNodeFolderWatchSeesOnlyHidrawNodes) {
  norvik::testing::TempFolder dev;
  hid::test::FakeHidBackend fake;  // no change counter of its own
  WatcherOptions options;
  options.device_node_folder = dev.path();
  auto detector = MakeBusChangeDetector(fake, options);
  ASSERT_TRUE(detector->CanTell());
  EXPECT_TRUE(detector->Changed()) << "the first look always counts as a change";
  EXPECT_FALSE(detector->Changed());
  std::ofstream(dev.path() / "tty7").put('x');
  EXPECT_FALSE(detector->Changed()) << "other nodes do not count";
  std::ofstream(dev.path() / "hidraw3").put('x');
  EXPECT_TRUE(detector->Changed());
  EXPECT_FALSE(detector->Changed());
  std::filesystem::permissions(dev.path() / "hidraw3", std::filesystem::perms::owner_read);
  EXPECT_TRUE(detector->Changed()) << "new access rights count (udev sets them late)";
  std::filesystem::remove(dev.path() / "hidraw3");
  EXPECT_TRUE(detector->Changed());
}

TEST(WatcherChangeDetector, MissingFolderFallsBackToListingEveryPass) {
  hid::test::FakeHidBackend fake;
  WatcherOptions options;
  options.device_node_folder = "/nonexistent/norvik-no-such-folder";
  auto detector = MakeBusChangeDetector(fake, options);
  EXPECT_FALSE(detector->CanTell());
  EXPECT_TRUE(detector->Changed());
  EXPECT_TRUE(detector->Changed());
}
#endif

TEST(WatcherChangeDetector, BackendCounterWinsOverTheFolderWatch) {
  EmulatedBus bus;
  WatcherOptions options;
  options.device_node_folder = "/dev";
  auto detector = MakeBusChangeDetector(bus, options);
  EXPECT_TRUE(detector->Changed());
  EXPECT_FALSE(detector->Changed());
  bus.Plug(EmulatedProduct::Keyboard);
  EXPECT_TRUE(detector->Changed());
  EXPECT_FALSE(detector->Changed());
}

}  // namespace
}  // namespace norvik::devices
