#include "devices/device_driver.h"

#include <array>
#include <system_error>
#include <utility>

#include "base/debug_trace.h"
#include "devices/config_sequence.h"

namespace norvik::devices {
namespace {
constexpr PushStep kSettingsOnly[] = {PushStep::Settings};
}  // namespace

std::uint8_t StepValue(bool up, std::uint8_t limit, std::uint8_t value, std::uint8_t step) {
  if (up) {
    const auto next = static_cast<std::uint8_t>(value + step);
    return next < limit ? next : std::uint8_t{0};
  }
  const auto next = static_cast<std::uint8_t>(value - step);
  return next < limit ? next : static_cast<std::uint8_t>(limit - step);
}

DeviceDriver::DeviceDriver(hid::HidBackend* backend, std::string device_name, DeviceFolders folders)
    : name_(std::move(device_name)),
      default_data_name_(name_),
      folders_(std::move(folders)),
      io_(backend),
      readers_(
          backend,
          [this](hid::DeviceKind kind, std::uint16_t usage) { OnNotificationUsage(kind, usage); },
          [this] { return NotificationExitLine(); }),
      preview_(io_, {[this] { return PreviewPeriod(); }, [this] { return PreviewStep(); },
                     [this] { EmitRepaint(); }, [this] { return PreviewExitLine(); }}),
      live_frames_(io_, [this] { SendLiveFrame(); }) {}

DeviceDriver::~DeviceDriver() {
  Shutdown();
}

void DeviceDriver::Shutdown() {
  live_frames_.Stop();
  preview_.Stop();
  readers_.UnbindAll();
}

void DeviceDriver::BindRow(const hid::HidInterfaceBinding& row) {
  {
    std::lock_guard lock(state_lock_);
    row_ = row;
  }
  kind_.store(row.row.device_kind);
  role_.store(row.row.role);
}

std::optional<hid::HidInterfaceBinding> DeviceDriver::BoundRow() const {
  std::lock_guard lock(state_lock_);
  return row_;
}

std::filesystem::path DeviceDriver::DataFolder() const {
  std::filesystem::path folder = folders_.user_root / name_;
  std::error_code error;
  std::filesystem::create_directories(folder, error);
  if (error) DebugTraceF("data folder not created: %s", error.message().c_str());
  return folder;
}

std::filesystem::path DeviceDriver::DefaultDataFolder() const {
  return folders_.program_folder / kDefaultDataFolderName;
}

std::filesystem::path DeviceDriver::DefaultProfilePath() const {
  return DefaultDataFolder() / (default_data_name_ + kDeviceDataExtension);
}

bool DeviceDriver::OpenCommand(const std::string& path, int link_mode) {
  return io_.OpenChannel(path, link_mode);
}

void DeviceDriver::CloseCommand() {
  io_.CloseChannel();
}

void DeviceDriver::OnNotificationUsage(hid::DeviceKind /*kind*/, std::uint16_t /*usage*/) {}

// --- maps and values ---

std::uint8_t DeviceDriver::KeyPosition(int key_id) const {
  std::lock_guard lock(state_lock_);
  const auto it = key_positions_.find(key_id);
  return it == key_positions_.end() ? kNoPosition : it->second;
}

std::map<int, std::uint8_t> DeviceDriver::KeyPositionMap() const {
  std::lock_guard lock(state_lock_);
  return key_positions_;
}

std::map<int, std::uint8_t> DeviceDriver::LightPositionMap() const {
  std::lock_guard lock(state_lock_);
  return light_positions_;
}

std::optional<int> DeviceDriver::KeyIdOfSlot(std::uint8_t slot) const {
  if (slot == kNoPosition) return std::nullopt;
  std::lock_guard lock(state_lock_);
  for (const auto& [key_id, position] : key_positions_) {
    if (position == slot) return key_id;
  }
  return std::nullopt;
}

void DeviceDriver::SetPositionMaps(std::map<int, std::uint8_t> key_positions,
                                   std::map<int, std::uint8_t> light_positions) {
  std::lock_guard lock(state_lock_);
  key_positions_ = std::move(key_positions);
  light_positions_ = std::move(light_positions);
}

void DeviceDriver::SetLightValues(const profiles::LightState& values) {
  {
    std::lock_guard lock(state_lock_);
    light_values_ = values;
  }
  WakePreview();
}

profiles::LightState DeviceDriver::LightValues() const {
  std::lock_guard lock(state_lock_);
  return light_values_;
}

void DeviceDriver::StoreDeviceInformation(const hid::DeviceInfo& info) {
  std::lock_guard lock(state_lock_);
  info_ = info;
}

hid::DeviceInfo DeviceDriver::DeviceInformation() const {
  std::lock_guard lock(state_lock_);
  return info_;
}

std::optional<PowerStatus> DeviceDriver::LastPowerStatus() const {
  std::lock_guard lock(state_lock_);
  return status_;
}

// --- live lighting ---

DeviceResult DeviceDriver::SetLiveLighting(bool on) {
  live_frames_.SetLive(on);
  if (on && Kind() == hid::DeviceKind::Keyboard) return io_.EnterSoftwareLighting();
  return DeviceResult::Success;
}

DeviceResult DeviceDriver::SendLiveFrame() {
  if (!IsLiveLighting()) return DeviceResult::Success;
  if (io_.IsWireless()) return DeviceResult::Success;
  const std::vector<std::uint8_t> frame = BuildLiveFrame(leds_.Entries());
  if (frame.empty()) return DeviceResult::Success;
  const DeviceResult result = io_.SendLightFrame(frame);
  // Throttles retries while the device is busy or gone.
  if (result != DeviceResult::Success) live_frames_.Pause(kLiveFrameFailurePause);
  return result;
}

// --- events ---

void DeviceDriver::EmitSyncRequest(int delay_ms) {
  if (DeviceEvents* e = Events()) e->OnSyncRequest(*this, delay_ms);
}
void DeviceDriver::EmitProfileChanged(int index) {
  if (DeviceEvents* e = Events()) e->OnProfileChanged(*this, index);
}
void DeviceDriver::EmitKeyPressed(int key_id) {
  if (DeviceEvents* e = Events()) e->OnKeyPressed(*this, key_id);
}
void DeviceDriver::EmitKeyReleased(int key_id) {
  if (DeviceEvents* e = Events()) e->OnKeyReleased(*this, key_id);
}
void DeviceDriver::EmitRepaint() {
  if (DeviceEvents* e = Events()) e->OnRepaint(*this);
}
void DeviceDriver::EmitLinkChanged(bool up) {
  if (DeviceEvents* e = Events()) e->OnLinkChanged(*this, up);
}

// --- device operations ---

DeviceResult DeviceDriver::ReadDeviceInformation() {
  hid::DeviceInfo info;
  const DeviceResult result = io_.ReadDeviceInfo(info);
  if (result == DeviceResult::Success) StoreDeviceInformation(info);
  return result;
}

DeviceResult DeviceDriver::ReadStatus() {
  if (!io_.IsOpen()) return DeviceResult::NotSent;
  std::array<std::uint8_t, kStatusBlockSize> block{};
  const DeviceResult result = io_.ReadBlock(block, 0);
  if (result != DeviceResult::Success) return result;
  PowerStatus status = PowerStatus::Decode(block);
  // What the device put there does not count: the link in use does.
  status.wireless = io_.IsWireless();
  {
    std::lock_guard lock(state_lock_);
    status_ = status;
  }
  if (DeviceEvents* e = Events()) e->OnStatus(*this, status);
  return result;
}

bool DeviceDriver::LoadSelectedProfileSection(profiles::CBasicProfiledata& profile) {
  return LoadSelectedProfile(profile, DataFolder(), DefaultProfilePath());
}

DeviceResult DeviceDriver::ReadKeyData() {
  return DeviceResult::NotSent;
}
DeviceResult DeviceDriver::ReadSettings() {
  return DeviceResult::NotSent;
}
bool DeviceDriver::LoadProfile() {
  profiles::CBasicProfiledata* profile = Profile();
  return profile != nullptr && LoadSelectedProfileSection(*profile);
}
void DeviceDriver::NormaliseProfile() {}
DeviceResult DeviceDriver::PushKeyMap(int /*bank*/) {
  return DeviceResult::NotSent;
}
MacroPushResult DeviceDriver::WriteMacroTable() {
  return {};
}
DeviceResult DeviceDriver::WriteSettings(int /*profile*/, int /*active_index*/) {
  return DeviceResult::NotSent;
}
DeviceResult DeviceDriver::WriteLightSettings() {
  return WriteSettings(0, 0);
}
bool DeviceDriver::QueryLink() {
  return true;
}
void DeviceDriver::LoadLists() {}

// --- the whole-profile push ---

std::span<const PushStep> DeviceDriver::ApplySteps() const {
  return kSettingsOnly;
}

std::span<const PushStep> DeviceDriver::RestoreSteps() const {
  return kSettingsOnly;
}

ApplyResult DeviceDriver::ApplyProfile() {
  ProfilePushStarting();
  return PushProfile(ApplySteps());
}

ApplyResult DeviceDriver::RestoreDefaults() {
  ProfilePushStarting();
  if (!ResetSelectedProfile(DataFolder(), DefaultProfilePath())) return {};
  return PushProfile(RestoreSteps());
}

ApplyResult DeviceDriver::PushProfile(std::span<const PushStep> steps) {
  ApplyResult result;
  result.profile_loaded = LoadProfile();
  // Without a loaded profile there is nothing sound to push.
  if (!result.profile_loaded) return result;
  NormaliseProfile();
  EmitRepaint();
  for (const PushStep step : steps) {
    if (DeviceUnreachable(RunPushStep(step, result))) {
      result.stopped_at = step;
      break;
    }
  }
  return result;
}

DeviceResult DeviceDriver::RunPushStep(PushStep step, ApplyResult& result) {
  switch (step) {
    case PushStep::Settings:
      result.settings = WriteSettings(0, 0);
      return result.settings;
    case PushStep::Macros:
      result.macros = WriteMacroTable();
      return result.macros->status == MacroPushStatus::TransferFailed ? result.macros->transfer
                                                                      : DeviceResult::Success;
    case PushStep::KeyMap:
      result.key_map = PushKeyMap(0);
      return *result.key_map;
  }
  return DeviceResult::Success;
}

}  // namespace norvik::devices
