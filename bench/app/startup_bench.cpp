// Cold start of the program: norvik --emulate --startup-benchmark, offscreen, with the four
// emulated devices plugged, in a fresh settings, data and temp folder each run. The program
// prints the time from entry to the window shown after the first scan and its resident memory
// at that moment; targets: 300 ms and 60 MB.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "support/temp_folder.h"

namespace {

struct StartupFigures {
  double startup_ms = -1;
  long rss_kib = -1;
};

StartupFigures RunOnce(const std::filesystem::path& home) {
  std::filesystem::create_directories(home / "config");
  std::filesystem::create_directories(home / "data");
  std::filesystem::create_directories(home / "tmp");
  const std::string command =
      "env QT_QPA_PLATFORM=offscreen XDG_CONFIG_HOME='" + (home / "config").string() +
      "' XDG_DATA_HOME='" + (home / "data").string() + "' TMPDIR='" + (home / "tmp").string() +
      "' '" NORVIK_APP_PROGRAM "' --emulate --startup-benchmark 2>/dev/null";
  StartupFigures figures;
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return figures;
  std::array<char, 256> line{};
  while (std::fgets(line.data(), line.size(), pipe)) {
    double ms = 0;
    long kib = 0;
    if (std::sscanf(line.data(), "startup_ms %lf rss_kib %ld", &ms, &kib) == 2) {
      figures.startup_ms = ms;
      figures.rss_kib = kib;
    }
  }
  pclose(pipe);
  return figures;
}

void BM_ColdStartToWindowShown(benchmark::State& state) {
  const norvik::testing::TempFolder base;
  double total_ms = 0;
  double worst_ms = 0;
  long worst_rss = 0;
  int runs = 0;
  for (auto _ : state) {
    const std::filesystem::path home = base / std::to_string(runs);
    const StartupFigures figures = RunOnce(home);
    std::filesystem::remove_all(home);
    if (figures.startup_ms < 0) {
      state.SkipWithError("norvik printed no start-up figures");
      break;
    }
    state.SetIterationTime(figures.startup_ms / 1000.0);
    total_ms += figures.startup_ms;
    worst_ms = std::max(worst_ms, figures.startup_ms);
    worst_rss = std::max(worst_rss, figures.rss_kib);
    ++runs;
  }
  if (runs > 0) {
    state.counters["startup_ms_mean"] = total_ms / runs;
    state.counters["startup_ms_worst"] = worst_ms;
    state.counters["rss_MB_worst"] = static_cast<double>(worst_rss) / 1024.0;
  }
}
BENCHMARK(BM_ColdStartToWindowShown)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(10);

}  // namespace

BENCHMARK_MAIN();
