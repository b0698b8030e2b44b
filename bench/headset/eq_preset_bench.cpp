// An equaliser preset chosen on the headset's voice page, in process (offscreen): the real
// headset panel built from the skin, its driver on the emulated headset and the audio library
// stand-in.
//  - ui_thread_ms: the page's work on the UI thread for the click (checks the preset, queues
//    the change on the device's worker); target <= 2 ms;
//  - to_library_ms: from the click to the tenth band holding the preset's value in the
//    library; target <= 5 ms (every band is written before the tenth).
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QCoreApplication>
#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "headset_panel_rig.h"
#include "panels/control_registry.h"
#include "ui/resource_manager.h"

namespace {

using Clock = std::chrono::steady_clock;
using norvik::devices::testing::StandinControl;

double MsSince(Clock::time_point start) {
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// Two presets whose tenth bands differ (8 and -1), so each click changes what the library holds.
struct Preset {
  int number;
  const wchar_t* tenth_band;
};
constexpr Preset kPresets[] = {{3, L"8"}, {4, L"-1"}};

void EqPresetToLibrary(benchmark::State& state) {
  norvik::testing::HeadsetPanelRig rig;
  norvik::panels::CVelmoranHS6533Device* panel = rig.Start();
  if (panel == nullptr) {
    state.SkipWithError("the headset panel or its audio side did not start");
    return;
  }
  StandinControl& standin = rig.Standin();
  QCoreApplication::processEvents();

  double ui_sum = 0, ui_max = 0, lib_sum = 0, lib_max = 0;
  std::size_t next = 0;
  for (auto _ : state) {
    const Preset& preset = kPresets[next++ % std::size(kPresets)];
    const auto start = Clock::now();
    panel->EqPreset(preset.number);
    const double ui_ms = MsSince(start);
    // The worker writes on its own thread; the UI thread is not needed until the page refills.
    while (standin.PropertyText(L"EQ_Slider10") != preset.tenth_band && MsSince(start) < 2000) {
    }
    const double lib_ms = MsSince(start);
    if (lib_ms >= 2000) {
      state.SkipWithError("the bands did not reach the library");
      break;
    }
    state.SetIterationTime(lib_ms / 1000.0);
    ui_sum += ui_ms;
    ui_max = std::max(ui_max, ui_ms);
    lib_sum += lib_ms;
    lib_max = std::max(lib_max, lib_ms);
    // The page refills from the worker's answer before the next click, as between real clicks.
    const auto settle = Clock::now();
    while (MsSince(settle) < 20) QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
  }
  const auto n = static_cast<double>(std::max<benchmark::IterationCount>(state.iterations(), 1));
  state.counters["ui_thread_mean_ms"] = ui_sum / n;
  state.counters["ui_thread_max_ms"] = ui_max;
  state.counters["to_library_mean_ms"] = lib_sum / n;
  state.counters["to_library_max_ms"] = lib_max;
}
BENCHMARK(EqPresetToLibrary)->UseManualTime()->Iterations(50)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
  QApplication application(argc, argv);
  norvik::ui::ResourceManager::Instance().SetResourcePath(std::filesystem::path(NORVIK_APP_DIR) /
                                                          "skin");
  norvik::ui::ResourceManager::Instance().LoadLanguage(QStringLiteral("lan_en.xml"));
  norvik::panels::RegisterControlClasses();
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
