#include "app/profile_folder_watch.h"

#include <system_error>
#include <utility>

#include "base/debug_trace.h"
#include "devices/profile_push.h"

namespace norvik::app {

namespace {

QString QtPath(const std::filesystem::path& path) {
  return QString::fromStdString(path.string());
}

}  // namespace

ProfileFolderWatch::ProfileFolderWatch(std::filesystem::path user_root,
                                       std::vector<std::string> device_names,
                                       ChangeHandler on_change, QObject* parent)
    : QObject(parent),
      root_(std::move(user_root)),
      names_(std::move(device_names)),
      on_change_(std::move(on_change)) {
  settle_.setSingleShot(true);
  settle_.setInterval(kSettleMs);
  connect(&settle_, &QTimer::timeout, this, &ProfileFolderWatch::Flush);
  connect(&watcher_, &QFileSystemWatcher::directoryChanged, this,
          &ProfileFolderWatch::OnDirectoryChanged);
  std::error_code ec;
  std::filesystem::create_directories(root_, ec);
  if (!watcher_.addPath(QtPath(root_))) {
    DebugTraceF("profile watch: the data folder %s cannot be watched", root_.c_str());
  }
  WatchNewFolders();
  // Folders there from the start are not changes.
  changed_.clear();
}

void ProfileFolderWatch::OnDirectoryChanged(const QString& path) {
  if (path == QtPath(root_)) {
    WatchNewFolders();
  } else {
    for (const std::string& name : names_) {
      if (path == QtPath(root_ / name)) changed_.insert(name);
    }
  }
  if (!changed_.empty()) settle_.start();
}

void ProfileFolderWatch::WatchNewFolders() {
  const QStringList watched = watcher_.directories();
  for (const std::string& name : names_) {
    const QString folder = QtPath(root_ / name);
    std::error_code ec;
    if (watched.contains(folder) || !std::filesystem::is_directory(root_ / name, ec)) continue;
    if (watcher_.addPath(folder)) changed_.insert(name);
  }
}

void ProfileFolderWatch::Flush() {
  if (changed_.empty()) return;
  const std::vector<std::string> names(changed_.begin(), changed_.end());
  changed_.clear();
  if (on_change_) on_change_(names);
}

bool ProfileOnDiskDiffers(devices::DeviceDriver& driver) {
  const profiles::CBasicProfiledata* held = driver.Profile();
  if (held == nullptr || !held->Section().isObject()) return false;
  profiles::CBasicProfiledata stored;
  if (!devices::LoadSelectedProfile(stored, driver.DataFolder(), driver.DefaultProfilePath())) {
    return false;
  }
  return stored.GetProfilePath() != held->GetProfilePath() || stored.Section() != held->Section();
}

}  // namespace norvik::app
