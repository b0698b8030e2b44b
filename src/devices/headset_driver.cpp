#include "devices/headset_driver.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <utility>

#include "base/debug_trace.h"

namespace norvik::devices {
namespace {

namespace prop = audio_property;

// The property names of one level control: the microphone's, or the monitoring's ("AA").
struct LevelProperties {
  std::wstring_view max;
  std::wstring_view min;
  std::wstring_view step;
  std::wstring_view db;
  std::wstring_view scalar;
  std::wstring_view mute;
};
constexpr LevelProperties kMicrophone{prop::kMaxVol, prop::kMinVol,       prop::kVolStep,
                                      prop::kVolume, prop::kVolumeScalar, prop::kMute};
constexpr LevelProperties kMonitoring{prop::kAAMaxVol, prop::kAAMinVol,       prop::kAAVolStep,
                                      prop::kAAVolume, prop::kAAVolumeScalar, prop::kAAMute};

const LevelProperties& PropertiesOf(bool monitoring) {
  return monitoring ? kMonitoring : kMicrophone;
}

std::optional<int> LevelOfScalar(std::optional<double> scalar) {
  if (!scalar || !std::isfinite(*scalar)) return std::nullopt;
  const long level = std::lround(*scalar * kAudioLevelMax);
  return static_cast<int>(std::clamp<long>(level, 0, kAudioLevelMax));
}

const PreviewLayout& HeadsetPreviewLayout() {
  static const PreviewLayout layout = StripPreviewLayout(kHeadsetLightCount);
  return layout;
}

}  // namespace

std::string_view AudioResultMeaning(AudioResult result) {
  switch (result) {
    case AudioResult::Done:
      return "done";
    case AudioResult::NoAudioDevice:
      return "no audio device";
    case AudioResult::Refused:
      return "refused by the audio library";
    case AudioResult::BadValue:
      return "value out of range";
    case AudioResult::NotSaved:
      return "applied, but the profile could not be saved";
  }
  return "unknown";
}

std::string FormatDecibels(double db) {
  std::array<char, 32> text{};
  std::snprintf(text.data(), text.size(), "%.2f", db);
  return text.data();
}

HeadsetDriver::HeadsetDriver(hid::HidBackend* backend, DeviceFolders folders,
                             std::optional<std::filesystem::path> audio_library)
    : DeviceDriver(backend, kHeadsetDeviceName, folders),
      library_file_(audio_library ? std::move(*audio_library)
                                  : AudioLibraryPath(folders.program_folder)),
      preview_(HeadsetPreviewLayout()) {
  Leds().SetCount(kHeadsetLightCount);
}

HeadsetDriver::~HeadsetDriver() {
  // Workers call into this object; they end before any member goes.
  Shutdown();
  StopAudioWatch();
  library_.SetCallback({});
  library_.Unload();
}

// --- audio start-up ---

AudioStartup HeadsetDriver::InitAudio() {
  std::lock_guard lock(audio_lock_);
  AudioStartup startup;
  if (!audio_started_) {
    audio_started_ = true;
    library_loaded_ = library_.Load(library_file_);
    if (library_loaded_) {
      const auto init = library_.Init();
      if (init && *init != 0) {
        DebugTraceF("ConfLibInit returned %d", static_cast<int>(*init));
        startup.messages.emplace_back(kConfLibInitFailedMessage);
      }
      library_.SetCallback([this](std::int32_t event) { OnLibraryEvent(event); });
    } else {
      DebugTraceF("audio library missing: %s", library_file_.string().c_str());
    }
  }
  if (library_loaded_) SearchAudioDeviceLocked(startup.messages);
  startup.library_loaded = library_loaded_;
  startup.audio_device_found = audio_device_.has_value();
  messages_.insert(messages_.end(), startup.messages.begin(), startup.messages.end());
  return startup;
}

void HeadsetDriver::SearchAudioDeviceLocked(std::vector<std::string>& messages) {
  library_.CreateDeviceList();
  const std::int32_t count = library_.DeviceCount().value_or(0);
  std::optional<OsConfDeviceRecord> device;
  if (count != 0) device = library_.DeviceById(0);
  audio_device_ = device;
  values_ = HeadsetAudioValues{};
  if (!device) {
    mic_muted_.reset();
    monitor_muted_.reset();
    return;
  }
  if (device->count >= 1) {
    values_.feature = library_.ReadSupportFeature(*device);
    if (!values_.feature) messages.emplace_back(kSupportFeatureFailedMessage);
  }
  values_.surround_enable = library_.ReadInteger(*device, prop::kSurroundEnable);
  values_.surround_room = library_.ReadInteger(*device, prop::kSurroundRoom);
  values_.surround_mode = library_.ReadInteger(*device, prop::kSurroundMode);
  values_.virtual_surround = library_.ReadInteger(*device, prop::kVirtualSurround);
  values_.noise_cancelling = library_.ReadInteger(*device, prop::kNoiseCancelEnable);
  values_.noise_self_calibration = library_.ReadInteger(*device, prop::kNoiseSelfCalibration);
  values_.equaliser = library_.ReadInteger(*device, prop::kEqEnable);
  values_.room_enable = library_.ReadInteger(*device, prop::kRoomEnable);
  values_.room_environment = library_.ReadInteger(*device, prop::kRoomEnvironment);
  values_.room_size = library_.ReadInteger(*device, prop::kRoomSize);
  values_.microphone = ReadLevelLocked(*device, false);
  values_.monitoring = ReadLevelLocked(*device, true);
  mic_muted_ = values_.microphone.muted;
  monitor_muted_ = values_.monitoring.muted;
}

AudioLevelValues HeadsetDriver::ReadLevelLocked(const OsConfDeviceRecord& device, bool monitoring) {
  const LevelProperties& names = PropertiesOf(monitoring);
  AudioLevelValues level;
  level.max_db = library_.ReadNumber(device, names.max);
  level.min_db = library_.ReadNumber(device, names.min);
  level.step_db = library_.ReadNumber(device, names.step);
  level.db = library_.ReadNumber(device, names.db);
  level.level = LevelOfScalar(library_.ReadNumber(device, names.scalar));
  if (const auto muted = library_.ReadInteger(device, names.mute)) level.muted = *muted != 0;
  return level;
}

bool HeadsetDriver::HasAudioDevice() const {
  std::lock_guard lock(audio_lock_);
  return audio_device_.has_value();
}

HeadsetAudioValues HeadsetDriver::AudioValues() const {
  std::lock_guard lock(audio_lock_);
  return values_;
}

std::vector<std::string> HeadsetDriver::AudioMessages() const {
  std::lock_guard lock(audio_lock_);
  return messages_;
}

// --- panel operations ---

profiles::HeadsetSettings HeadsetDriver::Settings() const {
  return profile_.HeadsetSettingsMirror();
}

bool HeadsetDriver::StoreSettings(const profiles::HeadsetSettings& settings) {
  // Without a loaded profile there is no file to keep them in; the mirror still follows.
  if (!profile_loaded_) return true;
  profile_.SetHeadsetSettings(settings);
  if (profile_.Save()) return true;
  DebugTrace("headset profile not saved");
  return false;
}

AudioResult HeadsetDriver::SetLevel(bool monitoring, int level) {
  if (level < 0 || level > kAudioLevelMax) return AudioResult::BadValue;
  const LevelProperties& names = PropertiesOf(monitoring);
  {
    std::lock_guard lock(audio_lock_);
    if (!audio_device_) return AudioResult::NoAudioDevice;
    const float scalar = static_cast<float>(level) / static_cast<float>(kAudioLevelMax);
    if (!library_.WriteFloat(*audio_device_, names.scalar, scalar)) return AudioResult::Refused;
    AudioLevelValues& values = monitoring ? values_.monitoring : values_.microphone;
    values.level = level;
    values.db = library_.ReadNumber(*audio_device_, names.db);
  }
  profiles::HeadsetSettings settings = profile_.HeadsetSettingsMirror();
  (monitoring ? settings.MicMoniterValue : settings.MicInValue) = level;
  return StoreSettings(settings) ? AudioResult::Done : AudioResult::NotSaved;
}

AudioResult HeadsetDriver::SetSwitch(bool monitoring, bool on) {
  const LevelProperties& names = PropertiesOf(monitoring);
  {
    std::lock_guard lock(audio_lock_);
    if (!audio_device_) return AudioResult::NoAudioDevice;
    const bool muted = !on;
    if (!library_.WriteInteger(*audio_device_, names.mute, muted ? 1 : 0)) {
      return AudioResult::Refused;
    }
    (monitoring ? monitor_muted_ : mic_muted_) = muted;
    (monitoring ? values_.monitoring : values_.microphone).muted = muted;
  }
  profiles::HeadsetSettings settings = profile_.HeadsetSettingsMirror();
  (monitoring ? settings.MicMoniterSelect : settings.MicInSelect) = on ? 1 : 0;
  return StoreSettings(settings) ? AudioResult::Done : AudioResult::NotSaved;
}

AudioResult HeadsetDriver::SetMicInLevel(int level) {
  return SetLevel(false, level);
}

AudioResult HeadsetDriver::SetMonitorLevel(int level) {
  return SetLevel(true, level);
}

AudioResult HeadsetDriver::SetMicInOn(bool on) {
  return SetSwitch(false, on);
}

AudioResult HeadsetDriver::SetMonitorOn(bool on) {
  return SetSwitch(true, on);
}

AudioResult HeadsetDriver::ToggleMicIn() {
  std::optional<bool> muted;
  {
    std::lock_guard lock(audio_lock_);
    muted = mic_muted_;
  }
  // Unknown mute state: the profile says whether the microphone was on.
  const bool currently_on = muted ? !*muted : profile_.HeadsetSettingsMirror().MicInSelect != 0;
  return SetSwitch(false, !currently_on);
}

AudioResult HeadsetDriver::ToggleMonitor() {
  std::optional<bool> muted;
  {
    std::lock_guard lock(audio_lock_);
    muted = monitor_muted_;
  }
  const bool currently_on =
      muted ? !*muted : profile_.HeadsetSettingsMirror().MicMoniterSelect != 0;
  return SetSwitch(true, !currently_on);
}

AudioResult HeadsetDriver::SetVoiceEffectOn(bool on) {
  {
    std::lock_guard lock(audio_lock_);
    if (!audio_device_) return AudioResult::NoAudioDevice;
    if (!library_.WriteInteger(*audio_device_, prop::kMagicVoiceEnable, on ? 1 : 0)) {
      return AudioResult::Refused;
    }
    // The voice effects replace the echo; a refusal here leaves the effect itself on.
    if (on && !library_.WriteInteger(*audio_device_, prop::kMicEchoEnable, 0)) {
      DebugTrace("headset: microphone echo not switched off");
    }
  }
  profiles::HeadsetSettings settings = profile_.HeadsetSettingsMirror();
  settings.MagicEnable = on ? 1 : 0;
  return StoreSettings(settings) ? AudioResult::Done : AudioResult::NotSaved;
}

AudioResult HeadsetDriver::SelectVoiceEffect(int effect) {
  if (effect < 1 || effect > kVoiceEffectCount) return AudioResult::BadValue;
  {
    std::lock_guard lock(audio_lock_);
    if (!audio_device_) return AudioResult::NoAudioDevice;
    if (!library_.WriteInteger(*audio_device_, prop::kMagicVoiceSelection, effect - 1)) {
      return AudioResult::Refused;
    }
  }
  // Kept so that the choice comes back with the profile.
  profiles::HeadsetSettings settings = profile_.HeadsetSettingsMirror();
  settings.MagicType = effect;
  return StoreSettings(settings) ? AudioResult::Done : AudioResult::NotSaved;
}

EqApplyResult HeadsetDriver::ApplyEqPreset(int preset) {
  EqApplyResult applied;
  const auto bands = profile_.GetEqValues(preset);
  if (!bands) {
    applied.result = AudioResult::BadValue;
    return applied;
  }
  applied.bands = *bands;
  {
    std::lock_guard lock(audio_lock_);
    if (!audio_device_) return applied;
    if (!library_.WriteInteger(*audio_device_, prop::kEqEnable, 1)) {
      applied.result = AudioResult::Refused;
      return applied;
    }
    values_.equaliser = 1;
    for (std::size_t band = 0; band < profiles::kEqBandCount; ++band) {
      if (!library_.WriteInteger(*audio_device_, EqSliderProperty(band), applied.bands[band])) {
        applied.result = AudioResult::Refused;
        return applied;
      }
    }
  }
  profiles::HeadsetSettings settings = profile_.HeadsetSettingsMirror();
  settings.EqType = preset;
  applied.result = StoreSettings(settings) ? AudioResult::Done : AudioResult::NotSaved;
  return applied;
}

AudioResult HeadsetDriver::WriteSwitchProperty(std::wstring_view name, bool on) {
  std::lock_guard lock(audio_lock_);
  if (!audio_device_) return AudioResult::NoAudioDevice;
  return library_.WriteInteger(*audio_device_, name, on ? 1 : 0) ? AudioResult::Done
                                                                 : AudioResult::Refused;
}

AudioResult HeadsetDriver::SetSurround(bool on) {
  const AudioResult result = WriteSwitchProperty(prop::kVirtualSurround, on);
  if (result == AudioResult::Done) {
    std::lock_guard lock(audio_lock_);
    values_.virtual_surround = on ? 1 : 0;
  }
  return result;
}

AudioResult HeadsetDriver::SetNoiseCancelling(bool on) {
  const AudioResult result = WriteSwitchProperty(prop::kNoiseCancelEnable, on);
  if (result == AudioResult::Done) {
    std::lock_guard lock(audio_lock_);
    values_.noise_cancelling = on ? 1 : 0;
  }
  return result;
}

AudioResult HeadsetDriver::SetEqualiser(bool on) {
  const AudioResult result = WriteSwitchProperty(prop::kEqEnable, on);
  if (result == AudioResult::Done) {
    std::lock_guard lock(audio_lock_);
    values_.equaliser = on ? 1 : 0;
  }
  return result;
}

void HeadsetDriver::ApplySyncFrame(std::uint32_t frame) {
  const LedEntry entry = UnpackLedEntry(frame);
  Leds().Update([&entry](std::span<LedEntry> entries) {
    for (LedEntry& e : entries) e = entry;
  });
}

// --- device operations ---

DeviceResult HeadsetDriver::ReadKeyData() {
  bool started = false;
  {
    std::lock_guard lock(audio_lock_);
    started = audio_started_;
  }
  if (!started) InitAudio();
  LoadProfile();
  StartPreview();
  LiveFrames().Start();
  StartAudioWatch();
  return DeviceResult::Success;
}

DeviceResult HeadsetDriver::ReadSettings() {
  InitAudio();
  return HasAudioDevice() ? DeviceResult::Success : DeviceResult::NotSent;
}

bool HeadsetDriver::LoadProfile() {
  profile_loaded_ = LoadSelectedProfileSection(profile_);
  if (profile_loaded_) {
    SetLightValues(profile_.GetLightInfo());
    profile_.GetHeadsetSettings();
    RestartPreviewEffect();
  }
  return profile_loaded_;
}

void HeadsetDriver::NormaliseProfile() {
  if (!profile_loaded_) return;
  SetLightValues(profile_.LightStateMirror());
  RestartPreviewEffect();
}

void HeadsetDriver::RestartPreviewEffect() {
  const profiles::LightState values = LightValues();
  preview_.Reset(MousePadPreviewEffect(values.SelectItem), values, Leds());
  WakePreview();
}

std::optional<std::chrono::milliseconds> HeadsetDriver::PreviewPeriod() const {
  const profiles::LightState values = LightValues();
  return PreviewPeriodOf(MousePadPreviewEffect(values.SelectItem),
                         MousePadPreviewThreshold(values.SelectItem, values.Speed));
}

bool HeadsetDriver::PreviewStep() {
  return preview_.Step(Leds());
}

DeviceResult HeadsetDriver::WriteLightSettings() {
  return profile_loaded_ ? DeviceResult::Success : DeviceResult::NotSent;
}

DeviceResult HeadsetDriver::WriteSettings(int /*profile*/, int /*active_index*/) {
  const profiles::HeadsetSettings stored = profile_.HeadsetSettingsMirror();
  const auto bands = profile_.GetEqValues(stored.EqType);
  std::lock_guard lock(audio_lock_);
  if (!audio_device_) return DeviceResult::NotSent;
  const OsConfDeviceRecord device = *audio_device_;
  bool ok = true;
  const auto write = [&](std::wstring_view name, std::int32_t value) {
    ok = library_.WriteInteger(device, name, value) && ok;
  };
  const auto write_level = [&](bool monitoring, std::int32_t level) {
    const int clamped = std::clamp(level, 0, kAudioLevelMax);
    const float scalar = static_cast<float>(clamped) / static_cast<float>(kAudioLevelMax);
    const LevelProperties& names = PropertiesOf(monitoring);
    if (!library_.WriteFloat(device, names.scalar, scalar)) {
      ok = false;
      return;
    }
    AudioLevelValues& values = monitoring ? values_.monitoring : values_.microphone;
    values.level = clamped;
    values.db = library_.ReadNumber(device, names.db);
  };
  if (bands) {
    write(prop::kEqEnable, 1);
    for (std::size_t band = 0; band < profiles::kEqBandCount; ++band) {
      write(EqSliderProperty(band), (*bands)[band]);
    }
  }
  write_level(false, stored.MicInValue);
  write(prop::kMute, stored.MicInSelect != 0 ? 0 : 1);
  mic_muted_ = stored.MicInSelect == 0;
  write_level(true, stored.MicMoniterValue);
  write(prop::kAAMute, stored.MicMoniterSelect != 0 ? 0 : 1);
  monitor_muted_ = stored.MicMoniterSelect == 0;
  write(prop::kMagicVoiceEnable, stored.MagicEnable != 0 ? 1 : 0);
  if (stored.MagicType >= 1 && stored.MagicType <= kVoiceEffectCount) {
    write(prop::kMagicVoiceSelection, stored.MagicType - 1);
  }
  return ok ? DeviceResult::Success : DeviceResult::WriteFailed;
}

DeviceResult HeadsetDriver::SendLiveFrame() {
  if (!IsLiveLighting()) return DeviceResult::Success;
  if (!IsOpen()) return DeviceResult::NotSent;
  std::vector<std::uint32_t> packed;
  for (const LedEntry& entry : Leds().Entries()) packed.push_back(PackLedEntry(entry));
  const HeadsetFrame frame = BuildHeadsetFrame(BuildHeadsetColours(packed));

  std::lock_guard lock(frame_lock_);
  const auto now = std::chrono::steady_clock::now();
  if (last_frame_ && *last_frame_ == frame && now - last_frame_time_ < kHeadsetFrameRepeat) {
    return DeviceResult::Success;
  }
  for (const HeadsetReport& report : frame) {
    if (!Io().SetOutputReport(report)) {
      last_frame_.reset();
      // Throttles retries while the device is busy or gone.
      LiveFrames().Pause(kLiveFrameFailurePause);
      return DeviceResult::WriteFailed;
    }
  }
  last_frame_ = frame;
  last_frame_time_ = now;
  return DeviceResult::Success;
}

// --- audio watch ---

void HeadsetDriver::OnLibraryEvent(std::int32_t event) {
  // Called by the library, possibly inside one of its calls: only note it and wake the watch.
  if (event != OSCONF_EVENT_DEVICE_CHANGED) return;
  device_change_pending_.store(true);
  audio_watch_.Wake();
}

bool HeadsetDriver::StartAudioWatch() {
  if (audio_watch_.Running()) return true;
  audio_watch_.StopAndJoin();
  return audio_watch_.Start([this](WorkerThread& self) { AudioWatchLoop(self); },
                            kAudioWatchExitLine);
}

void HeadsetDriver::StopAudioWatch() {
  audio_watch_.StopAndJoin();
}

void HeadsetDriver::AudioWatchLoop(WorkerThread& self) {
  while (!self.WaitForStop(kAudioSearchRetry)) {
    const bool changed = device_change_pending_.exchange(false);
    if (!changed && HasAudioDevice()) continue;
    std::lock_guard lock(audio_lock_);
    if (!library_loaded_) continue;
    std::vector<std::string> messages;
    SearchAudioDeviceLocked(messages);
    messages_.insert(messages_.end(), messages.begin(), messages.end());
  }
}

}  // namespace norvik::devices
