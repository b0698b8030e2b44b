#pragma once
// The main window on an emulated bus with the real skin of the program folder, in process:
// start, pump events until a condition holds (with a time limit), look at the device list.

#include <gtest/gtest.h>

#include <QSettings>
#include <QTemporaryDir>
#include <QWidget>
#include <filesystem>
#include <functional>
#include <memory>
#include <vector>

#include "app/emulator_session.h"
#include "app/instance_channel.h"
#include "app/main_wnd.h"
#include "panels/device_option.h"

namespace norvik::app::test {

// Product indexes of the product list.
inline constexpr std::size_t kMouse = 0;
inline constexpr std::size_t kKeyboard = 1;
inline constexpr std::size_t kMousePad = 2;
inline constexpr std::size_t kHeadset = 3;
inline constexpr std::size_t kKeyboard2 = 4;

std::filesystem::path AppDir();

bool PumpUntil(const std::function<bool()>& done, int timeout_ms = 5000);
void PumpFor(int ms);

class AppFixture : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Devices plugged before the window starts.
  virtual std::vector<emulator::EmulatedProduct> StartDevices() const { return {}; }
  // A single-instance channel listening in RuntimeDir() (a private folder of this test's).
  virtual bool WithChannel() const { return false; }
  // The emulated bus shared through the state file of the user folder (as with --data-dir).
  virtual bool SharesState() const { return false; }

  // Ends the program as its exit does: the window's threads stop, the emulator session writes
  // its last exchange. Safe to call more than once.
  void EndProgram();
  // The window's data folder (the emulator state file is under it).
  std::filesystem::path UserFolder() const;
  // The folder a program started by the test gets as XDG_RUNTIME_DIR (0700, made by SetUp).
  QString RuntimeDir() const { return dir_.filePath("run"); }

  CMainWnd& Wnd() { return *window_; }
  EmulatorSession& Emu() { return *emulator_; }
  InstanceChannel* Channel() { return channel_.get(); }
  QSettings& Settings() { return *settings_; }
  const QTemporaryDir& Dir() const { return dir_; }

  panels::CDeviceOptionUI* Item(std::size_t product);
  bool Shown(std::size_t product);
  bool Selected(std::size_t product);
  std::vector<std::size_t> ShownProducts();
  QWidget* Control(const char* name);
  // Waits until the shown products are exactly these.
  bool WaitForShown(std::vector<std::size_t> products, int timeout_ms = 5000);

 private:
  QTemporaryDir dir_;
  std::unique_ptr<QSettings> settings_;
  std::unique_ptr<EmulatorSession> emulator_;
  std::unique_ptr<InstanceChannel> channel_;
  std::unique_ptr<CMainWnd> window_;
};

}  // namespace norvik::app::test
