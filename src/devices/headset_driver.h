#pragma once
// The headset (device kind 7). Its audio settings (microphone and monitoring levels and
// switches, voice effects, equaliser, surround, noise cancelling) go through the audio
// configuration library (AudioLibrary), not over HID; they are kept in the profile's
// "SystemSetStages" and equaliser keys and saved after each change. Over HID the headset only
// takes the live colour frame: twelve 17-byte output reports (headset_frame.h) on the command
// channel's direct link.
//
// Threads: besides the owner thread, two workers follow the stop protocol of the device threads
// (stop request, bounded join, exit line):
//  - the live-frame worker of the base, which sends the colour frame while live lighting is on
//    (a frame equal to the last one sent is repeated only once a second);
//  - the audio watch, which runs the audio device search again when the library reports a device
//    change and, while no audio device has been found, once a second (the headset's audio
//    function may come up after its HID interface).
// Audio operations may be called from the owner thread while the audio watch searches; the
// device record and the values read are guarded by one lock.

#include <atomic>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "devices/audio_bridge.h"
#include "devices/device_driver.h"
#include "devices/headset_frame.h"
#include "devices/light_preview.h"
#include "profiles/hs6533_profiledata.h"

namespace norvik::devices {

// Result of an audio operation. The numbers are what the command line prints with
// AudioResultMeaning.
enum class AudioResult : int {
  Done = 1,
  NoAudioDevice = 0,  // no library, no export or no headset found by the library
  Refused = -1,       // the library answered a call with a non-zero result
  BadValue = -2,      // an argument outside its range; nothing was sent
  NotSaved = -3,      // the headset took it, but the profile file could not be written
};
std::string_view AudioResultMeaning(AudioResult result);

// Microphone levels (and monitoring levels) run 0-100 on the panel.
inline constexpr int kAudioLevelMax = 100;
// Voice effects 1-4.
inline constexpr int kVoiceEffectCount = 4;
inline constexpr std::chrono::milliseconds kAudioSearchRetry{1000};
inline constexpr std::chrono::milliseconds kHeadsetFrameRepeat{1000};
inline constexpr char kAudioWatchExitLine[] = "HS音频设备线程设定退出 (headset audio watch ends)";

// One level control as the library reports it.
struct AudioLevelValues {
  std::optional<double> max_db;
  std::optional<double> min_db;
  std::optional<double> step_db;
  std::optional<double> db;   // current level in dB ("VolumeControl" / "AAVolumeControl")
  std::optional<int> level;   // 0-100, the scalar × 100
  std::optional<bool> muted;  // "MuteControl" / "AAMuteControl"
};

// What the audio device search read, for the panel. Values the library did not give stay
// empty.
struct HeadsetAudioValues {
  std::optional<SupportFeature> feature;
  AudioLevelValues microphone;
  AudioLevelValues monitoring;
  std::optional<std::int32_t> surround_enable;
  std::optional<std::int32_t> surround_room;
  std::optional<std::int32_t> surround_mode;
  std::optional<std::int32_t> virtual_surround;
  std::optional<std::int32_t> noise_cancelling;
  std::optional<std::int32_t> noise_self_calibration;
  std::optional<std::int32_t> equaliser;
  std::optional<std::int32_t> room_enable;
  std::optional<std::int32_t> room_environment;
  std::optional<std::int32_t> room_size;
};

// A dB value as the panel shows it ("%.2f").
std::string FormatDecibels(double db);

struct AudioStartup {
  bool library_loaded = false;
  bool audio_device_found = false;
  // Message texts to show the user, in order ("ConfLibInit called failed!",
  // "UpdateAPOAvailable failed!").
  std::vector<std::string> messages;
};

struct EqApplyResult {
  AudioResult result = AudioResult::NoAudioDevice;
  // The preset's ten band values (what the band sliders show), also when sending failed.
  profiles::EqBands bands{};
};

class HeadsetDriver final : public DeviceDriver {
 public:
  // audio_library: the library file; by default AudioLibraryPath(folders.program_folder).
  HeadsetDriver(hid::HidBackend* backend, DeviceFolders folders,
                std::optional<std::filesystem::path> audio_library = std::nullopt);
  ~HeadsetDriver() override;

  profiles::CBasicProfiledata* Profile() override { return &profile_; }
  profiles::CHs6533Profiledata& HeadsetProfile() { return profile_; }
  const std::filesystem::path& AudioLibraryFile() const { return library_file_; }

  // --- audio start-up ---
  // Loads the library and calls "ConfLibInit" (once), then runs the audio device search:
  // "CreateDeviceList", "GetDeviceCount" and, with a device, "GetDeviceById",
  // "GetSupportFeature" and the start-up reads. Called again, only the search runs.
  AudioStartup InitAudio();
  bool HasAudioDevice() const;
  HeadsetAudioValues AudioValues() const;
  // Every message raised so far (start-up and later searches), oldest first.
  std::vector<std::string> AudioMessages() const;

  // --- panel operations; each stores its setting in the profile and saves it on success ---
  // level 0-100, written as level / 100 to the scalar property, then the dB value is read.
  AudioResult SetMicInLevel(int level);
  AudioResult SetMicInOn(bool on);
  // The microphone button: inverts the mute state.
  AudioResult ToggleMicIn();
  AudioResult SetMonitorLevel(int level);
  AudioResult SetMonitorOn(bool on);
  AudioResult ToggleMonitor();
  AudioResult SetVoiceEffectOn(bool on);
  // effect 1-4.
  AudioResult SelectVoiceEffect(int effect);
  // Preset 0-13: the profile's ten values ("EQHzValueInfo", missing ones created as 0), the
  // equaliser switched on, the values sent to "EQ_Slider1".."EQ_Slider10", "EqType" stored.
  EqApplyResult ApplyEqPreset(int preset);
  // --- the equaliser page (headset_eq_page.cpp) ---
  // The user's own curve from the band sliders: kept as preset 0 with "EqType" 0, and sent to
  // the library when one is there (NoAudioDevice: kept in the profile only).
  AudioResult ApplyEqBands(const profiles::EqBands& bands);
  // Custom preset index: its bands sent like ApplyEqBands, "CustomEqSeletIndex" stored.
  EqApplyResult ApplyCustomEq(int index);
  // A new custom preset with bands; the name must pass CustomEqNameProblem. The new preset is
  // the selected one.
  AudioResult SaveCustomEq(const std::string& name, const profiles::EqBands& bands);
  // Removes custom preset index (name and bands); the selection moves to a preset that exists.
  AudioResult DeleteCustomEq(int index);
  // Stores settings in the profile and saves it (a change made while no audio device is there).
  // False when the profile could not be saved.
  bool KeepSettings(const profiles::HeadsetSettings& settings) { return StoreSettings(settings); }
  // Everything the equaliser, microphone and voice effect pages show.
  struct PageValues {
    bool library_loaded = false;
    bool audio_device = false;
    profiles::HeadsetSettings settings;
    profiles::EqBands bands{};
    std::vector<std::string> custom_names;
    // The virtual 7.1 surround switch as the library last gave it (not kept in the profile).
    std::optional<bool> virtual_surround;
  };
  PageValues ReadPageValues();
  // A property as the library answers a read (its first text); nullopt without an audio
  // device or when the read fails.
  std::optional<std::wstring> ReadAudioProperty(std::wstring_view name);

  // Switches that are not kept in the profile.
  AudioResult SetSurround(bool on);
  AudioResult SetNoiseCancelling(bool on);
  AudioResult SetEqualiser(bool on);

  profiles::HeadsetSettings Settings() const;

  // The lighting synchroniser's frame: every light takes its colour and brightness.
  void ApplySyncFrame(std::uint32_t frame);

  // --- device operations ---
  // Audio start-up (when not done yet), profile, and the two workers.
  DeviceResult ReadKeyData() override;
  // Runs the audio device search again: Success with an audio device, else NotSent.
  DeviceResult ReadSettings() override;
  bool LoadProfile() override;
  // The light values follow the profile's lighting.
  void NormaliseProfile() override;
  // The headset's lights are drawn by its colour reports from the light values: a lighting
  // change has nothing to send to the audio side (resending the equaliser there is audible).
  DeviceResult WriteLightSettings() override;
  // Sends the profile's audio settings to the library (equaliser preset, microphone and
  // monitoring levels and switches, voice effect): Success when every call succeeded, NotSent
  // without an audio device, WriteFailed when the library refused one.
  DeviceResult WriteSettings(int profile, int active_index) override;
  // The twelve colour reports from the LED entries, while live lighting is on. NotSent while the
  // channel is closed; WriteFailed (after a 200 ms pause) when a report was not taken.
  DeviceResult SendLiveFrame() override;

  // The lights follow the profile's lighting mode (the mouse pad's modes) while the synchroniser
  // does not drive them (the preview rests while the device is held); the colour reports carry
  // them to the headset.
  std::optional<std::chrono::milliseconds> PreviewPeriod() const override;
  bool PreviewStep() override;

  bool StartAudioWatch();
  void StopAudioWatch();
  bool AudioWatchRunning() const { return audio_watch_.Running(); }

 private:
  // The search of InitAudio step 3. Caller holds audio_lock_.
  void SearchAudioDeviceLocked(std::vector<std::string>& messages);
  AudioLevelValues ReadLevelLocked(const OsConfDeviceRecord& device, bool monitoring);
  AudioResult SetLevel(bool monitoring, int level);
  AudioResult SetSwitch(bool monitoring, bool on);
  AudioResult WriteSwitchProperty(std::wstring_view name, bool on);
  // "Enable_EQ_GFX" 1 and the ten "EQ_Slider" writes; NoAudioDevice without a device.
  AudioResult WriteEqBandsLocked(const profiles::EqBands& bands);
  // Stores settings in the profile and saves when a profile is loaded.
  // False when a loaded profile could not be saved.
  bool StoreSettings(const profiles::HeadsetSettings& settings);
  void AudioWatchLoop(WorkerThread& self);
  void RestartPreviewEffect();
  void OnLibraryEvent(std::int32_t event);

  profiles::CHs6533Profiledata profile_;
  bool profile_loaded_ = false;
  const std::filesystem::path library_file_;
  AudioLibrary library_;
  LightPreview preview_;

  mutable std::mutex audio_lock_;
  bool audio_started_ = false;
  bool library_loaded_ = false;
  std::optional<OsConfDeviceRecord> audio_device_;
  HeadsetAudioValues values_;
  std::vector<std::string> messages_;
  // Mute states as last written or read; unknown until then.
  std::optional<bool> mic_muted_;
  std::optional<bool> monitor_muted_;

  // The last frame sent and when, so unchanged frames are not repeated every 5 ms.
  std::mutex frame_lock_;
  std::optional<HeadsetFrame> last_frame_;
  std::chrono::steady_clock::time_point last_frame_time_{};

  std::atomic<bool> device_change_pending_{false};
  WorkerThread audio_watch_;
};

}  // namespace norvik::devices
