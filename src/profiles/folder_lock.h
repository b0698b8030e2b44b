#pragma once
// An advisory lock on a device's user folder, so that the desktop program and norvikctl (or two
// norvikctl) never interleave the read-modify-write of the same files: the profile list and
// profile files, the macro list and event files, the shoot files.
//
// Hold it for one operation only (re-read under the lock, change, write, release), never across a
// user's think time. It is re-entrant within a thread and excludes the other threads of this
// process as well as other processes (flock on a lock file in the folder).

#include <chrono>
#include <filesystem>
#include <memory>

namespace norvik::profiles {

inline constexpr char kFolderLockFileName[] = ".norvik-folder.lock";
// A holder that keeps the lock longer than this is stuck (an operation takes milliseconds); the
// waiter then goes on without it rather than hang.
inline constexpr std::chrono::seconds kFolderLockPatience{10};

class FolderLock {
 public:
  explicit FolderLock(const std::filesystem::path& folder);
  ~FolderLock();
  FolderLock(const FolderLock&) = delete;
  FolderLock& operator=(const FolderLock&) = delete;
  FolderLock(FolderLock&&) = delete;
  FolderLock& operator=(FolderLock&&) = delete;

  // False when the lock file could not be opened or another holder kept it past the patience;
  // the operation then runs unprotected, as it would have without the lock.
  bool Held() const { return held_; }

  struct Entry;

 private:
  std::shared_ptr<Entry> entry_;
  bool held_ = false;
};

}  // namespace norvik::profiles
