// Plugging and unplugging emulated devices under the running main window.
#include <QLabel>
#include <QStackedWidget>

#include "app/access_banner.h"
#include "app_fixture.h"
#include "devices/device_set.h"
#include "emulator/emulated_device.h"

namespace norvik::app::test {
namespace {

using emulator::EmulatedProduct;

class Hotplug : public AppFixture {};

// A device plugged in whose node this user may not open is named in the banner with the fixing
// command; once it opens it shows as usual and the banner goes.
TEST_F(Hotplug, ARefusedDeviceIsNamedInTheBannerUntilItOpens) {
  const auto pad = emulator::MakeEmulatedDevice(EmulatedProduct::MousePad);
  pad->SetNodeAccessDenied(true);
  Emu().Bus().Attach(pad);
  QWidget* banner = nullptr;
  ASSERT_TRUE(PumpUntil([&] {
    banner = Wnd().findChild<QWidget*>(QString::fromLatin1(kAccessBannerName));
    return banner != nullptr && !banner->isHidden();
  }));
  const auto* text = banner->findChild<QLabel*>();
  ASSERT_NE(text, nullptr);
  EXPECT_TRUE(text->text().startsWith(QStringLiteral("mousepad: plugged in, but")))
      << text->text().toStdString();
  EXPECT_TRUE(text->text().contains(QStringLiteral("udevadm trigger")))
      << text->text().toStdString();
  EXPECT_TRUE(ShownProducts().empty());

  pad->SetNodeAccessDenied(false);
  Wnd().Watcher()->Poke();
  ASSERT_TRUE(WaitForShown({kMousePad}));
  EXPECT_TRUE(PumpUntil([&] { return banner->isHidden(); }));
}

TEST_F(Hotplug, NoDeviceShowsTheNoDevicePageAndHidesSetWndToMain) {
  EXPECT_TRUE(ShownProducts().empty());
  ASSERT_NE(Control("No_device_Link"), nullptr);
  EXPECT_TRUE(Control("No_device_Link")->isVisible());
  QWidget* to_main = Control("setwnd_to_main");
  ASSERT_NE(to_main, nullptr);
  EXPECT_FALSE(to_main->isVisible());
  EXPECT_EQ(Wnd().SelectedDevicePanel(), nullptr);
}

TEST_F(Hotplug, FirstDeviceIsSelectedAndASecondOneIsShownWithoutTakingTheSelection) {
  Emu().SetPlugged(EmulatedProduct::Keyboard, true);
  ASSERT_TRUE(WaitForShown({kKeyboard}));
  EXPECT_TRUE(Selected(kKeyboard));
  EXPECT_FALSE(Control("No_device_Link")->isVisible());
  ASSERT_NE(Wnd().SelectedDevicePanel(), nullptr);
  EXPECT_EQ(Wnd().SelectedDevicePanel()->ProductIndex(), static_cast<int>(kKeyboard));
  auto* pages = Wnd().FindControlAs<QStackedWidget>("device_switch");
  ASSERT_NE(pages, nullptr);
  EXPECT_EQ(pages->currentWidget(), Wnd().Selector().At(kKeyboard).panel.data());

  Emu().SetPlugged(EmulatedProduct::MouseCable, true);
  ASSERT_TRUE(WaitForShown({kMouse, kKeyboard}));
  EXPECT_TRUE(Selected(kKeyboard));
  EXPECT_FALSE(Selected(kMouse));
  EXPECT_EQ(pages->currentWidget(), Wnd().Selector().At(kKeyboard).panel.data());
}

TEST_F(Hotplug, RemovingTheSelectedSelectsTheFirstOtherAndTheLastRemovalShowsNoDevice) {
  Emu().SetPlugged(EmulatedProduct::MousePad, true);
  ASSERT_TRUE(WaitForShown({kMousePad}));
  Emu().SetPlugged(EmulatedProduct::Keyboard, true);
  Emu().SetPlugged(EmulatedProduct::Headset, true);
  ASSERT_TRUE(WaitForShown({kKeyboard, kMousePad, kHeadset}));
  ASSERT_TRUE(Selected(kMousePad));

  Emu().SetPlugged(EmulatedProduct::MousePad, false);
  ASSERT_TRUE(WaitForShown({kKeyboard, kHeadset}));
  EXPECT_TRUE(Selected(kKeyboard)) << "the first other item in list order";
  EXPECT_FALSE(Selected(kHeadset));

  QWidget* to_main = Control("setwnd_to_main");
  ASSERT_NE(to_main, nullptr);
  to_main->setVisible(true);
  Emu().SetPlugged(EmulatedProduct::Keyboard, false);
  Emu().SetPlugged(EmulatedProduct::Headset, false);
  ASSERT_TRUE(WaitForShown({}));
  EXPECT_TRUE(Control("No_device_Link")->isVisible());
  EXPECT_FALSE(to_main->isVisible());
  EXPECT_EQ(Wnd().SelectedDevicePanel(), nullptr);
}

TEST_F(Hotplug, PreviousAndNextWalkTheVisibleItems) {
  Emu().SetPlugged(EmulatedProduct::MouseCable, true);
  ASSERT_TRUE(WaitForShown({kMouse}));
  Emu().SetPlugged(EmulatedProduct::MousePad, true);
  ASSERT_TRUE(WaitForShown({kMouse, kMousePad}));
  Wnd().Selector().SelectNext();
  EXPECT_TRUE(Selected(kMousePad));
  Wnd().Selector().SelectNext();  // nothing after it
  EXPECT_TRUE(Selected(kMousePad));
  Wnd().Selector().SelectPrevious();
  EXPECT_TRUE(Selected(kMouse));
  EXPECT_FALSE(Selected(kMousePad));
}

TEST_F(Hotplug, MouseCableAndReceiverKeepOneMouseItemAndSwitchOver) {
  Emu().SetPlugged(EmulatedProduct::MouseReceiver, true);
  // A radio device is shown by its link check (timer 1001, 500 ms after arrival).
  ASSERT_TRUE(WaitForShown({kMouse}));
  devices::DeviceDriver& mouse = Wnd().Devices()->Driver(devices::DeviceSlot::Mouse);
  EXPECT_TRUE(mouse.Io().IsWireless());

  Emu().SetPlugged(EmulatedProduct::MouseCable, true);
  ASSERT_TRUE(PumpUntil([&] { return mouse.IsOpen() && !mouse.Io().IsWireless(); }));
  EXPECT_EQ(ShownProducts(), std::vector<std::size_t>{kMouse});

  Emu().SetPlugged(EmulatedProduct::MouseCable, false);
  ASSERT_TRUE(PumpUntil([&] { return mouse.IsOpen() && mouse.Io().IsWireless(); }));
  PumpFor(700);  // the link check after the switch-over
  EXPECT_EQ(ShownProducts(), std::vector<std::size_t>{kMouse});
}

TEST_F(Hotplug, ReceiverLinkDownHidesTheMouseAndLinkUpShowsItAgain) {
  Emu().SetPlugged(EmulatedProduct::Keyboard, true);
  Emu().SetPlugged(EmulatedProduct::MouseReceiver, true);
  ASSERT_TRUE(WaitForShown({kMouse, kKeyboard}));
  ASSERT_TRUE(Selected(kKeyboard));
  ASSERT_TRUE(Emu().SetReceiverLink(false));
  // Timer 1007 looks every 3 s (first after 2 s).
  ASSERT_TRUE(WaitForShown({kKeyboard}, 8000));
  EXPECT_TRUE(Selected(kKeyboard));
  ASSERT_TRUE(Emu().SetReceiverLink(true));
  ASSERT_TRUE(WaitForShown({kMouse, kKeyboard}, 8000));
  EXPECT_TRUE(Selected(kKeyboard)) << "a device coming back selects nothing new";
  EXPECT_FALSE(Selected(kMouse));
}

TEST_F(Hotplug, LinkMessagesShowAndHideByProductIndex) {
  Emu().SetPlugged(EmulatedProduct::Keyboard, true);
  ASSERT_TRUE(WaitForShown({kKeyboard}));
  Wnd().PostMessage(3331, kKeyboard, 0);
  ASSERT_TRUE(WaitForShown({}));
  EXPECT_TRUE(Control("No_device_Link")->isVisible());
  Wnd().PostMessage(3331, kKeyboard, 1);
  ASSERT_TRUE(WaitForShown({kKeyboard}));
  EXPECT_TRUE(Selected(kKeyboard)) << "nothing was shown before, so it is selected";
  Wnd().PostMessage(3331, 99, 0);  // out of range: nothing
  PumpFor(50);
  EXPECT_EQ(ShownProducts(), std::vector<std::size_t>{kKeyboard});
}

}  // namespace
}  // namespace norvik::app::test
