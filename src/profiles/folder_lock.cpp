#include "profiles/folder_lock.h"

#include <algorithm>
#include <cerrno>
#include <map>
#include <mutex>
#include <string>
#include <thread>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include "base/debug_trace.h"

namespace norvik::profiles {

// One per folder and process. flock belongs to an open file description, so a second open in
// the same process would wait on itself: the threads of this process queue on the mutex, and the
// file is locked once, by the first level of the holding thread.
struct FolderLock::Entry {
  std::recursive_timed_mutex mutex;
  int depth = 0;  // guarded by mutex
  int fd = -1;
  bool file_locked = false;
};

namespace {

std::shared_ptr<FolderLock::Entry> EntryOf(const std::filesystem::path& folder) {
  static std::mutex registry_lock;
  static std::map<std::string, std::weak_ptr<FolderLock::Entry>> registry;
  std::error_code ec;
  std::filesystem::path key = std::filesystem::weakly_canonical(folder, ec);
  if (ec) key = folder.lexically_normal();
  const std::lock_guard guard(registry_lock);
  std::weak_ptr<FolderLock::Entry>& slot = registry[key.string()];
  std::shared_ptr<FolderLock::Entry> entry = slot.lock();
  if (!entry) {
    entry = std::make_shared<FolderLock::Entry>();
    slot = entry;
  }
  return entry;
}

int OpenLockFile(const std::filesystem::path& folder) {
  const std::filesystem::path file = folder / kFolderLockFileName;
  int fd = ::open(file.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0644);
  // A read-only folder holds nothing this program could write either; a lock file someone made
  // read-only still locks.
  if (fd < 0 && errno != ENOENT) fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
  return fd;
}

// Polls rather than blocks, so a stuck holder costs the patience, not the program.
bool LockFile(int fd, std::chrono::steady_clock::time_point deadline) {
  auto pause = std::chrono::milliseconds(1);
  for (;;) {
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0) return true;
    if (errno != EWOULDBLOCK && errno != EINTR) return false;
    if (std::chrono::steady_clock::now() >= deadline) return false;
    std::this_thread::sleep_for(pause);
    pause = std::min(pause * 2, std::chrono::milliseconds(20));
  }
}

}  // namespace

FolderLock::FolderLock(const std::filesystem::path& folder) : entry_(EntryOf(folder)) {
  const auto deadline = std::chrono::steady_clock::now() + kFolderLockPatience;
  if (!entry_->mutex.try_lock_until(deadline)) {
    DebugTraceF("folder lock: %s is held by another thread too long; going on without it\n",
                folder.string().c_str());
    entry_.reset();
    return;
  }
  if (entry_->depth++ == 0) {
    entry_->fd = OpenLockFile(folder);
    entry_->file_locked = entry_->fd >= 0 && LockFile(entry_->fd, deadline);
    if (!entry_->file_locked) {
      DebugTraceF("folder lock: %s could not be locked; going on without it\n",
                  folder.string().c_str());
    }
  }
  held_ = entry_->file_locked;
}

FolderLock::~FolderLock() {
  if (!entry_) return;
  if (--entry_->depth == 0) {
    // Closing the descriptor releases the flock.
    if (entry_->fd >= 0) ::close(entry_->fd);
    entry_->fd = -1;
    entry_->file_locked = false;
  }
  entry_->mutex.unlock();
}

}  // namespace norvik::profiles
