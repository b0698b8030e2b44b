#include <array>

#include "emulator/emulated_device.h"
#include "emulator/hex_text.h"
#include "emulator/report_descriptors.h"

namespace norvik::emulator {
namespace {

namespace f = command_field;

constexpr std::uint8_t kKeySlots = 12;
constexpr std::uint8_t kMacroUnits = 0x20;  // 4096 bytes: room for four guns of 30 bullets
constexpr std::uint8_t kDpiStep = 50;
constexpr std::uint16_t kDpiMaxSlider = 520;  // 26000 DPI
constexpr std::size_t kSettingsSize = 1024;
constexpr int kProfiles = 4;
constexpr std::size_t kShootCapacity = 4096;
constexpr std::size_t kStatusSize = 16;

constexpr std::size_t kStageFirst = 14;
constexpr std::size_t kStageSize = 9;
constexpr std::size_t kStageCount = 5;

// The buttons' factory codes (type 0x10 mouse button with its bit, 0x13 wheel/scroll, 0xA0
// device function, 0x16 DPI), in the order the button matrix lists them; two spare slots.
constexpr std::array<std::array<std::uint8_t, 3>, 10> kButtonsInSlotOrder = {{
    {0x10, 0x01, 0x00},
    {0x10, 0x02, 0x00},
    {0x10, 0x04, 0x00},
    {0x10, 0x08, 0x00},
    {0x10, 0x10, 0x00},
    {0x13, 0x01, 0x00},
    {0x13, 0x02, 0x00},
    {0x13, 0x03, 0x00},
    {0xA0, 0x1B, 0x00},
    {0x16, 0x90, 0x01},
}};

struct Stage {
  std::uint16_t dpi;
  std::uint8_t red, green, blue;
};
constexpr std::array<Stage, kStageCount> kFactoryStages = {{
    {400, 0xFF, 0x00, 0x00},
    {800, 0x00, 0xFF, 0x00},
    {1600, 0x00, 0x00, 0xFF},
    {3200, 0xFF, 0xFF, 0x00},
    {6400, 0xFF, 0x00, 0xFF},
}};

void PutLe16(std::vector<std::uint8_t>::iterator at, std::uint16_t v) {
  at[0] = static_cast<std::uint8_t>(v & 0xFF);
  at[1] = static_cast<std::uint8_t>(v >> 8);
}

CommandDevice::Layout MouseLayout(const EmulatedIdentity& identity, EmulatedProduct product,
                                  bool receiver) {
  CommandDevice::Layout layout;
  auto& info = layout.info;
  info[info_field::kFirmwareLow] = static_cast<std::uint8_t>(identity.version & 0xFF);
  info[info_field::kFirmwareHigh] = static_cast<std::uint8_t>(identity.version >> 8);
  info[info_field::kDeviceKind] = static_cast<std::uint8_t>(product);
  info[3] = static_cast<std::uint8_t>(identity.product_id & 0xFF);
  info[4] = static_cast<std::uint8_t>(identity.product_id >> 8);
  info[info_field::kKeySlots] = kKeySlots;
  info[info_field::kMacroUnits] = kMacroUnits;
  info[info_field::kDpiStep] = kDpiStep;
  info[info_field::kDpiMaxLow] = static_cast<std::uint8_t>(kDpiMaxSlider & 0xFF);
  info[info_field::kDpiMaxHigh] = static_cast<std::uint8_t>(kDpiMaxSlider >> 8);
  info[info_field::kTrailerLow] = 0x21;
  info[info_field::kTrailerHigh] = 0x03;

  layout.keymap_banks = 1;
  layout.keymap.assign(std::size_t{kKeySlots} * 3, 0);
  // Side buttons sit before the middle button in the matrix.
  constexpr std::array<int, 10> kSlotOfButton = {0, 1, 4, 2, 3, 5, 6, 7, 8, 9};
  for (std::size_t b = 0; b < kButtonsInSlotOrder.size(); ++b) {
    std::copy(kButtonsInSlotOrder[b].begin(), kButtonsInSlotOrder[b].end(),
              layout.keymap.begin() + kSlotOfButton[b] * 3);
  }
  layout.keytable.assign(kKeySlots, 0);

  // Settings: byte 0 the active profile; one 128-byte block per profile: mode, brightness,
  // 5 - speed, option, multi-colour, red, green, blue, 0, 0, polling, active stage, 0, five DPI
  // stages of 9 bytes, 1, screen width and height, correction values.
  layout.settings.assign(kSettingsSize, 0);
  for (int p = 0; p < kProfiles; ++p) {
    auto block = layout.settings.begin() + p * EmulatedMouse::kProfileStride;
    block[1] = 1;
    block[2] = 4;
    block[3] = 2;
    block[6] = 0x00;
    block[7] = 0x80;
    block[8] = 0xFF;
    block[11] = 3;
    block[EmulatedMouse::kActiveStageByte] = 1;
    for (std::size_t s = 0; s < kStageCount; ++s) {
      auto stage = block + static_cast<std::ptrdiff_t>(kStageFirst + s * kStageSize);
      stage[0] = 1;
      stage[1] = 0;
      PutLe16(stage + 2, kFactoryStages[s].dpi);
      PutLe16(stage + 4, kFactoryStages[s].dpi);
      stage[6] = kFactoryStages[s].red;
      stage[7] = kFactoryStages[s].green;
      stage[8] = kFactoryStages[s].blue;
    }
    block[59] = 1;
    PutLe16(block + 60, 1920);
    PutLe16(block + 62, 1080);
    block[68] = 0x02;
    block[70] = receiver ? 1 : 0;
  }
  layout.shoot_capacity = kShootCapacity;
  layout.status.assign(kStatusSize, 0);
  // Status block as the power indicator reads it: battery level, charge state (1 charging
  // over the cable, 0 on battery through the receiver), byte 3 the host's link flag.
  layout.status[0] = 85;
  layout.status[1] = receiver ? 0 : 1;
  layout.status[4] = 85;  // battery percent
  layout.commands = {FirmwareCommand::BeginConfig,    FirmwareCommand::EndConfig,
                     FirmwareCommand::ReadDeviceInfo, FirmwareCommand::ReadMemory,
                     FirmwareCommand::WriteMemory,    FirmwareCommand::ReadKeyMap,
                     FirmwareCommand::WriteKeyMap,    FirmwareCommand::SendLightFrame,
                     FirmwareCommand::WriteMacroData, FirmwareCommand::WriteShootData,
                     FirmwareCommand::ReadBlock,      FirmwareCommand::EnterSoftwareLighting};
  if (receiver) layout.commands.push_back(FirmwareCommand::QueryReceiverLink);
  return layout;
}

const EmulatedIdentity kCableIdentity{0x3938, 0x1253, 0x0203, "Norvik", "QT-4100 Mouse"};
const EmulatedIdentity kReceiverIdentity{0x3938, 0x1254, 0x0110, "Norvik",
                                         "QT-4100 Wireless Receiver"};

}  // namespace

EmulatedMouse::EmulatedMouse() : EmulatedMouse(EmulatedProduct::MouseCable, kCableIdentity) {}

EmulatedMouse::EmulatedMouse(EmulatedProduct product, EmulatedIdentity identity)
    : CommandDevice(product, identity, {BootMouseInterface(), MouseVendorInterface()},
                    MouseLayout(identity, product, product == EmulatedProduct::MouseReceiver)) {}

void EmulatedMouse::InjectProfileChange(std::uint8_t profile,
                                        std::optional<std::uint8_t> dpi_stage) {
  {
    std::lock_guard lock(Mutex());
    const std::uint8_t p = profile & 0x0F;
    SetSettingsByteLocked(0, p);
    std::uint16_t usage = static_cast<std::uint16_t>(kUsageProfileBase | p);
    if (dpi_stage) {
      const std::uint8_t stage = *dpi_stage & 0x0F;
      SetSettingsByteLocked(p * kProfileStride + kActiveStageByte, stage);
      usage = static_cast<std::uint16_t>(kUsageProfileAndStageBase | stage << 4 | p);
    }
    InjectConsumerUsageLocked(usage, false);
  }
  NotifyInput();
}

EmulatedReceiver::EmulatedReceiver()
    : EmulatedMouse(EmulatedProduct::MouseReceiver, kReceiverIdentity) {}

void EmulatedReceiver::SetLinkUp(bool up) {
  std::lock_guard lock(Mutex());
  link_up_ = up;
  MarkMemoryChangedLocked();
}

bool EmulatedReceiver::LinkUp() const {
  std::lock_guard lock(Mutex());
  return link_up_;
}

CommandReport EmulatedReceiver::AnswerLocked(const CommandReport& request, RequestRecord& record) {
  if (request[f::kCommand] == static_cast<std::uint8_t>(FirmwareCommand::QueryReceiverLink)) {
    CommandReport reply = MakeReply(request, kStatusOk);
    reply[f::kData] = link_up_ ? kReceiverLinkUp : 0x00;
    return reply;
  }
  if (!link_up_) {
    // The receiver itself answers: the mouse behind it cannot be reached.
    CommandReport reply = MakeReply(request, kStatusOk);
    reply[f::kCommand] = kReceiverUnreachable;
    record.outcome = RequestOutcome::Unreachable;
    return reply;
  }
  return EmulatedMouse::AnswerLocked(request, record);
}

void EmulatedReceiver::ResetLocked() {
  EmulatedMouse::ResetLocked();
  link_up_ = true;
}

void EmulatedReceiver::DumpLocked(Json::Value& out) const {
  EmulatedMouse::DumpLocked(out);
  out["link"] = link_up_;
}

bool EmulatedReceiver::RestoreLocked(const Json::Value& state) {
  const Json::Value& link = state["link"];
  if (!link.isBool()) return false;
  if (!EmulatedMouse::RestoreLocked(state)) return false;
  link_up_ = link.asBool();
  return true;
}

}  // namespace norvik::emulator
