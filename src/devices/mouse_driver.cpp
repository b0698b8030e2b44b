#include "devices/mouse_driver.h"

#include <algorithm>
#include <array>
#include <utility>

#include "base/debug_trace.h"
#include "devices/config_sequence.h"
#include "devices/shoot_table.h"
#include "profiles/shoot_files.h"

namespace norvik::devices {
namespace {

constexpr std::uint16_t kUsageProfileBits = 0x0F;
constexpr int kUsageStageShift = 4;
constexpr int kUsageHighByteShift = 8;
constexpr int kMaxDpiValue = 0xFFFF;

MacroPushResult TransferFailure(DeviceResult result) {
  MacroPushResult out;
  out.status = MacroPushStatus::TransferFailed;
  out.transfer = result;
  return out;
}

// The command row of the interface table for one of the mouse's connections, with its path.
hid::HidInterfaceBinding CommandRow(hid::DeviceKind kind, const std::string& path) {
  hid::HidInterfaceBinding binding;
  for (const hid::HidInterfaceRow& row : hid::kHidInterfaceTable) {
    if (row.device_kind == kind && row.role == hid::InterfaceRole::Command) {
      binding.row = row;
      break;
    }
  }
  binding.row.connected = 1;
  binding.path = path;
  return binding;
}

}  // namespace

MouseDriver::MouseDriver(hid::HidBackend* backend, DeviceFolders folders, ScreenSize screen)
    : DeviceDriver(backend, kMouseDeviceName, std::move(folders)), screen_(screen) {
  Leds().SetCount(kMouseLightCount);
}

MouseDriver::~MouseDriver() {
  // The reader threads call back into this class: stop them before its members go.
  Shutdown();
  CloseCommand();
}

// --- connections ---

MouseLink MouseDriver::AttachCable(const std::string& path) {
  cable_path_ = path;
  return Reconnect();
}

MouseLink MouseDriver::AttachReceiver(const std::string& path) {
  receiver_path_ = path;
  return Reconnect();
}

MouseLink MouseDriver::DetachCable() {
  cable_path_.clear();
  return Reconnect();
}

MouseLink MouseDriver::DetachReceiver() {
  receiver_path_.clear();
  return Reconnect();
}

MouseLink MouseDriver::ActiveLink() const {
  std::lock_guard lock(state_lock_);
  return active_;
}

MouseLink MouseDriver::Reconnect() {
  struct Candidate {
    MouseLink link;
    const std::string* path;
  };
  std::vector<Candidate> candidates;
  if (!cable_path_.empty()) candidates.push_back({MouseLink::Cable, &cable_path_});
  if (!receiver_path_.empty()) candidates.push_back({MouseLink::Receiver, &receiver_path_});

  const MouseLink current = ActiveLink();
  if (!candidates.empty() && candidates.front().link == current &&
      *candidates.front().path == active_path_ && IsOpen()) {
    return current;
  }

  CloseCommand();
  active_path_.clear();
  {
    std::lock_guard lock(state_lock_);
    active_ = MouseLink::None;
    key_map_.reset();
  }
  for (const Candidate& candidate : candidates) {
    const bool receiver = candidate.link == MouseLink::Receiver;
    if (!OpenCommand(*candidate.path, receiver ? hid::kLinkModeReceiver : hid::kLinkModeDirect)) {
      continue;
    }
    BindRow(CommandRow(receiver ? hid::DeviceKind::MouseReceiver : hid::DeviceKind::MouseCable,
                       *candidate.path));
    active_path_ = *candidate.path;
    link_up_.store(true);
    std::lock_guard lock(state_lock_);
    active_ = candidate.link;
    return active_;
  }
  return MouseLink::None;
}

// --- helpers ---

bool MouseDriver::LinkGate() {
  if (!IsOpen()) return false;
  if (!Io().IsWireless()) return true;
  const bool up = Io().QueryReceiverLink();
  if (link_up_.exchange(up) != up) EmitLinkChanged(up);
  return up;
}

bool MouseDriver::EnsureProfile() {
  if (!profile_.Section().isObject() && !LoadProfile()) return false;
  AdoptReportedStage();
  return true;
}

void MouseDriver::AdoptReportedStage() {
  if (!profile_.Section().isObject()) return;
  const int stage = pending_stage_.exchange(-1);
  if (stage < 0) return;
  const std::size_t usable = std::min(profile_.GetDpiStages().size(), kMouseStageCount);
  if (static_cast<std::size_t>(stage) >= usable || profile_.GetActiveDpiStage() == stage) return;
  profile_.SetActiveDpiStage(stage);
  if (!profile_.Save()) DebugTrace("mouse: profile not saved");
}

MouseSettingsSource MouseDriver::SettingsSource() {
  MouseSettingsSource source;
  source.light = profile_.GetLightInfo();
  source.polling_rate = profile_.GetMouseSystem().ReportStage;
  source.active_stage = profile_.GetActiveDpiStage();
  source.stages = profile_.GetDpiStages();
  source.corrections = profile_.GetCorrections();
  source.screen = GetScreenSize();
  return source;
}

std::optional<hid::DeviceInfo> MouseDriver::RefreshInformation(DeviceResult& result) {
  result = ReadDeviceInformation();
  if (result != DeviceResult::Success) return std::nullopt;
  const hid::DeviceInfo info = DeviceInformation();
  std::lock_guard lock(state_lock_);
  ranges_ = DpiRangesFromInfo(info);
  return info;
}

// --- device operations ---

DeviceResult MouseDriver::ReadKeyData() {
  if (!LinkGate()) return DeviceResult::NotSent;
  std::size_t slots = 0;
  bool slots_fit = true;
  std::vector<std::uint8_t> key_map;
  const DeviceResult result = RunConfigSequence(Io(), [&] {
    DeviceResult step = DeviceResult::NotSent;
    const std::optional<hid::DeviceInfo> info = RefreshInformation(step);
    if (!info) return step;
    slots = info->KeySlotCount();
    if (!Io().SetDataLength(static_cast<std::uint16_t>(slots * kKeyCodeSize))) {
      slots_fit = false;
      return DeviceResult::Success;
    }
    key_map.resize(slots * kKeyCodeSize);
    return Io().ReadKeyMap(key_map);
  });
  if (result != DeviceResult::Success) return result;
  if (!slots_fit) {
    DebugTraceF("mouse: %zu key slots do not fit the key map block", slots);
    return DeviceResult::NotSent;
  }

  SetPositionMaps(FindMouseButtonPositions(key_map, slots), {});
  {
    std::lock_guard lock(state_lock_);
    key_map_ = std::move(key_map);
  }
  if (!LoadProfile()) DebugTrace("mouse: no profile loaded");
  EmitRepaint();
  return DeviceResult::Success;
}

DeviceResult MouseDriver::ReadSettings() {
  Io().SetHold(false);
  if (!LinkGate()) return DeviceResult::NotSent;
  std::array<std::uint8_t, 1> index{};
  DeviceResult result = Io().ReadMemory(index, kMouseActiveProfileAddress);
  if (result != DeviceResult::Success) return result;
  std::array<std::uint8_t, kMouseSettingsReadSize> block{};
  result = Io().ReadMemory(block, static_cast<std::uint16_t>(index[0] * kMouseSettingsStride));
  if (result != DeviceResult::Success) return result;

  const MouseSettingsReadout readout = ParseMouseSettingsBlock(block);
  SetActiveProfileIndex(index[0]);
  profiles::LightState light = LightValues();
  light.SelectItem = readout.light.SelectItem;
  light.Light = readout.light.Light;
  light.Speed = readout.light.Speed;
  light.Fx = readout.light.Fx;
  light.MultiColor = readout.light.MultiColor;
  light.Red = readout.light.Red;
  light.Green = readout.light.Green;
  light.Blue = readout.light.Blue;
  SetLightValues(light);
  reported_stage_.store(readout.active_stage);
  pending_stage_.store(readout.active_stage);
  AdoptReportedStage();
  {
    std::lock_guard lock(state_lock_);
    settings_read_ = readout;
  }
  EmitRepaint();
  return result;
}

void MouseDriver::NormaliseProfile() {
  if (!profile_.Section().isObject()) return;
  profiles::LightState light = profile_.GetLightInfo();
  if (light.Speed > kMaxLightSpeed) {
    light.Speed = kMaxLightSpeed;
    profile_.SetLightInfo(light);
  }
  SetLightValues(profile_.LightStateMirror());

  const std::size_t stages = std::min(profile_.GetDpiStages().size(), kMouseStageCount);
  const int active = profile_.GetActiveDpiStage();
  if (stages > 0 && (active < 0 || static_cast<std::size_t>(active) >= stages)) {
    profile_.SetActiveDpiStage(0);
  }
}

DeviceResult MouseDriver::WriteSettings(int profile, int /*active_index*/) {
  if (profile < 0 || profile > kMouseMaxProfileIndex) return DeviceResult::NotSent;
  if (!IsOpen() || !EnsureProfile()) return DeviceResult::NotSent;
  const MouseSettingsSource source = SettingsSource();
  const auto address = static_cast<std::uint16_t>(profile * kMouseSettingsStride);

  const MouseSettingsBlock block = BuildMouseSettingsBlock(source);
  // The receiver link is asked again before each of the three commands.
  return RunConfigSequence(
      Io(), [&] { return LinkGate() ? Io().WriteMemory(block, address) : DeviceResult::NotSent; },
      [this] { return LinkGate(); });
}

DeviceResult MouseDriver::PushKeyMap(int bank) {
  if (bank != 0) return DeviceResult::BadBank;
  std::vector<std::uint8_t> image;
  {
    std::lock_guard lock(state_lock_);
    // Without the device's own key map every slot without a known button would be zeroed.
    if (!key_map_) return DeviceResult::NotSent;
    image = *key_map_;
  }
  if (!IsOpen() || !EnsureProfile()) return DeviceResult::NotSent;
  if (!LinkGate()) return DeviceResult::NotSent;

  DeviceResult result = DeviceResult::NotSent;
  const std::optional<hid::DeviceInfo> info = RefreshInformation(result);
  if (!info) return result;
  const std::size_t slots = info->KeySlotCount();
  // The positions belong to the key map read before; a device that now reports another
  // layout must be read again first.
  if (slots * kKeyCodeSize != image.size()) return DeviceResult::NotSent;
  if (!Io().SetDataLength(static_cast<std::uint16_t>(image.size()))) return DeviceResult::NotSent;
  const std::vector<profiles::KeyEntry> entries = profile_.GetKeyList();
  PutMouseAssignments(image, KeyPositionMap(), entries, slots);

  return RunConfigSequence(Io(), [&] { return Io().WriteKeyMap(image, 0); });
}

MacroPushResult MouseDriver::PushTable(const MacroTable& table, hid::Command command) {
  switch (table.status) {
    case MacroTableStatus::Empty:
      return {};
    case MacroTableStatus::TooLarge: {
      MacroPushResult out;
      out.status = MacroPushStatus::TooLarge;
      out.units_over = table.units_over;
      return out;
    }
    case MacroTableStatus::Built:
      break;
  }
  const DeviceResult result = RunConfigSequence(Io(), [&] {
    return command == hid::Command::WriteShootData ? Io().WriteShootData(table.bytes)
                                                   : Io().WriteMacroData(table.bytes);
  });
  if (result != DeviceResult::Success) return TransferFailure(result);
  MacroPushResult out;
  out.status = MacroPushStatus::Sent;
  return out;
}

MacroPushResult MouseDriver::WriteMacroTable() {
  if (!LinkGate()) return TransferFailure(DeviceResult::NotSent);
  DeviceResult result = DeviceResult::NotSent;
  const std::optional<hid::DeviceInfo> info = RefreshInformation(result);
  if (!info) return TransferFailure(result);
  return PushTable(BuildMacroTableFromFolder(DataFolder(), info->block[kInfoMacroUnitsAt]),
                   hid::Command::WriteMacroData);
}

MacroPushResult MouseDriver::WriteShootTable() {
  if (IsOpen() && Io().IsWireless()) {
    MacroPushResult out = TransferFailure(DeviceResult::NotSent);
    out.status = MacroPushStatus::NeedsCable;
    return out;
  }
  if (!LinkGate()) return TransferFailure(DeviceResult::NotSent);
  DeviceResult result = DeviceResult::NotSent;
  const std::optional<hid::DeviceInfo> info = RefreshInformation(result);
  if (!info) return TransferFailure(result);
  // A gun without its file would upload an empty pattern over the device's own: such guns get
  // the factory pattern first. Each file is read once when all are there, as the link waits.
  std::array<PackedMacro, kShootTableRecordCount> guns = ReadShootRecords(DataFolder());
  if (std::any_of(guns.begin(), guns.end(), [](const PackedMacro& gun) { return gun.empty(); })) {
    profiles::ShootFiles(DataFolder(), DefaultDataFolder()).Initialise();
    guns = ReadShootRecords(DataFolder());
  }
  return PushTable(
      BuildShootTable(guns, std::size_t{info->block[kInfoMacroUnitsAt]} * kMacroMemoryUnit),
      hid::Command::WriteShootData);
}

bool MouseDriver::QueryLink() {
  return LinkGate();
}

DeviceResult MouseDriver::ReadStatus() {
  if (!LinkGate()) return DeviceResult::NotSent;
  return DeviceDriver::ReadStatus();
}

std::span<const PushStep> MouseDriver::ApplySteps() const {
  static constexpr PushStep kSteps[] = {PushStep::Settings, PushStep::Macros, PushStep::KeyMap};
  return kSteps;
}

std::span<const PushStep> MouseDriver::RestoreSteps() const {
  static constexpr PushStep kSteps[] = {PushStep::KeyMap, PushStep::Settings};
  return kSteps;
}

DeviceResult MouseDriver::SendLiveFrame() {
  if (IsLiveLighting()) EmitRepaint();
  return DeviceResult::Success;
}

// --- DPI edits ---

template <class Edit>
DpiEditResult MouseDriver::EditStages(int stage, Edit edit) {
  DpiEditResult result;
  if (!EnsureProfile()) return result;
  std::vector<profiles::DpiStage> stages = profile_.GetDpiStages();
  const std::size_t usable = std::min(stages.size(), kMouseStageCount);
  if (stage < 0 || static_cast<std::size_t>(stage) >= usable) {
    result.status = DpiEditStatus::NoSuchStage;
    return result;
  }
  result.status = edit(stages, static_cast<std::size_t>(stage));
  if (result.status != DpiEditStatus::Done) return result;
  // A change the profile does not keep would be undone by the next push: it is not sent either.
  if (!profile_.Save()) {
    result.status = DpiEditStatus::NotSaved;
    return result;
  }
  result.pushed = WriteSettings(0, 0);
  return result;
}

DpiEditResult MouseDriver::SetDpiStageValue(int stage, int dpi_x, std::optional<int> dpi_y) {
  const DpiRanges ranges = Ranges();
  const int highest = ranges.edit_max > 0 ? std::min(ranges.edit_max, kMaxDpiValue) : kMaxDpiValue;
  return EditStages(stage, [&](std::vector<profiles::DpiStage>& stages, std::size_t i) {
    const int y = dpi_y.value_or(dpi_x);
    if (dpi_x < 1 || dpi_x > highest || y < 1 || y > highest) return DpiEditStatus::OutOfRange;
    stages[i].StageDPIX = static_cast<std::uint16_t>(dpi_x);
    stages[i].StageDPIY = static_cast<std::uint16_t>(y);
    stages[i].StageXY = dpi_y ? 1 : 0;
    profile_.SetDpiStages(stages);
    return DpiEditStatus::Done;
  });
}

DpiEditResult MouseDriver::SetActiveDpiStage(int stage) {
  return EditStages(stage, [&](std::vector<profiles::DpiStage>&, std::size_t i) {
    profile_.SetActiveDpiStage(static_cast<int>(i));
    return DpiEditStatus::Done;
  });
}

DpiEditResult MouseDriver::EnableDpiStage(int stage, bool on) {
  return EditStages(stage, [&](std::vector<profiles::DpiStage>& stages, std::size_t i) {
    stages[i].StageActive = on ? 1 : 0;
    profile_.SetDpiStages(stages);
    return DpiEditStatus::Done;
  });
}

// --- state ---

DpiRanges MouseDriver::Ranges() const {
  std::lock_guard lock(state_lock_);
  return ranges_;
}

std::optional<MouseSettingsReadout> MouseDriver::LastSettingsRead() const {
  std::lock_guard lock(state_lock_);
  return settings_read_;
}

std::vector<std::uint8_t> MouseDriver::KeyMapImage() const {
  std::lock_guard lock(state_lock_);
  return key_map_.value_or(std::vector<std::uint8_t>{});
}

void MouseDriver::SetScreenSize(ScreenSize screen) {
  std::lock_guard lock(state_lock_);
  screen_ = screen;
}

ScreenSize MouseDriver::GetScreenSize() const {
  std::lock_guard lock(state_lock_);
  return screen_;
}

// --- notifications ---

void MouseDriver::OnNotificationUsage(hid::DeviceKind /*kind*/, std::uint16_t usage) {
  if (usage == kMouseUsageSyncRequest) {
    DebugTrace(kMouseSyncRequestLine);
    EmitSyncRequest(kMouseSyncDelayMs);
    return;
  }
  if (usage <= kMouseUsageSyncRequest || !IsOpen()) return;
  const int high = usage >> kUsageHighByteShift;
  if (high != kMouseUsageProfile && high != kMouseUsageProfileAndStage) return;
  const int index = usage & kUsageProfileBits;
  SetActiveProfileIndex(index);
  if (high == kMouseUsageProfileAndStage) {
    const int stage = (usage >> kUsageStageShift) & kUsageProfileBits;
    reported_stage_.store(stage);
    // The profile belongs to the owner thread: it takes the stage at its next operation.
    pending_stage_.store(stage);
  }
  EmitProfileChanged(index);
}

}  // namespace norvik::devices
