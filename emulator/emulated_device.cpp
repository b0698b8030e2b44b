#include "emulator/emulated_device.h"

#include <algorithm>
#include <utility>

#include "hid/hid_backend.h"

namespace norvik::emulator {

namespace {
// Written only while set, so the files of devices that were never denied stay as they were.
constexpr char kAccessDeniedKey[] = "access_denied";
}  // namespace

namespace {

// Like a HID driver's ring buffer: a reader that falls behind loses the oldest reports.
constexpr std::size_t kPortQueueLimit = 256;

struct ProductNameRow {
  EmulatedProduct product;
  std::string_view name;
};
constexpr ProductNameRow kProductNames[] = {
    {EmulatedProduct::Keyboard, "keyboard"}, {EmulatedProduct::SecondKeyboard, "keyboard2"},
    {EmulatedProduct::MouseCable, "mouse"},  {EmulatedProduct::MouseReceiver, "receiver"},
    {EmulatedProduct::MousePad, "mousepad"}, {EmulatedProduct::Headset, "headset"},
};

}  // namespace

std::string_view ProductName(EmulatedProduct product) {
  for (const auto& row : kProductNames) {
    if (row.product == product) return row.name;
  }
  return "unknown";
}

std::optional<EmulatedProduct> ProductFromName(std::string_view name) {
  for (const auto& row : kProductNames) {
    if (row.name == name) return row.product;
  }
  return std::nullopt;
}

struct EmulatedDevice::PendingReport {
  std::chrono::steady_clock::time_point ready;
  std::vector<std::uint8_t> bytes;
};

class DevicePort {
 public:
  DevicePort(PortAddress address, std::uint64_t generation, bool receive_input)
      : address_(address), generation_(generation), receive_input_(receive_input) {}

 private:
  friend class EmulatedDevice;
  const PortAddress address_;
  const std::uint64_t generation_;
  const bool receive_input_;
  // Guarded by the owning device's lock.
  bool closed_ = false;
  std::deque<EmulatedDevice::PendingReport> queue_;
};

EmulatedDevice::EmulatedDevice(EmulatedProduct product, EmulatedIdentity identity,
                               std::vector<EmulatedInterface> interfaces)
    : product_(product), identity_(std::move(identity)), interfaces_(std::move(interfaces)) {}

EmulatedDevice::~EmulatedDevice() = default;

const EmulatedInterface* EmulatedDevice::FindInterface(int interface_number) const {
  for (const auto& iface : interfaces_) {
    if (iface.number == interface_number) return &iface;
  }
  return nullptr;
}

const EmulatedCollection* EmulatedDevice::FindCollection(int interface_number,
                                                         int collection) const {
  const EmulatedInterface* iface = FindInterface(interface_number);
  if (iface == nullptr) return nullptr;
  for (const auto& c : iface->collections) {
    if (c.number == collection) return &c;
  }
  return nullptr;
}

bool EmulatedDevice::IsPlugged() const {
  std::lock_guard lock(mutex_);
  return plugged_;
}

std::vector<RequestRecord> EmulatedDevice::RequestLog() const {
  std::lock_guard lock(mutex_);
  return {log_.begin(), log_.end()};
}

std::uint64_t EmulatedDevice::RequestCount() const {
  std::lock_guard lock(mutex_);
  return request_count_;
}

std::vector<std::uint8_t> EmulatedDevice::CommandsSeen() const {
  std::lock_guard lock(mutex_);
  std::vector<std::uint8_t> commands;
  for (const auto& record : log_) {
    if (record.outcome == RequestOutcome::OutputReport) continue;
    if (record.report.size() > command_field::kCommand) {
      commands.push_back(record.report[command_field::kCommand]);
    }
  }
  return commands;
}

void EmulatedDevice::ClearRequestLog() {
  std::lock_guard lock(mutex_);
  log_.clear();
}

void EmulatedDevice::FactoryReset() {
  std::lock_guard lock(mutex_);
  ResetLocked();
  MarkMemoryChangedLocked();
  MarkTrafficLocked();
  log_.clear();
  request_count_ = 0;
}

bool EmulatedDevice::InjectInputReport(int interface_number, std::span<const std::uint8_t> report) {
  {
    std::lock_guard lock(mutex_);
    if (!plugged_ || FindInterface(interface_number) == nullptr || report.empty()) return false;
    EmitInputLocked(interface_number, report);
  }
  arrived_.notify_all();
  return true;
}

Json::Value EmulatedDevice::Dump() const {
  std::lock_guard lock(mutex_);
  Json::Value out(Json::objectValue);
  out["product"] = std::string(ProductName(product_));
  out["vid"] = identity_.vendor_id;
  out["pid"] = identity_.product_id;
  DumpLocked(out);
  return out;
}

EmulatedDevice::StateRevision EmulatedDevice::Revision() const {
  std::lock_guard lock(mutex_);
  return revision_;
}

Json::Value EmulatedDevice::SaveState(StateRevision* revision) const {
  std::lock_guard lock(mutex_);
  if (revision != nullptr) *revision = revision_;
  Json::Value out(Json::objectValue);
  out["product"] = std::string(ProductName(product_));
  out["vid"] = identity_.vendor_id;
  out["pid"] = identity_.product_id;
  DumpLocked(out);
  SaveExtraLocked(out);
  if (access_denied_) out[kAccessDeniedKey] = true;
  return out;
}

void EmulatedDevice::SaveExtraLocked(Json::Value& /*out*/) const {}

bool EmulatedDevice::RestoreState(const Json::Value& state) {
  if (!state.isObject()) return false;
  const Json::Value& product = state["product"];
  if (!product.isString() || product.asString() != ProductName(product_)) return false;
  const Json::Value& denied = state[kAccessDeniedKey];
  if (!denied.isNull() && !denied.isBool()) return false;
  std::lock_guard lock(mutex_);
  if (!RestoreLocked(state)) return false;
  access_denied_ = denied.isBool() && denied.asBool();
  MarkMemoryChangedLocked();
  MarkTrafficLocked();
  return true;
}

void EmulatedDevice::SetNodeAccessDenied(bool denied) {
  std::lock_guard lock(mutex_);
  if (access_denied_ == denied) return;
  access_denied_ = denied;
  MarkMemoryChangedLocked();
}

bool EmulatedDevice::NodeAccessDenied() const {
  std::lock_guard lock(mutex_);
  return access_denied_;
}

void EmulatedDevice::SetPlugged(bool plugged) {
  {
    std::lock_guard lock(mutex_);
    if (plugged == plugged_) return;
    plugged_ = plugged;
    if (plugged) {
      ++generation_;
      last_ready_ = {};
    } else {
      for (auto& weak : ports_) {
        if (auto port = weak.lock()) port->queue_.clear();
      }
      ports_.clear();
    }
  }
  arrived_.notify_all();
}

void EmulatedDevice::SetSelfUnplugHandler(std::function<void()> handler) {
  std::lock_guard lock(mutex_);
  self_unplug_ = std::move(handler);
}

std::shared_ptr<DevicePort> EmulatedDevice::OpenPort(PortAddress address, bool receive_input) {
  std::lock_guard lock(mutex_);
  if (!plugged_) return nullptr;
  if (address.collection == 0
          ? FindInterface(address.interface_number) == nullptr
          : FindCollection(address.interface_number, address.collection) == nullptr) {
    return nullptr;
  }
  std::erase_if(ports_, [](const std::weak_ptr<DevicePort>& w) { return w.expired(); });
  auto port = std::make_shared<DevicePort>(address, generation_, receive_input);
  ports_.push_back(port);
  return port;
}

void EmulatedDevice::ClosePort(const std::shared_ptr<DevicePort>& port) {
  if (!port) return;
  {
    std::lock_guard lock(mutex_);
    port->closed_ = true;
    port->queue_.clear();
    std::erase_if(ports_, [&](const std::weak_ptr<DevicePort>& w) {
      auto p = w.lock();
      return !p || p == port;
    });
  }
  arrived_.notify_all();
}

int EmulatedDevice::ReadPort(DevicePort& port, std::span<std::uint8_t> buffer, int timeout_ms) {
  using Clock = std::chrono::steady_clock;
  std::unique_lock lock(mutex_);
  const bool forever = timeout_ms < 0;
  const Clock::time_point deadline =
      Clock::now() + std::chrono::milliseconds(forever ? 0 : timeout_ms);
  for (;;) {
    if (!plugged_ || port.generation_ != generation_ || port.closed_ || !port.receive_input_ ||
        buffer.empty()) {
      return hid::kReadFailed;
    }
    const Clock::time_point now = Clock::now();
    if (!port.queue_.empty() && port.queue_.front().ready <= now) {
      const std::vector<std::uint8_t>& bytes = port.queue_.front().bytes;
      const std::size_t n = std::min(bytes.size(), buffer.size());
      std::copy_n(bytes.begin(), n, buffer.begin());
      port.queue_.pop_front();
      return static_cast<int>(n);
    }
    if (!forever && now >= deadline) return hid::kReadTimedOut;
    std::optional<Clock::time_point> wake;
    if (!forever) wake = deadline;
    if (!port.queue_.empty()) {
      const Clock::time_point ready = port.queue_.front().ready;
      wake = wake ? std::min(*wake, ready) : ready;
    }
    if (wake) {
      arrived_.wait_until(lock, *wake);
    } else {
      arrived_.wait(lock);
    }
  }
}

int EmulatedDevice::WritePort(DevicePort& port, std::span<const std::uint8_t> report,
                              ReportPipe pipe) {
  std::function<void()> left_bus;
  int result = -1;
  {
    std::lock_guard lock(mutex_);
    if (!plugged_ || port.generation_ != generation_ || port.closed_ || report.empty()) {
      return -1;
    }
    const EmulatedInterface* iface = FindInterface(port.address_.interface_number);
    if (iface == nullptr) return -1;
    const std::uint8_t id = report[0];
    const EmulatedCollection* target = nullptr;
    const EmulatedReport* declared = nullptr;
    for (const auto& collection : iface->collections) {
      if (port.address_.collection != 0 && collection.number != port.address_.collection) {
        continue;
      }
      for (const auto& out : collection.outputs) {
        if (out.id == id) {
          target = &collection;
          declared = &out;
        }
      }
    }
    // A report must match its declared length exactly, as the platform's write demands.
    if (target == nullptr || declared == nullptr || report.size() != declared->size) return -1;

    if (faults_.UnplugBeforeOutputReport()) {
      plugged_ = false;
      for (auto& weak : ports_) {
        if (auto p = weak.lock()) p->queue_.clear();
      }
      ports_.clear();
      left_bus = self_unplug_;
    } else {
      RequestRecord record;
      record.sequence = ++request_count_;
      record.received = std::chrono::steady_clock::now();
      record.interface_number = iface->number;
      record.collection = target->number;
      record.pipe = pipe;
      record.report.assign(report.begin(), report.end());
      OnOutputReport(PortAddress{iface->number, target->number}, report, pipe, record);
      log_.push_back(std::move(record));
      while (log_.size() > kRequestLogLimit) log_.pop_front();
      result = static_cast<int>(report.size());
    }
  }
  arrived_.notify_all();
  if (left_bus) left_bus();
  return result;
}

void EmulatedDevice::EmitInputLocked(int interface_number, std::span<const std::uint8_t> report) {
  if (report.empty()) return;
  if (capture_ != nullptr) {
    capture_->emplace_back(report.begin(), report.end());
    return;
  }
  const EmulatedInterface* iface = FindInterface(interface_number);
  if (iface == nullptr) return;
  int collection = 0;
  for (const auto& c : iface->collections) {
    for (const auto& in : c.inputs) {
      if (in.id == report[0]) collection = c.number;
    }
  }
  if (collection == 0) return;

  using Clock = std::chrono::steady_clock;
  const auto delay = faults_.ReportDelay();
  Clock::time_point ready = Clock::now();
  if (delay.count() > 0) {
    ready = std::max(ready, last_ready_) + delay;
    last_ready_ = ready;
  }
  const auto poll = std::chrono::duration_cast<Clock::duration>(faults_.PollInterval());
  if (poll.count() > 0) {
    const Clock::duration since = ready.time_since_epoch();
    Clock::time_point next{(since / poll + 1) * poll};
    if (next <= last_ready_) next = last_ready_ + poll;
    ready = next;
    last_ready_ = ready;
  }
  for (auto& weak : ports_) {
    auto port = weak.lock();
    if (!port || port->closed_ || !port->receive_input_) continue;
    if (port->address_.interface_number != interface_number) continue;
    PendingReport pending{ready, {}};
    if (port->address_.collection == collection) {
      pending.bytes.assign(report.begin(), report.end());
    } else if (port->address_.collection == 0) {
      // A node delivers reports without the id byte when the interface declares no ids.
      const auto body = iface->uses_report_ids ? report : report.subspan(1);
      pending.bytes.assign(body.begin(), body.end());
    } else {
      continue;
    }
    port->queue_.push_back(std::move(pending));
    while (port->queue_.size() > kPortQueueLimit) port->queue_.pop_front();
  }
}

std::shared_ptr<EmulatedDevice> MakeEmulatedDevice(EmulatedProduct product) {
  switch (product) {
    case EmulatedProduct::Keyboard:
    case EmulatedProduct::SecondKeyboard:
      return std::make_shared<EmulatedKeyboard>(product);
    case EmulatedProduct::MouseCable:
      return std::make_shared<EmulatedMouse>();
    case EmulatedProduct::MouseReceiver:
      return std::make_shared<EmulatedReceiver>();
    case EmulatedProduct::MousePad:
      return std::make_shared<EmulatedMousePad>();
    case EmulatedProduct::Headset:
      return std::make_shared<EmulatedHeadset>();
  }
  return nullptr;
}

}  // namespace norvik::emulator
