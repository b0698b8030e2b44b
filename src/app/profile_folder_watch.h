#pragma once
// Profile files changed by another process (norvikctl, or a second program on the same data
// folder): a file watcher on each device's data folder (and on the data folder itself, so a
// device folder made later is watched too). Changes are gathered until none came for
// kSettleMs, then the handler gets the names of the devices whose folders changed.
//
// Whether a change needs a reload is for ProfileOnDiskDiffers to say: it compares what the
// folder now selects with what the driver holds, so the program's own writes (which leave the
// two equal) never cause one.

#include <QFileSystemWatcher>
#include <QObject>
#include <QString>
#include <QTimer>
#include <filesystem>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "devices/device_driver.h"

namespace norvik::app {

class ProfileFolderWatch : public QObject {
  Q_OBJECT
 public:
  using ChangeHandler = std::function<void(const std::vector<std::string>& device_names)>;
  static constexpr int kSettleMs = 250;

  // user_root: the data folder; device_names: the folder names under it (the drivers' names).
  ProfileFolderWatch(std::filesystem::path user_root, std::vector<std::string> device_names,
                     ChangeHandler on_change, QObject* parent = nullptr);

  // The folders watched now (the data folder and the device folders that exist).
  QStringList WatchedFolders() const { return watcher_.directories(); }
  // No change is waiting for the settle time.
  bool Settled() const { return changed_.empty() && !settle_.isActive(); }

 private:
  void OnDirectoryChanged(const QString& path);
  // Watches the device folders that exist and are not watched yet; those count as changed.
  void WatchNewFolders();
  void Flush();

  const std::filesystem::path root_;
  const std::vector<std::string> names_;
  ChangeHandler on_change_;
  QFileSystemWatcher watcher_;
  QTimer settle_;
  std::set<std::string> changed_;
};

// True when the profile the driver holds is no longer what its data folder selects: another
// profile is selected, or the selected one's section differs. False for a driver without a
// loaded profile (it loads the current one when it starts).
bool ProfileOnDiskDiffers(devices::DeviceDriver& driver);

}  // namespace norvik::app
