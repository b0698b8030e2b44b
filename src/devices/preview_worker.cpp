#include "devices/preview_worker.h"

#include <utility>

namespace norvik::devices {

PreviewWorker::PreviewWorker(const hid::DeviceIo& io, Animation animation)
    : io_(io), animation_(std::move(animation)) {}

bool PreviewWorker::Start() {
  if (thread_.Running()) return true;
  thread_.StopAndJoin();
  return thread_.Start([this](WorkerThread& self) { Loop(self); },
                       animation_.exit_line ? animation_.exit_line() : std::string());
}

StopOutcome PreviewWorker::Stop() {
  return thread_.StopAndJoin();
}

void PreviewWorker::Loop(WorkerThread& self) {
  auto last_step = std::chrono::steady_clock::now();
  while (!self.StopRequested()) {
    if (!io_.IsOpen()) {
      self.WaitForStop(kClosedChannelNap);
      continue;
    }
    // The program-wide synchroniser drives the lights meanwhile.
    if (io_.IsHeld()) {
      self.WaitForStop(kPreviewIdleWait);
      continue;
    }
    const auto period = animation_.period();
    if (!period) {
      self.WaitForStop(kPreviewIdleWait);
      continue;
    }
    const auto now = std::chrono::steady_clock::now();
    const auto due = last_step + *period;
    if (now < due) {
      self.WaitForStop(std::chrono::duration_cast<std::chrono::milliseconds>(due - now) +
                       std::chrono::milliseconds(1));
      continue;
    }
    last_step = now;
    if (animation_.step() && animation_.changed) animation_.changed();
  }
}

}  // namespace norvik::devices
