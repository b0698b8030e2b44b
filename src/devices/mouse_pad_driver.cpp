#include "devices/mouse_pad_driver.h"

#include <algorithm>
#include <array>
#include <utility>

#include "base/debug_trace.h"
#include "devices/config_sequence.h"
#include "devices/keyboard_blocks.h"
#include "devices/keyboard_driver.h"

namespace norvik::devices {
namespace {
constexpr std::uint8_t kMaxBrightnessLevel = kBrightnessLevels - 1;
}  // namespace

MousePadDriver::MousePadDriver(hid::HidBackend* backend, DeviceFolders folders)
    : DeviceDriver(backend, kMousePadDeviceName, std::move(folders)),
      preview_(MousePadPreviewLayout()) {
  Leds().SetCount(kMousePadLightCount);
  profile_.SetDefaultPath(DefaultProfilePath());
}

MousePadDriver::~MousePadDriver() {
  Shutdown();
}

DeviceResult MousePadDriver::ReadKeyData() {
  hid::DeviceIo& io = Io();
  if (!io.IsOpen()) return DeviceResult::NotSent;
  const DeviceResult result = RunConfigSequence(io, [this] { return ReadDeviceInformation(); });
  if (result != DeviceResult::Success) return result;
  LoadProfile();
  EmitRepaint();
  StartPreview();
  return DeviceResult::Success;
}

DeviceResult MousePadDriver::ReadSettings() {
  hid::DeviceIo& io = Io();
  io.SetHold(false);
  if (!io.IsOpen()) return DeviceResult::NotSent;
  std::array<std::uint8_t, 1> index{};
  DeviceResult result = io.ReadMemory(index, 0);
  if (result != DeviceResult::Success) return result;
  std::array<std::uint8_t, kMousePadReadSize> stored{};
  result = io.ReadMemory(stored, static_cast<std::uint16_t>(index[0] * kMousePadReadStride));
  if (result != DeviceResult::Success) return result;
  SetActiveProfileIndex(index[0]);
  const MousePadBlock image = MousePadBlockFromDevice(
      std::span<const std::uint8_t, kMousePadBlockSize>(stored.data(), kMousePadBlockSize));
  {
    std::lock_guard lock(data_lock_);
    image_ = image;
  }
  const profiles::LightState before = LightValues();
  const profiles::LightState light = MousePadLightFromImage(image, before);
  SetLightValues(light);
  if (profile_loaded_) {
    profile_.SetLightInfo(light);
    if (!profile_.Save()) DebugTraceF("%s: profile not saved", DeviceName().c_str());
  }
  if (light != before) RestartPreviewEffect();
  EmitRepaint();
  return DeviceResult::Success;
}

bool MousePadDriver::LoadProfile() {
  profile_loaded_ = LoadSelectedProfileSection(profile_);
  if (!profile_loaded_) return false;
  SetLightValues(profile_.GetLightInfo());
  RestartPreviewEffect();
  return true;
}

void MousePadDriver::NormaliseProfile() {
  if (!profile_loaded_) return;
  profiles::LightState light = profile_.LightStateMirror();
  const profiles::LightState before = light;
  if (light.SelectItem >= kMousePadModes) light.SelectItem = 0;
  light.Light = std::min(light.Light, kMaxBrightnessLevel);
  light.Speed = std::min(light.Speed, kMaxLightSpeed);
  light.MultiColor = light.MultiColor != 0 ? 1 : 0;
  if (light != before) profile_.SetLightInfo(light);
  SetLightValues(light);
  RestartPreviewEffect();
}

DeviceResult MousePadDriver::WriteSettings(int profile, int active_index) {
  if (profile < 0 ||
      static_cast<std::size_t>(profile) * kMousePadWriteStride + kMousePadBlockSize > 0x10000) {
    return DeviceResult::NotSent;
  }
  if (!profile_loaded_) {
    DebugTraceF("%s: no profile loaded, settings not sent", DeviceName().c_str());
    return DeviceResult::NotSent;
  }
  MousePadBlock image;
  {
    std::lock_guard lock(data_lock_);
    image_ = MousePadImageFromLight(image_, profile_.LightStateMirror(),
                                    static_cast<std::uint8_t>(active_index));
    image = image_;
  }
  hid::DeviceIo& io = Io();
  if (!io.IsOpen()) return DeviceResult::NotSent;
  const MousePadBlock stored = MousePadBlockToDevice(image);
  return RunConfigSequence(io, [&] {
    return io.WriteMemory(stored, static_cast<std::uint16_t>(profile * kMousePadWriteStride));
  });
}

MousePadBlock MousePadDriver::BlockImage() const {
  std::lock_guard lock(data_lock_);
  return image_;
}

void MousePadDriver::OnNotificationUsage(hid::DeviceKind /*kind*/, std::uint16_t usage) {
  if (usage != kUsageSyncRequest) return;
  DebugTrace(kSyncRequestLine);
  EmitSyncRequest(kMousePadSyncDelayMs);
}

void MousePadDriver::RestartPreviewEffect() {
  const profiles::LightState values = LightValues();
  preview_.Reset(MousePadPreviewEffect(values.SelectItem), values, Leds());
  WakePreview();
}

std::optional<std::chrono::milliseconds> MousePadDriver::PreviewPeriod() const {
  const profiles::LightState values = LightValues();
  return PreviewPeriodOf(MousePadPreviewEffect(values.SelectItem),
                         MousePadPreviewThreshold(values.SelectItem, values.Speed));
}

bool MousePadDriver::PreviewStep() {
  return preview_.Step(Leds());
}

}  // namespace norvik::devices
