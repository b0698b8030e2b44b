#include "devices/device_set.h"

#include <string>
#include <utility>

#include "base/debug_trace.h"
#include "devices/headset_driver.h"
#include "devices/keyboard_driver.h"
#include "devices/mouse_driver.h"
#include "devices/mouse_pad_driver.h"

namespace norvik::devices {

namespace {

struct SlotName {
  DeviceSlot slot;
  std::string_view name;
};
inline constexpr std::array<SlotName, kAllDeviceSlots.size()> kSlotNames = {{
    {DeviceSlot::Keyboard, "keyboard"},
    {DeviceSlot::Keyboard2, "keyboard2"},
    {DeviceSlot::Mouse, "mouse"},
    {DeviceSlot::MousePad, "mousepad"},
    {DeviceSlot::Headset, "headset"},
}};

// The arrival and removal lines of each handler.
const char* ArrivalLine(DeviceSlot slot) {
  switch (slot) {
    case DeviceSlot::Keyboard:
    case DeviceSlot::Keyboard2:
      return "添加一个键盘设备 (keyboard added)";
    case DeviceSlot::Mouse:
      return "添加一个鼠标设备 (mouse added)";
    case DeviceSlot::MousePad:
      return "添加一个鼠标垫设备 (mouse pad added)";
    case DeviceSlot::Headset:
      return "添加一个耳机设备 (headset added)";
  }
  return "";
}

const char* RemovalLine(DeviceSlot slot) {
  switch (slot) {
    case DeviceSlot::Keyboard:
    case DeviceSlot::Keyboard2:
      return "键盘设备丢失 (keyboard removed)";
    case DeviceSlot::Mouse:
      return "鼠标设备丢失 (mouse removed)";
    case DeviceSlot::MousePad:
      return "鼠标垫设备丢失 (mouse pad removed)";
    case DeviceSlot::Headset:
      return "耳机设备丢失 (headset removed)";
  }
  return "";
}

std::unique_ptr<DeviceDriver> MakeDriver(DeviceSlot slot, hid::HidBackend* backend,
                                         const DeviceSetOptions& options) {
  switch (slot) {
    case DeviceSlot::Keyboard:
      return std::make_unique<KeyboardDriver>(backend, options.folders, hid::DeviceKind::Keyboard);
    case DeviceSlot::Keyboard2:
      return std::make_unique<KeyboardDriver>(backend, options.folders,
                                              hid::DeviceKind::KeyboardSecondModel);
    case DeviceSlot::Mouse:
      return std::make_unique<MouseDriver>(backend, options.folders, options.screen);
    case DeviceSlot::MousePad:
      return std::make_unique<MousePadDriver>(backend, options.folders);
    case DeviceSlot::Headset:
      return std::make_unique<HeadsetDriver>(backend, options.folders, options.audio_library);
  }
  return nullptr;
}

}  // namespace

std::string_view DeviceSlotName(DeviceSlot slot) {
  for (const SlotName& entry : kSlotNames) {
    if (entry.slot == slot) return entry.name;
  }
  return {};
}

std::optional<DeviceSlot> DeviceSlotFromName(std::string_view name) {
  for (const SlotName& entry : kSlotNames) {
    if (entry.name == name) return entry.slot;
  }
  return std::nullopt;
}

std::optional<DeviceSlot> DeviceSlotOfKind(hid::DeviceKind kind) {
  switch (kind) {
    case hid::DeviceKind::Keyboard:
      return DeviceSlot::Keyboard;
    case hid::DeviceKind::KeyboardSecondModel:
      return DeviceSlot::Keyboard2;
    case hid::DeviceKind::MouseCable:
    case hid::DeviceKind::MouseReceiver:
      return DeviceSlot::Mouse;
    case hid::DeviceKind::MousePad:
      return DeviceSlot::MousePad;
    case hid::DeviceKind::Headset:
      return DeviceSlot::Headset;
    case hid::DeviceKind::SelectorHeadset:
    case hid::DeviceKind::SelectorHub:
      break;
  }
  return std::nullopt;
}

DeviceSet::DeviceSet(hid::HidBackend& backend, DeviceSetOptions options)
    : backend_(backend), options_(std::move(options)) {
  for (const DeviceSlot slot : kAllDeviceSlots)
    At(slot).driver = MakeDriver(slot, &backend_, options_);
}

DeviceSet::~DeviceSet() {
  Shutdown();
}

void DeviceSet::SetEvents(DeviceEvents* events) {
  for (Entry& entry : entries_) entry.driver->SetEvents(events);
}

void DeviceSet::SetPresenceCallback(PresenceCallback callback) {
  std::lock_guard lock(mutex_);
  on_presence_ = std::move(callback);
}

void DeviceSet::Attach(DeviceWatcher& watcher) {
  watcher.SetArrivalCallback(
      [this](std::size_t row, const hid::HidInterfaceCopy& copy) { OnArrival(row, copy); });
  watcher.SetRemovalCallback(
      [this](std::size_t row, const hid::HidInterfaceCopy& copy) { OnRemoval(row, copy); });
}

void DeviceSet::OnArrival(std::size_t row, const hid::HidInterfaceCopy& copy) {
  if (row >= copy.size()) return;
  const hid::HidInterfaceBinding& binding = copy[row];
  const auto slot = DeviceSlotOfKind(binding.row.device_kind);
  if (!slot) return;
  std::lock_guard lock(mutex_);
  DebugTrace(ArrivalLine(*slot));
  if (binding.row.role == hid::InterfaceRole::Notification) {
    At(*slot).driver->Notifications().Bind(binding.path, binding.row.device_kind);
    return;
  }
  ArriveCommand(*slot, row, copy);
}

void DeviceSet::ArriveCommand(DeviceSlot slot, std::size_t row, const hid::HidInterfaceCopy& copy) {
  Entry& entry = At(slot);
  const hid::HidInterfaceBinding& binding = copy[row];
  if (slot == DeviceSlot::Mouse) {
    // The mouse keeps both connections and runs over its cable whenever the cable is there:
    // a receiver arriving beside the cable changes nothing, a cable arriving beside the
    // receiver takes the channel over.
    auto& mouse = static_cast<MouseDriver&>(*entry.driver);
    const bool receiver = binding.row.device_kind == hid::DeviceKind::MouseReceiver;
    const MouseLink link =
        receiver ? mouse.AttachReceiver(binding.path) : mouse.AttachCable(binding.path);
    entry.connected = true;
    // A radio connection is shown by its link check, a cable at once.
    if (link == MouseLink::Cable || (link == MouseLink::None && !receiver)) SetShown(slot, true);
    return;
  }
  if (!entry.driver->IsOpen()) {
    if (entry.driver->OpenCommand(binding.path, hid::kLinkModeDirect)) {
      entry.driver->BindRow(binding);
    } else {
      // The item is still shown; the channel stays closed.
      DebugTraceF("%s: command interface could not be opened",
                  std::string(DeviceSlotName(slot)).c_str());
    }
  }
  entry.connected = true;
  SetShown(slot, true);
}

void DeviceSet::OnRemoval(std::size_t row, const hid::HidInterfaceCopy& copy) {
  if (row >= copy.size()) return;
  const hid::HidInterfaceRow& table_row = copy[row].row;
  const auto slot = DeviceSlotOfKind(table_row.device_kind);
  if (!slot) return;
  std::lock_guard lock(mutex_);
  DebugTrace(RemovalLine(*slot));
  if (table_row.role == hid::InterfaceRole::Notification) {
    At(*slot).driver->Notifications().Unbind(table_row.device_kind);
    return;
  }
  RemoveCommand(*slot, row, copy);
}

void DeviceSet::RemoveCommand(DeviceSlot slot, std::size_t row, const hid::HidInterfaceCopy& copy) {
  Entry& entry = At(slot);
  if (slot == DeviceSlot::Mouse) {
    auto& mouse = static_cast<MouseDriver&>(*entry.driver);
    const bool receiver = copy[row].row.device_kind == hid::DeviceKind::MouseReceiver;
    const MouseLink link = receiver ? mouse.DetachReceiver() : mouse.DetachCable();
    const std::size_t partner = copy[row].row.partner_row;
    const bool partner_connected =
        copy[row].row.paired != 0 && partner < copy.size() && copy[partner].row.connected != 0;
    if (partner_connected) {
      // Switched over to the other connection; the radio link's check hides the mouse when it
      // does not answer.
      (void)link;
      return;
    }
    entry.connected = false;
    mouse.Notifications().Unbind(hid::DeviceKind::MouseCable);
    mouse.Notifications().Unbind(hid::DeviceKind::MouseReceiver);
    SetShown(slot, false);
    return;
  }
  entry.connected = false;
  entry.driver->CloseCommand();
  entry.driver->Notifications().Unbind(copy[row].row.device_kind);
  SetShown(slot, false);
}

DeviceStartResult DeviceSet::StartDevice(DeviceSlot slot) {
  std::lock_guard lock(mutex_);
  DeviceStartResult result;
  DeviceDriver& driver = *At(slot).driver;
  result.open = driver.IsOpen();
  if (!result.open) return result;
  if (driver.Io().IsWireless()) {
    result.link_up = driver.QueryLink();
    SetShown(slot, result.link_up);
    if (!result.link_up) return result;
  } else {
    result.link_up = true;
  }
  result.read = driver.ReadKeyData();
  return result;
}

bool DeviceSet::CheckLink(DeviceSlot slot) {
  std::lock_guard lock(mutex_);
  DeviceDriver& driver = *At(slot).driver;
  if (!driver.IsOpen()) return false;
  if (!driver.Io().IsWireless()) return true;
  const bool up = driver.QueryLink();
  SetShown(slot, up);
  return up;
}

void DeviceSet::SetShown(DeviceSlot slot, bool shown) {
  Entry& entry = At(slot);
  if (entry.shown == shown) return;
  entry.shown = shown;
  if (on_presence_) on_presence_(slot, shown);
}

DeviceDriver& DeviceSet::Driver(DeviceSlot slot) {
  return *At(slot).driver;
}

KeyboardDriver& DeviceSet::Keyboard(DeviceSlot slot) {
  const DeviceSlot which =
      slot == DeviceSlot::Keyboard2 ? DeviceSlot::Keyboard2 : DeviceSlot::Keyboard;
  return static_cast<KeyboardDriver&>(*At(which).driver);
}

MouseDriver& DeviceSet::Mouse() {
  return static_cast<MouseDriver&>(*At(DeviceSlot::Mouse).driver);
}

MousePadDriver& DeviceSet::MousePad() {
  return static_cast<MousePadDriver&>(*At(DeviceSlot::MousePad).driver);
}

HeadsetDriver& DeviceSet::Headset() {
  return static_cast<HeadsetDriver&>(*At(DeviceSlot::Headset).driver);
}

bool DeviceSet::IsShown(DeviceSlot slot) const {
  std::lock_guard lock(mutex_);
  return At(slot).shown;
}

std::vector<DeviceSlot> DeviceSet::ShownDevices() const {
  std::lock_guard lock(mutex_);
  std::vector<DeviceSlot> shown;
  for (const DeviceSlot slot : kAllDeviceSlots) {
    if (At(slot).shown) shown.push_back(slot);
  }
  return shown;
}

bool DeviceSet::IsConnected(DeviceSlot slot) const {
  std::lock_guard lock(mutex_);
  return At(slot).connected;
}

void DeviceSet::Shutdown() {
  for (Entry& entry : entries_) {
    if (!entry.driver) continue;
    entry.driver->Shutdown();
    entry.driver->CloseCommand();
  }
}

}  // namespace norvik::devices
