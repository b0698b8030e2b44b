#pragma once
// What a device driver tells its owner. Callbacks come from the driver's worker threads (the
// notification readers, the lighting preview) and from the thread that called a device
// operation (status); the GUI marshals them to its UI thread, the command line prints them.
// A callback must not stop or destroy the driver that calls it; it may call the driver's
// device operations (e.g. ReadSettings after a sync request).

#include "devices/power_status.h"

namespace norvik::devices {

class DeviceDriver;

// Delays before the owner reads the settings after a sync request.
inline constexpr int kKeyboardSyncDelayMs = 50;
inline constexpr int kMouseSyncDelayMs = 50;
inline constexpr int kMousePadSyncDelayMs = 500;

class DeviceEvents {
 public:
  virtual ~DeviceEvents() = default;

  // The device asks to be read again: call ReadSettings after delay_ms.
  virtual void OnSyncRequest(DeviceDriver& /*device*/, int /*delay_ms*/) {}
  // A profile was selected on the device itself; the driver already holds the new index.
  virtual void OnProfileChanged(DeviceDriver& /*device*/, int /*index*/) {}
  // A key went down / up on the device (key id of the program's key list).
  virtual void OnKeyPressed(DeviceDriver& /*device*/, int /*key_id*/) {}
  virtual void OnKeyReleased(DeviceDriver& /*device*/, int /*key_id*/) {}
  // The power status after a successful ReadStatus.
  virtual void OnStatus(DeviceDriver& /*device*/, const PowerStatus& /*status*/) {}
  // The LED entries changed (preview step): repaint the device picture.
  virtual void OnRepaint(DeviceDriver& /*device*/) {}
  // A radio link went down or came back (the mouse through its receiver).
  virtual void OnLinkChanged(DeviceDriver& /*device*/, bool /*up*/) {}
};

}  // namespace norvik::devices
