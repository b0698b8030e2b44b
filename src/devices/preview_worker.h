#pragma once
// The lighting preview thread of a device: steps the device's animation over its LED entries
// at the pace of the current mode while the channel is open and the program-wide synchroniser
// does not hold the device.

#include <chrono>
#include <functional>
#include <optional>
#include <string>

#include "devices/worker_thread.h"
#include "hid/device_io.h"

namespace norvik::devices {

inline constexpr std::chrono::milliseconds kClosedChannelNap{100};
// The preview counts in ticks of the system clock the animations were designed for.
inline constexpr std::chrono::milliseconds kPreviewTick{16};
// Longest wait of the preview between two looks at its mode (static modes).
inline constexpr std::chrono::milliseconds kPreviewIdleWait{100};

class PreviewWorker {
 public:
  // What the device animates; every function is called on the preview thread.
  struct Animation {
    // Time between two steps; nullopt when the current mode does not animate.
    std::function<std::optional<std::chrono::milliseconds>()> period;
    // One step over the LED entries; true when they changed.
    std::function<bool()> step;
    // After a step that changed the entries (the repaint).
    std::function<void()> changed;
    // The line the thread writes when it ends.
    std::function<std::string()> exit_line;
  };

  // io is not owned and must outlive the worker.
  PreviewWorker(const hid::DeviceIo& io, Animation animation);

  // Starts the thread; a running one is kept.
  bool Start();
  // Stops the thread (500 ms bound).
  StopOutcome Stop();
  // Makes the thread look at its mode again at once (after a mode or speed change).
  void Wake() { thread_.Wake(); }
  bool Running() const { return thread_.Running(); }

 private:
  void Loop(WorkerThread& self);

  const hid::DeviceIo& io_;
  const Animation animation_;
  WorkerThread thread_;
};

}  // namespace norvik::devices
