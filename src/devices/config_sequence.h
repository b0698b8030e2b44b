#pragma once
// The configuration bracket every driver runs its stored-settings commands in (BeginConfig,
// the data commands, EndConfig), and the one rule for ending it early.

#include <functional>

#include "hid/device_io.h"

namespace norvik::devices {

using hid::DeviceResult;

// Results that mean the device cannot be reached (nothing sent, a write that failed, the mouse
// not answering through its receiver): later commands would only wait for it.
bool DeviceUnreachable(DeviceResult result);

// BeginConfig, body, EndConfig. Once BeginConfig was taken the bracket is always closed, also
// when body failed: a device that refused a command (status 0xFE/0xFF) is still there and would
// otherwise stay in configuration. Only a device that cannot be reached gets nothing more.
// gate, when set, is asked before BeginConfig and before the closing EndConfig of a successful
// body (the receiver link query); false ends the sequence with NotSent.
// Returns the first failure (body's before EndConfig's), else EndConfig's result.
DeviceResult RunConfigSequence(hid::DeviceIo& io, const std::function<DeviceResult()>& body,
                               const std::function<bool()>& gate = {});

}  // namespace norvik::devices
