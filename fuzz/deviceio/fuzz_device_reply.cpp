// Feeds arbitrary bytes to DeviceIo as the device's replies: the first byte picks the link mode
// and the read command; the rest is cut into replies, each led by a length byte (0..64, so short
// and empty reports occur). The channel must neither crash nor read or write out of bounds, and a
// read command must never report success with data it did not receive.

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <deque>
#include <memory>
#include <mutex>
#include <span>
#include <vector>

#include "hid/device_io.h"

namespace {

using norvik::hid::DeviceIo;
using norvik::hid::DeviceResult;

// Vendor command collection: usage page 0xFF1C, usage 0x92, report id 4, 63 data bytes each way.
constexpr std::uint8_t kCommandDescriptor[] = {
    0x06, 0x1C, 0xFF, 0x09, 0x92, 0xA1, 0x01, 0x85, 0x04, 0x15, 0x00, 0x26, 0xFF, 0x00,
    0x75, 0x08, 0x95, 0x3F, 0x09, 0x01, 0x81, 0x02, 0x09, 0x02, 0x91, 0x02, 0xC0};

struct ReplyQueue {
  std::mutex mutex;
  std::deque<std::vector<std::uint8_t>> replies;
};

class ReplayHandle : public norvik::hid::HidHandle {
 public:
  explicit ReplayHandle(ReplyQueue& queue) : queue_(queue) {}
  int Read(std::span<std::uint8_t> buffer, int /*timeout_ms*/) override {
    std::lock_guard lock(queue_.mutex);
    // Running dry fails at once instead of timing out, so each input stays fast.
    if (queue_.replies.empty()) return norvik::hid::kReadFailed;
    const auto reply = std::move(queue_.replies.front());
    queue_.replies.pop_front();
    if (reply.empty()) return norvik::hid::kReadTimedOut;
    const std::size_t n = std::min(buffer.size(), reply.size());
    std::copy_n(reply.begin(), n, buffer.begin());
    return static_cast<int>(n);
  }
  int Write(std::span<const std::uint8_t> report, int /*timeout_ms*/) override {
    return static_cast<int>(report.size());
  }
  bool SetOutputReport(std::span<const std::uint8_t> /*report*/) override { return true; }
  norvik::hid::HidAttributes Attributes() const override { return {0x3938, 0x1253, 0x0100}; }
  std::vector<std::uint8_t> ReportDescriptor() const override {
    return {std::begin(kCommandDescriptor), std::end(kCommandDescriptor)};
  }
  int CollectionIndex() const override { return 1; }

 private:
  ReplyQueue& queue_;
};

class ReplayBackend : public norvik::hid::HidBackend {
 public:
  ReplyQueue queue;
  std::optional<std::vector<std::string>> EnumeratePaths() override {
    return std::vector<std::string>{kPath};
  }
  std::unique_ptr<norvik::hid::HidHandle> Open(const std::string& /*path*/, bool, bool,
                                               bool) override {
    return std::make_unique<ReplayHandle>(queue);
  }
  static constexpr const char* kPath = "fuzz#vid_3938&pid_1253&mi_01";
};

void Check(bool condition) {
  if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  const std::uint8_t selector = data[0];
  ReplayBackend backend;
  {
    std::size_t pos = 1;
    while (pos < size) {
      const std::size_t len = std::min<std::size_t>(data[pos] % 65, size - pos - 1);
      backend.queue.replies.emplace_back(data + pos + 1, data + pos + 1 + len);
      pos += 1 + len;
    }
  }
  DeviceIo io(&backend);
  const int mode =
      (selector & 0x80) != 0 ? norvik::hid::kLinkModeReceiver : norvik::hid::kLinkModeDirect;
  if (!io.OpenChannel(ReplayBackend::kPath, mode)) return 0;

  // Guard bytes around each destination catch writes past its end.
  constexpr std::uint8_t kGuard = 0x5A;
  std::array<std::uint8_t, 600> area;
  area.fill(kGuard);
  const std::span<std::uint8_t> all(area);
  switch (selector & 0x07) {
    case 0: {
      norvik::hid::DeviceInfo info;
      info.block.fill(kGuard);
      const DeviceResult r = io.ReadDeviceInfo(info);
      // A failed read leaves the caller's block as it was.
      if (r != DeviceResult::Success) {
        Check(std::all_of(info.block.begin(), info.block.end(),
                          [](std::uint8_t b) { return b == kGuard; }));
      }
      break;
    }
    case 1:
      io.ReadMemory(all.subspan(8, 100), static_cast<std::uint16_t>(selector << 4));
      break;
    case 2:
      io.ReadKeyMap(all.subspan(8, 512));
      break;
    case 3:
      io.ReadKeyTable(all.subspan(8, 170));
      break;
    case 4:
      io.ReadBlock(all.subspan(8, (selector >> 3) % 57), 0x10);
      break;
    case 5:
      io.QueryReceiverLink();
      break;
    case 6: {
      std::array<std::uint8_t, 378> frame{};
      io.SendLightFrame(frame);
      break;
    }
    default: {
      std::array<std::uint8_t, 100> macro{};
      io.BeginConfig();
      io.WriteMacroData(macro);
      io.EnterSoftwareLighting();
      break;
    }
  }
  Check(std::all_of(area.begin(), area.begin() + 8, [](std::uint8_t b) { return b == kGuard; }));
  Check(std::all_of(area.end() - 80, area.end(), [](std::uint8_t b) { return b == kGuard; }));
  io.CloseChannel();
  return 0;
}
