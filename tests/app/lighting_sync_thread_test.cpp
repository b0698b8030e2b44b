#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <chrono>
#include <thread>

#include "app/lighting_sync_thread.h"
#include "devices/device_set.h"
#include "devices/device_watcher.h"
#include "emulator/emulated_bus.h"

namespace norvik::app {
namespace {

using namespace std::chrono_literals;

class SyncThreadTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir_.isValid());
    devices::DeviceSetOptions options;
    options.folders.user_root = dir_.filePath("user").toStdString();
    options.folders.program_folder = dir_.filePath("program").toStdString();
    set_ = std::make_unique<devices::DeviceSet>(bus_, options);
    watcher_ = std::make_unique<devices::DeviceWatcher>(bus_);
    set_->Attach(*watcher_);
  }
  void TearDown() override { set_->Shutdown(); }

  std::vector<devices::DeviceDriver*> Drivers() {
    std::vector<devices::DeviceDriver*> drivers;
    for (const auto slot : devices::kAllDeviceSlots) drivers.push_back(&set_->Driver(slot));
    return drivers;
  }

  template <class Pred>
  static bool WaitFor(Pred pred, std::chrono::milliseconds timeout = 3000ms) {
    const auto end = std::chrono::steady_clock::now() + timeout;
    while (!pred()) {
      if (std::chrono::steady_clock::now() > end) return false;
      std::this_thread::sleep_for(1ms);
    }
    return true;
  }

  QTemporaryDir dir_;
  emulator::EmulatedBus bus_;
  std::unique_ptr<devices::DeviceSet> set_;
  std::unique_ptr<devices::DeviceWatcher> watcher_;
};

TEST_F(SyncThreadTest, HeldOpenDeviceGetsEveryFrameInItsLedEntriesAndStopsAtOnce) {
  bus_.Plug(emulator::EmulatedProduct::Keyboard);
  watcher_->RunPass(true);
  devices::DeviceDriver& keyboard = set_->Driver(devices::DeviceSlot::Keyboard);
  ASSERT_TRUE(keyboard.IsOpen());
  keyboard.Leds().SetCount(3);
  keyboard.Io().SetHold(true);

  LightingSyncThread thread(Drivers());
  devices::SyncParameters steady;
  steady.effect = static_cast<int>(devices::SyncEffect::Steady);
  steady.brightness_level = 3;  // 135
  steady.speed_index = 5;       // a frame on every tick
  steady.colour = {10, 20, 30};
  thread.SetParameters(steady);
  ASSERT_TRUE(thread.Start());
  ASSERT_TRUE(WaitFor([&] { return thread.FramesSent() >= 3; }));
  const devices::LedEntry expected{10, 20, 30, 135};
  for (std::size_t i = 0; i < 3; ++i) {
    const devices::LedEntry got = devices::UnpackLedEntry(keyboard.Leds().Get(i));
    EXPECT_EQ(got, expected) << "entry " << i << ": " << int(got.red) << "," << int(got.green)
                             << "," << int(got.blue) << " brightness " << int(got.brightness);
  }
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(thread.Stop(1000ms), devices::StopOutcome::Stopped);
  EXPECT_LT(std::chrono::steady_clock::now() - start, 200ms);
  EXPECT_FALSE(thread.Running());
}

TEST_F(SyncThreadTest, WithoutAHeldDeviceItSleepsASecondAndStillStopsAtOnce) {
  bus_.Plug(emulator::EmulatedProduct::Keyboard);
  watcher_->RunPass(true);
  LightingSyncThread thread(Drivers());  // the keyboard is open but not held
  ASSERT_TRUE(thread.Start());
  ASSERT_TRUE(WaitFor([&] { return thread.IdleWakes() >= 1; }));
  std::this_thread::sleep_for(300ms);
  EXPECT_LE(thread.IdleWakes(), 1u);
  EXPECT_EQ(thread.FramesSent(), 0u);
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(thread.Stop(1000ms), devices::StopOutcome::Stopped);
  EXPECT_LT(std::chrono::steady_clock::now() - start, 200ms);
}

TEST(SyncThreadStatic, HoldCountsOnlyOnOpenChannels) {
  emulator::EmulatedBus bus;
  QTemporaryDir dir;
  devices::DeviceSetOptions options;
  options.folders.user_root = dir.filePath("u").toStdString();
  options.folders.program_folder = dir.filePath("p").toStdString();
  devices::DeviceSet set(bus, options);
  devices::DeviceDriver& pad = set.Driver(devices::DeviceSlot::MousePad);
  pad.Io().SetHold(true);  // held but closed
  EXPECT_FALSE(LightingSyncThread::AnyHeld({&pad}));
  EXPECT_FALSE(LightingSyncThread::AnyHeld({nullptr}));
}

}  // namespace
}  // namespace norvik::app
