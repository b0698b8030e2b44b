#include "devices/keyboard_driver.h"

#include <algorithm>
#include <array>
#include <new>
#include <utility>

#include "base/debug_trace.h"
#include "devices/config_sequence.h"
#include "devices/macro_table.h"
#include "profiles/json_file_store.h"
#include "profiles/profile_list.h"

namespace norvik::devices {
namespace {

const char* NameOf(hid::DeviceKind kind) {
  return kind == hid::DeviceKind::KeyboardSecondModel ? kSecondKeyboardDeviceName
                                                      : kKeyboardDeviceName;
}

constexpr std::size_t kMacroUnitsByte = 6;
constexpr std::uint8_t kMaxBrightnessLevel = kBrightnessLevels - 1;

}  // namespace

KeyboardDriver::KeyboardDriver(hid::HidBackend* backend, DeviceFolders folders,
                               hid::DeviceKind kind)
    : DeviceDriver(backend, NameOf(kind), std::move(folders)),
      model_(kind == hid::DeviceKind::KeyboardSecondModel ? kind : hid::DeviceKind::Keyboard),
      preview_(KeyboardPreviewLayout()) {
  // The second model ships without factory data of its own; it starts from the keyboard's.
  if (model_ == hid::DeviceKind::KeyboardSecondModel) {
    std::error_code error;
    if (!std::filesystem::exists(DefaultProfilePath(), error)) {
      SetDefaultDataName(kKeyboardDeviceName);
    }
  }
  Leds().SetCount(kKeyboardKeyCount);
  profile_.SetBuiltInModeCount(kKeyboardBuiltInModes);
  profile_.SetDefaultPath(DefaultProfilePath());
}

KeyboardDriver::~KeyboardDriver() {
  Shutdown();
}

// --- reads ---

KeyPositions KeyboardDriver::DiscoverPositions(const hid::DeviceInfo& info,
                                               std::span<const std::uint8_t> key_map,
                                               std::span<const std::uint8_t> key_table,
                                               std::size_t slots) {
  const std::span<const std::uint8_t> identity(info.block.data(), kDeviceIdentityBytes);
  const std::filesystem::path record_path = DataFolder() / kKeyPositionsFileName;
  if (const auto remembered =
          KeyPositionsFromJson(profiles::JsonFileStore::ReadJson(record_path), slots, identity)) {
    return {*remembered, LightPositionsOf(*remembered, key_table)};
  }
  KeyPositions found = *BuildKeyPositions(key_map, key_table, slots);
  if (!profiles::JsonFileStore::WriteJson(record_path,
                                          KeyPositionsToJson(found.key, slots, identity))) {
    DebugTrace("key positions not remembered");
  }
  return found;
}

DeviceResult KeyboardDriver::ReadKeyData() {
  hid::DeviceIo& io = Io();
  if (!io.IsOpen()) return DeviceResult::NotSent;
  hid::DeviceInfo info;
  std::size_t slots = 0;
  bool slots_fit = true;
  std::vector<std::uint8_t> key_map;
  std::vector<std::uint8_t> key_table;
  const DeviceResult result = RunConfigSequence(io, [&] {
    DeviceResult step = io.ReadDeviceInfo(info);
    if (step != DeviceResult::Success) return step;
    StoreDeviceInformation(info);
    slots = info.KeySlotCount();
    if (slots > kMaxKeySlots ||
        !io.SetDataLength(static_cast<std::uint16_t>(slots * kKeySlotBytes))) {
      // The sequence is closed; the position maps stay as they were.
      slots_fit = false;
      return DeviceResult::Success;
    }
    key_map.resize(slots * kKeySlotBytes);
    key_table.resize(slots);
    step = io.ReadKeyMap(key_map);
    if (step != DeviceResult::Success) return step;
    return io.ReadKeyTable(key_table);
  });
  if (result != DeviceResult::Success) return result;
  if (!slots_fit) {
    DebugTraceF("%s: %zu key slots do not fit the key map", DeviceName().c_str(), slots);
    return DeviceResult::NotSent;
  }

  KeyPositions positions = DiscoverPositions(info, key_map, key_table, slots);
  SetPositionMaps(std::move(positions.key), std::move(positions.light));
  {
    std::lock_guard lock(data_lock_);
    slots_ = slots;
    key_map_ = std::move(key_map);
    key_table_ = std::move(key_table);
    key_data_read_ = true;
  }
  LoadProfile();
  EmitRepaint();
  StartPreview();
  return DeviceResult::Success;
}

DeviceResult KeyboardDriver::ReadSettings() {
  hid::DeviceIo& io = Io();
  io.SetHold(false);
  if (!io.IsOpen()) return DeviceResult::NotSent;
  std::array<std::uint8_t, 1> index{};
  DeviceResult result = io.ReadMemory(index, 0);
  if (result != DeviceResult::Success) return result;
  KeyboardSettingsBlock block{};
  result = io.ReadMemory(block, static_cast<std::uint16_t>(index[0] * kKeyboardProfileStride));
  if (result != DeviceResult::Success) return result;
  SetActiveProfileIndex(index[0]);

  const profiles::LightState before = LightValues();
  const KeyboardSettingsRead read = ParseKeyboardSettingsBlock(block, before);
  SetLightValues(read.light);
  if (profile_loaded_) {
    profile_.SetLightInfo(read.light);
    profiles::KeyboardSystem system = profile_.SystemMirror();
    system.WFlag = read.WFlag;
    system.Key6Flag = read.Key6Flag;
    system.WinFlag = read.WinFlag;
    profile_.SetSystemStages(system);
    if (!profile_.Save()) DebugTraceF("%s: profile not saved", DeviceName().c_str());
  }
  if (read.light != before) RestartPreviewEffect();
  EmitRepaint();
  return DeviceResult::Success;
}

// --- profile ---

bool KeyboardDriver::LoadProfile() {
  profile_loaded_ = LoadSelectedProfileSection(profile_);
  if (!profile_loaded_) return false;
  profile_.LoadLightingList(DataFolder() / kKeyboardLightingListName);
  const profiles::LightState light = profile_.GetLightInfo();
  profile_.GetSystemStages();
  profile_.GetKeyList();
  profile_.GetCustomGroup();
  SetLightValues(light);
  RestartPreviewEffect();
  return true;
}

void KeyboardDriver::NormaliseProfile() {
  if (!profile_loaded_) return;
  profiles::LightState light = profile_.LightStateMirror();
  const profiles::LightState before = light;
  light.Light = std::min(light.Light, kMaxBrightnessLevel);
  light.Speed = std::min(light.Speed, kMaxLightSpeed);
  light.MultiColor = light.MultiColor != 0 ? 1 : 0;
  if (light != before) profile_.SetLightInfo(light);

  profiles::KeyboardSystem system = profile_.SystemMirror();
  const profiles::KeyboardSystem system_before = system;
  if (system.PollingRate >= kPollingRateOptions) system.PollingRate = 0;
  system.WFlag = system.WFlag != 0 ? 1 : 0;
  system.Key6Flag = system.Key6Flag != 0 ? 1 : 0;
  system.WinFlag = system.WinFlag != 0 ? 1 : 0;
  if (system != system_before) profile_.SetSystemStages(system);
  SetLightValues(light);
  RestartPreviewEffect();
}

// --- pushes ---

DeviceResult KeyboardDriver::WriteSettings(int profile, int active_index) {
  if (profile < 0 ||
      static_cast<std::size_t>(profile) * kKeyboardProfileStride + kKeyboardSettingsSize >
          0x10000) {
    return DeviceResult::NotSent;
  }
  if (!profile_loaded_) {
    DebugTraceF("%s: no profile loaded, settings not sent", DeviceName().c_str());
    return DeviceResult::NotSent;
  }
  hid::DeviceIo& io = Io();
  if (!io.IsOpen()) return DeviceResult::NotSent;
  const KeyboardSettingsBlock block =
      BuildKeyboardSettingsBlock(profile_.LightStateMirror(), profile_.SystemMirror(),
                                 static_cast<std::uint8_t>(active_index));
  return RunConfigSequence(io, [&] {
    return io.WriteMemory(block, static_cast<std::uint16_t>(profile * kKeyboardProfileStride));
  });
}

DeviceResult KeyboardDriver::PushKeyMap(int bank) {
  hid::DeviceIo& io = Io();
  if (!io.IsOpen()) return DeviceResult::NotSent;
  if (bank != 0) return DeviceResult::BadBank;
  std::vector<std::uint8_t> base;
  {
    std::lock_guard lock(data_lock_);
    // Without a read there is no image to start from: writing one would wipe the keys.
    if (!key_data_read_) return DeviceResult::NotSent;
    base = key_map_;
  }
  if (!profile_loaded_) return DeviceResult::NotSent;
  hid::DeviceInfo info;
  DeviceResult result = io.ReadDeviceInfo(info);
  if (result != DeviceResult::Success) return result;
  StoreDeviceInformation(info);
  if (std::size_t{info.KeySlotCount()} * kKeySlotBytes != base.size()) {
    DebugTraceF("%s: key slots changed since the key map was read", DeviceName().c_str());
    return DeviceResult::NotSent;
  }
  const std::vector<std::uint8_t> image =
      ApplyKeyAssignments(base, KeyPositionMap(), profile_.KeyListMirror());
  return RunConfigSequence(io, [&] { return io.WriteKeyMap(image, bank); });
}

MacroPushResult KeyboardDriver::WriteMacroTable() {
  hid::DeviceIo& io = Io();
  MacroPushResult outcome;
  if (io.IsOpen()) {
    hid::DeviceInfo info;
    const DeviceResult result = io.ReadDeviceInfo(info);
    if (result != DeviceResult::Success) {
      return {MacroPushStatus::TransferFailed, 0, result};
    }
    StoreDeviceInformation(info);
  }
  MacroTable table;
  try {
    table = BuildMacroTableFromFolder(DataFolder(), DeviceInformation().block[kMacroUnitsByte]);
  } catch (const std::bad_alloc&) {
    return {MacroPushStatus::OutOfMemory, 0, DeviceResult::NotSent};
  }
  if (table.status == MacroTableStatus::Empty) return {MacroPushStatus::NothingToSend};
  // Without the device the capacity is unknown; the table is not sent either way.
  if (!io.IsOpen()) return {MacroPushStatus::TransferFailed, 0, DeviceResult::NotSent};
  if (table.status == MacroTableStatus::TooLarge) {
    return {MacroPushStatus::TooLarge, table.units_over, DeviceResult::Success};
  }
  const DeviceResult result = RunConfigSequence(io, [&] { return io.WriteMacroData(table.bytes); });
  if (result != DeviceResult::Success) return {MacroPushStatus::TransferFailed, 0, result};
  outcome.status = MacroPushStatus::Sent;
  return outcome;
}

std::span<const PushStep> KeyboardDriver::ApplySteps() const {
  static constexpr PushStep kSteps[] = {PushStep::Settings, PushStep::Macros, PushStep::KeyMap};
  return kSteps;
}

std::span<const PushStep> KeyboardDriver::RestoreSteps() const {
  static constexpr PushStep kSteps[] = {PushStep::KeyMap, PushStep::Settings};
  return kSteps;
}

// --- custom colours ---

DeviceResult KeyboardDriver::UploadCustomColours(bool scaled) {
  const profiles::LightState light = LightValues();
  hid::DeviceIo& io = Io();
  if (light.SelectItem != kKeyboardCustomColourMode || io.IsWireless()) {
    return DeviceResult::Success;
  }
  std::size_t slots;
  {
    std::lock_guard lock(data_lock_);
    slots = slots_;
  }
  const std::vector<std::uint8_t> block =
      BuildCustomColourBlock(Leds().Entries(), LightPositionMap(), slots, scaled);
  const DeviceResult result = io.WriteLightBlock(block, light.CustomGroup, kCustomColourBlockSize);
  if (result != DeviceResult::Success) LiveFrames().Pause(kLiveFrameFailurePause);
  return result;
}

DeviceResult KeyboardDriver::WriteCustomColour(int key_id, std::uint32_t colour) {
  if (key_id < 0 || key_id >= kKeyboardKeyCount) return DeviceResult::NotSent;
  return WriteCustomColour(std::span<const int>(&key_id, 1), colour);
}

DeviceResult KeyboardDriver::WriteCustomColour(std::span<const int> key_ids, std::uint32_t colour) {
  const LedEntry led = UnpackLedEntry(colour);
  // The group the colour block is uploaded to.
  const int group = LightValues().CustomGroup;
  std::vector<profiles::ColourRecord> colours;
  if (profile_loaded_) colours = profile_.GetCustomColours(group, kKeyboardKeyCount);
  for (const int key_id : key_ids) {
    if (key_id < 0 || key_id >= kKeyboardKeyCount) continue;
    const auto index = static_cast<std::size_t>(key_id);
    Leds().Set(index, colour);
    if (index < colours.size()) colours[index] = {led.red, led.green, led.blue, led.brightness};
  }
  if (profile_loaded_ && !colours.empty()) profile_.SetCustomColours(colours, group);
  return UploadCustomColours(/*scaled=*/false);
}

DeviceResult KeyboardDriver::WriteCustomColours() {
  return UploadCustomColours(/*scaled=*/true);
}

void KeyboardDriver::LoadCustomColoursIntoLeds() {
  if (!profile_loaded_) return;
  const std::vector<profiles::ColourRecord> colours =
      profile_.GetCustomColours(LightValues().CustomGroup, kKeyboardKeyCount);
  Leds().Update([&colours](std::span<LedEntry> leds) {
    for (std::size_t i = 0; i < leds.size() && i < colours.size(); ++i) {
      leds[i] = {colours[i].Red, colours[i].Green, colours[i].Blue, colours[i].Alpha};
    }
  });
}

// --- live frame and preview ---

DeviceResult KeyboardDriver::SendLiveFrame() {
  std::size_t slots;
  {
    std::lock_guard lock(data_lock_);
    slots = slots_;
  }
  std::vector<std::uint8_t> frame =
      BuildCustomColourBlock(Leds().Entries(), LightPositionMap(), slots, /*scaled=*/true);
  {
    std::lock_guard lock(data_lock_);
    live_frame_ = std::move(frame);
  }
  EmitRepaint();
  return DeviceResult::Success;
}

void KeyboardDriver::RestartPreviewEffect() {
  const profiles::LightState values = LightValues();
  const PreviewEffect effect = KeyboardPreviewEffect(values.SelectItem);
  if (effect == PreviewEffect::Custom) LoadCustomColoursIntoLeds();
  preview_.Reset(effect, values, Leds());
  WakePreview();
}

std::optional<std::chrono::milliseconds> KeyboardDriver::PreviewPeriod() const {
  const profiles::LightState values = LightValues();
  return PreviewPeriodOf(KeyboardPreviewEffect(values.SelectItem),
                         KeyboardPreviewThreshold(values.SelectItem, values.Speed));
}

bool KeyboardDriver::PreviewStep() {
  return preview_.Step(Leds());
}

// --- notifications ---

void KeyboardDriver::OnNotificationUsage(hid::DeviceKind kind, std::uint16_t usage) {
  if (usage == kUsageSyncRequest) {
    DebugTrace(kSyncRequestLine);
    EmitSyncRequest(kKeyboardSyncDelayMs);
    return;
  }
  if (kind == hid::DeviceKind::KeyboardSecondModel) {
    if (usage > kUsageSyncRequest) OnProfileChange(usage);
    return;
  }
  if (usage >= kUsageKeyPressFirst && usage < kUsageKeyPressFirst + kUsageKeyRangeSize) {
    OnKey(static_cast<std::uint8_t>(usage - kUsageKeyPressFirst), true);
  } else if (usage >= kUsageKeyReleaseFirst && usage < kUsageKeyReleaseFirst + kUsageKeyRangeSize) {
    OnKey(static_cast<std::uint8_t>(usage - kUsageKeyReleaseFirst), false);
  }
}

void KeyboardDriver::OnProfileChange(std::uint16_t usage) {
  if (!IsOpen()) return;
  const auto high = static_cast<std::uint8_t>(usage >> 8);
  if (high != kUsageProfileHigh && high != kUsageProfileStageHigh) return;
  const int index = usage & kUsageProfileIndexMask;
  SetActiveProfileIndex(index);
  EmitProfileChanged(index);
}

void KeyboardDriver::OnKey(std::uint8_t slot, bool pressed) {
  const std::optional<int> key_id = KeyIdOfSlot(slot);
  if (!key_id || *key_id >= kKeyboardKeyCount) return;
  const auto led = static_cast<std::size_t>(*key_id);
  bool lit = false;
  Leds().Update([&](std::span<LedEntry> leds) {
    if (!IsReactiveEffect(preview_.Effect())) return;
    if (pressed) {
      preview_.Press(led);
    } else {
      preview_.Release(led);
    }
    preview_.Repaint(leds);
    lit = true;
  });
  if (pressed) {
    EmitKeyPressed(*key_id);
  } else {
    EmitKeyReleased(*key_id);
  }
  if (lit) EmitRepaint();
}

// --- lists and state ---

void KeyboardDriver::LoadLists() {
  std::vector<std::string> names;
  for (const profiles::MacroEntry& entry : profiles::ReadMacroEntries(DataFolder())) {
    names.push_back(entry.name);
  }
  profiles::DefaultLightList built_in = profiles::ReadDefaultLightList(
      DefaultDataFolder() / profiles::kDefaultLightFileName, kKeyboardVariant);
  std::vector<profiles::UserLightEffect> user =
      profiles::ReadUserLightList(DataFolder() / kKeyboardLightingListName, kKeyboardVariant);
  std::lock_guard lock(data_lock_);
  macro_names_ = std::move(names);
  built_in_modes_ = std::move(built_in);
  user_effects_ = std::move(user);
}

std::size_t KeyboardDriver::SlotCount() const {
  std::lock_guard lock(data_lock_);
  return slots_;
}

std::vector<std::uint8_t> KeyboardDriver::KeyMapImage() const {
  std::lock_guard lock(data_lock_);
  return key_map_;
}

std::vector<std::uint8_t> KeyboardDriver::KeyTable() const {
  std::lock_guard lock(data_lock_);
  return key_table_;
}

std::vector<std::uint8_t> KeyboardDriver::LastLiveFrame() const {
  std::lock_guard lock(data_lock_);
  return live_frame_;
}

std::vector<std::string> KeyboardDriver::MacroNames() const {
  std::lock_guard lock(data_lock_);
  return macro_names_;
}

profiles::DefaultLightList KeyboardDriver::BuiltInLightModes() const {
  std::lock_guard lock(data_lock_);
  return built_in_modes_;
}

std::vector<profiles::UserLightEffect> KeyboardDriver::UserLightEffects() const {
  std::lock_guard lock(data_lock_);
  return user_effects_;
}

}  // namespace norvik::devices
