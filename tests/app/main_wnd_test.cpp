// The main window's life, messages and shell operations on the emulated bus.
#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QGuiApplication>
#include <QIcon>
#include <QPixmap>
#include <QScreen>
#include <chrono>
#include <fstream>
#include <thread>

#include "app/app_messages.h"
#include "app/language.h"
#include "app/lighting_sync_thread.h"
#include "app_fixture.h"
#include "devices/device_set.h"
#include "emulator/emulated_device.h"
#include "ui/resource_manager.h"

namespace norvik::app::test {
namespace {

using emulator::EmulatedProduct;
using namespace std::chrono_literals;

class MainWindow : public AppFixture {};

TEST_F(MainWindow, StartsHiddenShowsAfterTheFirstScanAndStopsCleanly) {
  EXPECT_EQ(Wnd().windowTitle(), QStringLiteral("Norvik_QT-4100"));
  // 1500 x 970 on a large screen; the offscreen screen is smaller, so the window shrinks, but
  // never below the size at which the pages stay usable.
  EXPECT_EQ(Wnd().size(),
            CMainWnd::StartSize(QGuiApplication::primaryScreen()->availableGeometry().size()));
  EXPECT_GE(Wnd().width(), kMainWindowMinWidth);
  EXPECT_GE(Wnd().height(), kMainWindowMinHeight);
  ASSERT_NE(Wnd().Watcher(), nullptr);
  EXPECT_TRUE(Wnd().Watcher()->Running());
  EXPECT_TRUE(Wnd().SyncThread()->Running());
  bool exited = false;
  Wnd().SetExitHandler([&] { exited = true; });
  Wnd().ExitProgram();
  EXPECT_TRUE(exited);
  EXPECT_FALSE(Wnd().Watcher()->Running());
  EXPECT_FALSE(Wnd().SyncThread()->Running());
  EXPECT_FALSE(Wnd().isVisible());
  EXPECT_LT(Wnd().LastStopDuration(), 1000ms);
  Wnd().ExitProgram();  // a second exit does nothing
}

TEST_F(MainWindow, WithoutATrayClosingTheWindowEndsTheProgram) {
  ASSERT_FALSE(Wnd().HasTray());
  bool exited = false;
  Wnd().SetExitHandler([&] { exited = true; });
  Wnd().close();
  EXPECT_TRUE(exited);
  EXPECT_TRUE(Wnd().HasExited());
  EXPECT_FALSE(Wnd().Watcher()->Running());
}

TEST_F(MainWindow, WithoutATrayTheCloseButtonEndsTheProgram) {
  auto* close = qobject_cast<QAbstractButton*>(Control("closebtn"));
  ASSERT_NE(close, nullptr);
  bool exited = false;
  Wnd().SetExitHandler([&] { exited = true; });
  close->click();
  ASSERT_TRUE(PumpUntil([&] { return exited; }));
  EXPECT_FALSE(Wnd().isVisible());
}

class MainWindowSlowDevice : public AppFixture {
  std::vector<EmulatedProduct> StartDevices() const override { return {EmulatedProduct::Keyboard}; }
};

TEST_F(MainWindowSlowDevice, ShutdownEndsWithinItsBoundWhileATransferHangs) {
  ASSERT_TRUE(WaitForShown({kKeyboard}));
  PumpFor(700);  // the start-up read (timer 1001) has run
  const auto id = Emu().Find(EmulatedProduct::Keyboard);
  ASSERT_TRUE(id);
  auto device = Emu().Bus().Device(*id);
  ASSERT_TRUE(device);
  devices::DeviceDriver& keyboard = Wnd().Devices()->Driver(devices::DeviceSlot::Keyboard);
  // Every answer from now on is slow and then lost: a live-frame transfer hangs on its reply.
  device->Faults().SetReportDelay(300ms);
  device->Faults().DropReplies(1000);
  keyboard.LiveFrames().Start();
  std::this_thread::sleep_for(50ms);

  const auto start = std::chrono::steady_clock::now();
  Wnd().ExitProgram();
  const auto took = std::chrono::steady_clock::now() - start;
  EXPECT_LT(took, 3000ms) << std::chrono::duration_cast<std::chrono::milliseconds>(took).count()
                          << " ms";
  EXPECT_FALSE(keyboard.IsOpen());
  EXPECT_FALSE(Wnd().Watcher()->Running());
}

TEST_F(MainWindow, LightStatusInChangesOnlyWithWParamOneAndLParamZeroOrOne) {
  QWidget* button = Control("control_light_status");
  ASSERT_NE(button, nullptr);
  ASSERT_EQ(Wnd().LightControlStatus(), 1);
  Wnd().PostMessage(kMsgLightStatusIn, 2, 0);
  PumpFor(30);
  EXPECT_EQ(Wnd().LightControlStatus(), 1) << "wParam other than 1 changes nothing";
  Wnd().PostMessage(kMsgLightStatusIn, 1, 0);
  ASSERT_TRUE(PumpUntil([&] { return Wnd().LightControlStatus() == 0; }));
  EXPECT_EQ(button->property(ui::kTextKeyProperty).toString(), "control_light_off_text");
  Wnd().PostMessage(kMsgLightStatusIn, 1, 2);
  PumpFor(30);
  EXPECT_EQ(Wnd().LightControlStatus(), 0) << "lParam 2 keeps the status";
  EXPECT_EQ(button->property(ui::kTextKeyProperty).toString(), "control_light_off_text");
  Wnd().PostMessage(kMsgLightStatusIn, 1, 1);
  ASSERT_TRUE(PumpUntil([&] { return Wnd().LightControlStatus() == 1; }));
  EXPECT_EQ(button->property(ui::kTextKeyProperty).toString(), "control_light_on_text");
}

TEST_F(MainWindow, LightStatusButtonToggles) {
  auto* button = qobject_cast<QAbstractButton*>(Control("control_light_status"));
  ASSERT_NE(button, nullptr);
  button->click();
  ASSERT_TRUE(PumpUntil([&] { return Wnd().LightControlStatus() == 0; }));
  button->click();
  ASSERT_TRUE(PumpUntil([&] { return Wnd().LightControlStatus() == 1; }));
}

TEST_F(MainWindow, SuspendIgnoresMessagesUntilResume) {
  Wnd().PostMessage(kMsgPowerBroadcast, kPowerSuspend);
  ASSERT_TRUE(PumpUntil([&] { return Wnd().IsSuspended(); }));
  Wnd().PostMessage(kMsgKeyCapture, 1);
  PumpFor(30);
  EXPECT_FALSE(Wnd().KeyCaptureActive()) << "ignored while suspended";
  Wnd().PostMessage(kMsgLightStatusIn, 1, 0);  // light status still applies
  ASSERT_TRUE(PumpUntil([&] { return Wnd().LightControlStatus() == 0; }));
  Wnd().PostMessage(kMsgPowerBroadcast, kPowerResume);
  Wnd().PostMessage(kMsgKeyCapture, 1);
  ASSERT_TRUE(PumpUntil([&] { return Wnd().KeyCaptureActive(); }));
  EXPECT_FALSE(Wnd().IsSuspended());
}

TEST_F(MainWindow, LanguageMessageSwitchesTheTextsAndIsStored) {
  auto* combo = Wnd().FindControlAs<QComboBox>(kLanguageCombo);
  ASSERT_NE(combo, nullptr);
  ASSERT_EQ(combo->count(), 2);
  const int before = Wnd().Language()->CurrentIndex();
  const int other = before == 0 ? 1 : 0;
  Wnd().PostMessage(kMsgLanguage, other);
  ASSERT_TRUE(PumpUntil([&] { return Wnd().Language()->CurrentIndex() == other; }));
  EXPECT_EQ(ui::ResourceManager::Instance().LanguageFile(),
            other == 0 ? QStringLiteral("lan_en.xml") : QStringLiteral("lan_cn.xml"));
  Settings().sync();
  EXPECT_EQ(Settings().value("LANGUAGE").toInt(), other == 0 ? 1033 : 2052);
  EXPECT_EQ(combo->currentIndex(), other);
}

TEST_F(MainWindow, TrayLeftClickHidesAVisibleWindowAndShowsAHiddenOne) {
  ASSERT_TRUE(Wnd().isVisible());
  Wnd().PostMessage(kMsgTrayCallback, 0, kTrayLeftButtonUp);
  ASSERT_TRUE(PumpUntil([&] { return !Wnd().isVisible(); }));
  Wnd().PostMessage(kMsgTrayCallback, 0, kTrayLeftButtonUp);
  ASSERT_TRUE(PumpUntil([&] { return Wnd().isVisible(); }));
  Wnd().showMinimized();
  Wnd().PostMessage(kMsgTrayCallback, 0, kTrayLeftButtonUp);
  EXPECT_TRUE(PumpUntil([&] { return Wnd().isVisible() && !Wnd().isMinimized(); }));
}

TEST_F(MainWindow, ClearUpdateBadgeRemovesTheSettingsButtonIcon) {
  auto* button = qobject_cast<QAbstractButton*>(Control("setbtn"));
  ASSERT_NE(button, nullptr);
  QPixmap badge(8, 8);
  badge.fill(Qt::red);
  button->setIcon(QIcon(badge));
  Wnd().PostMessage(kMsgClearUpdateBadge);
  EXPECT_TRUE(PumpUntil([&] { return button->icon().isNull(); }));
}

TEST_F(MainWindow, MenuExitEndsTheProgram) {
  bool exited = false;
  Wnd().SetExitHandler([&] { exited = true; });
  ui::MenuCommand exit_command{QStringLiteral("EXIT"), {}, {}, false};
  Wnd().PostMessage(kMsgMenuCommand, 0, reinterpret_cast<ui::LPARAM>(&exit_command));
  ASSERT_TRUE(PumpUntil([&] { return exited; }));
}

TEST_F(MainWindow, EmulatedMenuPlugsDevicesAndTheMenuButtonIsShown) {
  QWidget* menu_button = Control("menubtn");
  ASSERT_NE(menu_button, nullptr);
  EXPECT_TRUE(menu_button->isVisible());
  Wnd().HandleMenuCommand({QStringLiteral("emu_mousepad"), {}, {}, true});
  ASSERT_TRUE(WaitForShown({kMousePad}));
  Wnd().HandleMenuCommand({QStringLiteral("emu_mousepad"), {}, {}, false});
  ASSERT_TRUE(WaitForShown({}));
}

TEST_F(MainWindow, DamagedFilesOfAnArrivingDeviceAreKeptAsideAndToldInANotice) {
  const std::filesystem::path folder =
      std::filesystem::path(Dir().filePath("user").toStdString()) / "MousePad";
  std::filesystem::create_directories(folder);
  std::ofstream(folder / "ProfileList.ini") << "{ cut";
  const auto notices = [] {
    int count = 0;
    for (const QWidget* widget : QApplication::topLevelWidgets()) {
      count += widget->isVisible() && widget->windowTitle() == QStringLiteral("msgwnd");
    }
    return count;
  };
  Wnd().HandleMenuCommand({QStringLiteral("emu_mousepad"), {}, {}, true});
  ASSERT_TRUE(WaitForShown({kMousePad}));
  ASSERT_TRUE(PumpUntil([&] { return notices() == 1; }));
  int kept = 0;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    kept += entry.path().filename().string().rfind("ProfileList.ini.damaged-", 0) == 0;
  }
  EXPECT_EQ(kept, 1);
}

TEST_F(MainWindow, SkinChangeSetsTheRootBackground) {
  SkinChangedParam colour;
  colour.colour = true;
  colour.background_colour = 0xFF112233;
  SkinObserver::Instance().Broadcast(colour);
  QWidget* root = Control("root");
  ASSERT_NE(root, nullptr);
  EXPECT_TRUE(root->styleSheet().contains("#ff112233")) << root->styleSheet().toStdString();
  SkinChangedParam image;
  image.background_image = "common/skin/bg_2.png";
  SkinObserver::Instance().Broadcast(image);
  EXPECT_TRUE(root->styleSheet().contains("skin:common/skin/bg_2.png"))
      << root->styleSheet().toStdString();
}

}  // namespace
}  // namespace norvik::app::test
