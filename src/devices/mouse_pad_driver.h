#pragma once
// The mouse pad driver (interface-table kind 3): device information, the 21-byte lighting block
// (read at a stride of 25, written at a stride of 64), the status block, live frames through the
// base, the lighting preview and the notification reader (sync requests only).

#include <cstdint>
#include <mutex>
#include <optional>
#include <string>

#include "devices/device_driver.h"
#include "devices/light_preview.h"
#include "devices/mouse_pad_blocks.h"
#include "profiles/basic_profiledata.h"

namespace norvik::devices {

inline constexpr char kMousePadReaderExitLine[] =
    "MS设备同步线程设定退出 (mouse pad notification reader ends)";
inline constexpr char kMousePadPreviewExitLine[] =
    "MS灯光线程设定退出 (mouse pad lighting preview ends)";

class MousePadDriver final : public DeviceDriver {
 public:
  MousePadDriver(hid::HidBackend* backend, DeviceFolders folders);
  ~MousePadDriver() override;

  profiles::CBasicProfiledata* Profile() override { return &profile_; }
  bool ProfileLoaded() const { return profile_loaded_; }

  // BeginConfig, ReadDeviceInfo, EndConfig; then the profile and the preview.
  DeviceResult ReadKeyData() override;
  // Active profile index, then 26 bytes at index × 25: the first 21 become the image.
  DeviceResult ReadSettings() override;
  bool LoadProfile() override;
  void NormaliseProfile() override;
  // The image with the profile's light values: 21 bytes at profile × 64.
  DeviceResult WriteSettings(int profile, int active_index) override;

  MousePadBlock BlockImage() const;

 protected:
  void OnNotificationUsage(hid::DeviceKind kind, std::uint16_t usage) override;
  std::string NotificationExitLine() const override { return kMousePadReaderExitLine; }
  std::optional<std::chrono::milliseconds> PreviewPeriod() const override;
  bool PreviewStep() override;
  std::string PreviewExitLine() const override { return kMousePadPreviewExitLine; }

 private:
  void RestartPreviewEffect();

  profiles::CBasicProfiledata profile_;
  bool profile_loaded_ = false;
  mutable std::mutex data_lock_;
  MousePadBlock image_{};
  // Used under the light lock only.
  LightPreview preview_;
};

}  // namespace norvik::devices
