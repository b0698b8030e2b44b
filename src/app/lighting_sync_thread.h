#pragma once
// Thread slot 8 of the main window: the lighting synchroniser. Active while any device taking
// part in synchronisation (open channel, hold flag set) is there; then it counts 1 ms ticks and
// hands each frame of devices::LightingSync to every driver. Idle, it looks again once a
// second. A stop is seen at once in both states (the waits end on the stop signal).

#include <chrono>
#include <cstdint>
#include <mutex>
#include <vector>

#include "devices/device_driver.h"
#include "devices/lighting_sync.h"
#include "devices/worker_thread.h"

namespace norvik::app {

inline constexpr char kSyncThreadExitLine[] =
    "同步灯光线程设定退出 (lighting synchroniser thread ends)";
inline constexpr std::chrono::milliseconds kSyncTickWait{1};
inline constexpr std::chrono::milliseconds kSyncIdleWait{1000};

class LightingSyncThread {
 public:
  // drivers are not owned and must outlive the thread (stop it first).
  explicit LightingSyncThread(std::vector<devices::DeviceDriver*> drivers);
  ~LightingSyncThread();

  bool Start();
  devices::StopOutcome Stop(std::chrono::milliseconds bound);
  bool Running() const { return thread_.Running(); }

  // The values of the user's "same mode for every device" choice.
  void SetParameters(const devices::SyncParameters& parameters);
  std::uint64_t FramesSent() const;
  std::uint64_t IdleWakes() const;

  // One frame to every driver (the headset paints every light; the others take the frame in
  // every LED entry).
  static void HandFrame(devices::DeviceDriver& driver, std::uint32_t frame);
  // Any open channel with its hold flag set.
  static bool AnyHeld(const std::vector<devices::DeviceDriver*>& drivers);

 private:
  void Body(devices::WorkerThread& self);

  std::vector<devices::DeviceDriver*> drivers_;
  mutable std::mutex mutex_;
  devices::LightingSync sync_;
  std::uint64_t frames_ = 0;
  std::uint64_t idle_wakes_ = 0;
  devices::WorkerThread thread_;
};

}  // namespace norvik::app
