#pragma once
// A one-path HID backend whose replies are scripted by the test: each read hands out the next
// queued reply (of any length), and a read with nothing queued fails at once. Writes are kept.
// For reply shapes the emulated firmware never produces.

#include <algorithm>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "hid/hid_backend.h"

namespace norvik::hid::testing {

// Vendor command collection: usage page 0xFF1C, usage 0x92, report id 4, 63 data bytes each way.
inline constexpr std::uint8_t kScriptedDescriptor[] = {
    0x06, 0x1C, 0xFF, 0x09, 0x92, 0xA1, 0x01, 0x85, 0x04, 0x15, 0x00, 0x26, 0xFF, 0x00,
    0x75, 0x08, 0x95, 0x3F, 0x09, 0x01, 0x81, 0x02, 0x09, 0x02, 0x91, 0x02, 0xC0};

class ScriptedBackend : public HidBackend {
 public:
  static constexpr const char* kPath = "scripted#vid_3938&pid_1253&mi_01";

  void QueueReply(std::vector<std::uint8_t> reply) {
    std::lock_guard lock(mutex_);
    replies_.push_back(std::move(reply));
  }
  std::vector<std::vector<std::uint8_t>> Writes() const {
    std::lock_guard lock(mutex_);
    return writes_;
  }
  std::size_t RepliesLeft() const {
    std::lock_guard lock(mutex_);
    return replies_.size();
  }

  std::optional<std::vector<std::string>> EnumeratePaths() override {
    return std::vector<std::string>{kPath};
  }
  std::unique_ptr<HidHandle> Open(const std::string& path, bool, bool, bool) override {
    if (path != kPath) return nullptr;
    return std::make_unique<Handle>(*this);
  }

 private:
  class Handle : public HidHandle {
   public:
    explicit Handle(ScriptedBackend& owner) : owner_(owner) {}
    int Read(std::span<std::uint8_t> buffer, int) override {
      std::lock_guard lock(owner_.mutex_);
      if (owner_.replies_.empty()) return kReadFailed;
      const auto reply = std::move(owner_.replies_.front());
      owner_.replies_.pop_front();
      const std::size_t n = std::min(buffer.size(), reply.size());
      std::copy_n(reply.begin(), n, buffer.begin());
      return static_cast<int>(n);
    }
    int Write(std::span<const std::uint8_t> report, int) override {
      std::lock_guard lock(owner_.mutex_);
      owner_.writes_.emplace_back(report.begin(), report.end());
      return static_cast<int>(report.size());
    }
    bool SetOutputReport(std::span<const std::uint8_t>) override { return true; }
    HidAttributes Attributes() const override { return {0x3938, 0x1253, 0x0100}; }
    std::vector<std::uint8_t> ReportDescriptor() const override {
      return {std::begin(kScriptedDescriptor), std::end(kScriptedDescriptor)};
    }
    int CollectionIndex() const override { return 1; }

   private:
    ScriptedBackend& owner_;
  };

  mutable std::mutex mutex_;
  std::deque<std::vector<std::uint8_t>> replies_;
  std::vector<std::vector<std::uint8_t>> writes_;
};

// A 64-byte reply: id 4, echo, status, data from byte 8.
inline std::vector<std::uint8_t> Reply(std::uint8_t command, std::uint8_t status = 0,
                                       std::vector<std::uint8_t> data = {}) {
  std::vector<std::uint8_t> r(64, 0);
  r[0] = 0x04;
  r[3] = command;
  r[7] = status;
  std::copy_n(data.begin(), std::min<std::size_t>(data.size(), 56), r.begin() + 8);
  return r;
}

}  // namespace norvik::hid::testing
