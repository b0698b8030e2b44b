// The program and norvikctl on one data folder at the same time: plugs, unplugs and profile
// changes made by norvikctl reach the running window, and what the program wrote to a device
// is in the shared emulator state after it ends.
#include <QProcess>
#include <QProcessEnvironment>
#include <QStringList>

#include "app_fixture.h"
#include "devices/device_set.h"
#include "profiles/keyboard_profiledata.h"

namespace norvik::app::test {
namespace {

using emulator::EmulatedProduct;

struct CtlRun {
  int code = -1;
  QByteArray out;
  QByteArray err;
};

class SharedData : public AppFixture {
 protected:
  bool SharesState() const override { return true; }

  // norvikctl --emulate --data-dir <the window's data folder> args...
  CtlRun Ctl(const QStringList& args) {
    QProcess ctl;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove("DISPLAY");
    ctl.setProcessEnvironment(env);
    ctl.start(
        QStringLiteral(NORVIKCTL_PATH),
        QStringList{"--emulate", "--data-dir", QString::fromStdString(UserFolder().string())} +
            args);
    CtlRun run;
    if (!ctl.waitForFinished(20000)) return run;
    run.code = ctl.exitStatus() == QProcess::NormalExit ? ctl.exitCode() : -1;
    run.out = ctl.readAllStandardOutput();
    run.err = ctl.readAllStandardError();
    return run;
  }

  // The "settings" memory of a device as `emulator dump` shows it (hex text).
  std::string DumpedSettings(const char* device) {
    const CtlRun dump = Ctl({"--json", "emulator", "dump", device});
    EXPECT_EQ(dump.code, 0) << dump.err.toStdString();
    const QByteArray marker = "\"settings\" : \"";
    const qsizetype at = dump.out.indexOf(marker);
    if (at < 0) return {};
    const qsizetype from = at + marker.size();
    return dump.out.mid(from, dump.out.indexOf('"', from) - from).toStdString();
  }

  devices::DeviceDriver& Keyboard() {
    return Wnd().Devices()->Driver(devices::DeviceSlot::Keyboard);
  }
  int HeldLight(const char* key) {
    const profiles::CBasicProfiledata* profile = Keyboard().Profile();
    return profile != nullptr ? profile->Section()["LightInfo"][key].asInt() : -1;
  }
};

TEST_F(SharedData, PlugsAndUnplugsOfNorvikctlReachTheWindowAndOutliveIt) {
  struct Step {
    const char* verb;
    const char* device;
    std::vector<std::size_t> shown;
  };
  const Step steps[] = {
      {"plug", "keyboard", {kKeyboard}},
      {"plug", "mousepad", {kKeyboard, kMousePad}},
      {"plug", "headset", {kKeyboard, kMousePad, kHeadset}},
      {"unplug", "keyboard", {kMousePad, kHeadset}},
      {"unplug", "headset", {kMousePad}},
  };
  for (const Step& step : steps) {
    const CtlRun run = Ctl({"emulator", step.verb, step.device});
    ASSERT_EQ(run.code, 0) << step.verb << ' ' << step.device << ": " << run.err.toStdString();
    EXPECT_TRUE(WaitForShown(step.shown)) << step.verb << ' ' << step.device;
  }
  EndProgram();
  // The program's last exchange undid none of it.
  const CtlRun list = Ctl({"--json", "list"});
  ASSERT_EQ(list.code, 0) << list.err.toStdString();
  EXPECT_TRUE(list.out.contains("mousepad")) << list.out.toStdString();
  for (const char* gone : {"keyboard", "headset"}) {
    EXPECT_FALSE(list.out.contains(gone)) << gone << " came back: " << list.out.toStdString();
  }
}

TEST_F(SharedData, ProfileChangedByNorvikctlIsReloadedOwnWritesAreNotAndMemoriesOutliveTheProgram) {
  Emu().SetPlugged(EmulatedProduct::Keyboard, true);
  ASSERT_TRUE(WaitForShown({kKeyboard}));
  // The start-up loads the profile and makes the device folder: the first look at it.
  ASSERT_TRUE(PumpUntil(
      [&] {
        return HeldLight("Red") >= 0 && Wnd().ProfileChecks() > 0 && Wnd().ProfileWatchSettled();
      },
      10000));
  ASSERT_EQ(Wnd().ProfileReloads(), 0);
  Emu().SyncState();  // norvikctl finds the keyboard plugged

  // The program's own write: looked at, not reloaded.
  auto* held = dynamic_cast<profiles::CKeyboardProfiledata*>(Keyboard().Profile());
  ASSERT_NE(held, nullptr);
  profiles::KeyboardSystem system = held->GetSystemStages();
  ASSERT_NE(system.PollingRate, 1);
  system.PollingRate = 1;
  held->SetSystemStages(system);
  ASSERT_TRUE(held->Save());
  const int checks = Wnd().ProfileChecks();
  ASSERT_TRUE(Keyboard().ApplyProfile().profile_loaded);
  ASSERT_TRUE(
      PumpUntil([&] { return Wnd().ProfileChecks() > checks && Wnd().ProfileWatchSettled(); }));
  EXPECT_EQ(Wnd().ProfileReloads(), 0) << "the program's own write caused a reload";

  // Another process's change: reloaded once.
  ASSERT_NE(HeldLight("Red"), 0x21);
  const CtlRun set = Ctl({"settings", "set", "keyboard", "Red=0x21"});
  ASSERT_EQ(set.code, 0) << set.err.toStdString();
  EXPECT_TRUE(PumpUntil([&] { return HeldLight("Red") == 0x21; }, 10000));
  EXPECT_EQ(Wnd().ProfileReloads(), 1);
  EXPECT_EQ(held->GetSystemStages().PollingRate, 1) << "the reload lost the program's own change";

  EndProgram();
  // Settings block bytes 6 (red, written by norvikctl) and 22 (polling rate, by the program).
  const std::string settings = DumpedSettings("keyboard");
  ASSERT_GE(settings.size(), 46u) << settings;
  EXPECT_EQ(settings.substr(22 * 2, 2), "01") << settings;
  EXPECT_EQ(settings.substr(6 * 2, 2), "21") << settings;
}

}  // namespace
}  // namespace norvik::app::test
