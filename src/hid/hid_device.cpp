#include "hid/hid_device.h"

#include <algorithm>
#include <cctype>
#include <chrono>

#include "base/debug_trace.h"

namespace norvik::hid {
namespace {

// Longest single wait on the handle, so that an abort or close is seen within this time.
constexpr int kWaitSliceMs = 50;

using Clock = std::chrono::steady_clock;

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
    return std::tolower(static_cast<unsigned char>(x)) ==
           std::tolower(static_cast<unsigned char>(y));
  });
}

// Time left of a wait, as the next slice: kWaitSliceMs at most, 0 when the deadline has passed.
// timeout_ms < 0 has no deadline.
class WaitBudget {
 public:
  explicit WaitBudget(int timeout_ms)
      : unlimited_(timeout_ms < 0),
        deadline_(Clock::now() + std::chrono::milliseconds(std::max(timeout_ms, 0))) {}

  int NextSlice() const {
    if (unlimited_) return kWaitSliceMs;
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline_ - Clock::now()).count();
    return static_cast<int>(std::clamp<long long>(left, 0, kWaitSliceMs));
  }
  bool Expired() const { return !unlimited_ && Clock::now() >= deadline_; }

 private:
  bool unlimited_;
  Clock::time_point deadline_;
};

}  // namespace

std::uint16_t ParsePathNumber(std::string_view path, std::string_view key) {
  if (key.empty() || path.size() < key.size()) return 0;
  for (std::size_t at = 0; at + key.size() <= path.size(); ++at) {
    if (!EqualsIgnoringCase(path.substr(at, key.size()), key)) continue;
    std::uint32_t value = 0;
    for (std::size_t i = at + key.size(); i < path.size(); ++i) {
      const int digit = HexDigit(path[i]);
      if (digit < 0) break;
      value = (value << 4) | static_cast<std::uint32_t>(digit);
    }
    return static_cast<std::uint16_t>(value);
  }
  return 0;
}

// One open handle, shared by the device and every read or write waiting on it, so that a
// close from another thread never frees what a waiting call still uses.
struct HidDeviceOpenHandle {
  std::unique_ptr<HidHandle> handle;
  bool can_read = false;
  bool can_write = false;
  std::atomic<bool> closed{false};
  std::atomic<std::uint64_t> abort_count{0};  // every Abort ends the calls waiting at that time
};

struct HidDevice::State {
  HidBackend* backend = nullptr;

  std::vector<std::string> paths;
  std::size_t cursor = 0;

  bool read = false;
  bool write = false;
  bool overlapped = false;
  bool exclusive = false;
  std::string path;

  mutable std::mutex open_mutex;  // guards open against the reading and writing threads
  std::shared_ptr<HidDeviceOpenHandle> open;

  HidAttributes attributes;
  HidCaps caps;
  PreparsedData preparsed;
  std::vector<std::uint8_t> input_report;
  std::vector<std::uint8_t> output_report;
  std::vector<std::uint8_t> feature_report;
  std::vector<HidData> input_data;
  std::vector<HidData> output_data;
  std::vector<HidData> feature_data;
  std::uint32_t interface_number = 0;
  std::uint32_t collection_number = 0;

  std::shared_ptr<HidDeviceOpenHandle> Current() const {
    std::lock_guard lock(open_mutex);
    return open;
  }
};

HidDevice::HidDevice(HidBackend* backend) : state_(std::make_unique<State>()) {
  state_->backend = backend;
}

HidDevice::~HidDevice() {
  CloseHidDevice();
  FreeHidPaths();
}

void HidDevice::SetBackend(HidBackend* backend) {
  state_->backend = backend;
}
HidBackend* HidDevice::Backend() const {
  return state_->backend;
}

bool HidDevice::EnumerateHidPaths() {
  FreeHidPaths();
  if (state_->backend == nullptr) return false;
  auto listed = state_->backend->EnumeratePaths();
  if (!listed) return false;
  state_->paths = std::move(*listed);
  return true;
}

std::optional<std::string> HidDevice::NextHidPath() {
  if (state_->cursor >= state_->paths.size()) return std::nullopt;
  // An empty entry ends the walk, as an unreadable slot of the platform list does.
  if (state_->paths[state_->cursor].empty()) return std::nullopt;
  return state_->paths[state_->cursor++];
}

void HidDevice::FreeHidPaths() {
  state_->paths.clear();
  state_->paths.shrink_to_fit();
  state_->cursor = 0;
}

bool HidDevice::OpenHidDevice(const std::string& path, bool read, bool write, bool overlapped,
                              bool exclusive) {
  CloseHidDevice();
  state_->read = read;
  state_->write = write;
  state_->overlapped = overlapped;
  state_->exclusive = exclusive;
  if (path.size() > kMaxDevicePathLength) {
    // The platform's path buffer cannot hold it; keep no truncated path to reopen later.
    state_->path.clear();
    DebugTraceF("HidDevice: path of %zu characters refused", path.size());
    return false;
  }
  state_->path = path;
  return Reopen();
}

bool HidDevice::Reopen() {
  CloseHidDevice();
  State& s = *state_;
  if (s.backend == nullptr || s.path.empty()) return false;
  auto handle = s.backend->Open(s.path, s.read, s.write, s.exclusive);
  if (!handle) return false;

  const auto collections = ParseReportDescriptor(handle->ReportDescriptor());
  const int index = handle->CollectionIndex();
  if (!collections || index < 1 || static_cast<std::size_t>(index) > collections->size()) {
    DebugTraceF("HidDevice: no capabilities for collection %d of %s", index, s.path.c_str());
    return false;
  }
  s.preparsed = (*collections)[static_cast<std::size_t>(index) - 1];
  s.caps = s.preparsed.caps;
  s.attributes = handle->Attributes();
  s.input_report.assign(s.caps.input_report_byte_length, 0);
  s.output_report.assign(s.caps.output_report_byte_length, 0);
  s.feature_report.assign(s.caps.feature_report_byte_length, 0);
  s.input_data = BuildDataElements(ReportType::Input, s.preparsed);
  s.output_data = BuildDataElements(ReportType::Output, s.preparsed);
  s.feature_data = BuildDataElements(ReportType::Feature, s.preparsed);
  s.interface_number = ParsePathNumber(s.path, "&mi_");
  s.collection_number = ParsePathNumber(s.path, "&col");

  auto open = std::make_shared<HidDeviceOpenHandle>();
  open->handle = std::move(handle);
  open->can_read = s.read;
  open->can_write = s.write;
  std::lock_guard lock(s.open_mutex);
  s.open = std::move(open);
  return true;
}

void HidDevice::CloseHidDevice() {
  State& s = *state_;
  std::shared_ptr<HidDeviceOpenHandle> closing;
  {
    std::lock_guard lock(s.open_mutex);
    closing = std::move(s.open);
    s.open.reset();
  }
  if (closing) {
    // Waiting calls see this within one slice and drop their share; the last share closes
    // the handle.
    closing->closed.store(true);
    closing->abort_count.fetch_add(1);
  }
  s.attributes = {};
  s.caps = {};
  s.preparsed = {};
  s.input_report.clear();
  s.output_report.clear();
  s.feature_report.clear();
  s.input_data.clear();
  s.output_data.clear();
  s.feature_data.clear();
}

bool HidDevice::IsOpen() const {
  return state_->Current() != nullptr;
}

bool HidDevice::ReadReport(std::span<std::uint8_t> buffer, int timeout_ms,
                           std::size_t* bytes_read) {
  if (bytes_read != nullptr) *bytes_read = 0;
  const auto open = state_->Current();
  if (!open || !open->can_read || buffer.empty()) return false;
  const std::uint64_t aborts = open->abort_count.load();
  const WaitBudget budget(timeout_ms);
  for (;;) {
    if (open->closed.load() || open->abort_count.load() != aborts) return false;
    const int result = open->handle->Read(buffer, budget.NextSlice());
    if (result > 0) {
      if (bytes_read != nullptr) {
        *bytes_read = std::min(static_cast<std::size_t>(result), buffer.size());
      }
      return true;
    }
    if (result < 0 || budget.Expired()) return false;
  }
}

bool HidDevice::WriteReport(std::span<const std::uint8_t> buffer, int timeout_ms,
                            std::size_t* bytes_written) {
  if (bytes_written != nullptr) *bytes_written = 0;
  const auto open = state_->Current();
  if (!open || !open->can_write || buffer.empty()) return false;
  const std::uint64_t aborts = open->abort_count.load();
  const WaitBudget budget(timeout_ms);
  for (;;) {
    if (open->closed.load() || open->abort_count.load() != aborts) return false;
    const int result = open->handle->Write(buffer, budget.NextSlice());
    if (result > 0) {
      if (bytes_written != nullptr) {
        *bytes_written = std::min(static_cast<std::size_t>(result), buffer.size());
      }
      return true;
    }
    // 0: not taken within the slice; try again until the time limit.
    if (result < 0 || budget.Expired()) return false;
  }
}

bool HidDevice::SetOutputReport(std::span<const std::uint8_t> report) {
  const auto open = state_->Current();
  if (!open || report.empty()) return false;
  return open->handle->SetOutputReport(report);
}

void HidDevice::Abort() {
  if (const auto open = state_->Current()) open->abort_count.fetch_add(1);
}

const std::string& HidDevice::Path() const {
  return state_->path;
}
const HidAttributes& HidDevice::Attributes() const {
  return state_->attributes;
}
const HidCaps& HidDevice::Caps() const {
  return state_->caps;
}
const PreparsedData& HidDevice::Preparsed() const {
  return state_->preparsed;
}
std::uint32_t HidDevice::InterfaceNumber() const {
  return state_->interface_number;
}
std::uint32_t HidDevice::CollectionNumber() const {
  return state_->collection_number;
}

std::span<HidData> HidDevice::InputData() {
  return state_->input_data;
}
std::span<HidData> HidDevice::OutputData() {
  return state_->output_data;
}
std::span<HidData> HidDevice::FeatureData() {
  return state_->feature_data;
}

bool HidDevice::UnpackInputReport(std::span<const std::uint8_t> report) {
  if (!IsOpen()) return false;
  return UnpackReport(state_->input_data, report, ReportType::Input, state_->preparsed);
}

}  // namespace norvik::hid
