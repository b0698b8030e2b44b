// The macro table upload (WriteMacroTable) of the largest table the emulated keyboard's macro
// memory holds, over the polled link model (one report per 1 ms poll). Counters: the reports one
// upload takes, the link's own time for them (reports × poll interval), and ratio = measured
// time per upload / that bound (target <= 1.2). The protocol's fixed pause before the closing
// EndConfig (hid::kEndConfigDelayMs) is a wait of the device, not of the link: ratio_link leaves
// it out of the measured time.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <string>

#ifdef __linux__
#include <sys/prctl.h>
#endif

#include "devices/device_set.h"
#include "devices/device_watcher.h"
#include "devices/macro_table.h"
#include "emulator/emulated_bus.h"
#include "emulator/emulated_device.h"
#include "hid/device_io.h"
#include "profiles/json_file_store.h"
#include "support/temp_folder.h"

namespace {

using norvik::devices::DeviceSlot;
using norvik::emulator::EmulatedProduct;

constexpr auto kPollInterval = std::chrono::milliseconds(1);

Json::Value KeyEvents(std::size_t count) {
  Json::Value events(Json::arrayValue);
  for (std::size_t i = 0; i < count; ++i) {
    Json::Value event;
    event["Action"] = i % 2 == 0 ? "down" : "up";
    event["Button"] = static_cast<int>(4 + i / 2 % 26);
    event["Type"] = 10;
    event["Delay"] = "25";
    events.append(event);
  }
  return events;
}

// Macros of up to 4000 events until the table fills `capacity` bytes exactly or nearly (by
// less than one record).
void WriteLargestTable(const std::filesystem::path& folder, std::size_t capacity) {
  Json::Value config;
  config["MacroInfo"] = Json::Value(Json::arrayValue);
  std::size_t length = norvik::devices::kMacroTableHeaderSize;
  for (int m = 0;; ++m) {
    const std::size_t overhead =
        norvik::devices::kMacroTableOffsetSize + norvik::devices::kMacroRecordHeaderSize;
    if (length + overhead + 4 > capacity) break;
    const std::size_t events = std::min<std::size_t>(4000, (capacity - length - overhead) / 4);
    length += overhead + 4 * events;
    const std::string guid = "bench_" + std::to_string(m);
    Json::Value macro;
    macro["Events"] = KeyEvents(events);
    macro["Guid"] = guid;
    macro["MacroName"] = guid;
    macro["Version"] = 64;
    norvik::profiles::JsonFileStore::WriteJson(folder / (guid + ".mac"), macro);
    Json::Value entry;
    entry["MacroName"] = guid;
    entry["Guid"] = guid;
    config["MacroInfo"].append(entry);
  }
  norvik::profiles::JsonFileStore::WriteJson(folder / "macro.config", config);
}

void MacroTablePush(benchmark::State& state) {
#ifdef __linux__
  // Replies wait on a timer; the default 50 us slack is not the link's.
  prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL);
#endif
  const norvik::testing::TempFolder user;
  norvik::emulator::EmulatedBus bus;
  bus.Plug(EmulatedProduct::Keyboard);
  norvik::devices::DeviceSetOptions options;
  options.folders.user_root = user.path();
  options.folders.program_folder = NORVIK_PROGRAM_FOLDER;
  norvik::devices::DeviceSet set(bus, options);
  norvik::devices::DeviceWatcher watcher(bus);
  set.Attach(watcher);
  watcher.RunPass(true);
  if (set.StartDevice(DeviceSlot::Keyboard).read != norvik::hid::DeviceResult::Success) {
    state.SkipWithError("device start-up failed");
    return;
  }
  auto& driver = set.Driver(DeviceSlot::Keyboard);
  driver.Preview().Stop();
  const auto device =
      bus.DeviceAs<norvik::emulator::CommandDevice>(*bus.FindPlugged(EmulatedProduct::Keyboard));
  if (!device) {
    state.SkipWithError("no emulated keyboard");
    return;
  }
  const std::size_t capacity = device->MacroMemory().size();
  WriteLargestTable(driver.DataFolder(), capacity);
  device->Faults().SetPollInterval(kPollInterval);
  const auto requests_before = device->RequestCount();
  const auto start = std::chrono::steady_clock::now();
  for (auto _ : state) {
    if (driver.WriteMacroTable().status != norvik::devices::MacroPushStatus::Sent) {
      state.SkipWithError("the table was not sent");
      break;
    }
  }
  const std::chrono::duration<double, std::milli> elapsed =
      std::chrono::steady_clock::now() - start;
  const double pushes =
      static_cast<double>(std::max<benchmark::IterationCount>(state.iterations(), 1));
  const double reports = static_cast<double>(device->RequestCount() - requests_before) / pushes;
  const double bound_ms =
      reports * std::chrono::duration<double, std::milli>(kPollInterval).count();
  state.counters["table_bytes"] = static_cast<double>(capacity);
  state.counters["reports_per_push"] = reports;
  state.counters["bound_ms"] = bound_ms;
  state.counters["ratio"] = elapsed.count() / pushes / bound_ms;
  state.counters["ratio_link"] =
      (elapsed.count() / pushes - norvik::hid::kEndConfigDelayMs) / bound_ms;
}
BENCHMARK(MacroTablePush)->UseRealTime()->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
