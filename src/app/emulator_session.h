#pragma once
// --emulate: the emulated bus the program runs against, with the audio library stand-in tied
// to it, and the "Emulated devices" menu that plugs and unplugs each device and takes the
// receiver's radio link up or down. With a state file the bus is shared with every norvikctl
// (and other program) emulating on the same data folder: a poll timer takes in their plugs,
// unplugs and memory changes and hands over this program's, and the last exchange runs when the
// session ends, so `norvikctl emulator dump` shows afterwards what the program wrote.

#include <QMenu>
#include <QString>
#include <QTimer>
#include <QWidget>
#include <array>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>

#include "emulator/emulated_bus.h"
#include "emulator/shared_state.h"

namespace norvik::emulator {
class AudioStandinLink;
}

namespace norvik::app {

// Menu items: name (also the action's object name), text key, device.
struct EmulatedMenuItem {
  const char* name;
  const char* text_key;
  emulator::EmulatedProduct product;
};
inline constexpr std::array<EmulatedMenuItem, 6> kEmulatedMenuItems = {{
    {"emu_keyboard", "emu_keyboard_text", emulator::EmulatedProduct::Keyboard},
    {"emu_keyboard2", "emu_keyboard2_text", emulator::EmulatedProduct::SecondKeyboard},
    {"emu_mouse_cable", "emu_mouse_cable_text", emulator::EmulatedProduct::MouseCable},
    {"emu_mouse_receiver", "emu_mouse_receiver_text", emulator::EmulatedProduct::MouseReceiver},
    {"emu_mousepad", "emu_mousepad_text", emulator::EmulatedProduct::MousePad},
    {"emu_headset", "emu_headset_text", emulator::EmulatedProduct::Headset},
}};
inline constexpr char kEmulatedMenuName[] = "emu_menu";
inline constexpr char kEmulatedMenuTextKey[] = "emu_menu_text";
inline constexpr char kEmulatedLinkItem[] = "emu_link";
inline constexpr char kEmulatedLinkTextKey[] = "emu_link_text";

// The devices plugged when the program starts emulating.
inline constexpr std::array<emulator::EmulatedProduct, 4> kEmulatedStartDevices = {
    emulator::EmulatedProduct::Keyboard, emulator::EmulatedProduct::MouseReceiver,
    emulator::EmulatedProduct::MousePad, emulator::EmulatedProduct::Headset};

// How often the shared state file is looked at (a stat and the devices' revision counters).
inline constexpr int kEmulatorStatePollMs = 100;

class EmulatorSession {
 public:
  // program_folder: where the audio library stand-in sits. plug_start_devices: plug
  // kEmulatedStartDevices now, unless the state file (when given) already has devices: those
  // are taken as they are. An empty state_file keeps the bus to this process.
  EmulatorSession(const std::filesystem::path& program_folder, bool plug_start_devices,
                  const std::filesystem::path& state_file = {});
  ~EmulatorSession();
  EmulatorSession(const EmulatorSession&) = delete;
  EmulatorSession& operator=(const EmulatorSession&) = delete;

  emulator::EmulatedBus& Bus() { return *bus_; }

  // How the state file was found at the start (Missing without one).
  emulator::StateLoadResult StateAtStart() const { return state_at_start_; }
  // One exchange with the state file when something changed on either side (the poll timer
  // calls it; menu actions too). Nothing without a state file.
  void SyncState();

  bool IsPlugged(emulator::EmulatedProduct product) const;
  // Plugs (again) or unplugs the device; a device is made on first plug.
  void SetPlugged(emulator::EmulatedProduct product, bool plugged);
  // The device of that product, plugged or not.
  std::optional<emulator::DeviceId> Find(emulator::EmulatedProduct product) const;

  bool ReceiverLinkUp() const;
  // False when there is no receiver yet.
  bool SetReceiverLink(bool up);

  // Applies a menu item (checked = the item's new check state). False for a name not ours.
  bool ApplyMenuItem(const QString& name, bool checked);

  // The "Emulated devices" submenu under parent; texts and check states are refreshed each
  // time it opens. Choosing an item calls on_item (name, new check state).
  QMenu* BuildMenu(QWidget* parent, std::function<void(const QString&, bool)> on_item);
  // Brings texts and check marks of a menu made by BuildMenu up to date.
  void RefreshMenu(QMenu* menu) const;

 private:
  std::unique_ptr<emulator::EmulatedBus> bus_;
  std::unique_ptr<emulator::AudioStandinLink> audio_link_;
  std::unique_ptr<emulator::SharedEmulatorState> shared_;
  emulator::StateLoadResult state_at_start_ = emulator::StateLoadResult::Missing;
  QTimer poll_;
};

}  // namespace norvik::app
