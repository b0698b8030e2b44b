// The mouse's recoil patterns sent over its cable (WriteShootTable: the device information,
// BeginConfig, the four factory patterns in 56-byte chunks, EndConfig) on a link whose interrupt
// endpoint is polled every 1 ms, so each reply leaves at the next poll. The link alone needs
// reports x 1 ms per push; "ratio" is the measured time over that (target <= 1.2). EndConfig
// waits 10 ms before it is sent, as the device needs, so 56 reports cannot take less than
// 66 ms (ratio 1.18). poll_us 0 shows what a push costs besides the link: that wait, reading
// the four files and the emulated firmware. The machine's load adds to every report (run it
// alone, or with a real-time priority, for a figure of the program's own).

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <filesystem>

#ifdef __linux__
#include <sys/prctl.h>
#endif

#include "devices/device_set.h"
#include "devices/device_watcher.h"
#include "devices/mouse_driver.h"
#include "emulator/emulated_bus.h"
#include "support/temp_folder.h"

namespace {

using norvik::devices::DeviceSet;
using norvik::devices::DeviceSlot;
using norvik::emulator::EmulatedBus;
using norvik::emulator::EmulatedProduct;

void ShootPushPolled(benchmark::State& state) {
#ifdef __linux__
  // The emulated link waits on a timer for each reply; the default 50 us timer slack would be
  // charged to every report although a real device answers by interrupt.
  prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL);
#endif
  const norvik::testing::TempFolder user;
  EmulatedBus bus;
  const auto id = bus.Plug(EmulatedProduct::MouseCable);
  norvik::devices::DeviceSetOptions options;
  options.folders.user_root = user.path();
  options.folders.program_folder = NORVIK_PROGRAM_FOLDER;
  DeviceSet set(bus, options);
  norvik::devices::DeviceWatcher watcher(bus);
  set.Attach(watcher);
  watcher.RunPass(true);
  if (set.StartDevice(DeviceSlot::Mouse).read != norvik::hid::DeviceResult::Success) {
    state.SkipWithError("mouse start-up failed");
    return;
  }
  auto* mouse = dynamic_cast<norvik::devices::MouseDriver*>(&set.Driver(DeviceSlot::Mouse));
  if (mouse == nullptr) {
    state.SkipWithError("no mouse driver");
    return;
  }
  // The preview animates the lights on its own thread; it is not part of a push.
  mouse->Preview().Stop();
  const auto device = bus.Device(id);
  const auto poll = std::chrono::microseconds(state.range(0));
  device->Faults().SetPollInterval(poll);

  const auto requests_before = device->RequestCount();
  const auto command = bus.DeviceAs<norvik::emulator::CommandDevice>(id);
  const auto frames_before = command ? command->LightFrameCount() : 0;
  const auto start = std::chrono::steady_clock::now();
  for (auto _ : state) {
    if (mouse->WriteShootTable().status != norvik::devices::MacroPushStatus::Sent) {
      state.SkipWithError("push failed");
      break;
    }
  }
  const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
  const double pushes =
      static_cast<double>(std::max<benchmark::IterationCount>(state.iterations(), 1));
  const double reports = static_cast<double>(device->RequestCount() - requests_before) / pushes;
  const double link_seconds = std::max(reports * static_cast<double>(poll.count()) * 1e-6, 1e-9);
  state.counters["reports_per_push"] = reports;
  state.counters["frames"] =
      static_cast<double>(command ? command->LightFrameCount() - frames_before : 0);
  state.counters["link_ms_per_push"] = link_seconds * 1e3;
  state.counters["ratio"] = elapsed.count() / pushes / link_seconds;
}
BENCHMARK(ShootPushPolled)
    ->ArgName("poll_us")
    ->Arg(1000)
    ->Arg(0)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond)
    ->MinTime(3.0);

}  // namespace

BENCHMARK_MAIN();
