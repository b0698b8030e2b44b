#pragma once
// The emulator state file shared by every process that emulates on one data folder: the desktop
// program and any number of norvikctl runs at the same time. Each exchange with the file takes
// an exclusive lock ("<file>.lock", flock), reads the file again, merges it with this process's
// bus device by device and writes the result back, so no process ever writes back a stale copy:
//  - devices are matched by product and by their order among the devices of that product;
//  - a device's plug state and its memories are merged apart, each three ways against what this
//    process last read or wrote: a part changed here wins, else the file's part is taken and
//    applied to the bus (an unplug made elsewhere pulls the device out here too).
// Removing a device from the bus is not shared: the file brings it back.
//
// Checking for work is cheap (the devices' revision counters, the bus's change counter and a
// stat of the file), so a long-running process may call SyncIfChanged often; the bus itself is
// never slowed down (nothing here runs on a report's path).

#include <chrono>
#include <compare>
#include <cstdint>
#include <filesystem>
#include <map>
#include <mutex>
#include <vector>

#include <json/value.h>

#include "emulator/emulated_bus.h"
#include "emulator/emulator_state.h"

namespace norvik::emulator {

// Where a data folder keeps the emulator state: DIR/emulator/state.json.
inline constexpr char kStateFolderName[] = "emulator";
inline constexpr char kStateFileName[] = "state.json";
inline std::filesystem::path StateFileOf(const std::filesystem::path& data_folder) {
  return data_folder / kStateFolderName / kStateFileName;
}

enum class SyncResult : std::uint8_t {
  Done,         // the bus and the file agree
  Damaged,      // the file is unreadable or invalid: left as it is, nothing written
  Unavailable,  // the lock could not be taken or the file not written
};

// One device of a state: where it stands among the devices of its product.
struct DeviceKey {
  EmulatedProduct product = EmulatedProduct::Keyboard;
  int ordinal = 0;
  auto operator<=>(const DeviceKey&) const = default;
};

// What is merged of one device: its memories (EmulatedDevice::SaveState) and its plug state.
struct DeviceEntry {
  Json::Value memory;
  bool plugged = false;
  bool operator==(const DeviceEntry&) const = default;
};
using DeviceStates = std::map<DeviceKey, DeviceEntry>;

// The three-way merge: base is what this process last read or wrote, local its bus now, file
// the file now. Per device and part: local when it differs from base (or the device is new
// here), else the file's. A device only one side has is kept.
DeviceStates MergeDeviceStates(const DeviceStates& base, const DeviceStates& local,
                               const DeviceStates& file);

// Where the file stands: identity, size and change times (every write replaces the file).
struct StateFileStamp {
  bool exists = false;
  std::uint64_t device = 0;
  std::uint64_t inode = 0;
  std::int64_t size = 0;
  std::int64_t modified_ns = 0;
  std::int64_t changed_ns = 0;
  bool operator==(const StateFileStamp&) const = default;
};
StateFileStamp StampOf(const std::filesystem::path& path);

class SharedEmulatorState {
 public:
  // Traffic alone (live frames, headset colour reports) is written at most this often.
  static constexpr std::chrono::milliseconds kTrafficInterval{2000};
  // How long an exchange waits for another process's lock.
  static constexpr std::chrono::milliseconds kLockWait{5000};

  // bus must outlive this object.
  SharedEmulatorState(EmulatedBus& bus, std::filesystem::path path);
  SharedEmulatorState(const SharedEmulatorState&) = delete;
  SharedEmulatorState& operator=(const SharedEmulatorState&) = delete;

  const std::filesystem::path& Path() const { return path_; }

  // Reads the file into the bus, replacing its devices. Missing and Damaged leave the bus as it
  // is; after Damaged nothing is written until the file is good again.
  StateLoadResult Load();
  // One exchange: lock, read, merge, apply to the bus, write when the file differs. Creates the
  // file's folder when missing.
  SyncResult Sync();
  // Sync when the file changed since the last exchange, a device's memories changed here or a
  // device was plugged, unplugged or added here; traffic alone at most every kTrafficInterval.
  // A damaged file is read again only once it changed.
  SyncResult SyncIfChanged();

 private:
  struct Cached {
    DeviceId id = 0;
    EmulatedDevice::StateRevision revision;
    Json::Value memory;
  };
  struct FileRead;
  static FileRead ReadFile(const std::filesystem::path& path);

  // Lock held (mutex_): the bus's devices now, SaveState only for those whose revision moved.
  DeviceStates LocalStates();
  // Lock held: makes the bus match merged (memories restored, plugs and unplugs, new devices).
  void ApplyToBus(const DeviceStates& merged, const DeviceStates& local, FileRead& read);
  bool DueLocked() const;
  void RememberLocked(const DeviceStates& merged, const StateFileStamp& stamp);

  EmulatedBus& bus_;
  const std::filesystem::path path_;
  const std::filesystem::path lock_path_;

  mutable std::mutex mutex_;
  DeviceStates base_;
  std::map<DeviceKey, Cached> cache_;
  StateFileStamp stamp_;
  bool damaged_ = false;
  std::uint64_t bus_changes_ = 0;
  std::vector<DeviceId> known_ids_;
  std::chrono::steady_clock::time_point last_exchange_{};
};

}  // namespace norvik::emulator
