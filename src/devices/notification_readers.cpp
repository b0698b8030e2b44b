#include "devices/notification_readers.h"

#include <algorithm>
#include <chrono>
#include <span>
#include <utility>

#include "base/debug_trace.h"
#include "hid/device_io.h"

namespace norvik::devices {

NotificationReaders::NotificationReaders(hid::HidBackend* backend, UsageHandler handler,
                                         std::function<std::string()> exit_line)
    : backend_(backend), handler_(std::move(handler)), exit_line_(std::move(exit_line)) {}

NotificationReaders::~NotificationReaders() {
  UnbindAll();
}

std::unique_ptr<NotificationReaders::Reader> NotificationReaders::Take(hid::DeviceKind kind) {
  std::lock_guard lock(readers_lock_);
  const auto it = readers_.find(kind);
  if (it == readers_.end()) return nullptr;
  std::unique_ptr<Reader> reader = std::move(it->second);
  readers_.erase(it);
  return reader;
}

bool NotificationReaders::Bind(const std::string& path, hid::DeviceKind kind) {
  std::lock_guard bind(bind_lock_);
  if (std::unique_ptr<Reader> old = Take(kind)) Stop(*old);

  auto reader = std::make_unique<Reader>(kind, backend_);
  if (!reader->device.OpenHidDevice(path, /*read=*/true, /*write=*/true, /*overlapped=*/true,
                                    /*exclusive=*/false)) {
    DebugTraceF("notification interface open failed: %s", path.c_str());
    return false;
  }
  Reader& r = *reader;
  {
    std::lock_guard lock(readers_lock_);
    readers_[kind] = std::move(reader);
  }
  if (!r.thread.Start([this, &r](WorkerThread& self) { Loop(r, self); },
                      exit_line_ ? exit_line_() : std::string())) {
    if (std::unique_ptr<Reader> failed = Take(kind)) failed->device.CloseHidDevice();
    return false;
  }
  return true;
}

StopOutcome NotificationReaders::Unbind(hid::DeviceKind kind) {
  std::lock_guard bind(bind_lock_);
  std::unique_ptr<Reader> reader = Take(kind);
  return reader ? Stop(*reader) : StopOutcome::NotRunning;
}

void NotificationReaders::UnbindAll() {
  std::vector<hid::DeviceKind> kinds;
  {
    std::lock_guard lock(readers_lock_);
    for (const auto& [kind, reader] : readers_) kinds.push_back(kind);
  }
  for (const hid::DeviceKind kind : kinds) Unbind(kind);
}

bool NotificationReaders::IsBound(hid::DeviceKind kind) const {
  std::lock_guard lock(readers_lock_);
  const auto it = readers_.find(kind);
  return it != readers_.end() && it->second->device.IsOpen();
}

StopOutcome NotificationReaders::Stop(Reader& reader) {
  reader.thread.RequestStop();
  // Breaks a waiting read so the thread sees the stop within one slice.
  reader.device.Abort();
  const StopOutcome outcome = reader.thread.StopAndJoin(kDefaultStopBound);
  reader.device.CloseHidDevice();
  return outcome;
}

void NotificationReaders::Loop(Reader& reader, WorkerThread& self) {
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
    handler_(reader.kind, usage);
  }
}

}  // namespace norvik::devices
