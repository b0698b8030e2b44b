#include "devices/mouse_pad_blocks.h"

#include <algorithm>

#include "devices/keyboard_blocks.h"

namespace norvik::devices {

MousePadBlock MousePadImageFromLight(const MousePadBlock& image, const profiles::LightState& light,
                                     std::uint8_t active_profile) {
  MousePadBlock out = image;
  out[kPadActiveProfile] = active_profile;
  out[kPadLightMode] = light.SelectItem;
  out[kPadBrightness] = light.Light;
  out[kPadSpeed] = std::min(light.Speed, kMaxLightSpeed);
  out[kPadOption] = light.Fx;
  out[kPadRed] = light.Red;
  out[kPadGreen] = light.Green;
  out[kPadBlue] = light.Blue;
  out[kPadMultiColour] = light.MultiColor != 0 ? 1 : 0;
  return out;
}

profiles::LightState MousePadLightFromImage(const MousePadBlock& image,
                                            const profiles::LightState& current) {
  profiles::LightState light = current;
  light.SelectItem = image[kPadLightMode];
  light.Light = image[kPadBrightness];
  light.Speed = image[kPadSpeed];
  light.Fx = image[kPadOption];
  light.Red = image[kPadRed];
  light.Green = image[kPadGreen];
  light.Blue = image[kPadBlue];
  light.MultiColor = image[kPadMultiColour] != 0 ? 1 : 0;
  return light;
}

MousePadBlock MousePadBlockToDevice(const MousePadBlock& image) {
  MousePadBlock out = image;
  out[kPadSpeed] = SpeedToDevice(image[kPadSpeed]);
  return out;
}

MousePadBlock MousePadBlockFromDevice(std::span<const std::uint8_t, kMousePadBlockSize> stored) {
  MousePadBlock image;
  std::copy(stored.begin(), stored.end(), image.begin());
  image[kPadSpeed] = SpeedFromDevice(stored[kPadSpeed]);
  return image;
}

}  // namespace norvik::devices
