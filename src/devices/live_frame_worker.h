#pragma once
// The live-frame worker of a device: while the channel is open and live lighting is on, it
// asks the device for a live colour frame every 5 ms on the direct link and every 500 ms on
// the receiver link (what the selector item's timer does in the program). It also owns the
// pause after a failed frame, which its stop cuts short.

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>

#include "devices/worker_thread.h"
#include "hid/device_io.h"

namespace norvik::devices {

inline constexpr std::chrono::milliseconds kLiveFrameFailurePause{200};
inline constexpr std::chrono::milliseconds kLiveFramePeriodDirect{5};
inline constexpr std::chrono::milliseconds kLiveFramePeriodReceiver{500};

class LiveFrameWorker {
 public:
  // io is not owned and must outlive the worker; send_frame runs on the worker thread.
  LiveFrameWorker(const hid::DeviceIo& io, std::function<void()> send_frame);

  bool Start();
  // Stops the thread and cuts a pause short.
  StopOutcome Stop();
  bool Running() const { return thread_.Running(); }

  // Live lighting (default on): frames are sent only while it is on.
  void SetLive(bool on) { live_.store(on); }
  bool IsLive() const { return live_.load(); }

  // Sleeps up to duration; returns early (false) when Stop or InterruptPauses comes.
  bool Pause(std::chrono::milliseconds duration);
  void InterruptPauses();

 private:
  void Loop(WorkerThread& self);

  const hid::DeviceIo& io_;
  const std::function<void()> send_frame_;
  std::atomic<bool> live_{true};
  std::mutex pause_mutex_;
  std::condition_variable pause_cv_;
  std::uint64_t pause_generation_ = 0;
  WorkerThread thread_;
};

}  // namespace norvik::devices
