#include "app/lighting_sync_thread.h"

#include <span>

#include "devices/headset_driver.h"

namespace norvik::app {

namespace {

std::uint64_t NowMs() {
  return static_cast<std::uint64_t>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                        std::chrono::steady_clock::now().time_since_epoch())
                                        .count());
}

}  // namespace

LightingSyncThread::LightingSyncThread(std::vector<devices::DeviceDriver*> drivers)
    : drivers_(std::move(drivers)) {}

LightingSyncThread::~LightingSyncThread() {
  Stop(kSyncIdleWait);
}

bool LightingSyncThread::Start() {
  return thread_.Start([this](devices::WorkerThread& self) { Body(self); }, kSyncThreadExitLine);
}

devices::StopOutcome LightingSyncThread::Stop(std::chrono::milliseconds bound) {
  return thread_.StopAndJoin(bound);
}

void LightingSyncThread::SetParameters(const devices::SyncParameters& parameters) {
  std::lock_guard lock(mutex_);
  sync_.SetParameters(parameters);
}

std::uint64_t LightingSyncThread::FramesSent() const {
  std::lock_guard lock(mutex_);
  return frames_;
}

std::uint64_t LightingSyncThread::IdleWakes() const {
  std::lock_guard lock(mutex_);
  return idle_wakes_;
}

void LightingSyncThread::HandFrame(devices::DeviceDriver& driver, std::uint32_t frame) {
  if (auto* headset = dynamic_cast<devices::HeadsetDriver*>(&driver)) {
    headset->ApplySyncFrame(frame);
    return;
  }
  const devices::LedEntry entry = devices::UnpackLedEntry(frame);
  driver.Leds().Update([&entry](std::span<devices::LedEntry> entries) {
    for (devices::LedEntry& e : entries) e = entry;
  });
}

bool LightingSyncThread::AnyHeld(const std::vector<devices::DeviceDriver*>& drivers) {
  for (const devices::DeviceDriver* driver : drivers) {
    if (driver && driver->IsOpen() && driver->Io().IsHeld()) return true;
  }
  return false;
}

void LightingSyncThread::Body(devices::WorkerThread& self) {
  while (!self.WaitForStop(kSyncTickWait)) {
    if (!AnyHeld(drivers_)) {
      {
        std::lock_guard lock(mutex_);
        ++idle_wakes_;
      }
      if (self.WaitForStop(kSyncIdleWait)) return;
      continue;
    }
    std::optional<std::uint32_t> frame;
    {
      std::lock_guard lock(mutex_);
      frame = sync_.Step(NowMs());
      if (frame) ++frames_;
    }
    if (!frame) continue;
    for (devices::DeviceDriver* driver : drivers_) {
      if (driver) HandFrame(*driver, *frame);
    }
  }
}

}  // namespace norvik::app
