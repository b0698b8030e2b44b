#include "hid/device_io.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <thread>

#include "base/debug_trace.h"

namespace norvik::hid {
namespace {

// Chunk offsets travel as 16 bits; a transfer must end at or below this.
constexpr std::uint32_t kOffsetSpace = 0x10000;

constexpr std::string_view kRequestLabel = "命令 (request)";
constexpr std::string_view kReplyLabel = "返回 (reply)";
constexpr std::string_view kFrameDroppedLine = "放弃灯光数据 (light frame dropped: channel busy)";

constexpr std::size_t kDumpLineBytes = 32;
constexpr std::size_t kDumpGroupBytes = 4;
// Groups after which three blanks follow instead of two.
constexpr std::size_t kDumpWideGroups = 3;

// Counts overlapping exchanges so that one ending does not clear the flag under another.
class BusyScope {
 public:
  explicit BusyScope(std::atomic<int>& count) : count_(count) { count_.fetch_add(1); }
  ~BusyScope() { count_.fetch_sub(1); }
  BusyScope(const BusyScope&) = delete;
  BusyScope& operator=(const BusyScope&) = delete;

 private:
  std::atomic<int>& count_;
};

std::string FormatDumpLine(std::span<const std::uint8_t> bytes) {
  std::string line;
  line.reserve(kDumpLineBytes * 4);
  char hex[4];
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    std::snprintf(hex, sizeof hex, "%02x", bytes[i]);
    line += hex;
    if (i + 1 == bytes.size()) break;
    const bool group_end = (i + 1) % kDumpGroupBytes == 0;
    if (!group_end) {
      line += ' ';
    } else {
      line += (i + 1) / kDumpGroupBytes <= kDumpWideGroups ? "   " : "  ";
    }
  }
  return line;
}

std::mutex& DumpMutex() {
  static std::mutex m;
  return m;
}

bool IsReadCommand(Command command) {
  switch (command) {
    case Command::ReadDeviceInfo:
    case Command::ReadMemory:
    case Command::ReadKeyMap:
    case Command::ReadBlock:
    case Command::ReadKeyTable:
      return true;
    default:
      return false;
  }
}

// Judges the reply to one chunk. A reply too short to carry its status byte (or, for a read,
// all the chunk's data) counts as a failed transfer: nothing of it is used. A reply that answers
// another command keeps the result 1 for a write, as callers expect, but a read must not take
// its data, so a read chunk without its echo fails with NotSent.
DeviceResult JudgeReply(Command command, const Report& reply, std::size_t got,
                        std::size_t chunk_length) {
  if (got < kPayloadByte) {
    DebugTraceF("reply to 0x%02x too short (%zu bytes)", static_cast<unsigned>(command), got);
    return DeviceResult::NotSent;
  }
  const bool echoed = reply[kCommandByte] == static_cast<std::uint8_t>(command);
  if (IsReadCommand(command)) {
    if (!echoed) {
      DebugTraceF("reply 0x%02x does not answer read 0x%02x", reply[kCommandByte],
                  static_cast<unsigned>(command));
      return DeviceResult::NotSent;
    }
    if (got < kPayloadByte + chunk_length) {
      DebugTraceF("reply to 0x%02x carries %zu of %zu data bytes", static_cast<unsigned>(command),
                  got - kPayloadByte, chunk_length);
      return DeviceResult::NotSent;
    }
  }
  // The status of a reply to some other command says nothing about this one.
  if (echoed || command == Command::SendLightFrame) {
    if (reply[kStatusByte] == kStatusErrorFF) return DeviceResult::StatusFF;
    if (reply[kStatusByte] == kStatusErrorFE) return DeviceResult::StatusFE;
  }
  return DeviceResult::Success;
}

}  // namespace

std::string_view DeviceResultMeaning(DeviceResult result) {
  switch (result) {
    case DeviceResult::Success:
      return "success";
    case DeviceResult::NotSent:
      return "not sent: channel closed or paused, or the transfer failed";
    case DeviceResult::WriteFailed:
      return "report write failed or timed out";
    case DeviceResult::ReceiverUnreachable:
      return "device not reachable through the receiver";
    case DeviceResult::StatusFF:
      return "device answered with error status 0xFF";
    case DeviceResult::StatusFE:
      return "device answered with error status 0xFE";
    case DeviceResult::BadBank:
      return "key-map bank other than 0 refused";
  }
  return "unknown";
}

std::uint16_t ReportChecksum(std::span<const std::uint8_t, kReportSize> report) {
  std::uint16_t sum = 0;
  for (std::size_t i = kChecksumFirstByte; i < kReportSize; ++i) {
    sum = static_cast<std::uint16_t>(sum + report[i]);
  }
  return sum;
}

Report BuildRequest(Command command, std::uint8_t length, std::uint16_t offset,
                    std::span<const std::uint8_t> payload) {
  Report r{};
  r[kReportIdByte] = kCommandReportId;
  r[kCommandByte] = static_cast<std::uint8_t>(command);
  r[kLengthByte] = length;
  r[kOffsetLowByte] = static_cast<std::uint8_t>(offset & 0xFF);
  r[kOffsetHighByte] = static_cast<std::uint8_t>(offset >> 8);
  r[kStatusByte] = 0;
  const std::size_t n = std::min(payload.size(), kMaxPayload);
  std::copy_n(payload.begin(), n, r.begin() + kPayloadByte);
  const std::uint16_t sum = ReportChecksum(r);
  r[kChecksumLowByte] = static_cast<std::uint8_t>(sum & 0xFF);
  r[kChecksumHighByte] = static_cast<std::uint8_t>(sum >> 8);
  return r;
}

std::array<std::string, 3> FormatHexDump(std::string_view label,
                                         std::span<const std::uint8_t> report) {
  Report padded{};
  std::copy_n(report.begin(), std::min(report.size(), kReportSize), padded.begin());
  const std::span<const std::uint8_t> all(padded);
  return {std::string(label), FormatDumpLine(all.first(kDumpLineBytes)),
          FormatDumpLine(all.subspan(kDumpLineBytes, kDumpLineBytes))};
}

void TraceHexDump(std::string_view label, std::span<const std::uint8_t> report) {
  if (!DebugTraceEnabled()) return;
  const auto lines = FormatHexDump(label, report);
  std::lock_guard lock(DumpMutex());
  for (const auto& line : lines) DebugTrace(line);
}

DeviceIo::DeviceIo(HidBackend* backend) : direct_(backend), receiver_(backend) {}

DeviceIo::~DeviceIo() {
  CloseChannel();
}

void DeviceIo::SetBackend(HidBackend* backend) {
  std::lock_guard link(link_lock_);
  std::lock_guard transfer(transfer_lock_);
  direct_.SetBackend(backend);
  receiver_.SetBackend(backend);
}

bool DeviceIo::OpenChannel(const std::string& path, int link_mode) {
  std::lock_guard link(link_lock_);
  std::lock_guard transfer(transfer_lock_);
  HidDevice& device = link_mode == kLinkModeReceiver ? receiver_ : direct_;
  if (!device.OpenHidDevice(path, /*read=*/true, /*write=*/true, /*overlapped=*/true,
                            /*exclusive=*/false)) {
    DebugTraceF("command interface open failed: %s", path.c_str());
    return false;
  }
  open_.store(true);
  SetLinkMode(link_mode);
  return true;
}

void DeviceIo::CloseChannel() {
  std::lock_guard link(link_lock_);
  // Cleared first so that an exchange woken by the close stops instead of reading again.
  open_.store(false);
  // Not under the transfer lock: a read waiting under it would hold the close for its whole
  // time limit. HidDevice breaks the waiting read and keeps its handle alive until it returns.
  direct_.CloseHidDevice();
  receiver_.CloseHidDevice();
}

void DeviceIo::SetLinkMode(int mode) {
  const bool wireless = mode == kLinkModeReceiver;
  wireless_.store(wireless);
  chunk_size_.store(wireless ? kReceiverChunkSize : kDirectChunkSize);
}

bool DeviceIo::SetDataLength(std::uint16_t n) {
  if (n > kMaxDataLength) return false;
  data_length_.store(n);
  return true;
}

DeviceResult DeviceIo::ExchangeLocked(const Report& request, Report& reply, std::size_t& got) {
  const bool wireless = wireless_.load();
  HidDevice& link = wireless ? receiver_ : direct_;
  const int timeout = wireless ? kReceiverTimeoutMs : kDirectTimeoutMs;
  got = 0;
  reply.fill(0);

  std::size_t written = 0;
  if (!link.WriteReport(request, timeout, &written) || written == 0) {
    return DeviceResult::WriteFailed;
  }

  DeviceResult result = DeviceResult::NotSent;
  for (int attempt = 0; attempt < kMaxReplyReads; ++attempt) {
    reply.fill(0);
    got = 0;
    const bool arrived = link.ReadReport(reply, timeout, &got) && got > 0;
    if (!arrived) {
      // Whatever a failed read left behind is not a reply.
      reply.fill(0);
      got = 0;
      result = DeviceResult::NotSent;
      if (!open_.load()) break;
      continue;
    }
    result = DeviceResult::Success;
    if (got <= kCommandByte) continue;
    if (reply[kCommandByte] == request[kCommandByte]) break;
    if (wireless && reply[kCommandByte] == kReceiverUnreachableEcho) {
      result = DeviceResult::ReceiverUnreachable;
      break;
    }
  }
  return result;
}

DeviceResult DeviceIo::QuietLocked(const Report& request, Report& reply, std::size_t& got) {
  got = 0;
  reply.fill(0);
  std::size_t written = 0;
  if (!direct_.WriteReport(request, kDirectTimeoutMs, &written) || written == 0) {
    return DeviceResult::WriteFailed;
  }
  if (!direct_.ReadReport(reply, kDirectTimeoutMs, &got) || got == 0) {
    reply.fill(0);
    got = 0;
    return DeviceResult::NotSent;
  }
  return DeviceResult::Success;
}

DeviceResult DeviceIo::Transact(std::span<const std::uint8_t> request,
                                std::span<std::uint8_t> reply, std::size_t* bytes_read) {
  BusyScope busy(busy_);
  if (bytes_read != nullptr) *bytes_read = 0;
  if (!open_.load() || paused_.load()) return DeviceResult::NotSent;

  Report out{};
  std::copy_n(request.begin(), std::min(request.size(), kReportSize), out.begin());
  TraceHexDump(kRequestLabel, out);

  Report in{};
  std::size_t got = 0;
  DeviceResult result;
  {
    // One lock over write and reads keeps every other exchange (0x17 and live frames included)
    // from slipping between a request and its reply.
    std::lock_guard transfer(transfer_lock_);
    result = ExchangeLocked(out, in, got);
  }
  if (result == DeviceResult::WriteFailed) return result;

  const std::size_t n = std::min(reply.size(), kReportSize);
  std::copy_n(in.begin(), n, reply.begin());
  if (bytes_read != nullptr) *bytes_read = std::min(got, n);
  TraceHexDump(kReplyLabel, in);
  return result;
}

DeviceResult DeviceIo::TransactQuiet(std::span<const std::uint8_t> request,
                                     std::span<std::uint8_t> reply, std::size_t* bytes_read) {
  if (bytes_read != nullptr) *bytes_read = 0;
  if (!open_.load() || paused_.load()) return DeviceResult::NotSent;
  Report out{};
  std::copy_n(request.begin(), std::min(request.size(), kReportSize), out.begin());
  Report in{};
  std::size_t got = 0;
  DeviceResult result;
  {
    std::lock_guard transfer(transfer_lock_);
    result = QuietLocked(out, in, got);
  }
  const std::size_t n = std::min(reply.size(), kReportSize);
  std::copy_n(in.begin(), n, reply.begin());
  if (bytes_read != nullptr) *bytes_read = std::min(got, n);
  return result;
}

DeviceResult DeviceIo::RunChunks(const ChunkPlan& plan, std::span<const std::uint8_t> source,
                                 std::span<std::uint8_t> destination) {
  if (plan.total == 0) return DeviceResult::Success;
  if (plan.base + plan.total > kOffsetSpace || plan.chunk_size == 0 ||
      plan.chunk_size > kMaxPayload) {
    DebugTraceF("transfer 0x%02x refused: %zu bytes at offset %u",
                static_cast<unsigned>(plan.command), plan.total, plan.base);
    return DeviceResult::NotSent;
  }
  const bool is_read = IsReadCommand(plan.command);
  for (std::size_t pos = 0; pos < plan.total; pos += plan.chunk_size) {
    const std::size_t len = std::min(plan.chunk_size, plan.total - pos);
    const auto offset = static_cast<std::uint16_t>(plan.base + pos);
    const Report request =
        BuildRequest(plan.command, static_cast<std::uint8_t>(len), offset,
                     is_read ? std::span<const std::uint8_t>() : source.subspan(pos, len));
    Report reply{};
    std::size_t got = 0;
    DeviceResult result;
    switch (plan.lane) {
      case Lane::Command: {
        std::lock_guard lane(command_lock_);
        result = Transact(request, reply, &got);
        break;
      }
      case Lane::Light: {
        std::lock_guard lane(light_lock_);
        result = Transact(request, reply, &got);
        break;
      }
      case Lane::TransferOnly:
        result = Transact(request, reply, &got);
        break;
    }
    if (result != DeviceResult::Success) return result;
    result = JudgeReply(plan.command, reply, got, len);
    if (result != DeviceResult::Success) return result;
    if (is_read) {
      std::copy_n(reply.begin() + kPayloadByte, len, destination.begin() + pos);
    }
  }
  return DeviceResult::Success;
}

DeviceResult DeviceIo::SendSimple(Command command) {
  const Report request = BuildRequest(command, 0, 0);
  Report reply{};
  std::size_t got = 0;
  DeviceResult result;
  {
    std::lock_guard lane(command_lock_);
    result = Transact(request, reply, &got);
  }
  if (result != DeviceResult::Success) return result;
  return JudgeReply(command, reply, got, 0);
}

DeviceResult DeviceIo::BeginConfig() {
  return SendSimple(Command::BeginConfig);
}

DeviceResult DeviceIo::EndConfig() {
  // The device needs a moment after the last data report before it closes the sequence.
  std::this_thread::sleep_for(std::chrono::milliseconds(kEndConfigDelayMs));
  return SendSimple(Command::EndConfig);
}

DeviceResult DeviceIo::EnterSoftwareLighting() {
  return SendSimple(Command::EnterSoftwareLighting);
}

DeviceResult DeviceIo::ReadDeviceInfo(DeviceInfo& info) {
  std::array<std::uint8_t, kDeviceInfoReadSize> raw{};
  const DeviceResult result =
      RunChunks({Command::ReadDeviceInfo, Lane::Command, raw.size(), ChunkSize(), 0}, {}, raw);
  if (result != DeviceResult::Success) return result;
  std::copy_n(raw.begin(), kDeviceInfoBlockSize, info.block.begin());
  info.trailer =
      static_cast<std::uint16_t>(raw[kDeviceInfoBlockSize] | raw[kDeviceInfoBlockSize + 1] << 8);
  return result;
}

DeviceResult DeviceIo::ReadMemory(std::span<std::uint8_t> buffer, std::uint16_t address) {
  return RunChunks({Command::ReadMemory, Lane::Command, buffer.size(), ChunkSize(), address}, {},
                   buffer);
}

DeviceResult DeviceIo::WriteMemory(std::span<const std::uint8_t> data, std::uint16_t address) {
  return RunChunks({Command::WriteMemory, Lane::Command, data.size(), ChunkSize(), address}, data,
                   {});
}

DeviceResult DeviceIo::ReadKeyMap(std::span<std::uint8_t> buffer) {
  const std::size_t length = DataLength();
  if (buffer.size() < length) return DeviceResult::NotSent;
  return RunChunks({Command::ReadKeyMap, Lane::Command, length, ChunkSize(), 0}, {},
                   buffer.first(length));
}

DeviceResult DeviceIo::WriteKeyMap(std::span<const std::uint8_t> data, int bank) {
  if (bank != 0) return DeviceResult::BadBank;
  const std::size_t length = DataLength();
  if (data.size() < length) return DeviceResult::NotSent;
  // The bank sits in the offset's high byte: offset = bank * 512 + position (bank is 0 here).
  const auto base = static_cast<std::uint32_t>(bank) * kKeyMapBankSize;
  return RunChunks({Command::WriteKeyMap, Lane::Command, length, ChunkSize(), base},
                   data.first(length), {});
}

DeviceResult DeviceIo::WriteLightBlock(std::span<const std::uint8_t> data, std::uint16_t block,
                                       std::uint16_t block_size) {
  const std::uint32_t base = static_cast<std::uint32_t>(block) * block_size;
  return RunChunks({Command::WriteLightBlock, Lane::Light, data.size(), ChunkSize(), base}, data,
                   {});
}

DeviceResult DeviceIo::SendLightFrame(std::span<const std::uint8_t> data) {
  // Live frames only go over the cable; the receiver link is too slow for them.
  if (wireless_.load()) return DeviceResult::Success;
  if (data.empty()) return DeviceResult::Success;
  if (data.size() > kOffsetSpace) return DeviceResult::NotSent;
  for (std::size_t pos = 0; pos < data.size(); pos += kDirectChunkSize) {
    const std::size_t len = std::min(kDirectChunkSize, data.size() - pos);
    const Report request = BuildRequest(Command::SendLightFrame, static_cast<std::uint8_t>(len),
                                        static_cast<std::uint16_t>(pos), data.subspan(pos, len));
    Report reply{};
    std::size_t got = 0;
    DeviceResult result;
    {
      std::lock_guard lane(light_lock_);
      // A frame never waits for an exchange: it is dropped while one runs. An exchange sets
      // busy before it asks for the transfer lock, so checking again once the lock is held
      // means a frame can never land between a request and its reply.
      std::unique_lock transfer(transfer_lock_, std::defer_lock);
      if (IsBusy() || !transfer.try_lock() || IsBusy()) {
        DebugTrace(kFrameDroppedLine);
        return DeviceResult::Success;
      }
      if (!open_.load() || paused_.load()) return DeviceResult::NotSent;
      result = QuietLocked(request, reply, got);
    }
    if (result != DeviceResult::Success) return result;
    result = JudgeReply(Command::SendLightFrame, reply, got, len);
    if (result != DeviceResult::Success) return result;
  }
  return DeviceResult::Success;
}

DeviceResult DeviceIo::WriteMacroData(std::span<const std::uint8_t> data) {
  return RunChunks({Command::WriteMacroData, Lane::Command, data.size(), ChunkSize(), 0}, data, {});
}

DeviceResult DeviceIo::WriteShootData(std::span<const std::uint8_t> data) {
  return RunChunks({Command::WriteShootData, Lane::TransferOnly, data.size(), kShootChunkSize, 0},
                   data, {});
}

DeviceResult DeviceIo::ReadBlock(std::span<std::uint8_t> buffer, std::uint16_t offset) {
  if (buffer.size() > kMaxPayload) return DeviceResult::NotSent;
  return RunChunks({Command::ReadBlock, Lane::Command, buffer.size(), kMaxPayload, offset}, {},
                   buffer);
}

DeviceResult DeviceIo::ReadKeyTable(std::span<std::uint8_t> buffer) {
  const std::size_t length = DataLength() / 3;
  if (buffer.size() < length) return DeviceResult::NotSent;
  return RunChunks({Command::ReadKeyTable, Lane::Command, length, ChunkSize(), 0}, {},
                   buffer.first(length));
}

bool DeviceIo::QueryReceiverLink() {
  if (!wireless_.load()) return true;
  const Report request = BuildRequest(Command::QueryReceiverLink, 0, 0);
  Report reply{};
  std::size_t got = 0;
  DeviceResult result;
  {
    std::lock_guard lane(command_lock_);
    result = Transact(request, reply, &got);
  }
  return result == DeviceResult::Success && got > kPayloadByte &&
         reply[kCommandByte] == static_cast<std::uint8_t>(Command::QueryReceiverLink) &&
         reply[kPayloadByte] == kReceiverLinkUp;
}

bool DeviceIo::SetOutputReport(std::span<const std::uint8_t> report) {
  if (!open_.load()) return false;
  std::lock_guard transfer(transfer_lock_);
  return direct_.SetOutputReport(report);
}

}  // namespace norvik::hid
