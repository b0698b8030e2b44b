#pragma once
// The device set: one driver per product (keyboard, second keyboard model, mouse for both of its
// connections, mouse pad, headset), and the arrival and removal handling of the watcher's rows:
//  - a consumer-control row (role 255) binds or unbinds the driver's notification reader;
//  - a command row (role 0) opens or closes the driver's command channel, on the direct link or
//    (mouse through its receiver) the receiver link; the mouse prefers its cable and switches
//    over when one of its two connections comes or goes;
//  - the device start-up of the selector timers (link check for the radio link, then ReadKeyData)
//    on request, and the presence (the selector item shown or hidden) reported to the owner.
// Only rows the watcher bound reach the set, so an unlisted product or a wrong usage page never
// opens a driver.
//
// Threads: OnArrival, OnRemoval, StartDevice and CheckLink are serialised by the set; the
// drivers' device operations are the owner's, one thread at a time (DeviceDriver).

#include <array>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string_view>
#include <vector>

#include "devices/device_driver.h"
#include "devices/device_events.h"
#include "devices/device_watcher.h"
#include "devices/mouse_blocks.h"
#include "hid/hid_backend.h"
#include "hid/hid_interface_table.h"

namespace norvik::devices {

class KeyboardDriver;
class MouseDriver;
class MousePadDriver;
class HeadsetDriver;

// The products as the set (and the command line) knows them.
enum class DeviceSlot : std::uint8_t { Keyboard, Keyboard2, Mouse, MousePad, Headset };
inline constexpr std::array<DeviceSlot, 5> kAllDeviceSlots = {
    DeviceSlot::Keyboard, DeviceSlot::Keyboard2, DeviceSlot::Mouse, DeviceSlot::MousePad,
    DeviceSlot::Headset};

// "keyboard", "keyboard2", "mouse", "mousepad", "headset".
std::string_view DeviceSlotName(DeviceSlot slot);
std::optional<DeviceSlot> DeviceSlotFromName(std::string_view name);
// Kinds 1 and 9 the keyboards, 2 and 6 the mouse, 3 the mouse pad, 7 the headset.
std::optional<DeviceSlot> DeviceSlotOfKind(hid::DeviceKind kind);

struct DeviceSetOptions {
  DeviceFolders folders;
  ScreenSize screen;  // the primary screen, carried in the mouse's settings block
  // The headset's audio library; by default the one in the program folder.
  std::optional<std::filesystem::path> audio_library;
};

// What the start-up of one device did.
struct DeviceStartResult {
  bool open = false;     // the command channel was open
  bool link_up = false;  // the radio link answered (always true on a direct link)
  DeviceResult read = DeviceResult::NotSent;  // ReadKeyData
};

class DeviceSet {
 public:
  // A device's selector item was shown (true) or hidden (false).
  using PresenceCallback = std::function<void(DeviceSlot slot, bool shown)>;

  // backend is not owned and must outlive the set.
  DeviceSet(hid::HidBackend& backend, DeviceSetOptions options);
  ~DeviceSet();
  DeviceSet(const DeviceSet&) = delete;
  DeviceSet& operator=(const DeviceSet&) = delete;

  // Given to every driver (not owned; null = ignored).
  void SetEvents(DeviceEvents* events);
  // Set before the first arrival.
  void SetPresenceCallback(PresenceCallback callback);
  // Routes the watcher's arrivals and removals here.
  void Attach(DeviceWatcher& watcher);

  void OnArrival(std::size_t row, const hid::HidInterfaceCopy& copy);
  void OnRemoval(std::size_t row, const hid::HidInterfaceCopy& copy);

  // The start-up the selector item's first timer runs: on the receiver link the link query
  // first (a link that is down hides the device and reads nothing), then ReadKeyData.
  DeviceStartResult StartDevice(DeviceSlot slot);
  // The radio link check of the selector item: shows or hides the mouse as its link answers.
  // True when the device is reachable (a device on a direct link is when its channel is open).
  bool CheckLink(DeviceSlot slot);

  DeviceDriver& Driver(DeviceSlot slot);
  KeyboardDriver& Keyboard(DeviceSlot slot = DeviceSlot::Keyboard);
  MouseDriver& Mouse();
  MousePadDriver& MousePad();
  HeadsetDriver& Headset();

  // The selector item is shown.
  bool IsShown(DeviceSlot slot) const;
  std::vector<DeviceSlot> ShownDevices() const;
  // A command interface of the product is bound (the item may still be hidden: a radio link
  // that is down).
  bool IsConnected(DeviceSlot slot) const;

  // Stops every driver's threads and closes every channel. Safe to call more than once.
  void Shutdown();

 private:
  struct Entry {
    std::unique_ptr<DeviceDriver> driver;
    bool shown = false;
    bool connected = false;
  };

  void ArriveCommand(DeviceSlot slot, std::size_t row, const hid::HidInterfaceCopy& copy);
  void RemoveCommand(DeviceSlot slot, std::size_t row, const hid::HidInterfaceCopy& copy);
  void SetShown(DeviceSlot slot, bool shown);
  Entry& At(DeviceSlot slot) { return entries_[static_cast<std::size_t>(slot)]; }
  const Entry& At(DeviceSlot slot) const { return entries_[static_cast<std::size_t>(slot)]; }

  hid::HidBackend& backend_;
  const DeviceSetOptions options_;
  mutable std::recursive_mutex mutex_;
  std::array<Entry, kAllDeviceSlots.size()> entries_;
  PresenceCallback on_presence_;
};

}  // namespace norvik::devices
