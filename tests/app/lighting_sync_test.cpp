// The program-wide lighting: every open device following the selected one ("deng_same_mode"),
// and game lighting sent by norvikctl over the instance socket, undone by timer 1066.
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>

#include <array>
#include <cstdlib>
#include <optional>

#include "app/lighting_sync_controller.h"
#include "app/lighting_sync_thread.h"
#include "app_fixture.h"
#include "devices/device_snapshot.h"
#include "emulator/emulated_device.h"
#include "profiles/profile_list.h"

namespace norvik::app::test {
namespace {

using emulator::EmulatedProduct;
using profiles::LightState;

constexpr std::array<std::size_t, 4> kFour = {kMouse, kKeyboard, kMousePad, kHeadset};

class LightingFollow : public AppFixture {
 protected:
  std::vector<EmulatedProduct> StartDevices() const override {
    return {EmulatedProduct::MouseCable, EmulatedProduct::Keyboard, EmulatedProduct::MousePad,
            EmulatedProduct::Headset};
  }
  bool WithChannel() const override { return true; }

  panels::CVelmoranUSBDevice& Panel(std::size_t product) {
    panels::CVelmoranUSBDevice* panel = Wnd().Selector().At(product).panel.data();
    if (panel == nullptr) std::abort();  // built at window-init, never destroyed
    return *panel;
  }
  bool Held(std::size_t product) {
    const devices::DeviceDriver* driver = Panel(product).Driver();
    return driver != nullptr && driver->Io().IsHeld();
  }
  // Every device started and its values on its pages.
  bool Started() {
    for (const std::size_t product : kFour) {
      if (!Shown(product) || !Panel(product).Snapshot().profile_loaded ||
          !Panel(product).IsChannelOpen())
        return false;
    }
    return true;
  }
  // The light values on a device's pages, and in its settings block (bytes 1-8: mode,
  // brightness, 5 - speed, direction, seven colours, red, green, blue; none for the headset).
  bool Holds(std::size_t product, const LightState& light) {
    if (Panel(product).Snapshot().values.light != light) return false;
    if (product == kHeadset) return true;
    const EmulatedProduct emulated = product == kMouse      ? EmulatedProduct::MouseCable
                                     : product == kKeyboard ? EmulatedProduct::Keyboard
                                                            : EmulatedProduct::MousePad;
    const auto device = Emu().Bus().DeviceAs<emulator::CommandDevice>(*Emu().Find(emulated));
    const std::vector<std::uint8_t> memory = device->SettingsMemory();
    const std::vector<std::uint8_t> wanted = {
        light.SelectItem, light.Light,      static_cast<std::uint8_t>(5 - light.Speed),
        light.Fx,         light.MultiColor, light.Red,
        light.Green,      light.Blue};
    return memory.size() > 8 && std::equal(wanted.begin(), wanted.end(), memory.begin() + 1);
  }
  // The device's lighting set as the pages would (stored, saved, sent, shown).
  void Write(std::size_t product, const LightState& light) {
    panels::CVelmoranUSBDevice& panel = Panel(product);
    bool done = false;
    panel.RunOnDevice<devices::DeviceSnapshot>(
        {},
        [light](devices::DeviceDriver& driver) {
          devices::WriteLight(driver, [light](const LightState&) { return light; });
          return devices::TakeSnapshot(driver);
        },
        [&](devices::DeviceSnapshot snapshot) {
          panel.ApplySnapshot(std::move(snapshot), panel.EditsApplied());
          done = true;
        });
    ASSERT_TRUE(PumpUntil([&] { return done && Holds(product, light); }));
  }
  // norvikctl game ... with this test's runtime folder; its exit code and error text.
  std::pair<int, QString> Game(const QStringList& args, const QString& runtime) {
    QProcess ctl;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("XDG_RUNTIME_DIR", runtime);
    ctl.setProcessEnvironment(env);
    ctl.start(QStringLiteral(NORVIKCTL_PATH), QStringList{"game"} + args);
    PumpUntil([&] { return ctl.state() == QProcess::NotRunning; }, 20000);
    return {ctl.exitStatus() == QProcess::NormalExit ? ctl.exitCode() : -1,
            QString::fromUtf8(ctl.readAllStandardError())};
  }
};

LightState Light(int mode, int brightness, int speed, int fx, int multi, int r, int g, int b) {
  LightState light;
  light.SelectItem = static_cast<std::uint8_t>(mode);
  light.Light = static_cast<std::uint8_t>(brightness);
  light.Speed = static_cast<std::uint8_t>(speed);
  light.Fx = static_cast<std::uint8_t>(fx);
  light.MultiColor = static_cast<std::uint8_t>(multi);
  light.Red = static_cast<std::uint8_t>(r);
  light.Green = static_cast<std::uint8_t>(g);
  light.Blue = static_cast<std::uint8_t>(b);
  return light;
}

TEST_F(LightingFollow, EveryOpenDeviceTakesTheLeadersValuesInItsOwnModeOrNothingChanges) {
  ASSERT_TRUE(PumpUntil([&] { return Started(); }, 10000));
  struct Row {
    std::size_t leader;
    LightState light;
    // Modes of mouse, keyboard, mouse pad, headset afterwards; nullopt: nothing changes.
    std::optional<std::array<int, 4>> modes;
  };
  const Row rows[] = {
      {kKeyboard, Light(23, 3, 1, 1, 0, 12, 34, 56), std::array{4, 23, 4, 4}},  // blinking
      {kMouse, Light(8, 2, 4, 0, 1, 200, 0, 99), std::array{8, 28, 8, 8}},      // dark
      {kMousePad, Light(2, 1, 0, 1, 0, 7, 8, 9), std::array{2, 5, 2, 2}},       // breathing
      {kHeadset, Light(3, 4, 3, 0, 0, 1, 250, 3), std::array{3, 6, 3, 3}},      // steady
      {kKeyboard, Light(4, 0, 5, 0, 1, 0, 0, 0), std::array{1, 4, 1, 1}},       // colour cycle
      {kMousePad, Light(5, 2, 2, 0, 0, 5, 5, 5), std::nullopt},                 // no common effect
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(testing::Message()
                 << "leader " << row.leader << " mode " << int{row.light.SelectItem});
    Write(row.leader, row.light);
    std::array<LightState, 4> before;
    for (std::size_t i = 0; i < kFour.size(); ++i)
      before[i] = Panel(kFour[i]).Snapshot().values.light;
    Wnd().Selector().ShowItem(row.leader, true, true);
    const std::uint64_t frames = Wnd().SyncThread()->FramesSent();
    Wnd().LightingSync()->SynchroniseDevices();
    for (std::size_t i = 0; i < kFour.size(); ++i) {
      LightState wanted = before[i];
      if (row.modes) wanted = devices::FollowLight(before[i], row.light, (*row.modes)[i]);
      EXPECT_TRUE(PumpUntil([&] { return Holds(kFour[i], wanted); }))
          << "device " << kFour[i] << " shows mode "
          << int{Panel(kFour[i]).Snapshot().values.light.SelectItem};
      if (row.modes) {
        EXPECT_TRUE(Held(kFour[i])) << kFour[i];
      }
    }
    // The held devices are driven by the synchroniser from now on.
    if (row.modes) {
      EXPECT_TRUE(PumpUntil([&] { return Wnd().SyncThread()->FramesSent() > frames; }));
    }
  }
  // The user's own lighting on one device takes that device, and only it, out of the
  // synchronisation.
  ASSERT_TRUE(Panel(kHeadset).EditSetting({devices::SettingField::LightMode, 0, 3}));
  EXPECT_TRUE(PumpUntil([&] { return !Held(kHeadset); }));
  EXPECT_TRUE(Held(kKeyboard));
  EXPECT_TRUE(Held(kMousePad));
}

TEST_F(LightingFollow, GameMessagesFromNorvikctlLightTheSelectedDeviceUntilTimer1066) {
  ASSERT_TRUE(PumpUntil([&] { return Started(); }, 10000));
  const LightState own = Light(5, 0, 2, 1, 1, 10, 20, 30);
  Write(kKeyboard, own);
  Wnd().Selector().ShowItem(kKeyboard, true, true);
  Wnd().LightingSync()->SynchroniseDevices();
  ASSERT_TRUE(PumpUntil([&] { return Held(kMouse); }));

  // Form 0 keeps the brightness visible; form 2 changes only the mode; a form or mode out of
  // range changes nothing; the own lighting comes back 5 s after the last message.
  LightState game = own;
  game.SelectItem = 7;
  game.Light = 1;
  ASSERT_EQ(Game({"kill", "7"}, RuntimeDir()).first, 0);
  EXPECT_TRUE(PumpUntil([&] { return Holds(kKeyboard, game); }));
  EXPECT_FALSE(Held(kKeyboard));
  EXPECT_TRUE(Held(kMouse)) << "only the selected device lets go";
  game.SelectItem = 9;
  ASSERT_EQ(Game({"death", "9", "2"}, RuntimeDir()).first, 0);
  EXPECT_TRUE(PumpUntil([&] { return Holds(kKeyboard, game); }));
  EXPECT_EQ(Game({"start", "300"}, RuntimeDir()).first, 2);
  EXPECT_EQ(Game({"end", "3", "3"}, RuntimeDir()).first, 2);
  EXPECT_EQ(Wnd().LightingSync()->PendingRestores(), 1u);
  EXPECT_TRUE(PumpUntil([&] { return Holds(kKeyboard, own); }, 9000))
      << "the keyboard's own lighting did not come back";
  EXPECT_EQ(Wnd().LightingSync()->PendingRestores(), 0u);

  // Nobody listening: a clear failure.
  const QString empty = Dir().filePath("nobody");
  std::filesystem::create_directory(empty.toStdString());
  std::filesystem::permissions(empty.toStdString(), std::filesystem::perms::owner_all);
  const auto [code, error] = Game({"start", "4"}, empty);
  EXPECT_EQ(code, 1);
  EXPECT_TRUE(error.contains("not running")) << error.toStdString();

  // The program ending before the restore still puts the own lighting back into the profile.
  ASSERT_EQ(Game({"start", "11"}, RuntimeDir()).first, 0);
  ASSERT_TRUE(PumpUntil([&] { return Panel(kKeyboard).Snapshot().values.light.SelectItem == 11; }));
  const std::filesystem::path folder = Panel(kKeyboard).Driver()->DataFolder();
  EndProgram();
  profiles::ProfileList list(folder, folder / "unused");
  list.InitProfileList();
  const auto path = list.SelectedProfilePath();
  ASSERT_TRUE(path);
  QFile file(QString::fromStdString(path->string()));
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  const QJsonObject light = QJsonDocument::fromJson(file.readAll())
                                .object()["Device"]
                                .toArray()[0]
                                .toObject()["LightInfo"]
                                .toObject();
  EXPECT_EQ(light["SelectItem"].toInt(), own.SelectItem);
  EXPECT_EQ(light["Light"].toInt(), own.Light);
}

}  // namespace
}  // namespace norvik::app::test
