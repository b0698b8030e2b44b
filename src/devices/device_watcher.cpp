#include "devices/device_watcher.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "base/debug_trace.h"
#include "hid/hid_device.h"

#if defined(__linux__)
#include <sys/inotify.h>
#include <unistd.h>

#include <cerrno>
#endif

namespace norvik::devices {

namespace {

// Follows the backend's counter; a counter read before a pass makes a change during the pass
// show at the next one.
class CounterDetector final : public BusChangeDetector {
 public:
  explicit CounterDetector(hid::HidBackend& backend) : backend_(backend) {}
  bool Changed() override {
    const auto now = backend_.ChangeCounter();
    if (!now) return true;
    const bool changed = !seen_ || *seen_ != *now;
    seen_ = now;
    return changed;
  }
  bool CanTell() const override { return true; }

 private:
  hid::HidBackend& backend_;
  std::optional<std::uint64_t> seen_;
};

class AlwaysChanged final : public BusChangeDetector {
 public:
  bool Changed() override { return true; }
  bool CanTell() const override { return false; }
};

#if defined(__linux__)
inline constexpr std::string_view kHidrawNodePrefix = "hidraw";

// Watches a device folder for hidraw nodes being created, removed or given new permissions
// (udev sets the access rights after creating the node).
class DeviceNodeDetector final : public BusChangeDetector {
 public:
  static std::unique_ptr<DeviceNodeDetector> Create(const std::filesystem::path& folder) {
    const int fd = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (fd < 0) return nullptr;
    const std::uint32_t mask = IN_CREATE | IN_DELETE | IN_ATTRIB | IN_MOVED_FROM | IN_MOVED_TO |
                               IN_DELETE_SELF | IN_MOVE_SELF;
    if (inotify_add_watch(fd, folder.c_str(), mask) < 0) {
      close(fd);
      return nullptr;
    }
    return std::make_unique<DeviceNodeDetector>(fd);
  }
  // Takes over an inotify descriptor.
  explicit DeviceNodeDetector(int fd) : fd_(fd) {}
  ~DeviceNodeDetector() override { close(fd_); }
  DeviceNodeDetector(const DeviceNodeDetector&) = delete;
  DeviceNodeDetector& operator=(const DeviceNodeDetector&) = delete;

  bool Changed() override {
    bool changed = first_;
    first_ = false;
    alignas(inotify_event) std::array<char, 4096> buffer;
    for (;;) {
      const ssize_t got = read(fd_, buffer.data(), buffer.size());
      if (got < 0) {
        // EAGAIN: drained. Anything else: the watch cannot be trusted any more.
        if (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR) changed = true;
        break;
      }
      if (got == 0) break;
      std::size_t at = 0;
      while (at + sizeof(inotify_event) <= static_cast<std::size_t>(got)) {
        inotify_event event;
        std::memcpy(&event, buffer.data() + at, sizeof(event));
        const std::size_t name_at = at + sizeof(inotify_event);
        std::string_view name;
        if (event.len > 0 && name_at + event.len <= static_cast<std::size_t>(got)) {
          name = std::string_view(buffer.data() + name_at,
                                  strnlen(buffer.data() + name_at, event.len));
        }
        if ((event.mask & (IN_Q_OVERFLOW | IN_DELETE_SELF | IN_MOVE_SELF | IN_IGNORED)) != 0 ||
            name.substr(0, kHidrawNodePrefix.size()) == kHidrawNodePrefix) {
          changed = true;
        }
        at = name_at + event.len;
      }
    }
    return changed;
  }
  bool CanTell() const override { return true; }

 private:
  int fd_;
  bool first_ = true;
};
#endif

}  // namespace

std::unique_ptr<BusChangeDetector> MakeBusChangeDetector(hid::HidBackend& backend,
                                                         const WatcherOptions& options) {
  if (backend.ChangeCounter()) return std::make_unique<CounterDetector>(backend);
#if defined(__linux__)
  if (!options.device_node_folder.empty()) {
    if (auto detector = DeviceNodeDetector::Create(options.device_node_folder)) return detector;
    DebugTraceF("device watcher: no change watch on %s, listing the bus on every pass",
                options.device_node_folder.c_str());
  }
#else
  (void)options;
#endif
  return std::make_unique<AlwaysChanged>();
}

DeviceWatcher::DeviceWatcher(hid::HidBackend& backend, WatcherOptions options)
    : backend_(backend),
      options_(std::move(options)),
      detector_(MakeBusChangeDetector(backend_, options_)),
      copy_(hid::MakeHidInterfaceCopy()),
      published_(copy_) {}

DeviceWatcher::~DeviceWatcher() {
  Stop();
}

void DeviceWatcher::SetArrivalCallback(RowCallback callback) {
  std::lock_guard lock(pass_mutex_);
  on_arrival_ = std::move(callback);
}

void DeviceWatcher::SetRemovalCallback(RowCallback callback) {
  std::lock_guard lock(pass_mutex_);
  on_removal_ = std::move(callback);
}

void DeviceWatcher::SetFirstScanCallback(FirstScanCallback callback) {
  std::lock_guard lock(pass_mutex_);
  on_first_scan_ = std::move(callback);
}

void DeviceWatcher::SetDeniedCallback(DeniedCallback callback) {
  std::lock_guard lock(pass_mutex_);
  on_denied_ = std::move(callback);
}

bool DeviceWatcher::Start() {
  return thread_.Start([this](WorkerThread& self) { ThreadBody(self); }, kWatcherExitLine);
}

StopOutcome DeviceWatcher::Stop(std::chrono::milliseconds bound) {
  return thread_.StopAndJoin(bound);
}

void DeviceWatcher::Poke() {
  poked_.store(true);
  thread_.Wake();
}

void DeviceWatcher::ThreadBody(WorkerThread& self) {
  while (!self.StopRequested()) {
    const bool force = poked_.exchange(false);
    {
      std::lock_guard lock(pass_mutex_);
      PassLocked(force);
    }
    if (self.WaitForStop(options_.pass_interval)) break;
  }
}

WatcherPassSummary DeviceWatcher::RunPass(bool force) {
  std::lock_guard lock(pass_mutex_);
  return PassLocked(force);
}

WatcherPassSummary DeviceWatcher::PassLocked(bool force) {
  WatcherPassSummary summary;
  const auto now = std::chrono::steady_clock::now();
  // Asked every pass so the detector keeps up with the bus even when a full pass is due anyway.
  const bool changed = detector_->Changed();
  const bool due = !any_full_ || now - last_full_ >= options_.full_pass_interval;
  if (force || changed || retry_ || due) {
    summary.full = true;
    any_full_ = true;
    last_full_ = now;
    retry_ = false;
    BindPresentPaths(summary);
    TestBoundPaths(summary);
  }
  std::lock_guard lock(state_mutex_);
  ++passes_;
  return summary;
}

void DeviceWatcher::BindPresentPaths(WatcherPassSummary& summary) {
  bool any_free = false;
  for (const auto& binding : copy_) any_free = any_free || binding.IsFree();
  if (!any_free) return;

  const auto paths = backend_.EnumeratePaths();
  summary.enumerated = true;
  if (paths) {
    for (const std::string& path : *paths) {
      const hid::HidPathIds ids = hid::ParseHidPathIds(path);
      if (!hid::IsCandidatePath(ids, copy_)) continue;
      const auto probe = hid::ProbeHidPath(backend_, path);
      if (!probe) {
        // Gone again, or not yet accessible: try once more at the next pass (a node refused
        // past its retries waits for the fallback pass).
        ++summary.failed_probes;
        if (NoteRefusal(path, ids)) retry_ = true;
        continue;
      }
      refusals_.erase(path);
      const auto row = hid::BindHidPath(copy_, ids, *probe, path);
      if (!row) continue;
      ++summary.arrivals;
      Publish();
      if (on_arrival_) on_arrival_(*row, copy_);
    }
    ForgetRefusals(*paths);
  } else {
    // The stack could not be asked; the fallback pass tries again.
    retry_ = true;
  }
  if (denied_changed_) {
    denied_changed_ = false;
    if (on_denied_) on_denied_(denied_);
  }

  bool first = false;
  {
    std::lock_guard lock(state_mutex_);
    ++enumerations_;
    if (!first_scan_done_) {
      first_scan_done_ = true;
      first = true;
      first_scan_cv_.notify_all();
    }
  }
  if (first && on_first_scan_) on_first_scan_();
}

bool DeviceWatcher::NoteRefusal(const std::string& path, const hid::HidPathIds& ids) {
  if (!backend_.AccessDenied(path)) {
    refusals_.erase(path);
    return true;
  }
  const int count = ++refusals_[path];
  if (count <= options_.access_retries) return true;
  const bool known = std::any_of(denied_.begin(), denied_.end(), [&](const DeniedDevice& d) {
    return d.vendor_id == ids.vendor_id && d.product_id == ids.product_id;
  });
  if (!known) {
    DeniedDevice device;
    device.vendor_id = ids.vendor_id;
    device.product_id = ids.product_id;
    device.path = path;
    for (const auto& row : hid::kHidInterfaceTable) {
      if (row.vendor_id == ids.vendor_id && row.product_id == ids.product_id) {
        device.kind = row.device_kind;
        break;
      }
    }
    DebugTraceF("watcher: %s is refused to this user after %d tries", path.c_str(), count);
    denied_.push_back(device);
    denied_changed_ = true;
  }
  return false;
}

// Drops the refusals of paths no longer listed, and reported devices none of whose paths is
// still refused; publishes what the callers read.
void DeviceWatcher::ForgetRefusals(const std::vector<std::string>& present) {
  std::erase_if(refusals_, [&](const auto& entry) {
    return std::find(present.begin(), present.end(), entry.first) == present.end();
  });
  const auto before = denied_.size();
  std::erase_if(denied_, [&](const DeniedDevice& d) {
    return std::none_of(refusals_.begin(), refusals_.end(), [&](const auto& entry) {
      const hid::HidPathIds ids = hid::ParseHidPathIds(entry.first);
      return ids.vendor_id == d.vendor_id && ids.product_id == d.product_id;
    });
  });
  if (denied_.size() != before) denied_changed_ = true;
  bool pending = false;
  for (const auto& [path, count] : refusals_) pending = pending || count <= options_.access_retries;
  std::lock_guard lock(state_mutex_);
  published_denied_ = denied_;
  check_pending_ = pending;
}

void DeviceWatcher::TestBoundPaths(WatcherPassSummary& summary) {
  for (std::size_t i = 0; i < copy_.size(); ++i) {
    hid::HidInterfaceBinding& binding = copy_[i];
    if (binding.row.connected == 0) continue;
    // The existence test: an open without access rights, closed again at once.
    if (backend_.Open(binding.path, false, false, false)) continue;
    binding.row.connected = 0;
    binding.path.clear();
    ++summary.removals;
    Publish();
    if (on_removal_) on_removal_(i, copy_);
  }
}

void DeviceWatcher::Publish() {
  std::lock_guard lock(state_mutex_);
  published_ = copy_;
}

hid::HidInterfaceCopy DeviceWatcher::Copy() const {
  std::lock_guard lock(state_mutex_);
  return published_;
}

bool DeviceWatcher::FirstScanDone() const {
  std::lock_guard lock(state_mutex_);
  return first_scan_done_;
}

bool DeviceWatcher::WaitForFirstScan(std::chrono::milliseconds timeout) const {
  std::unique_lock lock(state_mutex_);
  return first_scan_cv_.wait_for(lock, timeout, [this] { return first_scan_done_; });
}

std::uint64_t DeviceWatcher::EnumerationCount() const {
  std::lock_guard lock(state_mutex_);
  return enumerations_;
}

std::vector<DeniedDevice> DeviceWatcher::DeniedDevices() const {
  std::lock_guard lock(state_mutex_);
  return published_denied_;
}

bool DeviceWatcher::AccessCheckPending() const {
  std::lock_guard lock(state_mutex_);
  return check_pending_;
}

std::uint64_t DeviceWatcher::PassCount() const {
  std::lock_guard lock(state_mutex_);
  return passes_;
}

}  // namespace norvik::devices
