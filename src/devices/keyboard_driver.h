#pragma once
// The keyboard driver (interface-table kinds 1 and 9; the second model keeps its own folder
// "keyboard2" and reports profile changes made on the device). Reads the key map and key table
// to find where each key sits, pushes the settings block, key map, macro table and custom colour
// block, reads the settings back on a sync request, and runs the notification reader and the
// lighting preview.

#include <cstdint>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "devices/device_driver.h"
#include "devices/keyboard_blocks.h"
#include "devices/light_preview.h"
#include "profiles/keyboard_profiledata.h"
#include "profiles/light_list.h"
#include "profiles/macro_list.h"

namespace norvik::devices {

// Consumer-control usages of the keyboards.
inline constexpr std::uint16_t kUsageSyncRequest = 0x0401;
inline constexpr std::uint16_t kUsageKeyPressFirst = 0x0500;
inline constexpr std::uint16_t kUsageKeyReleaseFirst = 0x0600;
inline constexpr std::uint16_t kUsageKeyRangeSize = 0x0100;
inline constexpr std::uint8_t kUsageProfileHigh = 0x10;
inline constexpr std::uint8_t kUsageProfileStageHigh = 0x11;
inline constexpr std::uint16_t kUsageProfileIndexMask = 0x000F;

inline constexpr char kSyncRequestLine[] =
    "接收到自动添加设备的同步信息要求 (sync request from the device)";
inline constexpr char kKeyboardReaderExitLine[] =
    "MS 设备同步线程设定退出 (keyboard notification reader ends)";
inline constexpr char kKeyboardPreviewExitLine[] =
    "KB灯光线程设定退出 (keyboard lighting preview ends)";
// The user lighting list of the keyboard (its product's light configuration name).
inline constexpr char kKeyboardLightingListName[] = "zintu_light.config";
// Built-in lighting modes of the keyboard firmware; higher selections are user effects.
inline constexpr int kKeyboardBuiltInModes = 29;
inline constexpr int kKeyboardVariant = 0;

class KeyboardDriver final : public DeviceDriver {
 public:
  // kind is DeviceKind::Keyboard or DeviceKind::KeyboardSecondModel; it picks the device name
  // ("keyboard", "keyboard2").
  KeyboardDriver(hid::HidBackend* backend, DeviceFolders folders,
                 hid::DeviceKind kind = hid::DeviceKind::Keyboard);
  ~KeyboardDriver() override;

  hid::DeviceKind Model() const { return model_; }
  profiles::CKeyboardProfiledata* Profile() override { return &profile_; }
  profiles::CKeyboardProfiledata& KeyboardProfile() { return profile_; }
  // True after a successful LoadProfile; the pushes refuse to send an unloaded profile.
  bool ProfileLoaded() const { return profile_loaded_; }

  // Read sequence: BeginConfig, ReadDeviceInfo, SetDataLength(slots × 3), ReadKeyMap,
  // ReadKeyTable, EndConfig; then the position maps, the profile and the preview.
  DeviceResult ReadKeyData() override;
  // Active profile index and its 26-byte block into the light values and the profile (saved).
  DeviceResult ReadSettings() override;
  bool LoadProfile() override;
  // Brings profile values into the ranges the panel and the device know.
  void NormaliseProfile() override;
  // The stored key-map image with "KeyList" put into the known slots. Bank must be 0; refused
  // (NotSent) before a key map was read or when the slot count changed since.
  DeviceResult PushKeyMap(int bank) override;
  MacroPushResult WriteMacroTable() override;
  // The 26-byte block from the profile at address profile × 25, byte 0 = active_index.
  DeviceResult WriteSettings(int profile, int active_index) override;
  void LoadLists() override;
  // Computes the frame and repaints; the device runs its own lighting, so nothing is sent.
  DeviceResult SendLiveFrame() override;

  // Stores colour (packed LED entry) into the key's LED entry and into the profile's custom
  // colours of the current group, and in mode 20 uploads the custom colour block. Success when
  // there is nothing to upload.
  DeviceResult WriteCustomColour(int key_id, std::uint32_t colour);
  // WriteCustomColour for several keys with one upload; ids outside the keyboard are skipped.
  DeviceResult WriteCustomColour(std::span<const int> key_ids, std::uint32_t colour);
  // In mode 20 uploads the custom colour block scaled by each LED's brightness.
  DeviceResult WriteCustomColours();

  // What the last read found.
  std::size_t SlotCount() const;
  std::vector<std::uint8_t> KeyMapImage() const;
  std::vector<std::uint8_t> KeyTable() const;
  std::vector<std::uint8_t> LastLiveFrame() const;

  // The lists of LoadLists.
  std::vector<std::string> MacroNames() const;
  profiles::DefaultLightList BuiltInLightModes() const;
  std::vector<profiles::UserLightEffect> UserLightEffects() const;

 protected:
  void OnNotificationUsage(hid::DeviceKind kind, std::uint16_t usage) override;
  std::string NotificationExitLine() const override { return kKeyboardReaderExitLine; }
  std::optional<std::chrono::milliseconds> PreviewPeriod() const override;
  bool PreviewStep() override;
  std::string PreviewExitLine() const override { return kKeyboardPreviewExitLine; }
  // A whole-profile push sends the settings, the macro table and the key map; restoring the
  // defaults sends the key map, then the settings.
  std::span<const PushStep> ApplySteps() const override;
  std::span<const PushStep> RestoreSteps() const override;

 private:
  void OnKey(std::uint8_t slot, bool pressed);
  void OnProfileChange(std::uint16_t usage);
  // Restarts the preview for the current light values (after a mode change).
  void RestartPreviewEffect();
  // The custom colours of the current group into the LED entries (mode 20).
  void LoadCustomColoursIntoLeds();
  DeviceResult UploadCustomColours(bool scaled);
  // Positions from the remembered record when it fits this device, else found on the key map
  // (and remembered).
  KeyPositions DiscoverPositions(const hid::DeviceInfo& info, std::span<const std::uint8_t> key_map,
                                 std::span<const std::uint8_t> key_table, std::size_t slots);

  const hid::DeviceKind model_;
  profiles::CKeyboardProfiledata profile_;
  bool profile_loaded_ = false;

  // Guards the key data and the lists.
  mutable std::mutex data_lock_;
  bool key_data_read_ = false;
  std::size_t slots_ = 0;
  std::vector<std::uint8_t> key_map_;
  std::vector<std::uint8_t> key_table_;
  std::vector<std::uint8_t> live_frame_;
  std::vector<std::string> macro_names_;
  profiles::DefaultLightList built_in_modes_;
  std::vector<profiles::UserLightEffect> user_effects_;

  // Used under the light lock only (UpdateLedEntries).
  LightPreview preview_;
};

}  // namespace norvik::devices
