#pragma once
// A mouse driver over an emulated bus with the mouse's cable and its receiver plugged in, a
// user folder of its own and the shipped default data; plus what the emulated devices saw.

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "devices/mouse_driver.h"
#include "support/device_rig.h"

namespace norvik::devices::testing {

using emulator::CommandDevice;
using emulator::EmulatedBus;
using emulator::EmulatedMouse;
using emulator::EmulatedProduct;
using emulator::EmulatedReceiver;
using norvik::testing::Bytes;
using norvik::testing::FolderSnapshot;
using norvik::testing::RecordingEvents;

inline std::string HexOf(std::span<const std::uint8_t> bytes) {
  return norvik::testing::Hex(bytes);
}

// The command bytes of the requests a device received since its log was cleared.
inline Bytes CommandsOf(const CommandDevice& device) {
  return device.CommandsSeen();
}

// The mouse's cable (device 0) and its receiver (device 1) on the device rig, with a mouse
// driver on them.
class MouseRig {
 public:
  explicit MouseRig(bool cable = true, bool receiver = true)
      : rig_({EmulatedProduct::MouseCable, EmulatedProduct::MouseReceiver}) {
    if (!cable) rig_.bus().Unplug(cable_id());
    if (!receiver) rig_.bus().Unplug(receiver_id());
    driver_ = std::make_unique<MouseDriver>(
        &rig_.bus(), rig_.Folders(norvik::testing::kRigProgramFolder), ScreenSize{1920, 1080});
  }
  ~MouseRig() { driver_.reset(); }

  MouseDriver& driver() { return *driver_; }
  EmulatedBus& bus() { return rig_.bus(); }
  EmulatedMouse& cable() { return *rig_.Device<EmulatedMouse>(0); }
  EmulatedReceiver& receiver() { return *rig_.Device<EmulatedReceiver>(1); }
  emulator::DeviceId cable_id() const { return rig_.IdOf(0); }
  emulator::DeviceId receiver_id() const { return rig_.IdOf(1); }
  std::filesystem::path data_folder() const { return rig_.UserRoot() / kMouseDeviceName; }
  const std::filesystem::path& user_root() const { return rig_.UserRoot(); }

  std::string CommandPath(emulator::DeviceId id) { return rig_.CommandPath(Index(id)); }
  std::string NotificationPath(emulator::DeviceId id) { return rig_.NotificationPath(Index(id)); }

  MouseLink AttachCable() { return driver_->AttachCable(CommandPath(cable_id())); }
  MouseLink AttachReceiver() { return driver_->AttachReceiver(CommandPath(receiver_id())); }

  void ClearLogs() {
    cable().ClearRequestLog();
    receiver().ClearRequestLog();
  }

 private:
  std::size_t Index(emulator::DeviceId id) const { return id == cable_id() ? 0 : 1; }

  norvik::testing::DeviceRig rig_;
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
