#pragma once
// The device rig every device-level test builds on: an emulated bus with devices plugged in,
// the command and consumer-control paths of each, a command channel (DeviceIo) or a driver
// opened on one of them, a user folder of the rig's own, an event recorder, and what the
// emulated devices saw.

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "base/debug_trace.h"
#include "devices/device_driver.h"
#include "emulator/emulated_bus.h"
#include "emulator/emulated_device.h"
#include "hid/device_io.h"
#include "profiles/profile_list_test_folder.h"

namespace norvik::testing {

using emulator::CommandDevice;
using emulator::EmulatedBus;
using emulator::EmulatedProduct;
using emulator::Presentation;
using Bytes = std::vector<std::uint8_t>;

// --- bytes and files ---

inline std::string Hex(std::span<const std::uint8_t> bytes) {
  std::string text;
  char cell[4];
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    std::snprintf(cell, sizeof cell, "%02x", bytes[i]);
    if (i != 0) text += ' ';
    text += cell;
  }
  return text;
}

inline Bytes Slice(const Bytes& bytes, std::size_t at, std::size_t length) {
  if (at >= bytes.size()) return {};
  return Bytes(bytes.begin() + static_cast<std::ptrdiff_t>(at),
               bytes.begin() + static_cast<std::ptrdiff_t>(std::min(bytes.size(), at + length)));
}

// Every file under folder with its bytes, to see that a failed push left them alone.
inline std::map<std::string, std::string> FolderSnapshot(const std::filesystem::path& folder) {
  std::map<std::string, std::string> files;
  std::error_code ec;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(folder, ec)) {
    if (entry.is_regular_file()) {
      files[std::filesystem::relative(entry.path(), folder).string()] = ReadText(entry.path());
    }
  }
  return files;
}

// --- what a driver tells its owner ---

// Records every event; waits with an upper bound so a lost event fails instead of hanging.
class RecordingEvents : public devices::DeviceEvents {
 public:
  struct Event {
    std::string name;
    int value = 0;
    bool operator==(const Event&) const = default;
  };
  using DeviceDriver = devices::DeviceDriver;

  void OnSyncRequest(DeviceDriver&, int delay_ms) override { Push("sync", delay_ms); }
  void OnProfileChanged(DeviceDriver&, int index) override { Push("profile", index); }
  void OnKeyPressed(DeviceDriver&, int key_id) override { Push("press", key_id); }
  void OnKeyReleased(DeviceDriver&, int key_id) override { Push("release", key_id); }
  void OnLinkChanged(DeviceDriver&, bool up) override { Push("link", up ? 1 : 0); }
  void OnStatus(DeviceDriver&, const devices::PowerStatus& status) override {
    std::lock_guard lock(mutex_);
    statuses_.push_back(status);
    events_.push_back({"status", status.battery_level});
    arrived_.notify_all();
  }
  void OnRepaint(DeviceDriver&) override {
    std::lock_guard lock(mutex_);
    ++repaints_;
    arrived_.notify_all();
  }

  // True when an event named name arrived within the bound.
  bool WaitFor(const std::string& name, std::chrono::milliseconds bound = std::chrono::seconds(5)) {
    std::unique_lock lock(mutex_);
    return arrived_.wait_for(lock, bound, [&] {
      for (const Event& e : events_) {
        if (e.name == name) return true;
      }
      return false;
    });
  }
  // True when at least count events arrived within the bound.
  bool WaitFor(std::size_t count, std::chrono::milliseconds bound = std::chrono::seconds(5)) {
    std::unique_lock lock(mutex_);
    return arrived_.wait_for(lock, bound, [&] { return events_.size() >= count; });
  }
  bool WaitForRepaints(int count, std::chrono::milliseconds bound = std::chrono::seconds(5)) {
    std::unique_lock lock(mutex_);
    return arrived_.wait_for(lock, bound, [&] { return repaints_ >= count; });
  }
  std::vector<Event> Events() const {
    std::lock_guard lock(mutex_);
    return events_;
  }
  // The named events only.
  std::vector<Event> Named(const std::string& name) const {
    std::vector<Event> out;
    for (const Event& e : Events()) {
      if (e.name == name) out.push_back(e);
    }
    return out;
  }
  std::vector<devices::PowerStatus> Statuses() const {
    std::lock_guard lock(mutex_);
    return statuses_;
  }
  int Repaints() const {
    std::lock_guard lock(mutex_);
    return repaints_;
  }
  void Clear() {
    std::lock_guard lock(mutex_);
    events_.clear();
    repaints_ = 0;
  }

 private:
  void Push(const char* name, int value) {
    {
      std::lock_guard lock(mutex_);
      events_.push_back({name, value});
    }
    arrived_.notify_all();
  }

  mutable std::mutex mutex_;
  std::condition_variable arrived_;
  std::vector<Event> events_;
  std::vector<devices::PowerStatus> statuses_;
  int repaints_ = 0;
};

inline void PrintTo(const RecordingEvents::Event& e, std::ostream* os) {
  *os << e.name << "=" << e.value;
}

// Collects diagnostic lines while alive (for lines a test itself hands to the code).
class TraceLines {
 public:
  TraceLines() {
    SetDebugTraceSink([this](std::string_view line) {
      std::lock_guard lock(mutex_);
      lines_.emplace_back(line);
    });
  }
  ~TraceLines() { SetDebugTraceSink({}); }
  TraceLines(const TraceLines&) = delete;
  TraceLines& operator=(const TraceLines&) = delete;

  // How many lines start with text.
  int Count(std::string_view text) const {
    std::lock_guard lock(mutex_);
    int n = 0;
    for (const std::string& line : lines_) {
      if (std::string_view(line).substr(0, text.size()) == text) ++n;
    }
    return n;
  }

 private:
  mutable std::mutex mutex_;
  std::vector<std::string> lines_;
};

// --- the rig ---

// The program folder whose default data the drivers on a rig read (the source tree).
#ifdef NORVIK_PROGRAM_DIR
inline const std::filesystem::path kRigProgramFolder = NORVIK_PROGRAM_DIR;
#else
inline const std::filesystem::path kRigProgramFolder;
#endif

// An emulated bus with the given devices plugged in, and a user folder of its own.
class DeviceRig {
 public:
  explicit DeviceRig(std::vector<EmulatedProduct> products,
                     Presentation presentation = Presentation::PerCollection)
      : bus_(presentation) {
    for (const EmulatedProduct product : products) ids_.push_back(bus_.Plug(product));
  }
  DeviceRig(const DeviceRig&) = delete;
  DeviceRig& operator=(const DeviceRig&) = delete;

  EmulatedBus& bus() { return bus_; }
  // The id of the n-th device plugged in by the constructor.
  emulator::DeviceId IdOf(std::size_t n = 0) const { return ids_.at(n); }
  template <class T = CommandDevice>
  std::shared_ptr<T> Device(std::size_t n = 0) const {
    return bus_.DeviceAs<T>(IdOf(n));
  }
  std::string CommandPath(std::size_t n = 0) const {
    return bus_.PathOf(IdOf(n), CommandDevice::kVendorInterface, CommandDevice::kCommandCollection)
        .value_or("");
  }
  std::string NotificationPath(std::size_t n = 0) const {
    return bus_.PathOf(IdOf(n), CommandDevice::kVendorInterface, CommandDevice::kConsumerCollection)
        .value_or("");
  }
  const std::filesystem::path& UserRoot() const { return user_.path(); }
  // Folders of a driver on the rig: the rig's user folder and the source tree's default data.
  devices::DeviceFolders Folders(const std::filesystem::path& program_folder) const {
    return {user_.path(), program_folder};
  }

 private:
  TempFolder user_;
  EmulatedBus bus_;
  std::vector<emulator::DeviceId> ids_;
};

// One emulated device with a driver of type Driver on it, and its events recorded.
template <class Driver>
class DriverRig {
 public:
  using Factory = std::function<std::unique_ptr<Driver>(hid::HidBackend*, devices::DeviceFolders)>;

  DriverRig(EmulatedProduct product, Factory make,
            Presentation presentation = Presentation::PerCollection)
      : rig_({product}, presentation), device_(rig_.Device()) {
    if (device_ == nullptr) ADD_FAILURE() << "no emulated command device";
    driver_ = make(&rig_.bus(), Folders());
    driver_->SetEvents(&events_);
  }
  ~DriverRig() { driver_.reset(); }
  DriverRig(const DriverRig&) = delete;
  DriverRig& operator=(const DriverRig&) = delete;

  devices::DeviceFolders Folders() const { return rig_.Folders(kRigProgramFolder); }
  std::string CommandPath() const { return rig_.CommandPath(); }
  std::string NotificationPath() const { return rig_.NotificationPath(); }
  // Opens the command channel and binds the row as the device set would.
  bool Open(int link_mode = hid::kLinkModeDirect) {
    hid::HidInterfaceBinding row;
    row.row.device_kind = static_cast<hid::DeviceKind>(device_->Product());
    row.row.role = hid::InterfaceRole::Command;
    row.path = CommandPath();
    driver_->BindRow(row);
    const bool opened = driver_->OpenCommand(CommandPath(), link_mode);
    device_->ClearRequestLog();
    return opened;
  }

  Driver& driver() { return *driver_; }
  CommandDevice& device() { return *device_; }
  EmulatedBus& bus() { return rig_.bus(); }
  emulator::DeviceId id() const { return rig_.IdOf(); }
  RecordingEvents& events() { return events_; }
  const std::filesystem::path& user() const { return rig_.UserRoot(); }
  std::filesystem::path DataFolder() const { return user() / driver_->DeviceName(); }
  // The commands the device received since the log was last cleared.
  Bytes Commands() const { return device_->CommandsSeen(); }

 private:
  DeviceRig rig_;
  std::shared_ptr<CommandDevice> device_;
  RecordingEvents events_;
  std::unique_ptr<Driver> driver_;
};

// A command channel (DeviceIo) opened on the command collection of one emulated device.
class ChannelRig {
 public:
  explicit ChannelRig(EmulatedProduct product,
                      Presentation presentation = Presentation::PerCollection)
      : rig_({product}, presentation), io_(&rig_.bus()), device_(rig_.Device()) {
    path_ = rig_.CommandPath();
    if (device_ == nullptr || path_.empty()) {
      ADD_FAILURE() << "no command collection on the emulated device";
      return;
    }
    const int mode =
        product == EmulatedProduct::MouseReceiver ? hid::kLinkModeReceiver : hid::kLinkModeDirect;
    opened_ = io_.OpenChannel(path_, mode);
    EXPECT_TRUE(opened_) << path_;
    device_->ClearRequestLog();
  }

  hid::DeviceIo& io() { return io_; }
  CommandDevice& device() const { return *device_; }
  EmulatedBus& bus() { return rig_.bus(); }
  const std::string& path() const { return path_; }
  bool opened() const { return opened_; }

 private:
  DeviceRig rig_;
  hid::DeviceIo io_;
  std::shared_ptr<CommandDevice> device_;
  std::string path_;
  bool opened_ = false;
};

}  // namespace norvik::testing
