#include "emulator/emulated_device.h"
#include "emulator/report_descriptors.h"

namespace norvik::emulator {
namespace {

constexpr std::size_t kSettingsSize = 256;
constexpr std::size_t kStatusSize = 16;
const EmulatedIdentity kIdentity{0x320F, 0x1004, 0x0101, "Norvik", "QT-4100 Mouse Pad"};

CommandDevice::Layout PadLayout() {
  CommandDevice::Layout layout;
  auto& info = layout.info;
  info[info_field::kFirmwareLow] = static_cast<std::uint8_t>(kIdentity.version & 0xFF);
  info[info_field::kFirmwareHigh] = static_cast<std::uint8_t>(kIdentity.version >> 8);
  info[info_field::kDeviceKind] = static_cast<std::uint8_t>(EmulatedProduct::MousePad);
  info[3] = static_cast<std::uint8_t>(kIdentity.product_id & 0xFF);
  info[4] = static_cast<std::uint8_t>(kIdentity.product_id >> 8);
  info[info_field::kTrailerLow] = 0x01;
  // Lighting block: active profile, mode, brightness, 5 - speed, effect, multi-colour, red,
  // green, blue (the keyboard's order).
  layout.settings.assign(kSettingsSize, 0);
  layout.settings[1] = 2;
  layout.settings[2] = 4;
  layout.settings[3] = 2;
  layout.settings[4] = 0;
  layout.settings[5] = 0;
  layout.settings[6] = 0xFF;
  layout.settings[7] = 0x00;
  layout.settings[8] = 0x80;
  layout.status.assign(kStatusSize, 0);
  // Powered from the cable (level 100, charge state 0), no phone on the charging spot (byte 5).
  layout.status[0] = 100;
  layout.status[4] = 1;  // power: enough current for full brightness
  layout.commands = {FirmwareCommand::BeginConfig,    FirmwareCommand::EndConfig,
                     FirmwareCommand::ReadDeviceInfo, FirmwareCommand::ReadMemory,
                     FirmwareCommand::WriteMemory,    FirmwareCommand::SendLightFrame,
                     FirmwareCommand::ReadBlock,      FirmwareCommand::EnterSoftwareLighting};
  return layout;
}

}  // namespace

EmulatedMousePad::EmulatedMousePad()
    : CommandDevice(EmulatedProduct::MousePad, kIdentity,
                    {BootKeyboardInterface(), KeyboardVendorInterface()}, PadLayout()) {}

}  // namespace norvik::emulator
