#include "devices/config_sequence.h"

namespace norvik::devices {

bool DeviceUnreachable(DeviceResult result) {
  return result == DeviceResult::NotSent || result == DeviceResult::WriteFailed ||
         result == DeviceResult::ReceiverUnreachable;
}

DeviceResult RunConfigSequence(hid::DeviceIo& io, const std::function<DeviceResult()>& body,
                               const std::function<bool()>& gate) {
  if (gate && !gate()) return DeviceResult::NotSent;
  DeviceResult result = io.BeginConfig();
  if (result != DeviceResult::Success) return result;
  result = body();
  if (result != DeviceResult::Success) {
    // The device just answered: no link query is needed to close the bracket.
    if (!DeviceUnreachable(result)) io.EndConfig();
    return result;
  }
  if (gate && !gate()) return DeviceResult::NotSent;
  return io.EndConfig();
}

}  // namespace norvik::devices
