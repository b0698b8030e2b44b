#pragma once
// A small in-test HID stack: paths with a descriptor each, input reports queued by the test,
// writes recorded or stalled, and counters of what the device under test did to its handles.

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "hid/hid_backend.h"

namespace norvik::hid::test {

struct FakePath {
  std::vector<std::uint8_t> descriptor;
  HidAttributes attributes;
  int collection_index = 1;
};

// State shared by the backend and every handle it gave out; outlives both.
struct FakeBus {
  std::mutex mutex;
  std::condition_variable changed;
  std::deque<std::vector<std::uint8_t>> input;
  std::vector<std::vector<std::uint8_t>> written;
  bool stall_writes = false;  // writes time out without taking the report
  int live_handles = 0;
  int opens = 0;
  int reads_waiting = 0;
  int longest_read_slice_ms = 0;
  int longest_write_slice_ms = 0;
  bool handle_freed_during_read = false;
  bool last_read = false;
  bool last_write = false;
  bool last_exclusive = false;

  void Push(std::vector<std::uint8_t> report) {
    {
      std::lock_guard lock(mutex);
      input.push_back(std::move(report));
    }
    changed.notify_all();
  }

  // Waits (bounded) until a read is waiting on some handle.
  bool WaitForReader(std::chrono::milliseconds limit = std::chrono::seconds(5)) {
    std::unique_lock lock(mutex);
    return changed.wait_for(lock, limit, [this] { return reads_waiting > 0; });
  }
};

class FakeHandle : public HidHandle {
 public:
  FakeHandle(std::shared_ptr<FakeBus> bus, FakePath path) : bus_(std::move(bus)), path_(path) {
    std::lock_guard lock(bus_->mutex);
    ++bus_->live_handles;
  }
  ~FakeHandle() override {
    std::lock_guard lock(bus_->mutex);
    --bus_->live_handles;
    if (reading_) bus_->handle_freed_during_read = true;
  }

  int Read(std::span<std::uint8_t> buffer, int timeout_ms) override {
    std::unique_lock lock(bus_->mutex);
    reading_ = true;
    ++bus_->reads_waiting;
    bus_->longest_read_slice_ms = std::max(bus_->longest_read_slice_ms, timeout_ms);
    bus_->changed.notify_all();
    const bool got = bus_->changed.wait_for(lock, std::chrono::milliseconds(timeout_ms),
                                            [this] { return !bus_->input.empty(); });
    --bus_->reads_waiting;
    reading_ = false;
    if (!got) return kReadTimedOut;
    const std::vector<std::uint8_t> report = std::move(bus_->input.front());
    bus_->input.pop_front();
    const std::size_t n = std::min(report.size(), buffer.size());
    std::copy_n(report.begin(), n, buffer.begin());
    return static_cast<int>(n);
  }

  int Write(std::span<const std::uint8_t> report, int timeout_ms) override {
    std::unique_lock lock(bus_->mutex);
    bus_->longest_write_slice_ms = std::max(bus_->longest_write_slice_ms, timeout_ms);
    if (bus_->stall_writes) {
      bus_->changed.wait_for(lock, std::chrono::milliseconds(timeout_ms),
                             [this] { return !bus_->stall_writes; });
      if (bus_->stall_writes) return 0;
    }
    bus_->written.emplace_back(report.begin(), report.end());
    return static_cast<int>(report.size());
  }

  bool SetOutputReport(std::span<const std::uint8_t> report) override {
    std::lock_guard lock(bus_->mutex);
    bus_->written.emplace_back(report.begin(), report.end());
    return true;
  }

  HidAttributes Attributes() const override { return path_.attributes; }
  std::vector<std::uint8_t> ReportDescriptor() const override { return path_.descriptor; }
  int CollectionIndex() const override { return path_.collection_index; }

 private:
  std::shared_ptr<FakeBus> bus_;
  FakePath path_;
  bool reading_ = false;  // guarded by bus_->mutex
};

class FakeHidBackend : public HidBackend {
 public:
  std::shared_ptr<FakeBus> bus = std::make_shared<FakeBus>();
  std::map<std::string, FakePath> paths;
  bool enumeration_fails = false;
  std::vector<std::string> extra_listed;  // listed but not openable (e.g. empty entries)

  std::optional<std::vector<std::string>> EnumeratePaths() override {
    if (enumeration_fails) return std::nullopt;
    std::vector<std::string> listed;
    for (const auto& [path, spec] : paths) listed.push_back(path);
    listed.insert(listed.end(), extra_listed.begin(), extra_listed.end());
    return listed;
  }

  std::unique_ptr<HidHandle> Open(const std::string& path, bool read, bool write,
                                  bool exclusive) override {
    {
      std::lock_guard lock(bus->mutex);
      ++bus->opens;
      bus->last_read = read;
      bus->last_write = write;
      bus->last_exclusive = exclusive;
    }
    const auto found = paths.find(path);
    if (found == paths.end()) return nullptr;
    return std::make_unique<FakeHandle>(bus, found->second);
  }
};

}  // namespace norvik::hid::test
