// The update window's check of the application and four devices against a local service whose
// replies each take 200 ms, in process (offscreen):
//  - slowest_single_ms: the slowest of the five queries asked one by one;
//  - list_mean_ms / list_max_ms: from the window's start of the check to its last row filled
//    (all five at once); target <= 1.5 x slowest_single_ms (counters ratio_mean, ratio_max);
//  - max_stall_ms: the longest time the UI thread's event loop did not turn meanwhile
//    (target <= 20 ms).
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QCoreApplication>
#include <QFile>
#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <vector>

#include "app/set_wnd.h"
#include "app/stall_monitor.h"
#include "panels/control_registry.h"
#include "support/local_update_server.h"
#include "support/temp_folder.h"
#include "ui/resource_manager.h"
#include "update/update_query.h"

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using norvik::testing::LocalUpdateServer;
using norvik::testing::UpdateReplyPlan;
using norvik::testing::UpdateRequest;

constexpr auto kReplyDelay = 200ms;

std::vector<norvik::update::UpdateTarget> FiveTargets() {
  std::vector<norvik::update::UpdateTarget> targets;
  for (int i = 0; i < 5; ++i) {
    norvik::update::UpdateTarget target;
    target.hex_flag = i < 4 ? 1 : 0;
    target.version = 0x100 + i;
    target.key_prefix = "BENCH";
    target.target_type = i < 4 ? "FW" : "ALL";
    target.key_suffix = "M" + std::to_string(i);
    target.name = "Device " + std::to_string(i);
    target.version_name = i < 4 ? "" : "V0100";
    targets.push_back(target);
  }
  return targets;
}

double MsSince(Clock::time_point start) {
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

struct CheckFigures {
  double list_ms = 0;
  double stall_ms = 0;
  bool finished = false;
};

// One check of the targets by the window, from its start to its last row filled.
CheckFigures RunCheck(const std::string& url, const std::filesystem::path& folder,
                      const std::vector<norvik::update::UpdateTarget>& targets) {
  CheckFigures figures;
  norvik::app::SetWndOptions options;
  options.update_base_url = url;
  options.app_folder = folder;
  norvik::app::CSetWnd window(options);
  if (!window.Create()) return figures;
  window.SetTargets(targets);
  window.show();
  QCoreApplication::processEvents();
  norvik::app::StallMonitor monitor;
  monitor.Start();
  const auto start = Clock::now();
  window.StartCheck();
  while (!window.CheckFinished() && MsSince(start) < 10000) {
    // Waits for the next event as the program's own loop does (the monitor ticks every 1 ms).
    QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
  }
  figures.list_ms = MsSince(start);
  figures.stall_ms = monitor.LongestStallMs();
  figures.finished = window.CheckFinished();
  return figures;
}

void UpdateCheckOfFiveItems(benchmark::State& state) {
  LocalUpdateServer server([](const UpdateRequest& request) {
    UpdateReplyPlan plan;
    plan.delay = kReplyDelay;
    plan.body = "{\"version\":\"" + request.form.at("version") + "\",\"name\":\"bench\"}";
    return plan;
  });
  const auto targets = FiveTargets();
  norvik::testing::TempFolder folder;
  // Warm-up: the first opening reads the row layout and writes the date file for the first time.
  if (!RunCheck(server.BaseUrl(), folder.path(), targets).finished) {
    state.SkipWithError("the check did not finish");
    return;
  }
  double slowest_single = 0;
  double list_sum = 0;
  double list_max = 0;
  double stall_max = 0;
  for (auto _ : state) {
    for (const auto& target : targets) {
      norvik::update::UpdateClient client(server.BaseUrl());
      const auto start = Clock::now();
      const auto result = client.QueryUpdate(target, norvik::update::MakeAppKey(target));
      slowest_single = std::max(slowest_single, MsSince(start));
      if (result.status != norvik::update::kStatusUpToDate) state.SkipWithError("no answer");
    }
    const CheckFigures figures = RunCheck(server.BaseUrl(), folder.path(), targets);
    if (!figures.finished) state.SkipWithError("the check did not finish");
    state.SetIterationTime(figures.list_ms / 1000.0);
    list_sum += figures.list_ms;
    list_max = std::max(list_max, figures.list_ms);
    stall_max = std::max(stall_max, figures.stall_ms);
  }
  const double list_mean = list_sum / static_cast<double>(state.iterations());
  state.counters["slowest_single_ms"] = slowest_single;
  state.counters["list_mean_ms"] = list_mean;
  state.counters["list_max_ms"] = list_max;
  state.counters["ratio_mean"] = slowest_single > 0 ? list_mean / slowest_single : 0;
  state.counters["ratio_max"] = slowest_single > 0 ? list_max / slowest_single : 0;
  state.counters["max_stall_ms"] = stall_max;
}
BENCHMARK(UpdateCheckOfFiveItems)->UseManualTime()->Iterations(10)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
  ::setenv("no_proxy", "127.0.0.1", 1);
  ::setenv("NO_PROXY", "127.0.0.1", 1);
  QApplication application(argc, argv);
  const std::filesystem::path skin = std::filesystem::path(NORVIK_APP_DIR) / "skin";
  norvik::ui::ResourceManager::Instance().SetResourcePath(skin);
  QFile style(QString::fromStdString((skin / "style.qss").string()));
  if (style.open(QIODevice::ReadOnly))
    application.setStyleSheet(QString::fromUtf8(style.readAll()));
  norvik::ui::ResourceManager::Instance().LoadLanguage(QStringLiteral("lan_en.xml"));
  norvik::panels::RegisterControlClasses();
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
