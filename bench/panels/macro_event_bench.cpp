// The macro page's event list, offscreen, with the program's English texts.
//
// ShowFullMacro: a 4000-event macro put into a new model and its table view laid out and painted
// (the rows in sight); the time per iteration is how long the list takes to appear (target
// <= 150 ms).
// AppendRecordedEvent: one recorded key event appended after the selected last row of a
// 3999-row list shown in its view (the pause written on the row before, the row added, the
// selection moved and scrolled to, the view's pending work done); the time per iteration is the
// UI thread's cost of one recorded event (target <= 1 ms). Taking the row out again between
// iterations is not timed.

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QCoreApplication>
#include <QTableView>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "panels/macro_event_model.h"
#include "panels/macro_event_view.h"
#include "profiles/macro_editing.h"
#include "profiles/macro_list.h"
#include "profiles/macro_recorder.h"
#include "ui/resource_manager.h"

namespace {

using norvik::panels::MacroEventModel;
using norvik::profiles::MacroEvent;

constexpr int kViewWidth = 420;
constexpr int kViewHeight = 360;

// Key presses and releases of the letters, the first move or click now and then.
std::vector<MacroEvent> TypicalMacro(int count) {
  std::vector<MacroEvent> events;
  events.reserve(static_cast<std::size_t>(count));
  for (int i = 0; i < count; ++i) {
    MacroEvent event;
    event.action = i % 2 == 0 ? "down" : "up";
    event.type = i % 50 == 0 ? 4 : 10;
    event.button = 4 + (i / 2) % 26;
    event.delay = std::to_string(10 + i % 90);
    events.push_back(event);
  }
  return events;
}

void ShowView(QTableView& view) {
  view.resize(kViewWidth, kViewHeight);
  view.show();
  QCoreApplication::processEvents();
}

void ShowFullMacro(benchmark::State& state) {
  const std::vector<MacroEvent> macro = TypicalMacro(norvik::profiles::kMaxMacroEvents);
  for (auto _ : state) {
    MacroEventModel model;
    QTableView view;
    norvik::panels::SetUpMacroEventView(&view, &model);
    model.SetEvents(macro);
    ShowView(view);
    benchmark::DoNotOptimize(view.grab());
  }
}
BENCHMARK(ShowFullMacro)->Unit(benchmark::kMillisecond);

void AppendRecordedEvent(benchmark::State& state) {
  MacroEventModel model;
  model.SetEvents(TypicalMacro(norvik::profiles::kMaxMacroEvents - 1));
  QTableView view;
  norvik::panels::SetUpMacroEventView(&view, &model);
  ShowView(view);
  norvik::profiles::MacroRecorder recorder;
  std::uint32_t tick = 1000;
  recorder.Start(norvik::profiles::MacroTimeMode::Record, tick, 50);
  bool down = true;
  for (auto _ : state) {
    const int last = model.rowCount() - 1;
    norvik::panels::SelectEventRow(&view, last);
    tick += 25;
    const norvik::profiles::MacroEdit edit =
        recorder.AddKey(norvik::profiles::RecordPlacement::After, {{0x1E, false}, down, tick},
                        model.Events(), norvik::panels::SelectedEventRow(&view));
    model.Apply(edit);
    norvik::panels::SelectEventRow(&view, edit.selection);
    QCoreApplication::processEvents();
    if (model.rowCount() != last + 2) {
      state.SkipWithError("the recorded event was not appended");
      break;
    }
    down = !down;
    state.PauseTiming();
    model.Apply(norvik::profiles::DeleteEvent(model.Events(), model.rowCount() - 1));
    state.ResumeTiming();
  }
}
BENCHMARK(AppendRecordedEvent)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  norvik::ui::ResourceManager::Instance().SetResourcePath(NORVIK_SKIN_DIR);
  if (!norvik::ui::ResourceManager::Instance().LoadLanguage(QStringLiteral("lan_en.xml"))) {
    std::fprintf(stderr, "the English texts could not be read from %s\n", NORVIK_SKIN_DIR);
    return 1;
  }
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
