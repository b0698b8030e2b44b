#pragma once
// --emulate: the emulated bus the program runs against, with the audio library stand-in tied
// to it, and the "Emulated devices" menu that plugs and unplugs each device and takes the
// receiver's radio link up or down.

#include <QMenu>
#include <QString>
#include <QWidget>
#include <array>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>

#include "emulator/emulated_bus.h"

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

class EmulatorSession {
 public:
  // program_folder: where the audio library stand-in sits. plug_start_devices: plug
  // kEmulatedStartDevices now.
  EmulatorSession(const std::filesystem::path& program_folder, bool plug_start_devices);
  ~EmulatorSession();
  EmulatorSession(const EmulatorSession&) = delete;
  EmulatorSession& operator=(const EmulatorSession&) = delete;

  emulator::EmulatedBus& Bus() { return *bus_; }

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
};

}  // namespace norvik::app
