// Whole-profile push (ApplyProfile: settings block, macro table, key map; the mouse also its
// shoot table with WriteShootTable) on a zero-latency emulated link: the CPU time one push costs
// the process, emulated firmware included, and the reports it sends.

#include <benchmark/benchmark.h>

#include <filesystem>

#include "devices/device_set.h"
#include "devices/device_watcher.h"
#include "devices/keyboard_driver.h"
#include "devices/mouse_driver.h"
#include "emulator/emulated_bus.h"
#include "support/temp_folder.h"

namespace {

using norvik::devices::DeviceSet;
using norvik::devices::DeviceSlot;
using norvik::emulator::EmulatedBus;
using norvik::emulator::EmulatedProduct;

void ProfilePush(benchmark::State& state) {
  const auto slot = static_cast<DeviceSlot>(state.range(0));
  const norvik::testing::TempFolder user;
  EmulatedBus bus;
  bus.Plug(slot == DeviceSlot::Mouse ? EmulatedProduct::MouseCable : EmulatedProduct::Keyboard);
  norvik::devices::DeviceSetOptions options;
  options.folders.user_root = user.path();
  options.folders.program_folder = NORVIK_PROGRAM_FOLDER;
  DeviceSet set(bus, options);
  norvik::devices::DeviceWatcher watcher(bus);
  set.Attach(watcher);
  watcher.RunPass(true);
  if (set.StartDevice(slot).read != norvik::hid::DeviceResult::Success) {
    state.SkipWithError("device start-up failed");
    return;
  }
  auto& driver = set.Driver(slot);
  // The preview animates the lights on its own thread; it is not part of a push.
  driver.Preview().Stop();
  const auto device = bus.Device(*bus.FindPlugged(
      slot == DeviceSlot::Mouse ? EmulatedProduct::MouseCable : EmulatedProduct::Keyboard));
  const auto requests_before = device->RequestCount();
  for (auto _ : state) {
    const auto applied = driver.ApplyProfile();
    if (!applied.Ok()) {
      state.SkipWithError("push failed");
      break;
    }
  }
  state.counters["reports_per_push"] =
      static_cast<double>(device->RequestCount() - requests_before) /
      static_cast<double>(std::max<benchmark::IterationCount>(state.iterations(), 1));
}
BENCHMARK(ProfilePush)
    ->ArgName("device")  // 0 keyboard, 2 mouse (cable)
    ->Arg(static_cast<int>(DeviceSlot::Keyboard))
    ->Arg(static_cast<int>(DeviceSlot::Mouse))
    ->MeasureProcessCPUTime()
    ->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
