#pragma once
// A mouse driver over an emulated bus with the mouse's cable and its receiver plugged in, a
// user folder of its own and the shipped default data; plus what the emulated devices saw.

#include <gtest/gtest.h>

#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "devices/mouse_driver.h"
#include "emulator/emulated_bus.h"
#include "emulator/emulated_device.h"
#include "hid/device_io.h"
#include "profiles/profile_list_test_folder.h"

namespace norvik::devices::testing {

using emulator::CommandDevice;
using emulator::EmulatedBus;
using emulator::EmulatedMouse;
using emulator::EmulatedProduct;
using emulator::EmulatedReceiver;
using Bytes = std::vector<std::uint8_t>;

inline std::string HexOf(std::span<const std::uint8_t> bytes) {
  std::string text;
  char cell[4];
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    std::snprintf(cell, sizeof cell, "%02x", bytes[i]);
    if (i != 0) text += ' ';
    text += cell;
  }
  return text;
}

// The command bytes of the requests a device received since its log was cleared.
inline Bytes CommandsOf(const CommandDevice& device) {
  return device.CommandsSeen();
}

// Every file under folder with its bytes, to see that a failed push left them alone.
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

// Records the driver's events; waits for them with an upper bound so a lost event fails the
// test instead of hanging it.
class RecordingEvents : public DeviceEvents {
 public:
  void OnSyncRequest(DeviceDriver&, int delay_ms) override { Push("sync", delay_ms); }
  void OnProfileChanged(DeviceDriver&, int index) override { Push("profile", index); }
  void OnLinkChanged(DeviceDriver&, bool up) override { Push("link", up ? 1 : 0); }

  struct Event {
    std::string name;
    int value;
    bool operator==(const Event&) const = default;
  };

  // True when at least count events arrived within the bound.
  bool WaitFor(std::size_t count, std::chrono::milliseconds bound = std::chrono::seconds(5)) {
    std::unique_lock lock(mutex_);
    return arrived_.wait_for(lock, bound, [&] { return events_.size() >= count; });
  }
  std::vector<Event> Events() const {
    std::lock_guard lock(mutex_);
    return events_;
  }

 private:
  void Push(std::string name, int value) {
    {
      std::lock_guard lock(mutex_);
      events_.push_back({std::move(name), value});
    }
    arrived_.notify_all();
  }
  mutable std::mutex mutex_;
  std::condition_variable arrived_;
  std::vector<Event> events_;
};

inline void PrintTo(const RecordingEvents::Event& e, std::ostream* os) {
  *os << e.name << "=" << e.value;
}

class MouseRig {
 public:
  explicit MouseRig(bool cable = true, bool receiver = true) {
    cable_id_ = bus_.Plug(EmulatedProduct::MouseCable);
    receiver_id_ = bus_.Plug(EmulatedProduct::MouseReceiver);
    if (!cable) bus_.Unplug(cable_id_);
    if (!receiver) bus_.Unplug(receiver_id_);
    driver_ = std::make_unique<MouseDriver>(
        &bus_, DeviceFolders{user_root_.path(), NORVIK_PROGRAM_DIR}, ScreenSize{1920, 1080});
  }
  ~MouseRig() { driver_.reset(); }

  MouseDriver& driver() { return *driver_; }
  EmulatedBus& bus() { return bus_; }
  EmulatedMouse& cable() { return *bus_.DeviceAs<EmulatedMouse>(cable_id_); }
  EmulatedReceiver& receiver() { return *bus_.DeviceAs<EmulatedReceiver>(receiver_id_); }
  emulator::DeviceId cable_id() const { return cable_id_; }
  emulator::DeviceId receiver_id() const { return receiver_id_; }
  std::filesystem::path data_folder() const { return user_root_.path() / kMouseDeviceName; }
  const std::filesystem::path& user_root() const { return user_root_.path(); }

  std::string CommandPath(emulator::DeviceId id) {
    return bus_.PathOf(id, CommandDevice::kVendorInterface, CommandDevice::kCommandCollection)
        .value_or("");
  }
  std::string NotificationPath(emulator::DeviceId id) {
    return bus_.PathOf(id, CommandDevice::kVendorInterface, CommandDevice::kConsumerCollection)
        .value_or("");
  }

  MouseLink AttachCable() { return driver_->AttachCable(CommandPath(cable_id_)); }
  MouseLink AttachReceiver() { return driver_->AttachReceiver(CommandPath(receiver_id_)); }

  void ClearLogs() {
    cable().ClearRequestLog();
    receiver().ClearRequestLog();
  }

 private:
  norvik::testing::TempFolder user_root_;
  EmulatedBus bus_;
  emulator::DeviceId cable_id_ = 0;
  emulator::DeviceId receiver_id_ = 0;
  std::unique_ptr<MouseDriver> driver_;
};

// Writes a shoot file of one gun with the given events (Action, Button, Delay, Type).
struct ShootEvent {
  const char* action;
  int button;
  int delay;
  int type;
};
inline void WriteShootFile(const std::filesystem::path& path,
                           const std::vector<ShootEvent>& events) {
  std::string text = "{ \"Events\" : [";
  for (std::size_t i = 0; i < events.size(); ++i) {
    char item[160];
    std::snprintf(item, sizeof item, "%s{\"Action\":\"%s\",\"Button\":%d,\"Delay\":%d,\"Type\":%d}",
                  i ? "," : "", events[i].action, events[i].button, events[i].delay,
                  events[i].type);
    text += item;
  }
  text += "] }\n";
  norvik::testing::WriteText(path, text);
}

}  // namespace norvik::devices::testing
