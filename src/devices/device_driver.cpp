#include "devices/device_driver.h"

#include <algorithm>
#include <system_error>
#include <utility>

#include "base/debug_trace.h"
#include "profiles/profile_list.h"

namespace norvik::devices {

std::uint32_t PackLedEntry(const LedEntry& entry) {
  return static_cast<std::uint32_t>(entry.red) | static_cast<std::uint32_t>(entry.green) << 8 |
         static_cast<std::uint32_t>(entry.blue) << 16 |
         static_cast<std::uint32_t>(entry.brightness) << 24;
}

LedEntry UnpackLedEntry(std::uint32_t value) {
  return {static_cast<std::uint8_t>(value & 0xFF), static_cast<std::uint8_t>(value >> 8 & 0xFF),
          static_cast<std::uint8_t>(value >> 16 & 0xFF),
          static_cast<std::uint8_t>(value >> 24 & 0xFF)};
}

std::vector<std::uint8_t> BuildLiveFrame(std::span<const LedEntry> entries) {
  const std::size_t length = std::min(entries.size() * kLiveFrameBytesPerLight, kLiveFrameSize);
  std::vector<std::uint8_t> frame(length, 0);
  for (std::size_t light = 0; light < entries.size(); ++light) {
    if (light == kNoLightNumber) continue;
    const std::size_t at = light * kLiveFrameBytesPerLight;
    if (at + kLiveFrameBytesPerLight > length) break;
    const LedEntry& e = entries[light];
    const auto scale = [&e](std::uint8_t component) {
      return static_cast<std::uint8_t>(unsigned{component} * e.brightness / kBrightnessScale);
    };
    frame[at] = scale(e.red);
    frame[at + 1] = scale(e.green);
    frame[at + 2] = scale(e.blue);
  }
  return frame;
}

std::uint8_t StepValue(bool up, std::uint8_t limit, std::uint8_t value, std::uint8_t step) {
  if (up) {
    const auto next = static_cast<std::uint8_t>(value + step);
    return next < limit ? next : std::uint8_t{0};
  }
  const auto next = static_cast<std::uint8_t>(value - step);
  return next < limit ? next : static_cast<std::uint8_t>(limit - step);
}

int MacroPushResult::Code() const {
  switch (status) {
    case MacroPushStatus::Sent:
    case MacroPushStatus::NothingToSend:
      return 0;
    case MacroPushStatus::OutOfMemory:
      return -1;
    case MacroPushStatus::TooLarge:
      return units_over;
    case MacroPushStatus::TransferFailed:
    case MacroPushStatus::NeedsCable:
      return hid::ToInt(transfer);
  }
  return 0;
}

std::string_view MacroPushResult::Meaning() const {
  switch (status) {
    case MacroPushStatus::Sent:
      return "sent";
    case MacroPushStatus::NothingToSend:
      return "nothing to send";
    case MacroPushStatus::OutOfMemory:
      return "out of memory";
    case MacroPushStatus::TooLarge:
      return "too large for the device's memory";
    case MacroPushStatus::TransferFailed:
      return "transfer failed";
    case MacroPushStatus::NeedsCable:
      return "sent over the mouse's cable only; connect the cable";
  }
  return "unknown";
}

std::string_view MacroPushResult::MessageKey() const {
  switch (status) {
    case MacroPushStatus::OutOfMemory:
      return kMacroOutOfMemoryMessage;
    case MacroPushStatus::TooLarge:
      return kMacroTooLargeMessage;
    default:
      return {};
  }
}

bool ApplyResult::Ok() const {
  if (!profile_loaded || settings != DeviceResult::Success) return false;
  if (macros && !macros->Ok()) return false;
  if (key_map && *key_map != DeviceResult::Success) return false;
  if (shoot && *shoot != DeviceResult::Success) return false;
  return true;
}

DeviceDriver::DeviceDriver(hid::HidBackend* backend, std::string device_name, DeviceFolders folders)
    : backend_(backend),
      name_(std::move(device_name)),
      default_data_name_(name_),
      folders_(std::move(folders)),
      io_(backend) {}

DeviceDriver::~DeviceDriver() {
  Shutdown();
}

void DeviceDriver::Shutdown() {
  StopLiveFrames();
  StopPreview();
  std::vector<hid::DeviceKind> kinds;
  {
    std::lock_guard lock(readers_lock_);
    for (const auto& [kind, reader] : readers_) kinds.push_back(kind);
  }
  for (const hid::DeviceKind kind : kinds) UnbindNotification(kind);
}

void DeviceDriver::BindRow(const hid::HidInterfaceBinding& row) {
  {
    std::lock_guard lock(panel_lock_);
    row_ = row;
  }
  kind_.store(row.row.device_kind);
  role_.store(row.row.role);
}

std::optional<hid::HidInterfaceBinding> DeviceDriver::BoundRow() const {
  std::lock_guard lock(panel_lock_);
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

// --- notification readers ---

bool DeviceDriver::BindNotification(const std::string& path, hid::DeviceKind kind) {
  std::lock_guard bind(bind_lock_);
  std::unique_ptr<NotificationReader> old;
  {
    std::lock_guard lock(readers_lock_);
    if (auto it = readers_.find(kind); it != readers_.end()) {
      old = std::move(it->second);
      readers_.erase(it);
    }
  }
  if (old) StopReader(*old);

  auto reader = std::make_unique<NotificationReader>(kind, backend_);
  if (!reader->device.OpenHidDevice(path, /*read=*/true, /*write=*/true, /*overlapped=*/true,
                                    /*exclusive=*/false)) {
    DebugTraceF("notification interface open failed: %s", path.c_str());
    return false;
  }
  NotificationReader& r = *reader;
  {
    std::lock_guard lock(readers_lock_);
    readers_[kind] = std::move(reader);
  }
  if (!r.thread.Start([this, &r](WorkerThread& self) { ReaderLoop(r, self); },
                      NotificationExitLine())) {
    std::unique_ptr<NotificationReader> failed;
    {
      std::lock_guard lock(readers_lock_);
      failed = std::move(readers_[kind]);
      readers_.erase(kind);
    }
    failed->device.CloseHidDevice();
    return false;
  }
  return true;
}

void DeviceDriver::UnbindNotification(hid::DeviceKind kind) {
  std::lock_guard bind(bind_lock_);
  std::unique_ptr<NotificationReader> reader;
  {
    std::lock_guard lock(readers_lock_);
    auto it = readers_.find(kind);
    if (it == readers_.end()) return;
    reader = std::move(it->second);
    readers_.erase(it);
  }
  StopReader(*reader);
}

bool DeviceDriver::IsNotificationBound(hid::DeviceKind kind) const {
  std::lock_guard lock(readers_lock_);
  const auto it = readers_.find(kind);
  return it != readers_.end() && it->second->device.IsOpen();
}

void DeviceDriver::StopReader(NotificationReader& reader) {
  reader.thread.RequestStop();
  // Breaks a waiting read so the thread sees the stop within one slice.
  reader.device.Abort();
  reader.thread.StopAndJoin(kDefaultStopBound);
  reader.device.CloseHidDevice();
}

void DeviceDriver::ReaderLoop(NotificationReader& reader, WorkerThread& self) {
  const std::size_t length =
      std::max<std::size_t>(reader.device.Caps().input_report_byte_length, hid::kReportSize);
  std::vector<std::uint8_t> buffer(length);
  const auto slice = std::chrono::milliseconds(kNotificationReadSliceMs);
  while (!self.StopRequested()) {
    const auto started = std::chrono::steady_clock::now();
    std::size_t got = 0;
    if (!reader.device.ReadReport(buffer, kNotificationReadSliceMs, &got) || got == 0) {
      // A read that fails at once (interface gone) must not spin: wait out the slice.
      if (std::chrono::steady_clock::now() - started < slice / 2) self.WaitForStop(slice);
      continue;
    }
    const std::span<const std::uint8_t> report(buffer.data(), got);
    if (!reader.device.UnpackInputReport(report)) continue;
    const auto data = reader.device.InputData();
    if (data.empty() || data.front().report_id != report.front()) continue;
    const hid::HidData& first = data.front();
    std::uint16_t usage = 0;
    if (first.is_button_data) {
      if (!first.button_data.usages.empty()) usage = first.button_data.usages.front();
    } else if (first.value_data.value != 0) {
      usage = first.value_data.usage;
    }
    OnNotificationUsage(reader.kind, usage);
  }
}

void DeviceDriver::OnNotificationUsage(hid::DeviceKind /*kind*/, std::uint16_t /*usage*/) {}

// --- LED entries, maps and values ---

void DeviceDriver::SetLedCount(std::size_t count) {
  std::lock_guard lock(light_lock_);
  leds_.resize(count);
}

std::size_t DeviceDriver::LedCount() const {
  std::lock_guard lock(light_lock_);
  return leds_.size();
}

void DeviceDriver::SetLedEntry(std::size_t index, std::uint32_t value) {
  std::lock_guard lock(light_lock_);
  if (index < leds_.size()) leds_[index] = UnpackLedEntry(value);
}

std::uint32_t DeviceDriver::GetLedEntry(std::size_t index) const {
  std::lock_guard lock(light_lock_);
  return index < leds_.size() ? PackLedEntry(leds_[index]) : 0;
}

std::vector<LedEntry> DeviceDriver::LedEntries() const {
  std::lock_guard lock(light_lock_);
  return leds_;
}

void DeviceDriver::UpdateLedEntries(const std::function<void(std::span<LedEntry>)>& change) {
  std::lock_guard lock(light_lock_);
  change(leds_);
}

std::uint8_t DeviceDriver::KeyPosition(int key_id) const {
  std::lock_guard lock(panel_lock_);
  const auto it = key_positions_.find(key_id);
  return it == key_positions_.end() ? kNoPosition : it->second;
}

std::uint8_t DeviceDriver::LightPosition(int key_id) const {
  std::lock_guard lock(panel_lock_);
  const auto it = light_positions_.find(key_id);
  return it == light_positions_.end() ? kNoPosition : it->second;
}

std::map<int, std::uint8_t> DeviceDriver::KeyPositionMap() const {
  std::lock_guard lock(panel_lock_);
  return key_positions_;
}

std::map<int, std::uint8_t> DeviceDriver::LightPositionMap() const {
  std::lock_guard lock(panel_lock_);
  return light_positions_;
}

std::optional<int> DeviceDriver::KeyIdOfSlot(std::uint8_t slot) const {
  if (slot == kNoPosition) return std::nullopt;
  std::lock_guard lock(panel_lock_);
  for (const auto& [key_id, position] : key_positions_) {
    if (position == slot) return key_id;
  }
  return std::nullopt;
}

void DeviceDriver::SetPositionMaps(std::map<int, std::uint8_t> key_positions,
                                   std::map<int, std::uint8_t> light_positions) {
  std::lock_guard lock(panel_lock_);
  key_positions_ = std::move(key_positions);
  light_positions_ = std::move(light_positions);
}

void DeviceDriver::StoreKeyValueMap(std::map<int, int> values) {
  std::lock_guard lock(panel_lock_);
  key_values_ = std::move(values);
}

std::map<int, int> DeviceDriver::KeyValueMap() const {
  std::lock_guard lock(panel_lock_);
  return key_values_;
}

void DeviceDriver::SetLightValues(const profiles::LightState& values) {
  {
    std::lock_guard lock(panel_lock_);
    light_values_ = values;
  }
  WakePreview();
}

profiles::LightState DeviceDriver::LightValues() const {
  std::lock_guard lock(panel_lock_);
  return light_values_;
}

void DeviceDriver::StoreDeviceInformation(const hid::DeviceInfo& info) {
  std::lock_guard lock(panel_lock_);
  info_ = info;
}

hid::DeviceInfo DeviceDriver::DeviceInformation() const {
  std::lock_guard lock(panel_lock_);
  return info_;
}

std::optional<std::array<std::uint8_t, kStatusBlockSize>> DeviceDriver::LastStatus() const {
  std::lock_guard lock(panel_lock_);
  return status_;
}

// --- live lighting ---

DeviceResult DeviceDriver::SetLiveLighting(bool on) {
  live_lighting_.store(on);
  if (on && Kind() == hid::DeviceKind::Keyboard) return io_.EnterSoftwareLighting();
  return DeviceResult::Success;
}

DeviceResult DeviceDriver::SendLiveFrame() {
  if (!IsLiveLighting()) return DeviceResult::Success;
  if (io_.IsWireless()) return DeviceResult::Success;
  const std::vector<std::uint8_t> frame = BuildLiveFrame(LedEntries());
  if (frame.empty()) return DeviceResult::Success;
  const DeviceResult result = io_.SendLightFrame(frame);
  // Throttles retries while the device is busy or gone.
  if (result != DeviceResult::Success) PauseUnlessInterrupted(kLiveFrameFailurePause);
  return result;
}

bool DeviceDriver::StartLiveFrames() {
  if (live_frames_.Running()) return true;
  live_frames_.StopAndJoin();
  return live_frames_.Start([this](WorkerThread& self) { LiveFrameLoop(self); });
}

void DeviceDriver::StopLiveFrames() {
  live_frames_.RequestStop();
  InterruptPauses();
  live_frames_.StopAndJoin();
}

void DeviceDriver::LiveFrameLoop(WorkerThread& self) {
  while (!self.StopRequested()) {
    if (!io_.IsOpen() || !IsLiveLighting()) {
      self.WaitForStop(kClosedChannelNap);
      continue;
    }
    SendLiveFrame();
    self.WaitForStop(io_.IsWireless() ? kLiveFramePeriodReceiver : kLiveFramePeriodDirect);
  }
}

bool DeviceDriver::PauseUnlessInterrupted(std::chrono::milliseconds duration) {
  std::unique_lock lock(pause_mutex_);
  const std::uint64_t generation = pause_generation_;
  return !pause_cv_.wait_for(lock, duration, [&] { return pause_generation_ != generation; });
}

void DeviceDriver::InterruptPauses() {
  std::lock_guard lock(pause_mutex_);
  ++pause_generation_;
  pause_cv_.notify_all();
}

// --- preview ---

bool DeviceDriver::StartPreview() {
  if (preview_.Running()) return true;
  preview_.StopAndJoin();
  return preview_.Start([this](WorkerThread& self) { PreviewLoop(self); }, PreviewExitLine());
}

void DeviceDriver::StopPreview() {
  preview_.StopAndJoin();
}

void DeviceDriver::PreviewLoop(WorkerThread& self) {
  auto last_step = std::chrono::steady_clock::now();
  while (!self.StopRequested()) {
    if (!io_.IsOpen()) {
      self.WaitForStop(kClosedChannelNap);
      continue;
    }
    // The program-wide synchroniser drives the lights meanwhile.
    if (io_.IsHeld()) {
      self.WaitForStop(kPreviewIdleWait);
      continue;
    }
    const auto period = PreviewPeriod();
    if (!period) {
      self.WaitForStop(kPreviewIdleWait);
      continue;
    }
    const auto now = std::chrono::steady_clock::now();
    const auto due = last_step + *period;
    if (now < due) {
      self.WaitForStop(std::chrono::duration_cast<std::chrono::milliseconds>(due - now) +
                       std::chrono::milliseconds(1));
      continue;
    }
    last_step = now;
    if (PreviewStep()) EmitRepaint();
  }
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
  std::array<std::uint8_t, kStatusBlockSize> status{};
  const DeviceResult result = io_.ReadBlock(status, 0);
  if (result != DeviceResult::Success) return result;
  constexpr std::size_t kLinkFlagByte = 3;
  status[kLinkFlagByte] = io_.IsWireless() ? 1 : 0;
  {
    std::lock_guard lock(panel_lock_);
    status_ = status;
  }
  if (DeviceEvents* e = Events()) e->OnStatus(*this, status);
  return result;
}

bool DeviceDriver::LoadSelectedProfileSection(profiles::CBasicProfiledata& profile) {
  profiles::ProfileList list(DataFolder(), DefaultProfilePath());
  if (list.InitProfileList() != profiles::ProfileResult::Done) {
    DebugTraceF("%s: profile list not available", name_.c_str());
  }
  const auto path = list.SelectedProfilePath();
  if (!path) return false;
  profile.SetDefaultPath(DefaultProfilePath());
  profile.SetProfilePath(*path);
  profile.SetSectionIndex(0);
  return profile.LoadSection(*path).isObject();
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
bool DeviceDriver::QueryLink() {
  return true;
}
void DeviceDriver::LoadLists() {}

ApplyResult DeviceDriver::ApplyProfile() {
  ApplyResult result;
  result.profile_loaded = LoadProfile();
  // Without a loaded profile there is nothing sound to push.
  if (!result.profile_loaded) return result;
  NormaliseProfile();
  EmitRepaint();
  result.settings = WriteSettings(0, 0);
  return result;
}

ApplyResult DeviceDriver::RestoreDefaults() {
  ApplyResult result;
  profiles::ProfileList list(DataFolder(), DefaultProfilePath());
  list.InitProfileList();
  if (list.ResetProfile() != profiles::ProfileResult::Done) return result;
  result.profile_loaded = LoadProfile();
  if (!result.profile_loaded) return result;
  NormaliseProfile();
  EmitRepaint();
  result.settings = WriteSettings(0, 0);
  return result;
}

}  // namespace norvik::devices
