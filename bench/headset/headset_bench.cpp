// Headset costs that run continuously while lighting is live.
//
// SyncStep: one pass of the lighting synchroniser (colour cycle at the fastest speed, a frame on
// every pass), the work the synchroniser thread does each millisecond.
// FrameBuild: the twelve colour reports from 13 LED entries.
// LiveFrameSend: a changed frame built and sent as twelve output reports to the emulated headset
// with no link delay; the CPU time per iteration is what one live frame costs the program,
// emulated device included.

#include <benchmark/benchmark.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "devices/headset_driver.h"
#include "devices/headset_frame.h"
#include "devices/lighting_sync.h"
#include "emulator/emulated_bus.h"
#include "emulator/emulated_device.h"

namespace {

using norvik::devices::HeadsetDriver;
using norvik::emulator::EmulatedBus;
using norvik::emulator::EmulatedHeadset;
using norvik::emulator::EmulatedProduct;

void SyncStep(benchmark::State& state) {
  norvik::devices::LightingSync sync;
  norvik::devices::SyncParameters parameters;
  parameters.effect = static_cast<int>(norvik::devices::SyncEffect::ColourCycle);
  parameters.speed_index = 9;
  sync.SetParameters(parameters);
  std::uint64_t now = 0;
  for (auto _ : state) benchmark::DoNotOptimize(sync.Step(now += 2));
}
BENCHMARK(SyncStep);

void FrameBuild(benchmark::State& state) {
  std::vector<std::uint32_t> entries(norvik::devices::kHeadsetLightCount);
  std::uint32_t seed = 1;
  for (auto _ : state) {
    for (auto& e : entries) e = seed = seed * 1664525u + 1013904223u;
    benchmark::DoNotOptimize(
        norvik::devices::BuildHeadsetFrame(norvik::devices::BuildHeadsetColours(entries)));
  }
}
BENCHMARK(FrameBuild);

void LiveFrameSend(benchmark::State& state) {
  EmulatedBus bus;
  const auto id = bus.Plug(EmulatedProduct::Headset);
  // No profile and no audio library are used: only the HID side is measured.
  const std::filesystem::path folder = "/nonexistent/norvik_headset_bench";
  HeadsetDriver driver(&bus, {folder, folder}, folder / "none.so");
  const auto path = bus.PathOf(id, EmulatedHeadset::kHidInterface, 1);
  if (!path || !driver.OpenCommand(*path, norvik::hid::kLinkModeDirect)) {
    state.SkipWithError("headset not opened");
    return;
  }
  std::uint8_t red = 0;
  for (auto _ : state) {
    // A new colour every time, so that the frame is never the unchanged one that is skipped.
    driver.ApplySyncFrame(norvik::devices::PackSyncFrame({++red, 40, 80}, 255));
    if (driver.SendLiveFrame() != norvik::hid::DeviceResult::Success) {
      state.SkipWithError("frame not sent");
      break;
    }
  }
  state.counters["reports"] =
      static_cast<double>(bus.DeviceAs<EmulatedHeadset>(id)->OutputReportCount());
}
BENCHMARK(LiveFrameSend)->MeasureProcessCPUTime();

}  // namespace

BENCHMARK_MAIN();
