#pragma once
// The base of every device driver (keyboard, mouse, mouse pad, headset): the command channel
// (DeviceIo), the bound interface-table row, the device's folders, the key and light position
// maps and the values read from the device, the device operations the owner (panel or command
// line) calls, and the whole-profile push written once for every driver. Toolkit-free: the
// on-screen panel wraps a driver.
//
// Its collaborators, one job each, are reached through accessors:
//  - Leds(): the LED entries under their own lock;
//  - Notifications(): the notification readers (one thread per bound consumer-control
//    interface), which hand each usage to OnNotificationUsage;
//  - Preview(): the lighting preview thread, which runs PreviewPeriod / PreviewStep;
//  - LiveFrames(): the live-frame worker, which calls SendLiveFrame at the link's pace.
//
// Threads: device operations (ReadKeyData, WriteSettings, ApplyProfile, ...) are called by one
// owner thread at a time. The collaborators, the position maps, the values read and the events
// sink are safe to use from any thread. Worker threads run virtual functions of the derived
// class, so every derived destructor calls Shutdown() first.

#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <map>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "devices/device_events.h"
#include "devices/led_store.h"
#include "devices/live_frame_worker.h"
#include "devices/notification_readers.h"
#include "devices/power_status.h"
#include "devices/preview_worker.h"
#include "devices/profile_push.h"
#include "hid/device_io.h"
#include "hid/hid_backend.h"
#include "hid/hid_interface_table.h"
#include "profiles/basic_profiledata.h"
#include "profiles/profile_records.h"

namespace norvik::devices {

using hid::DeviceResult;

// Where a driver finds its files: DataFolder = user_root / device name (the user root is the
// product folder "Norvik_QT-4100" under the local application-data folder), DefaultDataFolder =
// program_folder / "DefaultData".
struct DeviceFolders {
  std::filesystem::path user_root;
  std::filesystem::path program_folder;
};

inline constexpr char kDefaultDataFolderName[] = "DefaultData";
inline constexpr char kDeviceDataExtension[] = ".Json";

// Device names: folder and default data file names of each driver.
inline constexpr char kKeyboardDeviceName[] = "keyboard";
inline constexpr char kSecondKeyboardDeviceName[] = "keyboard2";
inline constexpr char kMouseDeviceName[] = "mouse";
inline constexpr char kMousePadDeviceName[] = "MousePad";
inline constexpr char kHeadsetDeviceName[] = "HD";

// A key or light position that names no slot.
inline constexpr std::uint8_t kNoPosition = 255;

// One step of a value through its range, arithmetic modulo 256. Up: value + step when that is
// below limit, else 0. Down: value − step when that is below limit, else limit − step.
std::uint8_t StepValue(bool up, std::uint8_t limit, std::uint8_t value, std::uint8_t step);

class DeviceDriver {
 public:
  // backend is not owned and must outlive the driver.
  DeviceDriver(hid::HidBackend* backend, std::string device_name, DeviceFolders folders);
  virtual ~DeviceDriver();
  DeviceDriver(const DeviceDriver&) = delete;
  DeviceDriver& operator=(const DeviceDriver&) = delete;

  // Stops every worker thread (notification readers, preview, live frames) and closes the
  // notification interfaces. Safe to call more than once.
  void Shutdown();

  const std::string& DeviceName() const { return name_; }
  hid::DeviceKind Kind() const { return kind_.load(); }
  hid::InterfaceRole Role() const { return role_.load(); }
  hid::DeviceIo& Io() { return io_; }
  const hid::DeviceIo& Io() const { return io_; }

  // --- collaborators ---
  LedStore& Leds() { return leds_; }
  const LedStore& Leds() const { return leds_; }
  NotificationReaders& Notifications() { return readers_; }
  PreviewWorker& Preview() { return preview_; }
  LiveFrameWorker& LiveFrames() { return live_frames_; }

  // Keeps a copy of the matched interface-table row (with its path) and takes its kind and role.
  void BindRow(const hid::HidInterfaceBinding& row);
  std::optional<hid::HidInterfaceBinding> BoundRow() const;

  // Folders. DataFolder creates the folder levels when missing.
  const DeviceFolders& Folders() const { return folders_; }
  std::filesystem::path DataFolder() const;
  std::filesystem::path DefaultDataFolder() const;
  std::filesystem::path DefaultProfilePath() const;

  // The events sink (not owned; null = ignored). Set it before starting threads or while none
  // calls back; it is read atomically.
  void SetEvents(DeviceEvents* events) { events_.store(events); }

  // The command channel: link mode 1 direct, 2 receiver (hid::kLinkModeDirect/Receiver).
  virtual bool OpenCommand(const std::string& path, int link_mode);
  virtual void CloseCommand();
  bool IsOpen() const { return io_.IsOpen(); }

  // Position maps (key id → slot, key id → light position); kNoPosition when unknown.
  std::uint8_t KeyPosition(int key_id) const;
  std::map<int, std::uint8_t> KeyPositionMap() const;
  std::map<int, std::uint8_t> LightPositionMap() const;
  // The key id whose key position is slot (ids 0..125), if any.
  std::optional<int> KeyIdOfSlot(std::uint8_t slot) const;

  // Live lighting (default on). Switching it on sends EnterSoftwareLighting (0x1C) on a kind-1
  // keyboard; the result is that command's, else Success.
  DeviceResult SetLiveLighting(bool on);
  bool IsLiveLighting() const { return live_frames_.IsLive(); }
  // One live frame from the LED entries (base: sent with SendLightFrame, skipped on the
  // receiver link; a failure pauses 200 ms, cut short by Shutdown or LiveFrames().Stop()).
  virtual DeviceResult SendLiveFrame();

  // The device information block read last, and its read (ReadDeviceInfo on its own).
  DeviceResult ReadDeviceInformation();
  hid::DeviceInfo DeviceInformation() const;

  // The current light values (mode, brightness, speed, option, colours, groups).
  void SetLightValues(const profiles::LightState& values);
  profiles::LightState LightValues() const;

  // The profile index the device reports as active (settings byte 0 or a profile change made on
  // the device); -1 before the first read.
  int ActiveProfileIndex() const { return active_profile_.load(); }

  // The power status read last by ReadStatus.
  std::optional<PowerStatus> LastPowerStatus() const;

  // The profile object the driver owns (null for a driver without one).
  virtual profiles::CBasicProfiledata* Profile() { return nullptr; }

  // --- device operations (the base does nothing and returns NotSent unless stated) ---
  // Start-up read (device information, key map, ...); then loads the profile and starts the
  // preview.
  virtual DeviceResult ReadKeyData();
  // Reads the active profile index and the settings block into the light values and profile.
  virtual DeviceResult ReadSettings();
  // Loads the selected profile of the data folder's profile list; false without one.
  virtual bool LoadProfile();
  virtual void NormaliseProfile();
  virtual DeviceResult PushKeyMap(int bank);
  virtual MacroPushResult WriteMacroTable();
  virtual DeviceResult WriteSettings(int profile, int active_index);
  // What a change of the lighting alone sends: by default the settings block, which holds it.
  virtual DeviceResult WriteLightSettings();
  // Base: true.
  virtual bool QueryLink();
  // Shared by keyboard, mouse and mouse pad: 6 bytes with ReadBlock (0x1A) at offset 0; byte 3
  // becomes the link flag (1 receiver, 0 direct); the status is kept and handed to OnStatus.
  virtual DeviceResult ReadStatus();
  // Reads the name lists the panel offers (macros, light modes).
  virtual void LoadLists();

  // The whole-profile push, the same for every driver: load the selected profile, normalise
  // it, repaint, then the driver's ApplySteps in order. Nothing is pushed when the profile could
  // not be loaded; the push stops at the first step that finds the device unreachable (see
  // ApplyResult::stopped_at). A refused step does not stop the later ones.
  ApplyResult ApplyProfile();
  // The default data into the selected profile, then as ApplyProfile with RestoreSteps.
  ApplyResult RestoreDefaults();

 protected:
  DeviceEvents* Events() const { return events_.load(); }
  void EmitSyncRequest(int delay_ms);
  void EmitProfileChanged(int index);
  void EmitKeyPressed(int key_id);
  void EmitKeyReleased(int key_id);
  void EmitRepaint();
  void EmitLinkChanged(bool up);

  void SetActiveProfileIndex(int index) { active_profile_.store(index); }
  // The stem of the default data file when it is not the device name (a model without factory
  // data of its own shares another's). Call from the constructor only.
  void SetDefaultDataName(std::string name) { default_data_name_ = std::move(name); }
  void SetPositionMaps(std::map<int, std::uint8_t> key_positions,
                       std::map<int, std::uint8_t> light_positions);
  void StoreDeviceInformation(const hid::DeviceInfo& info);

  // Points profile at the selected profile of the data folder's profile list (created from the
  // default data when missing) and loads its section. False without a loadable section.
  bool LoadSelectedProfileSection(profiles::CBasicProfiledata& profile);

  // --- hooks of the whole-profile push ---
  // The steps of ApplyProfile and of RestoreDefaults, in order (base: the settings only).
  virtual std::span<const PushStep> ApplySteps() const;
  virtual std::span<const PushStep> RestoreSteps() const;
  // Called before the profile is loaded for a push.
  virtual void ProfilePushStarting() {}

  // --- notification readers ---
  // One usage read from the kind's consumer-control interface (the first usage of the first
  // input data element; 0 = released). Called on the reader thread.
  virtual void OnNotificationUsage(hid::DeviceKind kind, std::uint16_t usage);
  // Written by the reader thread when it ends.
  virtual std::string NotificationExitLine() const { return {}; }

  // --- lighting preview ---
  // Starts the preview thread (a running one is kept).
  bool StartPreview() { return preview_.Start(); }
  // Makes the preview look at its mode again at once (after a mode or speed change).
  void WakePreview() { preview_.Wake(); }
  // Time between two animation steps; nullopt when the current mode does not animate.
  virtual std::optional<std::chrono::milliseconds> PreviewPeriod() const { return std::nullopt; }
  // One animation step over the LED entries; true when they changed.
  virtual bool PreviewStep() { return false; }
  virtual std::string PreviewExitLine() const { return {}; }

 private:
  ApplyResult PushProfile(std::span<const PushStep> steps);
  // Runs one step into result; the step's device result.
  DeviceResult RunPushStep(PushStep step, ApplyResult& result);

  const std::string name_;
  std::string default_data_name_;
  const DeviceFolders folders_;
  hid::DeviceIo io_;

  std::atomic<hid::DeviceKind> kind_{static_cast<hid::DeviceKind>(0)};
  std::atomic<hid::InterfaceRole> role_{hid::InterfaceRole::Command};
  std::atomic<int> active_profile_{-1};
  std::atomic<DeviceEvents*> events_{nullptr};

  // The state lock: bound row, position maps, light values, device information, status.
  mutable std::mutex state_lock_;
  std::optional<hid::HidInterfaceBinding> row_;
  std::map<int, std::uint8_t> key_positions_;
  std::map<int, std::uint8_t> light_positions_;
  profiles::LightState light_values_;
  hid::DeviceInfo info_;
  std::optional<PowerStatus> status_;

  LedStore leds_;
  NotificationReaders readers_;
  PreviewWorker preview_;
  LiveFrameWorker live_frames_;
};

}  // namespace norvik::devices
