// The device set's arrival and removal routing, driven by the watcher over the emulated bus:
// channels opened on the right link, notification readers bound, the mouse switching between
// its cable and its receiver, presence reported, start-up over a radio link that is down.

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "devices/device_set.h"
#include "devices/device_watcher.h"
#include "devices/keyboard_driver.h"
#include "devices/mouse_driver.h"
#include "emulator/emulated_bus.h"
#include "support/temp_folder.h"

namespace norvik::devices {
namespace {

using emulator::EmulatedBus;
using emulator::EmulatedProduct;
using emulator::EmulatedReceiver;
using hid::DeviceKind;

std::string ShownText(const std::vector<std::pair<DeviceSlot, bool>>& changes) {
  std::string text;
  for (const auto& [slot, shown] : changes) {
    text += std::string(DeviceSlotName(slot)) + (shown ? "+ " : "- ");
  }
  return text;
}

class DeviceSetRouting : public ::testing::Test {
 protected:
  DeviceSetRouting() {
    // Default data from the source tree; profiles in a folder of this test's own.
    options_.folders.user_root = user_.path();
    options_.folders.program_folder = NORVIK_PROGRAM_FOLDER;
    set_ = std::make_unique<DeviceSet>(bus_, options_);
    set_->SetPresenceCallback([this](DeviceSlot slot, bool shown) {
      std::lock_guard lock(mutex_);
      changes_.emplace_back(slot, shown);
      changed_.notify_all();
    });
    set_->Attach(watcher_);
  }
  ~DeviceSetRouting() override {
    watcher_.Stop();
    set_->Shutdown();
  }

  std::string TakeChanges() {
    std::lock_guard lock(mutex_);
    auto text = ShownText(changes_);
    changes_.clear();
    return text;
  }

  norvik::testing::TempFolder user_;
  DeviceSetOptions options_;
  EmulatedBus bus_;
  DeviceWatcher watcher_{bus_};
  std::unique_ptr<DeviceSet> set_;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<std::pair<DeviceSlot, bool>> changes_;
};

TEST_F(DeviceSetRouting, KeyboardOpensItsChannelBindsItsReaderAndIsShown) {
  bus_.Plug(EmulatedProduct::Keyboard);
  watcher_.RunPass();
  DeviceDriver& keyboard = set_->Driver(DeviceSlot::Keyboard);
  EXPECT_TRUE(keyboard.IsOpen());
  EXPECT_FALSE(keyboard.Io().IsWireless());
  EXPECT_TRUE(keyboard.Notifications().IsBound(DeviceKind::Keyboard));
  ASSERT_TRUE(keyboard.BoundRow().has_value());
  EXPECT_EQ(keyboard.BoundRow()->path, watcher_.Copy()[0].path);
  EXPECT_EQ(keyboard.Kind(), DeviceKind::Keyboard);
  EXPECT_EQ(TakeChanges(), "keyboard+ ");
  EXPECT_FALSE(set_->Driver(DeviceSlot::Keyboard2).IsOpen()) << "the other model stays closed";
}

TEST_F(DeviceSetRouting, SecondKeyboardModelGoesToItsOwnDriverAndFolder) {
  bus_.Plug(EmulatedProduct::SecondKeyboard);
  watcher_.RunPass();
  EXPECT_TRUE(set_->Driver(DeviceSlot::Keyboard2).IsOpen());
  EXPECT_FALSE(set_->Driver(DeviceSlot::Keyboard).IsOpen());
  EXPECT_EQ(set_->Driver(DeviceSlot::Keyboard2).DeviceName(), kSecondKeyboardDeviceName);
  EXPECT_EQ(TakeChanges(), "keyboard2+ ");
}

TEST_F(DeviceSetRouting, UnplugClosesChannelAndReaderAndHidesTheDevice) {
  const auto pad = bus_.Plug(EmulatedProduct::MousePad);
  watcher_.RunPass();
  ASSERT_TRUE(set_->Driver(DeviceSlot::MousePad).IsOpen());
  bus_.Unplug(pad);
  watcher_.RunPass();
  EXPECT_FALSE(set_->Driver(DeviceSlot::MousePad).IsOpen());
  EXPECT_FALSE(set_->Driver(DeviceSlot::MousePad).Notifications().IsBound(DeviceKind::MousePad));
  EXPECT_FALSE(set_->IsConnected(DeviceSlot::MousePad));
  EXPECT_EQ(TakeChanges(), "mousepad+ mousepad- ");
  // Back again: the same driver opens anew.
  bus_.Replug(pad);
  watcher_.RunPass();
  EXPECT_TRUE(set_->Driver(DeviceSlot::MousePad).IsOpen());
  EXPECT_EQ(TakeChanges(), "mousepad+ ");
}

TEST_F(DeviceSetRouting, HeadsetOpensOnItsConsumerInterface) {
  bus_.Plug(EmulatedProduct::Headset);
  watcher_.RunPass();
  EXPECT_TRUE(set_->Driver(DeviceSlot::Headset).IsOpen());
  EXPECT_EQ(TakeChanges(), "headset+ ");
}

TEST_F(DeviceSetRouting, ReceiverIsShownOnlyAfterItsLinkAnswers) {
  const auto receiver = bus_.Plug(EmulatedProduct::MouseReceiver);
  bus_.DeviceAs<EmulatedReceiver>(receiver)->SetLinkUp(false);
  watcher_.RunPass();
  MouseDriver& mouse = set_->Mouse();
  EXPECT_EQ(mouse.ActiveLink(), MouseLink::Receiver);
  EXPECT_TRUE(mouse.Io().IsWireless());
  EXPECT_TRUE(mouse.Notifications().IsBound(DeviceKind::MouseReceiver));
  EXPECT_TRUE(set_->IsConnected(DeviceSlot::Mouse));
  EXPECT_EQ(TakeChanges(), "") << "a radio connection waits for its link check";

  const auto down = set_->StartDevice(DeviceSlot::Mouse);
  EXPECT_TRUE(down.open);
  EXPECT_FALSE(down.link_up);
  EXPECT_EQ(down.read, DeviceResult::NotSent) << "nothing is read through a link that is down";
  EXPECT_FALSE(set_->IsShown(DeviceSlot::Mouse));

  bus_.DeviceAs<EmulatedReceiver>(receiver)->SetLinkUp(true);
  EXPECT_TRUE(set_->CheckLink(DeviceSlot::Mouse));
  EXPECT_EQ(TakeChanges(), "mouse+ ");
  const auto up = set_->StartDevice(DeviceSlot::Mouse);
  EXPECT_TRUE(up.link_up);
  EXPECT_EQ(up.read, DeviceResult::Success);

  bus_.DeviceAs<EmulatedReceiver>(receiver)->SetLinkUp(false);
  EXPECT_FALSE(set_->CheckLink(DeviceSlot::Mouse));
  EXPECT_EQ(TakeChanges(), "mouse- ");
}

TEST_F(DeviceSetRouting, CableTakesOverFromTheReceiverAndHandsBackWhenUnplugged) {
  bus_.Plug(EmulatedProduct::MouseReceiver);
  watcher_.RunPass();
  ASSERT_TRUE(set_->CheckLink(DeviceSlot::Mouse));
  EXPECT_EQ(TakeChanges(), "mouse+ ");

  const auto cable = bus_.Plug(EmulatedProduct::MouseCable);
  watcher_.RunPass();
  MouseDriver& mouse = set_->Mouse();
  EXPECT_EQ(mouse.ActiveLink(), MouseLink::Cable);
  EXPECT_FALSE(mouse.Io().IsWireless());
  EXPECT_TRUE(mouse.Notifications().IsBound(DeviceKind::MouseCable));
  EXPECT_TRUE(mouse.Notifications().IsBound(DeviceKind::MouseReceiver));
  EXPECT_EQ(TakeChanges(), "") << "the same mouse stays shown";

  bus_.Unplug(cable);
  watcher_.RunPass();
  EXPECT_EQ(mouse.ActiveLink(), MouseLink::Receiver);
  EXPECT_TRUE(mouse.Io().IsWireless());
  EXPECT_TRUE(mouse.IsOpen());
  EXPECT_FALSE(mouse.Notifications().IsBound(DeviceKind::MouseCable));
  EXPECT_TRUE(set_->IsConnected(DeviceSlot::Mouse));
  EXPECT_EQ(TakeChanges(), "");
  EXPECT_EQ(set_->StartDevice(DeviceSlot::Mouse).read, DeviceResult::Success);
}

TEST_F(DeviceSetRouting, ReceiverArrivingBesideTheCableLeavesTheCableInUse) {
  bus_.Plug(EmulatedProduct::MouseCable);
  watcher_.RunPass();
  EXPECT_EQ(TakeChanges(), "mouse+ ");
  const auto receiver = bus_.Plug(EmulatedProduct::MouseReceiver);
  watcher_.RunPass();
  EXPECT_EQ(set_->Mouse().ActiveLink(), MouseLink::Cable);
  bus_.Unplug(receiver);
  watcher_.RunPass();
  EXPECT_EQ(set_->Mouse().ActiveLink(), MouseLink::Cable);
  EXPECT_TRUE(set_->IsShown(DeviceSlot::Mouse));
  EXPECT_EQ(TakeChanges(), "");
}

TEST_F(DeviceSetRouting, LastMouseConnectionGoneClosesAndHides) {
  const auto cable = bus_.Plug(EmulatedProduct::MouseCable);
  watcher_.RunPass();
  bus_.Unplug(cable);
  watcher_.RunPass();
  EXPECT_EQ(set_->Mouse().ActiveLink(), MouseLink::None);
  EXPECT_FALSE(set_->Mouse().IsOpen());
  EXPECT_FALSE(set_->IsConnected(DeviceSlot::Mouse));
  EXPECT_EQ(TakeChanges(), "mouse+ mouse- ");
}

TEST_F(DeviceSetRouting, StartUpReadsTheKeyboardAndMakesItsProfileFiles) {
  bus_.Plug(EmulatedProduct::Keyboard);
  watcher_.RunPass();
  const auto started = set_->StartDevice(DeviceSlot::Keyboard);
  EXPECT_TRUE(started.open);
  EXPECT_TRUE(started.link_up);
  EXPECT_EQ(started.read, DeviceResult::Success);
  EXPECT_GT(set_->Keyboard().SlotCount(), 0u);
  EXPECT_TRUE(std::filesystem::exists(user_.path() / "keyboard" / "ProfileList.ini"));
}

TEST_F(DeviceSetRouting, StartOfAnAbsentDeviceReadsNothing) {
  const auto started = set_->StartDevice(DeviceSlot::MousePad);
  EXPECT_FALSE(started.open);
  EXPECT_EQ(started.read, DeviceResult::NotSent);
  EXPECT_FALSE(set_->CheckLink(DeviceSlot::MousePad));
}

TEST_F(DeviceSetRouting, CommandInterfaceThatCannotBeOpenedStillShowsTheDevice) {
  // A row bound by the watcher whose path is gone again before the driver opens it.
  auto copy = hid::MakeHidInterfaceCopy();
  copy[8].row.connected = 1;
  copy[8].path = "gone#vid_320f&pid_1004&mi_01&col04";
  set_->OnArrival(8, copy);
  EXPECT_FALSE(set_->Driver(DeviceSlot::MousePad).IsOpen());
  EXPECT_TRUE(set_->IsShown(DeviceSlot::MousePad));
  const auto started = set_->StartDevice(DeviceSlot::MousePad);
  EXPECT_FALSE(started.open);
  EXPECT_EQ(started.read, DeviceResult::NotSent) << "nothing is read from a closed channel";
  copy[8] = hid::HidInterfaceBinding{hid::kHidInterfaceTable[8], {}};
  set_->OnRemoval(8, copy);
  EXPECT_EQ(TakeChanges(), "mousepad+ mousepad- ");
}

TEST_F(DeviceSetRouting, RowsOutsideTheCopyAreIgnored) {
  const auto copy = watcher_.Copy();
  set_->OnArrival(copy.size(), copy);
  set_->OnRemoval(copy.size() + 5, copy);
  EXPECT_TRUE(set_->ShownDevices().empty());
}

TEST_F(DeviceSetRouting, WatcherThreadDeliversArrivalsToTheSet) {
  ASSERT_TRUE(watcher_.Start());
  bus_.Plug(EmulatedProduct::MousePad);
  watcher_.Poke();
  {
    std::unique_lock lock(mutex_);
    ASSERT_TRUE(
        changed_.wait_for(lock, std::chrono::seconds(5), [this] { return !changes_.empty(); }));
  }
  EXPECT_EQ(watcher_.Stop(), StopOutcome::Stopped);
  EXPECT_TRUE(set_->Driver(DeviceSlot::MousePad).IsOpen());
}

TEST(DeviceSlotNames, NamesAndKindsMapBothWays) {
  for (const DeviceSlot slot : kAllDeviceSlots) {
    EXPECT_EQ(DeviceSlotFromName(DeviceSlotName(slot)), slot) << DeviceSlotName(slot);
  }
  EXPECT_FALSE(DeviceSlotFromName("receiver").has_value());
  EXPECT_FALSE(DeviceSlotFromName("Keyboard").has_value()) << "names are exact";
  EXPECT_EQ(DeviceSlotOfKind(DeviceKind::MouseReceiver), DeviceSlot::Mouse);
  EXPECT_EQ(DeviceSlotOfKind(DeviceKind::KeyboardSecondModel), DeviceSlot::Keyboard2);
  EXPECT_FALSE(DeviceSlotOfKind(DeviceKind::SelectorHub).has_value());
}

}  // namespace
}  // namespace norvik::devices
