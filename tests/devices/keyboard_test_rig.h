#pragma once
// Drivers of the keyboard family (and the mouse pad) over an emulated bus, each with a user
// folder of its own and the shipped default data; an event recorder; and what the emulated
// device saw.

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
#include <vector>

#include "base/debug_trace.h"
#include "devices/device_driver.h"
#include "emulator/emulated_bus.h"
#include "emulator/emulated_device.h"
#include "hid/device_io.h"
#include "profiles/json_file_store.h"
#include "profiles/profile_list_test_folder.h"

namespace norvik::devices::testing {

using emulator::CommandDevice;
using emulator::EmulatedBus;
using emulator::EmulatedProduct;
using emulator::Presentation;
using Bytes = std::vector<std::uint8_t>;

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

// Every file under folder with its bytes.
inline std::map<std::string, std::string> FolderSnapshot(const std::filesystem::path& folder) {
  std::map<std::string, std::string> files;
  std::error_code ec;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(folder, ec)) {
    if (entry.is_regular_file()) {
      files[std::filesystem::relative(entry.path(), folder).string()] =
          norvik::testing::ReadText(entry.path());
    }
  }
  return files;
}

// Records every event; waits with an upper bound so a lost event fails instead of hanging.
class RecordingEvents : public DeviceEvents {
 public:
  struct Event {
    std::string name;
    int value = 0;
    bool operator==(const Event&) const = default;
  };

  void OnSyncRequest(DeviceDriver&, int delay_ms) override { Push("sync", delay_ms); }
  void OnProfileChanged(DeviceDriver&, int index) override { Push("profile", index); }
  void OnKeyPressed(DeviceDriver&, int key_id) override { Push("press", key_id); }
  void OnKeyReleased(DeviceDriver&, int key_id) override { Push("release", key_id); }
  void OnStatus(DeviceDriver&, const PowerStatus& status) override {
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
  std::vector<PowerStatus> Statuses() const {
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
    std::lock_guard lock(mutex_);
    events_.push_back({name, value});
    arrived_.notify_all();
  }

  mutable std::mutex mutex_;
  std::condition_variable arrived_;
  std::vector<Event> events_;
  std::vector<PowerStatus> statuses_;
  int repaints_ = 0;
};

// Collects diagnostic lines while alive.
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

// One emulated device with a driver of type Driver on it.
template <class Driver>
class DriverRig {
 public:
  using Factory = std::function<std::unique_ptr<Driver>(hid::HidBackend*, DeviceFolders)>;

  DriverRig(EmulatedProduct product, Factory make,
            Presentation presentation = Presentation::PerCollection)
      : bus_(presentation) {
    id_ = bus_.Plug(product);
    device_ = bus_.DeviceAs<CommandDevice>(id_);
    if (device_ == nullptr) ADD_FAILURE() << "no emulated command device";
    driver_ = make(&bus_, Folders());
    driver_->SetEvents(&events_);
  }
  ~DriverRig() { driver_.reset(); }
  DriverRig(const DriverRig&) = delete;
  DriverRig& operator=(const DriverRig&) = delete;

  DeviceFolders Folders() const { return {user_.path(), NORVIK_PROGRAM_DIR}; }

  std::string CommandPath() const {
    return bus_.PathOf(id_, CommandDevice::kVendorInterface, CommandDevice::kCommandCollection)
        .value_or("");
  }
  std::string NotificationPath() const {
    return bus_.PathOf(id_, CommandDevice::kVendorInterface, CommandDevice::kConsumerCollection)
        .value_or("");
  }
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
  EmulatedBus& bus() { return bus_; }
  emulator::DeviceId id() const { return id_; }
  RecordingEvents& events() { return events_; }
  const std::filesystem::path& user() const { return user_.path(); }
  std::filesystem::path DataFolder() const { return user_.path() / driver_->DeviceName(); }

  // The commands the device received since the log was last cleared.
  Bytes Commands() const { return device_->CommandsSeen(); }

 private:
  norvik::testing::TempFolder user_;
  EmulatedBus bus_;
  emulator::DeviceId id_ = 0;
  std::shared_ptr<CommandDevice> device_;
  RecordingEvents events_;
  std::unique_ptr<Driver> driver_;
};

}  // namespace norvik::devices::testing
