#include "emulator/shared_state.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>
#include <system_error>
#include <thread>
#include <utility>

#include "base/debug_trace.h"

namespace norvik::emulator {

namespace {

using Clock = std::chrono::steady_clock;

StateFileStamp StampOfStat(const struct stat& st) {
  StateFileStamp stamp;
  stamp.exists = true;
  stamp.device = static_cast<std::uint64_t>(st.st_dev);
  stamp.inode = static_cast<std::uint64_t>(st.st_ino);
  stamp.size = static_cast<std::int64_t>(st.st_size);
  stamp.modified_ns =
      static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1'000'000'000 + st.st_mtim.tv_nsec;
  stamp.changed_ns =
      static_cast<std::int64_t>(st.st_ctim.tv_sec) * 1'000'000'000 + st.st_ctim.tv_nsec;
  return stamp;
}

// An exclusive flock on the lock file, waited for a bounded time; released when the object goes
// (and by the kernel when the process dies).
class LockFile {
 public:
  LockFile(const std::filesystem::path& path, std::chrono::milliseconds wait) {
    fd_ = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (fd_ < 0) return;
    const Clock::time_point deadline = Clock::now() + wait;
    while (::flock(fd_, LOCK_EX | LOCK_NB) != 0) {
      if ((errno != EWOULDBLOCK && errno != EINTR) || Clock::now() >= deadline) {
        ::close(fd_);
        fd_ = -1;
        return;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
  }
  ~LockFile() {
    if (fd_ >= 0) ::close(fd_);
  }
  LockFile(const LockFile&) = delete;
  LockFile& operator=(const LockFile&) = delete;

  bool Held() const { return fd_ >= 0; }

 private:
  int fd_ = -1;
};

// The whole text of an open file, at most kMaxStateFileBytes; false on a read error or a file
// past the limit.
bool ReadAllOf(int fd, std::string& text) {
  char buffer[65536];
  for (;;) {
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n == 0) return true;
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    text.append(buffer, static_cast<std::size_t>(n));
    if (text.size() > kMaxStateFileBytes) return false;
  }
}

Json::Value DocumentOf(const DeviceStates& states) {
  Json::Value document(Json::objectValue);
  document["version"] = kStateFormatVersion;
  Json::Value devices(Json::arrayValue);
  int id = 1;
  for (const auto& [key, entry] : states) {
    Json::Value item = entry.memory;
    item["id"] = id++;
    item["plugged"] = entry.plugged;
    devices.append(std::move(item));
  }
  document["devices"] = std::move(devices);
  return document;
}

}  // namespace

DeviceStates MergeDeviceStates(const DeviceStates& base, const DeviceStates& local,
                               const DeviceStates& file) {
  DeviceStates merged = file;
  for (const auto& [key, mine] : local) {
    const auto theirs = file.find(key);
    const auto was = base.find(key);
    if (theirs == file.end() || was == base.end()) {
      merged[key] = mine;
      continue;
    }
    DeviceEntry& out = merged[key];
    if (mine.memory != was->second.memory) out.memory = mine.memory;
    if (mine.plugged != was->second.plugged) out.plugged = mine.plugged;
  }
  return merged;
}

StateFileStamp StampOf(const std::filesystem::path& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return {};
  return StampOfStat(st);
}

// One read of the file: its devices restored (each memory in the form SaveState gives, so it
// compares equal to a bus device's), and the stamp of exactly the bytes read.
struct SharedEmulatorState::FileRead {
  StateLoadResult status = StateLoadResult::Missing;
  DeviceStates entries;
  std::map<DeviceKey, std::shared_ptr<EmulatedDevice>> devices;
  StateFileStamp stamp;
};

SharedEmulatorState::FileRead SharedEmulatorState::ReadFile(const std::filesystem::path& path) {
  FileRead read;
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    read.status = errno == ENOENT ? StateLoadResult::Missing : StateLoadResult::Damaged;
    return read;
  }
  read.status = StateLoadResult::Damaged;
  struct stat st {};
  std::string text;
  const bool ok = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) &&
                  static_cast<std::uintmax_t>(st.st_size) <= kMaxStateFileBytes &&
                  ReadAllOf(fd, text);
  ::close(fd);
  if (!ok) return read;
  read.stamp = StampOfStat(st);
  const auto document = ParseEmulatorStateText(text);
  if (!document) return read;
  auto devices = DevicesOfStateDocument(*document);
  if (!devices) return read;
  std::map<EmulatedProduct, int> ordinals;
  for (auto& [device, plugged] : *devices) {
    const DeviceKey key{device->Product(), ordinals[device->Product()]++};
    read.entries[key] = DeviceEntry{device->SaveState(), plugged};
    read.devices[key] = std::move(device);
  }
  read.status = StateLoadResult::Loaded;
  return read;
}

SharedEmulatorState::SharedEmulatorState(EmulatedBus& bus, std::filesystem::path path)
    : bus_(bus), path_(std::move(path)), lock_path_(path_.string() + ".lock") {}

StateLoadResult SharedEmulatorState::Load() {
  std::lock_guard guard(mutex_);
  // No lock needed: writers replace the file whole, and the stamp is of the bytes read.
  FileRead read = ReadFile(path_);
  if (read.status == StateLoadResult::Missing) return read.status;
  if (read.status == StateLoadResult::Damaged) {
    DebugTraceF("emulator: state file %s is damaged; it is not read or written until it changes",
                path_.c_str());
    damaged_ = true;
    stamp_ = read.stamp;
    return read.status;
  }
  bus_.Clear();
  cache_.clear();
  for (const auto& [key, entry] : read.entries) {
    const auto& device = read.devices.at(key);
    Cached& cached = cache_[key];
    cached.id = bus_.Attach(device, entry.plugged);
    cached.memory = device->SaveState(&cached.revision);
  }
  RememberLocked(read.entries, read.stamp);
  return StateLoadResult::Loaded;
}

SyncResult SharedEmulatorState::Sync() {
  std::lock_guard guard(mutex_);
  std::error_code ec;
  std::filesystem::create_directories(path_.parent_path(), ec);
  const LockFile lock(lock_path_, kLockWait);
  if (!lock.Held()) {
    DebugTraceF("emulator: the lock of %s could not be taken", path_.c_str());
    return SyncResult::Unavailable;
  }
  FileRead read = ReadFile(path_);
  if (read.status == StateLoadResult::Damaged) {
    if (!damaged_ || read.stamp != stamp_) {
      DebugTraceF("emulator: state file %s is damaged; left as it is", path_.c_str());
    }
    damaged_ = true;
    stamp_ = read.stamp;
    return SyncResult::Damaged;
  }
  const DeviceStates local = LocalStates();
  const DeviceStates merged = MergeDeviceStates(base_, local, read.entries);
  ApplyToBus(merged, local, read);
  if (read.status == StateLoadResult::Missing || merged != read.entries) {
    if (!WriteEmulatorStateDocument(DocumentOf(merged), path_)) {
      // The bus holds the merge; what the file holds stays the base, so the parts changed here
      // are still written next time.
      RememberLocked(read.entries, read.stamp);
      return SyncResult::Unavailable;
    }
    RememberLocked(merged, StampOf(path_));
  } else {
    RememberLocked(merged, read.stamp);
  }
  return SyncResult::Done;
}

SyncResult SharedEmulatorState::SyncIfChanged() {
  {
    std::lock_guard guard(mutex_);
    if (!DueLocked()) return damaged_ ? SyncResult::Damaged : SyncResult::Done;
  }
  return Sync();
}

DeviceStates SharedEmulatorState::LocalStates() {
  DeviceStates local;
  std::map<EmulatedProduct, int> ordinals;
  for (const DeviceId id : bus_.Devices()) {
    const auto device = bus_.Device(id);
    if (!device) continue;
    const DeviceKey key{device->Product(), ordinals[device->Product()]++};
    Cached& cached = cache_[key];
    if (cached.id != id || cached.memory.isNull() || device->Revision() != cached.revision) {
      cached.memory = device->SaveState(&cached.revision);
      cached.id = id;
    }
    local[key] = DeviceEntry{cached.memory, bus_.IsPlugged(id)};
  }
  std::erase_if(cache_, [&](const auto& item) { return !local.contains(item.first); });
  return local;
}

void SharedEmulatorState::ApplyToBus(const DeviceStates& merged, const DeviceStates& local,
                                     FileRead& read) {
  for (const auto& [key, entry] : merged) {
    Cached& cached = cache_[key];
    const auto here = local.find(key);
    if (here == local.end()) {
      // Made by another process: the device read from the file joins the bus.
      const auto found = read.devices.find(key);
      if (found == read.devices.end()) continue;
      cached.id = bus_.Attach(found->second, entry.plugged);
      cached.memory = found->second->SaveState(&cached.revision);
      continue;
    }
    if (entry.memory != here->second.memory) {
      const auto device = bus_.Device(cached.id);
      if (device && device->RestoreState(entry.memory)) {
        cached.memory = device->SaveState(&cached.revision);
      }
    }
    if (entry.plugged != here->second.plugged) {
      if (entry.plugged) {
        bus_.Replug(cached.id);
      } else {
        bus_.Unplug(cached.id);
      }
    }
  }
}

bool SharedEmulatorState::DueLocked() const {
  const StateFileStamp stamp = StampOf(path_);
  if (stamp != stamp_) return true;
  // A damaged file is looked at again once it changed.
  if (damaged_) return false;
  if (bus_.ChangeCount() != bus_changes_ || bus_.Devices() != known_ids_) return true;
  const bool traffic_due = Clock::now() - last_exchange_ >= kTrafficInterval;
  for (const auto& [key, cached] : cache_) {
    const auto device = bus_.Device(cached.id);
    if (!device) return true;
    const EmulatedDevice::StateRevision revision = device->Revision();
    if (revision.memory != cached.revision.memory) return true;
    if (traffic_due && revision.traffic != cached.revision.traffic) return true;
  }
  return false;
}

void SharedEmulatorState::RememberLocked(const DeviceStates& merged, const StateFileStamp& stamp) {
  base_ = merged;
  stamp_ = stamp;
  damaged_ = false;
  bus_changes_ = bus_.ChangeCount();
  known_ids_ = bus_.Devices();
  last_exchange_ = Clock::now();
}

}  // namespace norvik::emulator
