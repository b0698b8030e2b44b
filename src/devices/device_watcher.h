#pragma once
// The device watcher: keeps a working copy of the supported-interface table whose connected
// flags and paths follow the bus, and tells its owner when a row was bound to a newly present
// interface (arrival) or its interface went away (removal). One pass every 100 ms on its own
// thread; a pass enumerates and open-tests only when the bus may have changed (the backend's
// change counter, or an inotify watch on /dev for the real bus), with a full pass every few
// seconds as a fallback and after a probing open that failed.
//
// Callbacks run synchronously on the thread doing the pass (the watcher thread, or the caller of
// RunPass), so the next path is matched only after the previous arrival has been handled. A
// callback must not stop or destroy the watcher; it may read Copy().

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "devices/worker_thread.h"
#include "hid/hid_backend.h"
#include "hid/hid_interface_table.h"

namespace norvik::devices {

inline constexpr std::chrono::milliseconds kWatcherPassInterval{100};
inline constexpr std::chrono::milliseconds kWatcherFullPassInterval{3000};
// The main window gives each of its threads this long to end.
inline constexpr std::chrono::milliseconds kWatcherStopBound{1000};
inline constexpr char kWatcherExitLine[] = "抓取设备线程设定退出 (device watcher ends)";

struct WatcherOptions {
  std::chrono::milliseconds pass_interval = kWatcherPassInterval;
  // When the bus can signal changes, a full pass still runs at least this often.
  std::chrono::milliseconds full_pass_interval = kWatcherFullPassInterval;
  // For a backend without a change counter: watch this folder for hidraw nodes coming and going
  // (Linux inotify). Empty: no watch, every pass is a full pass.
  std::filesystem::path device_node_folder;
  // A supported node this user may not open is tried again at this many more passes (the
  // seat's access is applied slightly after the node appears) before it is reported.
  int access_retries = 3;
};

// A supported device whose node is present but refused to this user.
struct DeniedDevice {
  hid::DeviceKind kind = hid::DeviceKind::Keyboard;
  std::uint16_t vendor_id = 0;
  std::uint16_t product_id = 0;
  std::string path;  // the first refused path of the device
  bool operator==(const DeniedDevice&) const = default;
};

// What one pass did (for tests and the benchmark).
struct WatcherPassSummary {
  bool full = false;        // enumerated and/or open-tested
  bool enumerated = false;  // the bus was listed
  int arrivals = 0;
  int removals = 0;
  int failed_probes = 0;  // candidates whose probing open failed (retried next pass)
};

// Whether the bus may have changed since the last look.
class BusChangeDetector {
 public:
  virtual ~BusChangeDetector() = default;
  // True when a change may have happened since the previous call (always true for a detector
  // that cannot tell).
  virtual bool Changed() = 0;
  // False when the detector cannot tell changes at all (every pass is then a full pass).
  virtual bool CanTell() const = 0;
};

// The detector for backend: its change counter when it has one, else an inotify watch of
// options.device_node_folder when given and available, else one that always says "changed".
std::unique_ptr<BusChangeDetector> MakeBusChangeDetector(hid::HidBackend& backend,
                                                         const WatcherOptions& options);

class DeviceWatcher {
 public:
  // row: the copy row bound or freed; copy: the whole working copy after the change.
  using RowCallback = std::function<void(std::size_t row, const hid::HidInterfaceCopy& copy)>;
  using FirstScanCallback = std::function<void()>;

  // backend is not owned and must outlive the watcher.
  explicit DeviceWatcher(hid::HidBackend& backend, WatcherOptions options = {});
  ~DeviceWatcher();
  DeviceWatcher(const DeviceWatcher&) = delete;
  DeviceWatcher& operator=(const DeviceWatcher&) = delete;

  // Set before Start (or between passes on the caller's thread).
  void SetArrivalCallback(RowCallback callback);
  void SetRemovalCallback(RowCallback callback);
  // Called once, after the first enumeration of the watcher's life.
  void SetFirstScanCallback(FirstScanCallback callback);
  // Called whenever the reported refused devices change (also to none).
  using DeniedCallback = std::function<void(const std::vector<DeniedDevice>& denied)>;
  void SetDeniedCallback(DeniedCallback callback);

  // Starts the watcher thread. False when it runs already.
  bool Start();
  // Signals the stop and joins (the thread looks at its stop flag at least every 100 ms).
  StopOutcome Stop(std::chrono::milliseconds bound = kWatcherStopBound);
  bool Running() const { return thread_.Running(); }
  // Runs the next pass at once, as a full pass (e.g. from the emulated bus's change callback).
  void Poke();

  // One pass on the calling thread, exactly as the thread runs it; force makes it a full pass.
  // Passes never overlap: a call waits for a running pass of the thread.
  WatcherPassSummary RunPass(bool force = false);

  // A snapshot of the working copy.
  hid::HidInterfaceCopy Copy() const;
  bool FirstScanDone() const;
  // Waits up to timeout for the first enumeration; true when it happened.
  bool WaitForFirstScan(std::chrono::milliseconds timeout) const;
  std::uint64_t EnumerationCount() const;
  // The refused devices reported after their retries, one per device.
  std::vector<DeniedDevice> DeniedDevices() const;
  // True while a refused node is still being retried (not yet reported).
  bool AccessCheckPending() const;
  std::uint64_t PassCount() const;

 private:
  void ThreadBody(WorkerThread& self);
  WatcherPassSummary PassLocked(bool force);
  void BindPresentPaths(WatcherPassSummary& summary);
  void TestBoundPaths(WatcherPassSummary& summary);
  // A candidate whose probe failed: counts a refusal; true when it is to be retried next pass.
  bool NoteRefusal(const std::string& path, const hid::HidPathIds& ids);
  void ForgetRefusals(const std::vector<std::string>& present);
  void Publish();

  hid::HidBackend& backend_;
  const WatcherOptions options_;
  std::unique_ptr<BusChangeDetector> detector_;

  RowCallback on_arrival_;
  RowCallback on_removal_;
  FirstScanCallback on_first_scan_;
  DeniedCallback on_denied_;

  // Refused candidate paths and how many passes refused each (pass thread only).
  std::map<std::string, int> refusals_;
  std::vector<DeniedDevice> denied_;  // reported; published under state_mutex_ as well
  bool denied_changed_ = false;

  // Held for a whole pass; only the pass touches the working copy.
  std::mutex pass_mutex_;
  hid::HidInterfaceCopy copy_;
  bool retry_ = false;
  std::chrono::steady_clock::time_point last_full_{};
  bool any_full_ = false;

  // Guards what other threads read: the published copy and the counters.
  mutable std::mutex state_mutex_;
  mutable std::condition_variable first_scan_cv_;
  hid::HidInterfaceCopy published_;
  std::vector<DeniedDevice> published_denied_;
  bool check_pending_ = false;
  bool first_scan_done_ = false;
  std::uint64_t enumerations_ = 0;
  std::uint64_t passes_ = 0;

  std::atomic<bool> poked_{false};
  WorkerThread thread_;
};

}  // namespace norvik::devices
