#include "app/lighting_sync_controller.h"

#include <algorithm>
#include <array>

#include "app/lighting_sync_thread.h"
#include "base/debug_trace.h"
#include "devices/device_snapshot.h"

namespace norvik::app {
namespace {

using devices::SyncGroup;
using profiles::LightState;

constexpr std::array kGroupOrder = {SyncGroup::Keyboards, SyncGroup::Mice, SyncGroup::MousePads,
                                    SyncGroup::Headsets};

hid::DeviceKind KindOf(const panels::CVelmoranUSBDevice& panel) {
  return static_cast<hid::DeviceKind>(panel.Kind());
}

// What a light write on the worker hands back to the UI thread.
struct WriteResult {
  devices::LightWrite write;
  devices::DeviceSnapshot snapshot;
  std::uint64_t edits_seen = 0;
};

}  // namespace

LightingSyncController::LightingSyncController(Environment environment)
    : env_(std::move(environment)), effect_(devices::SyncParameters{}.effect) {}

bool LightingSyncController::Write(panels::CVelmoranUSBDevice& panel, devices::LightMaker make,
                                   std::function<void(const devices::LightWrite&)> done) {
  const panels::CVelmoranUSBDevice* source = &panel;
  QPointer<panels::CVelmoranUSBDevice> shown(&panel);
  return panel.RunOnDevice<WriteResult>(
      {},
      [make = std::move(make), source](devices::DeviceDriver& driver) {
        WriteResult result;
        result.edits_seen = source->EditsApplied();
        result.write = devices::WriteLight(driver, make);
        result.snapshot = devices::TakeSnapshot(driver);
        return result;
      },
      [shown, done = std::move(done)](WriteResult result) {
        if (shown) shown->ApplySnapshot(std::move(result.snapshot), result.edits_seen);
        if (done) done(result.write);
      });
}

void LightingSyncController::SynchroniseDevices() {
  panels::CVelmoranUSBDevice* leader = env_.selected ? env_.selected() : nullptr;
  if (leader == nullptr || !leader->IsChannelOpen() || !leader->Snapshot().profile_loaded) return;
  // The values the leader's pages show (they take the user's changes at once).
  Follow(leader->Snapshot().values.light, KindOf(*leader));
}

void LightingSyncController::Follow(const LightState& leader, hid::DeviceKind leader_kind) {
  const auto effect = devices::SyncEffectOfMode(leader_kind, leader.SelectItem, effect_);
  if (!effect) {
    DebugTraceF("lighting synchronisation: mode %d has no common effect, nothing changed",
                leader.SelectItem);
    return;
  }
  effect_ = *effect;
  if (env_.thread) env_.thread->SetParameters(devices::SyncParametersOf(leader, effect_));
  const std::vector<panels::CVelmoranUSBDevice*> all =
      env_.panels ? env_.panels() : std::vector<panels::CVelmoranUSBDevice*>{};
  for (const SyncGroup group : kGroupOrder) {
    const int mode = devices::ModeOfSyncEffect(group, effect_);
    for (panels::CVelmoranUSBDevice* panel : all) {
      if (panel == nullptr || !panel->IsChannelOpen() ||
          devices::SyncGroupOf(KindOf(*panel)) != group)
        continue;
      // From now on the synchroniser drives this device's lights.
      panel->Driver()->Io().SetHold(true);
      Write(*panel, [leader, mode](const LightState& own) -> std::optional<LightState> {
        return devices::FollowLight(own, leader, mode);
      });
    }
  }
}

void LightingSyncController::GameLighting(int form, int mode) {
  if (env_.start_restore_timer) env_.start_restore_timer();
  panels::CVelmoranUSBDevice* panel = env_.selected ? env_.selected() : nullptr;
  if (panel == nullptr) return;
  if (devices::DeviceDriver* driver = panel->Driver()) driver->Io().SetHold(false);
  if (!devices::GameLight({}, form, mode)) return;
  auto found = std::find_if(restores_.begin(), restores_.end(),
                            [panel](const Restore& r) { return r.panel == panel; });
  if (found == restores_.end()) {
    restores_.push_back(Restore{panel, std::make_shared<std::optional<LightState>>()});
    found = std::prev(restores_.end());
  }
  // Taken by the first game write only, so a second game message before the restore still
  // brings back the device's own lighting. Only the panel's worker touches it.
  std::shared_ptr<std::optional<LightState>> own = found->own;
  Write(*panel, [form, mode, own](const LightState& current) {
    if (!own->has_value()) *own = current;
    return devices::GameLight(current, form, mode);
  });
}

void LightingSyncController::RestoreAfterGame() {
  Restores due;
  due.swap(restores_);
  for (const Restore& restore : due) {
    if (!restore.panel) continue;
    std::shared_ptr<std::optional<LightState>> own = restore.own;
    Write(*restore.panel, [own](const LightState&) { return *own; });
  }
}

void LightingSyncController::RestoreBeforeExit(std::chrono::milliseconds bound) {
  std::vector<QPointer<panels::CVelmoranUSBDevice>> waiting;
  for (const Restore& restore : restores_) waiting.push_back(restore.panel);
  RestoreAfterGame();
  for (const QPointer<panels::CVelmoranUSBDevice>& panel : waiting) {
    if (panel) panel->Work().WaitIdle(bound);
  }
}

}  // namespace norvik::app
