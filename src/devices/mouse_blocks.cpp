#include "devices/mouse_blocks.h"

#include <algorithm>

namespace norvik::devices {
namespace {

std::uint8_t ClampByte(std::int64_t value) {
  return static_cast<std::uint8_t>(std::clamp<std::int64_t>(value, 0, 0xFF));
}

void PutLe16(std::span<std::uint8_t> bytes, std::size_t at, std::uint16_t value) {
  bytes[at] = static_cast<std::uint8_t>(value & 0xFF);
  bytes[at + 1] = static_cast<std::uint8_t>(value >> 8);
}

std::uint16_t GetLe16(std::span<const std::uint8_t> bytes, std::size_t at) {
  return static_cast<std::uint16_t>(bytes[at] | bytes[at + 1] << 8);
}

}  // namespace

MouseSettingsBlock BuildMouseSettingsBlock(const MouseSettingsSource& source) {
  MouseSettingsBlock block{};
  const profiles::LightState& light = source.light;
  block[kMouseProfileAt] = 0;
  block[kMouseModeAt] = light.SelectItem >= kMouseModeLimit ? 0 : light.SelectItem;
  block[kMouseBrightnessAt] = light.Light;
  block[kMouseSpeedAt] = SpeedToDevice(light.Speed);
  block[kMouseOptionAt] = light.Fx;
  block[kMouseMultiColourAt] = light.MultiColor;
  block[kMouseRedAt] = light.Red;
  block[kMouseGreenAt] = light.Green;
  block[kMouseBlueAt] = light.Blue;
  block[kMousePollingAt] = ClampByte(source.polling_rate);
  block[kMouseActiveStageAt] = ClampByte(source.active_stage);

  const std::size_t stages = std::min(source.stages.size(), kMouseStageCount);
  for (std::size_t i = 0; i < stages; ++i) {
    const profiles::DpiStage& stage = source.stages[i];
    const std::span<std::uint8_t> at = std::span<std::uint8_t>(block).subspan(
        kMouseStagesAt + i * kMouseStageSize, kMouseStageSize);
    at[kStageActiveAt] = stage.StageActive;
    at[kStageXYAt] = stage.StageXY;
    PutLe16(at, kStageDpiXAt, stage.StageDPIX);
    PutLe16(at, kStageDpiYAt, stage.StageDPIY);
    at[kStageRedAt] = stage.StageColorR;
    at[kStageGreenAt] = stage.StageColorG;
    at[kStageBlueAt] = stage.StageColorB;
  }

  block[kMouseFixedOneAt] = kMouseFixedOneValue;
  PutLe16(block, kMouseScreenWidthAt, source.screen.width);
  PutLe16(block, kMouseScreenHeightAt, source.screen.height);

  const auto selected = std::find_if(
      source.corrections.begin(), source.corrections.end(),
      [](const profiles::CorrectionRecord& entry) { return entry.CorrectSelect != 0; });
  if (selected != source.corrections.end()) {
    block[kMouseCorrectMinSqAt] = ClampByte(selected->CorrectMinSq);
    block[kMouseCorrectPixThreshAt] = ClampByte(selected->CorrectPixThresh);
  }
  return block;
}

MouseSettingsReadout ParseMouseSettingsBlock(
    std::span<const std::uint8_t, kMouseSettingsReadSize> bytes) {
  MouseSettingsReadout out;
  out.light.SelectItem = bytes[kMouseModeAt];
  out.light.Light = bytes[kMouseBrightnessAt];
  out.light.Speed = SpeedFromDevice(bytes[kMouseSpeedAt]);
  out.light.Fx = bytes[kMouseOptionAt];
  out.light.MultiColor = bytes[kMouseMultiColourAt];
  out.light.Red = bytes[kMouseRedAt];
  out.light.Green = bytes[kMouseGreenAt];
  out.light.Blue = bytes[kMouseBlueAt];
  out.polling_rate = bytes[kMousePollingAt];
  out.active_stage = bytes[kMouseActiveStageAt];
  for (std::size_t i = 0; i < kMouseStageCount; ++i) {
    const std::span<const std::uint8_t> at =
        bytes.subspan(kMouseStagesAt + i * kMouseStageSize, kMouseStageSize);
    profiles::DpiStage& stage = out.stages[i];
    stage.StageActive = at[kStageActiveAt];
    stage.StageXY = at[kStageXYAt];
    stage.StageDPIX = GetLe16(at, kStageDpiXAt);
    stage.StageDPIY = GetLe16(at, kStageDpiYAt);
    stage.StageColorR = at[kStageRedAt];
    stage.StageColorG = at[kStageGreenAt];
    stage.StageColorB = at[kStageBlueAt];
  }
  out.screen.width = GetLe16(bytes, kMouseScreenWidthAt);
  out.screen.height = GetLe16(bytes, kMouseScreenHeightAt);
  out.correct_min_sq = bytes[kMouseCorrectMinSqAt];
  out.correct_pix_thresh = bytes[kMouseCorrectPixThreshAt];
  std::copy_n(bytes.begin(), kMouseSettingsImageSize, out.image.begin());
  out.trailer = GetLe16(bytes, kMouseReadTrailerAt);
  out.last = bytes[kMouseReadLastAt];
  return out;
}

std::map<int, std::uint8_t> FindMouseButtonPositions(std::span<const std::uint8_t> key_map,
                                                     std::size_t slots) {
  slots = std::min(slots, key_map.size() / kKeyCodeSize);
  std::map<int, std::uint8_t> positions;
  for (std::size_t id = 0; id < slots; ++id) positions[static_cast<int>(id)] = kMouseNoSlot;
  for (int button = 0; button < kMouseButtonCount; ++button) {
    const KeyCode& code = kMouseDefaultButtonCodes[static_cast<std::size_t>(button)];
    for (std::size_t slot = 0; slot < slots; ++slot) {
      if (std::equal(code.begin(), code.end(), key_map.begin() + slot * kKeyCodeSize)) {
        positions[button] = static_cast<std::uint8_t>(slot);
        break;
      }
    }
  }
  return positions;
}

void PutMouseAssignments(std::span<std::uint8_t> image,
                         const std::map<int, std::uint8_t>& positions,
                         std::span<const profiles::KeyEntry> entries, std::size_t slots) {
  slots = std::min(slots, image.size() / kKeyCodeSize);
  for (const profiles::KeyEntry& entry : entries) {
    const auto found = positions.find(entry.index);
    if (found == positions.end() || found->second == kMouseNoSlot) continue;
    const std::size_t slot = found->second;
    if (slot >= slots) continue;
    const std::size_t at = slot * kKeyCodeSize;
    image[at] = entry.assignment.A;
    image[at + 1] = entry.assignment.B;
    image[at + 2] = entry.assignment.C;
  }
}

DpiRanges DpiRangesFromInfo(const hid::DeviceInfo& info) {
  DpiRanges ranges;
  ranges.step = info.block[kInfoDpiStepAt];
  ranges.slider_max = GetLe16(info.block, kInfoDpiSliderMaxAt);
  ranges.edit_max = ranges.slider_max * ranges.step;
  return ranges;
}

}  // namespace norvik::devices
