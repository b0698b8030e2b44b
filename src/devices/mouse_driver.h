#pragma once
// The mouse, one object for both of its connections: its own cable (kind 2) and its wireless
// receiver (kind 6). The command channel runs over the cable when the cable is present, else
// over the receiver; both connections' notification interfaces may be bound at once (kinds 2
// and 6, BindNotification).
//
// On the receiver link every configuration sequence is preceded by the link query (0xAA);
// when the mouse does not answer through the receiver the operation returns NotSent (0) and
// sends nothing more. WriteSettings repeats the query before each of its three commands.
//
// Device operations are called by one owner thread at a time (see DeviceDriver); Attach and
// Detach count as device operations.

#include <array>
#include <atomic>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "devices/device_driver.h"
#include "devices/macro_table.h"
#include "devices/mouse_blocks.h"
#include "profiles/mouse_profiledata.h"

namespace norvik::devices {

enum class MouseLink : std::uint8_t { None, Cable, Receiver };

// The mouse panel's sizes: six key buttons and seven lights on the device picture.
inline constexpr std::size_t kMouseKeyButtonCount = 6;
inline constexpr std::size_t kMouseLightCount = 7;

inline constexpr std::uint16_t kMouseUsageSyncRequest = 0x0401;
inline constexpr std::uint16_t kMouseUsageProfile = 0x10;          // high byte: profile bits 0-3
inline constexpr std::uint16_t kMouseUsageProfileAndStage = 0x11;  // and DPI stage bits 4-7
inline constexpr char kMouseSyncRequestLine[] =
    "接收到自动添加设备的同步信息要求 (sync request from the mouse)";
inline constexpr char kMouseReaderExitLine[] =
    "MS 设备同步线程设定退出 (mouse notification reader ends)";

// Outcome of a DPI edit made through the driver (the command line's DPI commands).
enum class DpiEditStatus {
  Done,         // stored, saved and pushed (see pushed for the device's answer)
  NoProfile,    // no profile could be loaded; nothing changed
  NoSuchStage,  // the stage is not one of the profile's first five stages
  OutOfRange,   // a DPI value outside 1 .. the device's highest DPI
  NotSaved,     // the profile file could not be written; nothing was sent
};
struct DpiEditResult {
  DpiEditStatus status = DpiEditStatus::NoProfile;
  DeviceResult pushed = DeviceResult::NotSent;
  bool Ok() const { return status == DpiEditStatus::Done && pushed == DeviceResult::Success; }
};

class MouseDriver final : public DeviceDriver {
 public:
  // backend is not owned and must outlive the driver. screen is the primary screen's size the
  // settings block carries.
  MouseDriver(hid::HidBackend* backend, DeviceFolders folders, ScreenSize screen = {});
  ~MouseDriver() override;

  // --- connections ---
  // Remember a command interface of the cable or the receiver (empty path: none) and reopen
  // the channel on the preferred one: the cable first, the receiver otherwise. When the
  // preferred one cannot be opened the other is tried. Return the link in use afterwards.
  // A change of link forgets the key map image: ReadKeyData must run again before PushKeyMap.
  MouseLink AttachCable(const std::string& path);
  MouseLink AttachReceiver(const std::string& path);
  MouseLink DetachCable();
  MouseLink DetachReceiver();
  MouseLink ActiveLink() const;

  // --- device operations ---
  // Gate, BeginConfig, ReadDeviceInfo, SetDataLength (slots × 3), ReadKeyMap, EndConfig; then
  // the button positions and the DPI ranges; then the profile is loaded and a repaint asked.
  DeviceResult ReadKeyData() override;
  // Gate, ReadMemory of the active profile index (address 0), ReadMemory of that profile's 71
  // bytes; bytes 1-8 become the light values (speed 5 − byte 3), byte 12 the active DPI stage.
  // The stage is also taken into the loaded profile (and saved); nothing else of the profile
  // changes.
  DeviceResult ReadSettings() override;
  // Clamps the speed to 0..5 and the active DPI stage to the stages the block carries.
  void NormaliseProfile() override;
  // The 66-byte block of the loaded profile at profile × 128 (profile 0..511; active_index is
  // not used by the mouse): gate + BeginConfig, gate + WriteMemory, gate + EndConfig.
  DeviceResult WriteSettings(int profile, int active_index) override;
  // Bank 0 only (else BadBank, nothing sent). Needs the key map image of ReadKeyData on this
  // link. Gate, ReadDeviceInfo, BeginConfig, WriteKeyMap, EndConfig.
  DeviceResult PushKeyMap(int bank) override;
  // Gate, ReadDeviceInfo, then the table of "macro.config" (BeginConfig, WriteMacroData,
  // EndConfig). A closed channel or a link that is down gives TransferFailed with NotSent.
  MacroPushResult WriteMacroTable() override;
  // The four shoot files of the data folder (missing or unreadable ones restored from the
  // default data first): ReadDeviceInfo, BeginConfig, WriteShootData, EndConfig. Over the
  // cable only: through the receiver nothing is sent and the result is NeedsCable.
  MacroPushResult WriteShootTable();
  // The receiver's link query; true on the cable without traffic, false without a channel.
  bool QueryLink() override;
  // The status block (power), behind the link gate like every other exchange.
  DeviceResult ReadStatus() override;
  // Recolours the picture only (a repaint); nothing goes to the device.
  DeviceResult SendLiveFrame() override;

  profiles::CBasicProfiledata* Profile() override { return &profile_; }
  profiles::CMouseProfiledata& MouseProfile() { return profile_; }

  // --- DPI edits: profile, save, settings push ---
  // Stage 0..4 takes dpi_x (and dpi_y with the separate X/Y flag, else dpi_x for both).
  DpiEditResult SetDpiStageValue(int stage, int dpi_x, std::optional<int> dpi_y = std::nullopt);
  DpiEditResult SetActiveDpiStage(int stage);
  DpiEditResult EnableDpiStage(int stage, bool on);

  // --- state read from the device ---
  // Ranges of the DPI sliders and edit fields from the last information block (zeros before).
  DpiRanges Ranges() const;
  // The active DPI stage the device reported last (settings read or a notification); -1 before.
  // The next profile operation takes it into the profile's active stage, so a stage picked with
  // the mouse's DPI button is not undone by the next settings push; applying a profile or the
  // defaults drops a stage not taken yet.
  int ReportedDpiStage() const { return reported_stage_.load(); }
  // The last settings read-back.
  std::optional<MouseSettingsReadout> LastSettingsRead() const;
  // The key map image read last (slots × 3 bytes); empty when none is valid for this link.
  std::vector<std::uint8_t> KeyMapImage() const;

  void SetScreenSize(ScreenSize screen);
  ScreenSize GetScreenSize() const;

 protected:
  void OnNotificationUsage(hid::DeviceKind kind, std::uint16_t usage) override;
  std::string NotificationExitLine() const override { return kMouseReaderExitLine; }
  // As the keyboard: settings, macro table, key map; restoring: key map, then settings.
  std::span<const PushStep> ApplySteps() const override;
  std::span<const PushStep> RestoreSteps() const override;
  // The profile being pushed carries its own DPI stage: a reported one not taken yet is
  // dropped.
  void ProfilePushStarting() override { pending_stage_.store(-1); }

 private:
  // The link gate: the channel is open and, on the receiver link, the mouse answers the query.
  bool LinkGate();
  // The loaded profile, loading it when needed; false when none can be loaded. Takes a stage
  // the device reported meanwhile into it.
  bool EnsureProfile();
  // A reported stage not yet in the profile goes there (and is saved) when a profile is loaded
  // and the stage is one of its stages.
  void AdoptReportedStage();
  MouseSettingsSource SettingsSource();
  // The information block, read afresh and stored.
  std::optional<hid::DeviceInfo> RefreshInformation(DeviceResult& result);
  MacroPushResult PushTable(const MacroTable& table, hid::Command command);
  MouseLink Reconnect();
  template <class Edit>
  DpiEditResult EditStages(int stage, Edit edit);

  profiles::CMouseProfiledata profile_;

  // Connection paths and the link in use.
  std::string cable_path_;
  std::string receiver_path_;
  std::string active_path_;

  // The mouse's own state beside the base's (the reader thread sets the reported stage).
  mutable std::mutex state_lock_;
  MouseLink active_ = MouseLink::None;
  ScreenSize screen_;
  DpiRanges ranges_;
  std::optional<std::vector<std::uint8_t>> key_map_;
  std::optional<MouseSettingsReadout> settings_read_;
  std::atomic<int> reported_stage_{-1};
  // Set by a settings read or the reader thread, taken on the owner thread; -1 when none.
  std::atomic<int> pending_stage_{-1};
  std::atomic<bool> link_up_{true};
};

}  // namespace norvik::devices
