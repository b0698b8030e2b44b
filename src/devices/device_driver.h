#pragma once
// The base of every device driver (keyboard, mouse, mouse pad, headset): the command channel
// (DeviceIo), the bound interface-table row, the device's folders, the LED entries under the
// light lock, the key and light position maps, the live-lighting switch and the base live
// frame, the notification readers (one thread per bound consumer-control interface), the
// lighting preview thread, the status read, and the device operations the owner (panel or
// command line) calls. Toolkit-free: the on-screen panel wraps a driver.
//
// Threads: device operations (ReadKeyData, WriteSettings, ApplyProfile, ...) are called by one
// owner thread at a time. The LED entries, the position maps, the light values, the state
// type, the active profile index and the events sink are safe to use from any thread. Worker
// threads run virtual functions of the derived class, so every derived destructor calls
// Shutdown() first.

#include <array>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "devices/device_events.h"
#include "devices/worker_thread.h"
#include "hid/device_io.h"
#include "hid/hid_backend.h"
#include "hid/hid_device.h"
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

// One LED entry: colour and brightness of one light, packed as red | green<<8 | blue<<16 |
// brightness<<24.
struct LedEntry {
  std::uint8_t red = 0;
  std::uint8_t green = 0;
  std::uint8_t blue = 0;
  std::uint8_t brightness = 0;
  bool operator==(const LedEntry&) const = default;
};
std::uint32_t PackLedEntry(const LedEntry& entry);
LedEntry UnpackLedEntry(std::uint32_t value);

// A light number (and a key or light position) that names no light.
inline constexpr std::uint8_t kNoLightNumber = 126;
inline constexpr std::uint8_t kNoPosition = 255;
// The live frame: 3 bytes (red, green, blue) per light number.
inline constexpr std::size_t kLiveFrameSize = 512;
inline constexpr std::size_t kLiveFrameBytesPerLight = 3;
// Brightness scales a component as component × brightness / 256.
inline constexpr unsigned kBrightnessScale = 256;
inline constexpr std::chrono::milliseconds kLiveFrameFailurePause{200};
// The live-frame worker's pace on each link.
inline constexpr std::chrono::milliseconds kLiveFramePeriodDirect{5};
inline constexpr std::chrono::milliseconds kLiveFramePeriodReceiver{500};

// The frame of Lights: entry i at 3 × i, each component × brightness / 256; entry 126 (no
// light) and entries past the frame are left out. Length min(entries × 3, 512).
std::vector<std::uint8_t> BuildLiveFrame(std::span<const LedEntry> entries);

// One step of a value through its range, arithmetic modulo 256. Up: value + step when that is
// below limit, else 0. Down: value − step when that is below limit, else limit − step.
std::uint8_t StepValue(bool up, std::uint8_t limit, std::uint8_t value, std::uint8_t step);

// The macro upload's outcome. Code() is the number the panel shows messages for: 0 sent or
// nothing to send, -1 out of memory ("message_text_7"), n > 0 over capacity by n − 1 four-byte
// units ("message_text_16"). A failed transfer is reported as such, never as success.
enum class MacroPushStatus {
  Sent,
  NothingToSend,   // no "macro.config" or an empty "MacroInfo": the device keeps its macros
  OutOfMemory,     // the table could not be allocated
  TooLarge,        // over the device's macro memory; nothing sent
  TransferFailed,  // a command of the upload failed (see transfer)
  NeedsCable,      // the mouse's shoot table goes over its cable only; nothing sent
};
inline constexpr char kMacroOutOfMemoryMessage[] = "message_text_7";
inline constexpr char kMacroTooLargeMessage[] = "message_text_16";

struct MacroPushResult {
  MacroPushStatus status = MacroPushStatus::NothingToSend;
  int units_over = 0;                             // TooLarge: (total − capacity) / 4 + 1
  DeviceResult transfer = DeviceResult::Success;  // TransferFailed: the failing command's code
  bool Ok() const {
    return status == MacroPushStatus::Sent || status == MacroPushStatus::NothingToSend;
  }
  int Code() const;
  // "message_text_7", "message_text_16" or empty.
  std::string_view MessageKey() const;
  // A short English meaning of the status, for the command line.
  std::string_view Meaning() const;
};

// What a whole-profile push did, step by step (steps a device does not have stay empty).
struct ApplyResult {
  bool profile_loaded = false;
  DeviceResult settings = DeviceResult::NotSent;
  std::optional<MacroPushResult> macros;
  std::optional<DeviceResult> key_map;
  std::optional<DeviceResult> shoot;
  bool Ok() const;
};

// Threshold of the notification reader's read slices and of every worker's stop check.
inline constexpr int kNotificationReadSliceMs = 50;
inline constexpr std::chrono::milliseconds kClosedChannelNap{100};
// The preview counts in ticks of the system clock the animations were designed for.
inline constexpr std::chrono::milliseconds kPreviewTick{16};
// Longest wait of the preview between two looks at its mode (static modes).
inline constexpr std::chrono::milliseconds kPreviewIdleWait{100};

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

  // Opens the consumer-control interface of kind at path and starts its reader thread; a
  // running reader of that kind is stopped first. False when the open fails.
  bool BindNotification(const std::string& path, hid::DeviceKind kind);
  // Stops the kind's reader (500 ms bound) and closes its interface.
  void UnbindNotification(hid::DeviceKind kind);
  bool IsNotificationBound(hid::DeviceKind kind) const;

  // LED entries under the light lock.
  void SetLedCount(std::size_t count);
  std::size_t LedCount() const;
  // Outside the list: nothing stored / 0 returned.
  void SetLedEntry(std::size_t index, std::uint32_t value);
  std::uint32_t GetLedEntry(std::size_t index) const;
  std::vector<LedEntry> LedEntries() const;
  // Runs change over the entries with the light lock held.
  void UpdateLedEntries(const std::function<void(std::span<LedEntry>)>& change);

  // Position maps (key id → slot, key id → light position); kNoPosition when unknown.
  std::uint8_t KeyPosition(int key_id) const;
  std::uint8_t LightPosition(int key_id) const;
  std::map<int, std::uint8_t> KeyPositionMap() const;
  std::map<int, std::uint8_t> LightPositionMap() const;
  // The key id whose key position is slot (ids 0..125), if any.
  std::optional<int> KeyIdOfSlot(std::uint8_t slot) const;
  // The third key map of the panel (key id → value), replaced as a whole.
  void StoreKeyValueMap(std::map<int, int> values);
  std::map<int, int> KeyValueMap() const;

  // The state number of the panel's switch pages (default 1).
  void SetStateType(int type) { state_type_.store(type); }
  int GetStateType() const { return state_type_.load(); }

  // Live lighting (default on). Switching it on sends EnterSoftwareLighting (0x1C) on a kind-1
  // keyboard; the result is that command's, else Success.
  DeviceResult SetLiveLighting(bool on);
  bool IsLiveLighting() const { return live_lighting_.load(); }
  // One live frame from the LED entries (base: sent with SendLightFrame, skipped on the
  // receiver link; a failure pauses 200 ms, cut short by Shutdown or StopLiveFrames).
  virtual DeviceResult SendLiveFrame();
  // A worker sending live frames every 5 ms (direct) / 500 ms (receiver) while open and live
  // lighting is on; what the selector item's timer does in the program.
  bool StartLiveFrames();
  void StopLiveFrames();

  // The device information block read last, and its read (ReadDeviceInfo on its own).
  DeviceResult ReadDeviceInformation();
  hid::DeviceInfo DeviceInformation() const;

  // The current light values of the panel (mode, brightness, speed, option, colours, groups).
  void SetLightValues(const profiles::LightState& values);
  profiles::LightState LightValues() const;

  // The profile index the device reports as active (settings byte 0 or a profile change made on
  // the device); -1 before the first read.
  int ActiveProfileIndex() const { return active_profile_.load(); }

  // The last status block read by ReadStatus.
  std::optional<std::array<std::uint8_t, kStatusBlockSize>> LastStatus() const;

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
  // Default data into the selected profile, then the device's pushes.
  virtual ApplyResult RestoreDefaults();
  virtual DeviceResult PushKeyMap(int bank);
  virtual MacroPushResult WriteMacroTable();
  virtual DeviceResult WriteSettings(int profile, int active_index);
  // Base: true.
  virtual bool QueryLink();
  // Shared by keyboard, mouse and mouse pad: 6 bytes with ReadBlock (0x1A) at offset 0; byte 3
  // becomes the link flag (1 receiver, 0 direct); the block is kept and handed to OnStatus.
  virtual DeviceResult ReadStatus();
  // The whole-profile push. Base: load, normalise, repaint, WriteSettings(0, 0); nothing is
  // pushed when the profile could not be loaded.
  virtual ApplyResult ApplyProfile();
  // Reads the name lists the panel offers (macros, light modes).
  virtual void LoadLists();

  bool PreviewRunning() const { return preview_.Running(); }
  // Stops the lighting preview (500 ms bound).
  void StopPreview();

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

  // Sleeps up to duration; returns early (false) on Shutdown or StopLiveFrames.
  bool PauseUnlessInterrupted(std::chrono::milliseconds duration);

  // --- notification readers ---
  // One usage read from the kind's consumer-control interface (the first usage of the first
  // input data element; 0 = released). Called on the reader thread.
  virtual void OnNotificationUsage(hid::DeviceKind kind, std::uint16_t usage);
  // Written by the reader thread when it ends.
  virtual std::string NotificationExitLine() const { return {}; }

  // --- lighting preview ---
  // Starts the preview thread (a running one is kept). Each pass: stop check; 100 ms naps
  // while the channel is closed; nothing while DeviceIo's hold flag is set; otherwise
  // PreviewStep every PreviewPeriod and OnRepaint after a step that changed the entries.
  bool StartPreview();
  // Makes the preview look at its mode again at once (after a mode or speed change).
  void WakePreview() { preview_.Wake(); }
  // Time between two animation steps; nullopt when the current mode does not animate.
  virtual std::optional<std::chrono::milliseconds> PreviewPeriod() const { return std::nullopt; }
  // One animation step over the LED entries; true when they changed.
  virtual bool PreviewStep() { return false; }
  virtual std::string PreviewExitLine() const { return {}; }

 private:
  struct NotificationReader {
    hid::DeviceKind kind;
    hid::HidDevice device;
    WorkerThread thread;
    explicit NotificationReader(hid::DeviceKind k, hid::HidBackend* backend)
        : kind(k), device(backend) {}
  };

  void ReaderLoop(NotificationReader& reader, WorkerThread& self);
  void PreviewLoop(WorkerThread& self);
  void LiveFrameLoop(WorkerThread& self);
  void InterruptPauses();
  void StopReader(NotificationReader& reader);

  hid::HidBackend* backend_;
  const std::string name_;
  std::string default_data_name_;
  const DeviceFolders folders_;
  hid::DeviceIo io_;

  std::atomic<hid::DeviceKind> kind_{static_cast<hid::DeviceKind>(0)};
  std::atomic<hid::InterfaceRole> role_{hid::InterfaceRole::Command};
  std::atomic<int> state_type_{1};
  std::atomic<bool> live_lighting_{true};
  std::atomic<int> active_profile_{-1};
  std::atomic<DeviceEvents*> events_{nullptr};

  // The panel lock: bound row, position maps, light values, device information, status.
  mutable std::mutex panel_lock_;
  std::optional<hid::HidInterfaceBinding> row_;
  std::map<int, std::uint8_t> key_positions_;
  std::map<int, std::uint8_t> light_positions_;
  std::map<int, int> key_values_;
  profiles::LightState light_values_;
  hid::DeviceInfo info_;
  std::optional<std::array<std::uint8_t, kStatusBlockSize>> status_;

  // The light lock: LED entries.
  mutable std::mutex light_lock_;
  std::vector<LedEntry> leds_;

  // Interruptible pauses (failed live frames).
  std::mutex pause_mutex_;
  std::condition_variable pause_cv_;
  std::uint64_t pause_generation_ = 0;

  // Readers by kind; the map lock is held only to find or replace a reader, never while one
  // is stopped by another thread's call.
  mutable std::mutex readers_lock_;
  std::map<hid::DeviceKind, std::unique_ptr<NotificationReader>> readers_;
  // Serialises bind and unbind.
  std::mutex bind_lock_;

  WorkerThread preview_;
  WorkerThread live_frames_;
};

}  // namespace norvik::devices
