// DeviceIo against the emulated keyboard.
//
// LiveFrames: 126-light frames (378 bytes, 7 reports of 56) over a USB link whose interrupt
// endpoint is polled every 1 ms: each reply leaves at the next poll, one per poll. The link
// allows at most 1000 reports per second, so 1000 / 7 frames per second; "ratio" is the measured
// rate over that limit (target >= 0.95).
// LiveFramesAfterDelay: the same, but each reply becomes readable 1 ms after its request, so
// every late wake-up of the host is added to the interval (a harsher link than USB).
//
// TransactCpu: one full exchange (BeginConfig) with no link delay; the CPU time per iteration is
// the cost of one report written and answered, emulated firmware included (target <= 20 us).

#include <benchmark/benchmark.h>

#include <array>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <vector>

#ifdef __linux__
#include <sys/prctl.h>
#endif

#include "emulator/emulated_bus.h"
#include "hid/device_io.h"

namespace {

using norvik::emulator::CommandDevice;
using norvik::emulator::EmulatedBus;
using norvik::emulator::EmulatedProduct;
using norvik::hid::DeviceIo;
using norvik::hid::DeviceResult;

constexpr std::size_t kLights = 126;
constexpr std::size_t kFrameBytes = kLights * 3;
constexpr std::size_t kReportsPerFrame =
    (kFrameBytes + norvik::hid::kDirectChunkSize - 1) / norvik::hid::kDirectChunkSize;

struct Rig {
  EmulatedBus bus;
  DeviceIo io{&bus};
  std::shared_ptr<CommandDevice> device;

  Rig() {
    const auto id = bus.Plug(EmulatedProduct::Keyboard);
    device = bus.DeviceAs<CommandDevice>(id);
    const auto path =
        bus.PathOf(id, CommandDevice::kVendorInterface, CommandDevice::kCommandCollection);
    if (!device || !path || !io.OpenChannel(*path, norvik::hid::kLinkModeDirect)) {
      std::fprintf(stderr, "emulated keyboard did not open\n");
      std::abort();
    }
  }
};

enum class LinkModel { Polled, DelayAfterRequest };

void LiveFrames(benchmark::State& state, LinkModel model) {
#ifdef __linux__
  // The emulated link waits on a timer for each reply; the default 50 us timer slack would be
  // charged to every report although a real device answers by interrupt.
  prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL);
#endif
  Rig rig;
  const auto delay = std::chrono::microseconds(state.range(0));
  if (model == LinkModel::Polled) {
    rig.device->Faults().SetPollInterval(delay);
  } else {
    rig.device->Faults().SetReportDelay(delay);
  }
  std::vector<std::uint8_t> frame(kFrameBytes);
  std::uint8_t shade = 0;
  std::int64_t failures = 0;

  const auto start = std::chrono::steady_clock::now();
  for (auto _ : state) {
    for (auto& b : frame) b = shade;
    ++shade;
    if (rig.io.SendLightFrame(frame) != DeviceResult::Success) ++failures;
  }
  const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;

  const double frames_per_second = static_cast<double>(state.iterations()) / elapsed.count();
  const double reports_per_second = 1e6 / static_cast<double>(delay.count());
  const double limit = reports_per_second / static_cast<double>(kReportsPerFrame);
  state.counters["frames_per_s"] = frames_per_second;
  state.counters["limit_frames_per_s"] = limit;
  state.counters["ratio"] = frames_per_second / limit;
  state.counters["reports_per_frame"] = static_cast<double>(kReportsPerFrame);
  // Time per report beyond the link's own delay: wake-up latency plus the channel's work.
  state.counters["overhead_us_per_report"] =
      (elapsed.count() / static_cast<double>(state.iterations()) /
           static_cast<double>(kReportsPerFrame) -
       static_cast<double>(delay.count()) * 1e-6) *
      1e6;
  state.counters["failures"] = static_cast<double>(failures);
  if (rig.device->LightFrameCount() < static_cast<std::uint64_t>(state.iterations())) {
    state.SkipWithError("frames missing at the device");
  }
}
void BM_LiveFrames(benchmark::State& state) {
  LiveFrames(state, LinkModel::Polled);
}
void BM_LiveFramesAfterDelay(benchmark::State& state) {
  LiveFrames(state, LinkModel::DelayAfterRequest);
}
BENCHMARK(BM_LiveFrames)->Arg(1000)->UseRealTime()->Unit(benchmark::kMillisecond)->MinTime(3.0);
BENCHMARK(BM_LiveFramesAfterDelay)
    ->Arg(1000)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond)
    ->MinTime(3.0);

// The floor under LiveFrames on this machine: how late a bare 1 ms timed wait wakes up, with the
// same timer slack. LiveFrames' overhead per report cannot fall below this.
void BM_TimedWaitOvershoot(benchmark::State& state) {
#ifdef __linux__
  prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL);
#endif
  std::mutex mutex;
  std::condition_variable never;
  std::unique_lock lock(mutex);
  double late_us = 0;
  for (auto _ : state) {
    const auto due = std::chrono::steady_clock::now() + std::chrono::milliseconds(1);
    while (never.wait_until(lock, due) != std::cv_status::timeout) {
    }
    late_us +=
        std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - due).count();
  }
  state.counters["overshoot_us"] = late_us / static_cast<double>(state.iterations());
}
BENCHMARK(BM_TimedWaitOvershoot)->UseRealTime()->Unit(benchmark::kMillisecond)->MinTime(1.0);

void BM_TransactCpu(benchmark::State& state) {
  Rig rig;
  const auto request = norvik::hid::BuildRequest(norvik::hid::Command::BeginConfig, 0, 0);
  std::array<std::uint8_t, norvik::hid::kReportSize> reply{};
  std::int64_t failures = 0;
  for (auto _ : state) {
    if (rig.io.Transact(request, reply) != DeviceResult::Success) ++failures;
    benchmark::DoNotOptimize(reply);
  }
  state.counters["failures"] = static_cast<double>(failures);
  state.counters["reports"] =
      benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_TransactCpu)->Unit(benchmark::kMicrosecond);

// A whole chunked write as the configuration path uses it: the keyboard's key map in reports of
// 56 bytes. "s_per_report" is CPU time per report.
void BM_KeyMapWrite(benchmark::State& state) {
  Rig rig;
  const std::size_t size = rig.device->KeyMap().size();
  if (size == 0 || !rig.io.SetDataLength(static_cast<std::uint16_t>(size))) {
    state.SkipWithError("key map size unusable");
    return;
  }
  const std::size_t reports =
      (size + norvik::hid::kDirectChunkSize - 1) / norvik::hid::kDirectChunkSize;
  std::vector<std::uint8_t> map(size, 0x11);
  std::int64_t failures = 0;
  for (auto _ : state) {
    if (rig.io.WriteKeyMap(map, 0) != DeviceResult::Success) ++failures;
  }
  state.counters["failures"] = static_cast<double>(failures);
  state.counters["reports_per_write"] = static_cast<double>(reports);
  state.counters["s_per_report"] =
      benchmark::Counter(static_cast<double>(state.iterations() * reports),
                         benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_KeyMapWrite)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
