// How the program answers while devices work: norvik --emulate --script runs a generated
// scenario script whose "stall start" / "stall report LABEL" lines measure the longest time the
// UI thread's event loop did not turn, and the time and device requests in between.
//
//  - BM_StallDuringDeviceStartUp: every emulated reply delayed 10 ms; the four start devices
//    unplugged and plugged again; the report covers their start-up (it begins 500 ms after a
//    device shows) and the periodic work after it.
//  - BM_StallDuringProfileSwitch: the keyboard's replies delayed 10 ms; profile switches.
//  - BM_ProfileSwitchPolled1ms: the keyboard behind a polled 1 ms endpoint; the time from the
//    switch to the device holding the whole profile. Target: 400 ms (debounce) + 1.2 ms per
//    request; the counter target_ms computes it from the requests seen.
//
// A switch is what the user does: the profile chosen in device_profile_combo (sent by the
// keyboard's command worker after the 400 ms pause), then the keyboard's memory holding it. The
// keyboard gets a second profile whose polling rate (settings byte 22) differs, so each round
// can see its profile arrive.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "program_run.h"
#include "support/temp_folder.h"

namespace {

constexpr int kRounds = 5;
constexpr int kStartUpRounds = 3;

struct StallFigures {
  double elapsed_ms = 0;
  double max_stall_ms = 0;
  unsigned long long reports = 0;
};

// The lines of one profile switch; rounds alternate between the two profiles.
std::string SwitchLines(int round) {
  const bool second = round % 2 == 0;
  return std::string("select keyboard_device/device_profile_combo ") + (second ? "1" : "0") +
         "\nexpect-memory keyboard settings 22 " + (second ? "00" : "03") + "\n";
}

// The four start devices shown.
constexpr char kShown[] =
    "timeout 10000\n"
    "expect device_select:0 visible true\n"
    "expect device_select:1 visible true\n"
    "expect device_select:2 visible true\n"
    "expect device_select:3 visible true\n";
// Then the keyboard with a second profile at 125 Hz, and the first (1000 Hz) selected again.
constexpr char kSecondProfile[] =
    "click device_select:1\n"
    "expect keyboard_device/device_function_switch enabled true\n"
    "click keyboard_device/profile_fun_spread_btn\n"
    "click keyboard_device/device_add_btn\n"
    "expect MessageText textkey message_text_26\n"
    "click confirm_btn\n"
    "expect keyboard_device/device_profile_combo count 2\n"
    "click keyboard_device/system_Op_tab\n"
    "click keyboard_device/polling_rate_option_0\n"
    "expect-memory keyboard settings 22 00\n"
    "select keyboard_device/device_profile_combo 0\n"
    "expect-memory keyboard settings 22 03\n";
const std::string kStarted = std::string(kShown) + kSecondProfile;

constexpr const char* kStartDevices[] = {"keyboard", "receiver", "mousepad", "headset"};

std::string StartUpScript() {
  std::string script = kShown;
  for (const char* device : kStartDevices)
    script += "emulator delay " + std::string(device) + " 10\n";
  for (int round = 0; round < kStartUpRounds; ++round) {
    for (const char* device : kStartDevices)
      script += "emulator unplug " + std::string(device) + "\n";
    script += "expect No_device_Link visible true\nstall start\n";
    for (const char* device : kStartDevices)
      script += "emulator plug " + std::string(device) + "\n";
    script +=
        "expect device_select:0 visible true\nexpect device_select:1 visible true\n"
        "expect device_select:2 visible true\nexpect device_select:3 visible true\n"
        "wait 3000\nstall report startup\n";
  }
  return script;
}

std::string SwitchScript(const std::string& link_line) {
  std::string script = kStarted + link_line;
  for (int round = 0; round < kRounds; ++round)
    script += "stall start\n" + SwitchLines(round) + "stall report switch\n";
  return script;
}

std::vector<StallFigures> RunScript(const std::filesystem::path& home, const std::string& script) {
  std::filesystem::create_directories(home);
  const std::filesystem::path file = home / "bench.scn";
  std::ofstream(file) << script;
  std::vector<StallFigures> figures;
  const std::string options =
      "--data-dir '" + (home / "profiles").string() + "' --script '" + file.string() + "'";
  for (const std::string& line : norvik::bench::RunProgram(home, options)) {
    StallFigures one;
    std::array<char, 64> label{};
    if (std::sscanf(line.c_str(), "%63s elapsed_ms %lf max_stall_ms %lf reports %llu", label.data(),
                    &one.elapsed_ms, &one.max_stall_ms, &one.reports) == 4)
      figures.push_back(one);
  }
  return figures;
}

// Runs the script once per iteration; the iteration time is the mean elapsed time of its
// reports.
void Measure(benchmark::State& state, const std::string& script, std::size_t reports_wanted,
             bool switch_target) {
  const norvik::testing::TempFolder base;
  std::vector<StallFigures> all;
  int runs = 0;
  for (auto _ : state) {
    const std::vector<StallFigures> figures = RunScript(base / std::to_string(runs++), script);
    if (figures.size() != reports_wanted) {
      state.SkipWithError("the script did not run to its end (see norvik --script)");
      return;
    }
    double elapsed = 0;
    for (const StallFigures& one : figures) elapsed += one.elapsed_ms;
    state.SetIterationTime(elapsed / static_cast<double>(figures.size()) / 1000.0);
    all.insert(all.end(), figures.begin(), figures.end());
  }
  if (all.empty()) return;
  double stall_sum = 0;
  double stall_worst = 0;
  double elapsed_sum = 0;
  double elapsed_worst = 0;
  double reports = 0;
  for (const StallFigures& one : all) {
    stall_sum += one.max_stall_ms;
    stall_worst = std::max(stall_worst, one.max_stall_ms);
    elapsed_sum += one.elapsed_ms;
    elapsed_worst = std::max(elapsed_worst, one.elapsed_ms);
    reports += static_cast<double>(one.reports);
  }
  const auto count = static_cast<double>(all.size());
  state.counters["max_stall_ms_mean"] = stall_sum / count;
  state.counters["max_stall_ms_worst"] = stall_worst;
  state.counters["elapsed_ms_mean"] = elapsed_sum / count;
  state.counters["elapsed_ms_worst"] = elapsed_worst;
  state.counters["requests_mean"] = reports / count;
  if (switch_target) state.counters["target_ms"] = 400.0 + 1.2 * reports / count;
}

void BM_StallDuringDeviceStartUp(benchmark::State& state) {
  Measure(state, StartUpScript(), kStartUpRounds, false);
}
BENCHMARK(BM_StallDuringDeviceStartUp)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);

void BM_StallDuringProfileSwitch(benchmark::State& state) {
  Measure(state, SwitchScript("emulator delay keyboard 10\n"), kRounds, false);
}
BENCHMARK(BM_StallDuringProfileSwitch)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(2);

void BM_ProfileSwitchPolled1ms(benchmark::State& state) {
  Measure(state, SwitchScript("emulator poll keyboard 1\n"), kRounds, true);
}
BENCHMARK(BM_ProfileSwitchPolled1ms)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(2);

}  // namespace

BENCHMARK_MAIN();
