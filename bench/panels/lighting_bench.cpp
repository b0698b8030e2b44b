// The lighting page's work on the UI thread, with the real keyboard layout (126 key buttons),
// offscreen, the panel shown.
//
// LiveFrame: one frame of a running wave effect on the picture: the effect stepped over the LED
// entries (the preview thread's part, counted here too), the panel's periodic pass recolouring
// the key buttons, and the picture painted. Counter core_pct_at_30fps = the share of one core
// that 30 such frames a second take (target <= 5 %). Counters are the UI thread's CPU time
// (the machine may be shared).
// IdleTick: the periodic pass when nothing changed (it runs every 5 ms on a cable link);
// core_pct = its share of one core at that rate.
// RubberBandMove: one mouse move of a drag over all 126 keys in the custom colour mode, sent to
// a key button as the user's mouse would (the page hands it to the picture), the picture then
// painted. RubberBandRelease: the release that marks every key the band touches. Target for
// both: <= 8 ms per event.

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QCoreApplication>
#include <QMouseEvent>
#include <cstdio>
#include <ctime>
#include <memory>

#include "devices/keyboard_driver.h"
#include "devices/light_preview.h"
#include "panels/control_registry.h"
#include "panels/controls_picture.h"
#include "panels/light_control.h"
#include "panels/velmoran_usb_device.h"
#include "support/temp_folder.h"
#include "ui/dialog_builder.h"
#include "ui/resource_manager.h"

namespace {

using norvik::panels::CDeviceKeyButtonUI;
using norvik::panels::CLightControlUI;
using norvik::panels::CVelmoranUSBDevice;

constexpr int kFramesPerSecond = 30;
constexpr int kIdleTicksPerSecond = 200;  // one pass each 5 ms

class Callback : public norvik::ui::IDialogBuilderCallback {
 public:
  QWidget* CreateControl(const QString& class_name, QWidget* parent) override {
    return norvik::panels::CreateControlByTag(class_name, parent);
  }
};

struct KeyboardRig {
  // The driver's profile folder is a temporary one, never the working directory.
  KeyboardRig() : driver(nullptr, norvik::devices::DeviceFolders{folder.path(), {}}) {
    Callback callback;
    panel.reset(qobject_cast<CVelmoranUSBDevice*>(norvik::ui::BuildLayout(
        QStringLiteral("XML\\DeviceXml\\keyboarddevice.xml"), &callback, nullptr)));
    if (!panel) return;
    norvik::hid::HidInterfaceRow row{};
    row.device_kind = norvik::hid::DeviceKind::Keyboard;
    panel->SetIdentity(row);
    panel->SetLightCount(126);
    panel->SetKeyCount(126);
    panel->SetDriver(&driver);
    panel->Initialise();
    panel->resize(1120, 720);
    panel->show();
    // The pages take input once the device's values are there.
    panel->SetValuesReady(true);
    panel->RefreshPanel();
    page = panel->findChild<CLightControlUI*>();
    QCoreApplication::processEvents();
  }
  ~KeyboardRig() { panel.reset(); }

  norvik::testing::TempFolder folder;  // before the driver, which uses it
  norvik::devices::KeyboardDriver driver;
  std::unique_ptr<CVelmoranUSBDevice> panel;
  CLightControlUI* page = nullptr;
};

// Made on first use, gone before the application object is.
std::unique_ptr<KeyboardRig> g_rig;
KeyboardRig& Rig() {
  if (!g_rig) g_rig = std::make_unique<KeyboardRig>();
  return *g_rig;
}

// CPU time of the calling (UI) thread: what the work costs that thread, whatever else runs on
// the machine.
double ThreadSeconds() {
  timespec now{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

void LiveFrame(benchmark::State& state) {
  KeyboardRig& rig = Rig();
  if (!rig.panel || rig.panel->SelectPanel() == nullptr) {
    state.SkipWithError("the keyboard layout did not build");
    return;
  }
  norvik::profiles::LightState light;
  light.SelectItem = 1;
  light.Light = 4;
  light.MultiColor = 1;
  norvik::devices::LightPreview preview(norvik::devices::KeyboardPreviewLayout());
  rig.driver.Leds().Update(
      [&](auto leds) { preview.Reset(norvik::devices::PreviewEffect::Wave, light, leds); });
  QWidget* picture = rig.panel->SelectPanel();
  double total = 0;
  for (auto _ : state) {
    const double start = ThreadSeconds();
    rig.driver.Leds().Update([&](auto leds) { preview.Step(leds); });
    rig.panel->PeriodicWork();
    picture->repaint();
    total += ThreadSeconds() - start;
  }
  const double per_frame = total / static_cast<double>(state.iterations());
  state.counters["ms_per_frame"] = per_frame * 1e3;
  state.counters["core_pct_at_30fps"] = per_frame * kFramesPerSecond * 100.0;
}
BENCHMARK(LiveFrame)->Unit(benchmark::kMicrosecond);

void IdleTick(benchmark::State& state) {
  KeyboardRig& rig = Rig();
  if (!rig.panel) {
    state.SkipWithError("the keyboard layout did not build");
    return;
  }
  rig.panel->PeriodicWork();
  double total = 0;
  for (auto _ : state) {
    const double start = ThreadSeconds();
    benchmark::DoNotOptimize(rig.panel->PeriodicWork());
    total += ThreadSeconds() - start;
  }
  const double per_tick = total / static_cast<double>(state.iterations());
  state.counters["core_pct"] = per_tick * kIdleTicksPerSecond * 100.0;
}
BENCHMARK(IdleTick)->Unit(benchmark::kMicrosecond);

void Send(QWidget* target, QEvent::Type type, QPoint at, Qt::MouseButtons buttons) {
  QMouseEvent event(type, QPointF(at), QPointF(target->mapToGlobal(at)), Qt::LeftButton, buttons,
                    Qt::NoModifier);
  QCoreApplication::sendEvent(target, &event);
}

// The custom colour mode, a press on the first key: the drag starts there.
CDeviceKeyButtonUI* StartDrag(KeyboardRig& rig) {
  rig.page->ApplyMode(norvik::panels::kCustomColourMode);
  CDeviceKeyButtonUI* first = rig.panel->LightButtons().front();
  Send(first, QEvent::MouseButtonPress, QPoint(2, 2), Qt::LeftButton);
  return first;
}

void RubberBandMove(benchmark::State& state) {
  KeyboardRig& rig = Rig();
  if (!rig.panel || rig.page == nullptr || rig.panel->LightButtons().empty()) {
    state.SkipWithError("the keyboard page did not build");
    return;
  }
  CDeviceKeyButtonUI* first = StartDrag(rig);
  QWidget* picture = rig.panel->SelectPanel();
  const QPoint far = first->mapFrom(picture, QPoint(picture->width() - 2, picture->height() - 2));
  int n = 0;
  double total = 0;
  for (auto _ : state) {
    const double start = ThreadSeconds();
    Send(first, QEvent::MouseMove, far - QPoint(n++ % 7, 0), Qt::LeftButton);
    picture->repaint();
    total += ThreadSeconds() - start;
  }
  state.counters["ui_ms_per_move"] = total / static_cast<double>(state.iterations()) * 1e3;
  Send(first, QEvent::MouseButtonRelease, far, Qt::NoButton);
}
BENCHMARK(RubberBandMove)->Unit(benchmark::kMicrosecond);

void RubberBandRelease(benchmark::State& state) {
  KeyboardRig& rig = Rig();
  if (!rig.panel || rig.page == nullptr || rig.panel->LightButtons().empty()) {
    state.SkipWithError("the keyboard page did not build");
    return;
  }
  QWidget* picture = rig.panel->SelectPanel();
  std::size_t selected = 0;
  double total = 0;
  for (auto _ : state) {
    state.PauseTiming();
    CDeviceKeyButtonUI* first = StartDrag(rig);
    const QPoint far = first->mapFrom(picture, QPoint(picture->width() - 2, picture->height() - 2));
    Send(first, QEvent::MouseMove, far, Qt::LeftButton);
    state.ResumeTiming();
    const double start = ThreadSeconds();
    Send(first, QEvent::MouseButtonRelease, far, Qt::NoButton);
    picture->repaint();
    total += ThreadSeconds() - start;
    state.PauseTiming();
    selected = rig.page->SelectedLights().size();
    state.ResumeTiming();
  }
  // Every shown key of the picture is under the band.
  state.counters["keys_selected"] = static_cast<double>(selected);
  state.counters["ui_ms_per_release"] = total / static_cast<double>(state.iterations()) * 1e3;
}
BENCHMARK(RubberBandRelease)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  norvik::panels::RegisterControlClasses();
  norvik::ui::ResourceManager::Instance().SetResourcePath(NORVIK_SKIN_DIR);
  if (!norvik::ui::ResourceManager::Instance().LoadLanguage(QStringLiteral("lan_en.xml"))) {
    std::fprintf(stderr, "no language file under %s\n", NORVIK_SKIN_DIR);
    return 1;
  }
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  g_rig.reset();
  return 0;
}
