// The update window's check of the application and four devices against a local service whose
// replies each take 200 ms, in process (offscreen):
//  - slowest_single_ms: the slowest of the five queries asked one by one;
//  - list_ms: from the window's start of the check to its last row filled (all five at once);
//    target list_ms <= 1.5 x slowest_single_ms (counter ratio <= 1.5);
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

void UpdateCheckOfFiveItems(benchmark::State& state) {
  LocalUpdateServer server([](const UpdateRequest& request) {
    UpdateReplyPlan plan;
    plan.delay = kReplyDelay;
    plan.body = "{\"version\":\"" + request.form.at("version") + "\",\"name\":\"bench\"}";
    return plan;
  });
  const auto targets = FiveTargets();
  norvik::testing::TempFolder folder;
  double slowest_single = 0;
  double list = 0;
  double stall = 0;
  for (auto _ : state) {
    double slowest = 0;
    for (const auto& target : targets) {
      norvik::update::UpdateClient client(server.BaseUrl());
      const auto start = Clock::now();
      const auto result = client.QueryUpdate(target, norvik::update::MakeAppKey(target));
      slowest = std::max(slowest, MsSince(start));
      if (result.status != norvik::update::kStatusUpToDate) state.SkipWithError("no answer");
    }
    norvik::app::SetWndOptions options;
    options.update_base_url = server.BaseUrl();
    options.app_folder = folder.path();
    norvik::app::CSetWnd window(options);
    if (!window.Create()) {
      state.SkipWithError("the window's layout could not be built");
      return;
    }
    window.SetTargets(targets);
    window.show();
    QCoreApplication::processEvents();
    norvik::app::StallMonitor monitor;
    monitor.Start();
    const auto start = Clock::now();
    window.StartCheck();
    while (!window.CheckFinished() && MsSince(start) < 10000) {
      QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    const double took = MsSince(start);
    QCoreApplication::processEvents();
    if (!window.CheckFinished()) state.SkipWithError("the check did not finish");
    state.SetIterationTime(took / 1000.0);
    slowest_single = std::max(slowest_single, slowest);
    list = std::max(list, took);
    stall = std::max(stall, monitor.LongestStallMs());
  }
  state.counters["slowest_single_ms"] = slowest_single;
  state.counters["list_ms"] = list;
  state.counters["ratio"] = slowest_single > 0 ? list / slowest_single : 0;
  state.counters["max_stall_ms"] = stall;
}
BENCHMARK(UpdateCheckOfFiveItems)->UseManualTime()->Iterations(5)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
  ::setenv("no_proxy", "127.0.0.1", 1);
  ::setenv("NO_PROXY", "127.0.0.1", 1);
  QApplication application(argc, argv);
  const std::filesystem::path skin = std::filesystem::path(NORVIK_APP_DIR) / "skin";
  norvik::ui::ResourceManager::Instance().SetResourcePath(skin);
  QFile style(QString::fromStdString((skin / "style.qss").string()));
  if (style.open(QIODevice::ReadOnly)) application.setStyleSheet(QString::fromUtf8(style.readAll()));
  norvik::ui::ResourceManager::Instance().LoadLanguage(QStringLiteral("lan_en.xml"));
  norvik::panels::RegisterControlClasses();
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
