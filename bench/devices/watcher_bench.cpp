// The device watcher's cost and speed.
//
// WatcherIdleCpu/<case>: the watcher thread runs for 30 s on an idle bus; the process's CPU time
// over that period (getrusage) as a share of one core ("cpu_percent"). Cases: the emulated bus
// with no device and with every device plugged (targets <= 0.1 % and <= 0.5 %), the same bus
// hiding its change counter (the plain 100 ms enumeration, for comparison), and the system
// hidapi bus watched through /dev.
//
// ArrivalLatency/<case>: a device is plugged at a random moment of the 100 ms pass cycle; the
// time until the arrival callback ran (target <= 150 ms), mean and worst over the iterations.

#include <benchmark/benchmark.h>

#include <sys/resource.h>

#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <random>
#include <thread>

#include "devices/device_watcher.h"
#include "emulator/emulated_bus.h"
#include "hid/hidapi_backend.h"

namespace {

using norvik::devices::DeviceWatcher;
using norvik::devices::WatcherOptions;
using norvik::emulator::EmulatedBus;
using norvik::emulator::EmulatedProduct;

constexpr std::chrono::seconds kIdlePeriod{30};

double ProcessCpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  auto seconds = [](const timeval& t) { return static_cast<double>(t.tv_sec) + t.tv_usec / 1e6; };
  return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// A backend that hides the change counter of the one it wraps: the watcher then lists the bus on
// every pass, as the plain design does.
class NoCounter final : public norvik::hid::HidBackend {
 public:
  explicit NoCounter(norvik::hid::HidBackend& inner) : inner_(inner) {}
  std::optional<std::vector<std::string>> EnumeratePaths() override {
    return inner_.EnumeratePaths();
  }
  std::unique_ptr<norvik::hid::HidHandle> Open(const std::string& path, bool read, bool write,
                                               bool exclusive) override {
    return inner_.Open(path, read, write, exclusive);
  }

 private:
  norvik::hid::HidBackend& inner_;
};

enum class IdleCase { EmulatedEmpty, EmulatedAll, EmulatedAllNoCounter, SystemBus };

void MeasureIdle(benchmark::State& state, norvik::hid::HidBackend& backend,
                 const WatcherOptions& options) {
  for (auto _ : state) {
    DeviceWatcher watcher(backend, options);
    watcher.Start();
    watcher.WaitForFirstScan(std::chrono::seconds(5));
    // Let the first passes (which bind what is there) settle before measuring.
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    const double cpu_before = ProcessCpuSeconds();
    const auto wall_before = std::chrono::steady_clock::now();
    std::this_thread::sleep_for(kIdlePeriod);
    const double cpu = ProcessCpuSeconds() - cpu_before;
    const double wall =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - wall_before).count();
    watcher.Stop();
    state.SetIterationTime(wall);
    state.counters["cpu_percent"] = 100.0 * cpu / wall;
    state.counters["passes"] = static_cast<double>(watcher.PassCount());
    state.counters["enumerations"] = static_cast<double>(watcher.EnumerationCount());
  }
}

void WatcherIdleCpu(benchmark::State& state) {
  const auto which = static_cast<IdleCase>(state.range(0));
  EmulatedBus bus;
  if (which == IdleCase::EmulatedAll || which == IdleCase::EmulatedAllNoCounter) {
    for (const auto product : norvik::emulator::kAllProducts) bus.Plug(product);
  }
  switch (which) {
    case IdleCase::EmulatedEmpty:
    case IdleCase::EmulatedAll:
      MeasureIdle(state, bus, {});
      break;
    case IdleCase::EmulatedAllNoCounter: {
      NoCounter plain(bus);
      MeasureIdle(state, plain, {});
      break;
    }
    case IdleCase::SystemBus: {
      auto system = norvik::hid::MakeSystemHidBackend();
      WatcherOptions options;
      options.device_node_folder = "/dev";
      MeasureIdle(state, *system, options);
      break;
    }
  }
}
BENCHMARK(WatcherIdleCpu)
    ->ArgName("case")  // 0 emulated empty, 1 emulated all, 2 all without counter, 3 system bus
    ->DenseRange(0, 3)
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kSecond);

void ArrivalLatency(benchmark::State& state) {
  const bool poke = state.range(0) != 0;
  EmulatedBus bus;
  DeviceWatcher watcher(bus);
  std::mutex mutex;
  std::condition_variable arrived;
  bool seen = false;
  watcher.SetArrivalCallback([&](std::size_t, const norvik::hid::HidInterfaceCopy&) {
    std::lock_guard lock(mutex);
    seen = true;
    arrived.notify_all();
  });
  if (poke) bus.SetChangeCallback([&watcher] { watcher.Poke(); });
  watcher.Start();
  watcher.WaitForFirstScan(std::chrono::seconds(5));
  std::mt19937 random(12345);
  std::uniform_int_distribution<int> phase_ms(0, 99);
  double total_ms = 0;
  double worst_ms = 0;
  int count = 0;
  for (auto _ : state) {
    std::this_thread::sleep_for(std::chrono::milliseconds(phase_ms(random)));
    {
      std::lock_guard lock(mutex);
      seen = false;
    }
    const auto begin = std::chrono::steady_clock::now();
    const auto id = bus.Plug(EmulatedProduct::MousePad);
    {
      std::unique_lock lock(mutex);
      arrived.wait_for(lock, std::chrono::seconds(5), [&] { return seen; });
    }
    const double ms =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - begin).count();
    state.SetIterationTime(ms / 1000.0);
    total_ms += ms;
    worst_ms = std::max(worst_ms, ms);
    ++count;
    // Out again, and the removal seen, before the next plug.
    bus.Remove(id);
    std::this_thread::sleep_for(std::chrono::milliseconds(250));
  }
  bus.SetChangeCallback({});
  watcher.Stop();
  state.counters["mean_ms"] = count > 0 ? total_ms / count : 0;
  state.counters["worst_ms"] = worst_ms;
}
BENCHMARK(ArrivalLatency)
    ->ArgName("poke")  // 0: found by the next pass; 1: the bus's change callback wakes the watcher
    ->Arg(0)
    ->Arg(1)
    ->Iterations(20)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
