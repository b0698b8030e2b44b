// "deng_same_mode" with four devices (keyboard, mouse, mouse pad, headset), in process with the
// real window and skin (offscreen), every emulated endpoint polled every 1 ms (one report per
// poll). Each round the leader alternates between the keyboard and the mouse with new values;
// the time runs from the synchronisation to every device holding its new settings: the three
// settings blocks in device memory, and the headset's light values (its lights are drawn from
// them; it has no settings block on its link). A watcher thread looks every 200 us, so the
// window's own work (painting, pages) does not delay what is seen, and a device on a link is
// timed by the arrival of the request that gave it the settings.
//  - sync_mean_ms / sync_max_ms: until the last of the four held them;
//  - busiest_link_ms: the command requests the device with the most had sent when it held
//    them, at 1 ms each (the devices have links of their own and are written side by side, so
//    it bounds the rest; the headset's colour reports are not the synchronisation's);
//  - ratio_mean / ratio_max: sync time over busiest_link_ms (target <= 1.2);
//  - reports_mean: requests of all four until they held them;
//  - mouse_ms, keyboard_ms, mousepad_ms, headset_ms: when each device held them (mean);
//  - shown_ms: until every device's page showed them (the window's side, for information).
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QCoreApplication>
#include <QFile>
#include <QSettings>
#include <QThread>
#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <thread>

#include "app/emulator_session.h"
#include "app/lighting_sync_controller.h"
#include "app/main_wnd.h"
#include "devices/device_snapshot.h"
#include "emulator/emulated_device.h"
#include "hid/device_io.h"
#include "panels/control_registry.h"
#include "support/temp_folder.h"
#include "ui/resource_manager.h"

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using norvik::emulator::EmulatedProduct;
using norvik::profiles::LightState;

constexpr std::array kProducts = {EmulatedProduct::MouseCable, EmulatedProduct::Keyboard,
                                  EmulatedProduct::MousePad, EmulatedProduct::Headset};
constexpr std::size_t kMouse = 0;  // product list indexes, as kProducts
constexpr std::size_t kKeyboard = 1;
constexpr std::size_t kHeadset = 3;
constexpr auto kPoll = 1ms;

double MsSince(Clock::time_point start) {
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

template <class Done>
bool PumpUntil(Done done, std::chrono::milliseconds limit = 5000ms) {
  const auto start = Clock::now();
  while (!done()) {
    if (Clock::now() - start > limit) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    // Memory changes raise no event; a short nap leaves the cores to the device workers.
    QThread::usleep(100);
  }
  return true;
}

class Rig {
 public:
  explicit Rig(const std::filesystem::path& folder)
      : settings_(QString::fromStdString((folder / "settings.ini").string()), QSettings::IniFormat),
        emulator_(NORVIK_APP_DIR, /*plug_start_devices=*/false) {
    for (const EmulatedProduct product : kProducts) emulator_.SetPlugged(product, true);
    norvik::app::MainWndEnvironment env;
    env.backend = &emulator_.Bus();
    env.program_folder = NORVIK_APP_DIR;
    env.user_folder = folder / "user";
    env.settings = &settings_;
    env.emulator = &emulator_;
    env.use_tray = false;
    env.watch_sleep = false;
    window_ = std::make_unique<norvik::app::CMainWnd>(env);
  }
  ~Rig() { window_->ExitProgram(); }

  bool Start() {
    if (!window_->Create()) return false;
    return PumpUntil(
        [this] {
          for (std::size_t i = 0; i < kProducts.size(); ++i) {
            const auto* panel = window_->Selector().At(i).panel.data();
            if (panel == nullptr || !panel->IsChannelOpen() || !panel->Snapshot().profile_loaded)
              return false;
          }
          return true;
        },
        15000ms);
  }
  norvik::panels::CVelmoranUSBDevice& Panel(std::size_t product) {
    auto* panel = window_->Selector().At(product).panel.data();
    if (panel == nullptr) std::abort();
    return *panel;
  }
  std::shared_ptr<norvik::emulator::EmulatedDevice> Device(std::size_t product) {
    return emulator_.Bus().Device(*emulator_.Find(kProducts[product]));
  }
  norvik::app::CMainWnd& Window() { return *window_; }

  // The device's settings block (bytes 1-8) or, for the headset, its light values. Safe on any
  // thread (the watcher's): the emulated device and the driver's values have locks of their own.
  bool Holds(std::size_t product, norvik::devices::DeviceDriver& driver,
             const std::shared_ptr<norvik::emulator::CommandDevice>& device,
             const LightState& light) {
    if (product == kHeadset) return driver.LightValues() == light;
    const std::vector<std::uint8_t> memory = device->SettingsMemory();
    const std::array<std::uint8_t, 8> wanted = {
        light.SelectItem, light.Light,      static_cast<std::uint8_t>(5 - light.Speed),
        light.Fx,         light.MultiColor, light.Red,
        light.Green,      light.Blue};
    return memory.size() > 8 && std::equal(wanted.begin(), wanted.end(), memory.begin() + 1);
  }
  struct Took {
    double ms = 0;  // from start to the last command request of the range
    std::uint64_t commands = 0;
  };
  Took TookWith(std::size_t product, std::uint64_t after, std::uint64_t last,
                Clock::time_point start) {
    Took took;
    for (const auto& record : Device(product)->RequestLog()) {
      if (record.sequence <= after || record.sequence > last || record.report.empty() ||
          record.report[0] != norvik::hid::kCommandReportId)
        continue;
      ++took.commands;
      took.ms = std::chrono::duration<double, std::milli>(record.received - start).count();
    }
    return took;
  }
  bool Shows(std::size_t product, const LightState& light) {
    return Panel(product).Snapshot().values.light == light;
  }
  // Every device's worker has finished what it was given (the end of a round's writes: the
  // closing pause of a write and the profile save), so rounds do not wait on each other.
  bool Settle() {
    int answered = 0;
    for (std::size_t i = 0; i < kProducts.size(); ++i) {
      Panel(i).RunOnDevice<int>(
          {}, [](norvik::devices::DeviceDriver&) { return 0; }, [&](int) { ++answered; });
    }
    return PumpUntil([&] { return answered == static_cast<int>(kProducts.size()); });
  }
  // The leader's lighting set (not measured).
  bool Lead(std::size_t product, const LightState& light) {
    bool done = false;
    auto& panel = Panel(product);
    panel.RunOnDevice<norvik::devices::DeviceSnapshot>(
        {},
        [light](norvik::devices::DeviceDriver& driver) {
          norvik::devices::WriteLight(driver, [light](const LightState&) { return light; });
          return norvik::devices::TakeSnapshot(driver);
        },
        [&](norvik::devices::DeviceSnapshot snapshot) {
          panel.ApplySnapshot(std::move(snapshot), panel.EditsApplied());
          done = true;
        });
    if (!PumpUntil([&] { return done; })) return false;
    window_->Selector().ShowItem(product, true, true);
    // The selection's repaint belongs to this step, not to the synchronisation.
    for (int i = 0; i < 3; ++i) QCoreApplication::processEvents(QEventLoop::AllEvents);
    return true;
  }

 private:
  QSettings settings_;
  norvik::app::EmulatorSession emulator_;
  std::unique_ptr<norvik::app::CMainWnd> window_;
};

LightState RoundLight(int round, bool keyboard) {
  LightState light;
  light.SelectItem = keyboard ? 23 : 2;  // blinking / breathing
  light.Light = static_cast<std::uint8_t>(1 + round % 4);
  light.Speed = static_cast<std::uint8_t>(round % 5);
  light.Fx = static_cast<std::uint8_t>(round % 2);
  light.Red = static_cast<std::uint8_t>(round * 7);
  light.Green = static_cast<std::uint8_t>(round * 13);
  light.Blue = static_cast<std::uint8_t>(round * 29);
  return light;
}

void SynchroniseFourDevicesPolled1ms(benchmark::State& state) {
  const norvik::testing::TempFolder folder;
  Rig rig(folder.path());
  if (!rig.Start()) {
    state.SkipWithError("the four devices did not start");
    return;
  }
  for (std::size_t i = 0; i < kProducts.size(); ++i) rig.Device(i)->Faults().SetPollInterval(kPoll);
  std::array<double, 4> device_sum{};
  std::array<double, 4> device_reports{};
  double shown_sum = 0;
  double sum = 0, worst = 0, ratio_sum = 0, ratio_worst = 0, busiest_sum = 0, reports_sum = 0;
  int round = 0;
  for (auto _ : state) {
    const std::size_t leader = round % 2 == 0 ? kKeyboard : kMouse;
    const LightState light = RoundLight(++round, leader == kKeyboard);
    if (!rig.Settle()) state.SkipWithError("a device's worker did not finish");
    if (!rig.Lead(leader, light)) state.SkipWithError("the leader's lighting was not set");
    std::array<LightState, 4> wanted;
    std::array<std::uint64_t, 4> requests{};
    for (std::size_t i = 0; i < kProducts.size(); ++i) {
      const auto group =
          norvik::devices::SyncGroupOf(static_cast<norvik::hid::DeviceKind>(rig.Panel(i).Kind()));
      const int effect =
          norvik::devices::SyncEffectOfMode(
              static_cast<norvik::hid::DeviceKind>(rig.Panel(leader).Kind()), light.SelectItem, 0)
              .value_or(-1);
      wanted[i] = norvik::devices::FollowLight(rig.Panel(i).Snapshot().values.light, light,
                                               norvik::devices::ModeOfSyncEffect(*group, effect));
      requests[i] = rig.Device(i)->RequestCount();
    }
    std::array<norvik::devices::DeviceDriver*, 4> drivers{};
    std::array<std::shared_ptr<norvik::emulator::CommandDevice>, 4> devices;
    for (std::size_t i = 0; i < kProducts.size(); ++i) {
      drivers[i] = rig.Panel(i).Driver();
      devices[i] = std::dynamic_pointer_cast<norvik::emulator::CommandDevice>(rig.Device(i));
    }
    std::array<double, 4> held_at{};
    std::array<std::uint64_t, 4> sent_by{};
    std::atomic<bool> stop{false};
    std::atomic<int> waiting{static_cast<int>(kProducts.size())};
    std::atomic<bool> go{false};
    Clock::time_point start;
    // Running before the clock starts, so its own start-up is not measured.
    std::thread watcher([&] {
      while (!go.load()) std::this_thread::yield();
      while (waiting.load() > 0 && !stop.load()) {
        for (std::size_t i = 0; i < kProducts.size(); ++i) {
          if (held_at[i] > 0 || !rig.Holds(i, *drivers[i], devices[i], wanted[i])) continue;
          held_at[i] = MsSince(start);
          sent_by[i] = rig.Device(i)->RequestCount() - requests[i];
          --waiting;
        }
        std::this_thread::sleep_for(200us);
      }
    });
    start = Clock::now();
    go = true;
    rig.Window().LightingSync()->SynchroniseDevices();
    const bool shown = PumpUntil([&] {
      for (std::size_t i = 0; i < kProducts.size(); ++i) {
        if (!rig.Shows(i, wanted[i])) return false;
      }
      return true;
    });
    const double shown_ms = MsSince(start);
    const bool held = PumpUntil([&] { return waiting.load() == 0; }, 1000ms);
    stop = true;
    watcher.join();
    // A device on a link took its settings with the last command request it had when the
    // watcher saw them: its arrival time is exact, whenever the watcher ran. The leader held
    // them already; the headset's time is when its worker had them.
    for (std::size_t i = 0; i < kProducts.size() && held; ++i) {
      const Rig::Took took = rig.TookWith(i, requests[i], requests[i] + sent_by[i], start);
      if (i != kHeadset) held_at[i] = took.ms;
      sent_by[i] = took.commands;
    }
    const double elapsed = *std::max_element(held_at.begin(), held_at.end());
    if (!held || !shown) {
      for (std::size_t i = 0; i < kProducts.size(); ++i) {
        if (held_at[i] <= 0 || !rig.Shows(i, wanted[i]))
          std::fprintf(stderr, "round %d: device %zu lacks mode %d\n", round, i,
                       wanted[i].SelectItem);
      }
      state.SkipWithError("not every device took the new settings");
      break;
    }
    shown_sum += shown_ms;
    double busiest = 0, reports = 0;
    for (std::size_t i = 0; i < kProducts.size(); ++i) {
      const auto sent = static_cast<double>(sent_by[i]);
      busiest = std::max(busiest, sent);
      device_reports[i] += sent;
      reports += sent;
    }
    const double link_ms = busiest * std::chrono::duration<double, std::milli>(kPoll).count();
    state.SetIterationTime(elapsed / 1000.0);
    sum += elapsed;
    worst = std::max(worst, elapsed);
    ratio_sum += link_ms > 0 ? elapsed / link_ms : 0;
    ratio_worst = std::max(ratio_worst, link_ms > 0 ? elapsed / link_ms : 0);
    busiest_sum += link_ms;
    for (std::size_t i = 0; i < kProducts.size(); ++i) device_sum[i] += held_at[i];
    reports_sum += reports;
  }
  const auto n = static_cast<double>(std::max<benchmark::IterationCount>(state.iterations(), 1));
  state.counters["sync_mean_ms"] = sum / n;
  state.counters["sync_max_ms"] = worst;
  state.counters["busiest_link_ms"] = busiest_sum / n;
  state.counters["ratio_mean"] = ratio_sum / n;
  state.counters["ratio_max"] = ratio_worst;
  state.counters["reports_mean"] = reports_sum / n;
  state.counters["shown_ms"] = shown_sum / n;
  const char* names[] = {"mouse_ms", "keyboard_ms", "mousepad_ms", "headset_ms"};
  for (std::size_t i = 0; i < kProducts.size(); ++i) state.counters[names[i]] = device_sum[i] / n;
  const char* report_names[] = {"mouse_reports", "keyboard_reports", "mousepad_reports",
                                "headset_reports"};
  for (std::size_t i = 0; i < kProducts.size(); ++i)
    state.counters[report_names[i]] = device_reports[i] / n;
}
BENCHMARK(SynchroniseFourDevicesPolled1ms)
    ->UseManualTime()
    ->Iterations(20)
    ->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
  QApplication application(argc, argv);
  const std::filesystem::path skin = std::filesystem::path(NORVIK_APP_DIR) / "skin";
  norvik::ui::ResourceManager::Instance().SetResourcePath(skin);
  QFile style(QString::fromStdString((skin / "style.qss").string()));
  if (style.open(QIODevice::ReadOnly))
    application.setStyleSheet(QString::fromUtf8(style.readAll()));
  norvik::panels::RegisterControlClasses();
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
