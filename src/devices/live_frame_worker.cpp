#include "devices/live_frame_worker.h"

#include <utility>

#include "devices/preview_worker.h"

namespace norvik::devices {

LiveFrameWorker::LiveFrameWorker(const hid::DeviceIo& io, std::function<void()> send_frame)
    : io_(io), send_frame_(std::move(send_frame)) {}

bool LiveFrameWorker::Start() {
  if (thread_.Running()) return true;
  thread_.StopAndJoin();
  return thread_.Start([this](WorkerThread& self) { Loop(self); });
}

StopOutcome LiveFrameWorker::Stop() {
  thread_.RequestStop();
  InterruptPauses();
  return thread_.StopAndJoin();
}

void LiveFrameWorker::Loop(WorkerThread& self) {
  while (!self.StopRequested()) {
    if (!io_.IsOpen() || !IsLive()) {
      self.WaitForStop(kClosedChannelNap);
      continue;
    }
    send_frame_();
    self.WaitForStop(io_.IsWireless() ? kLiveFramePeriodReceiver : kLiveFramePeriodDirect);
  }
}

bool LiveFrameWorker::Pause(std::chrono::milliseconds duration) {
  std::unique_lock lock(pause_mutex_);
  const std::uint64_t generation = pause_generation_;
  return !pause_cv_.wait_for(lock, duration, [&] { return pause_generation_ != generation; });
}

void LiveFrameWorker::InterruptPauses() {
  std::lock_guard lock(pause_mutex_);
  ++pause_generation_;
  pause_cv_.notify_all();
}

}  // namespace norvik::devices
