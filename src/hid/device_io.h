#pragma once
// The command channel of one keyboard, mouse or mouse pad: frames each command into a 64-byte
// request with a checksum, writes it, reads replies until one echoes the command, checks the
// reply's status and splits long transfers into chunks.
//
// Locks: ordinary commands hold the command lock per chunk exchange, the two lighting streams
// (0x0B, 0x12) the light lock; both then take the transfer lock, which keeps one request/reply
// exchange at a time on the HID handle. Order is always command-or-light first, then transfer.
// WriteShootData takes the transfer lock only.

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <span>
#include <string>
#include <string_view>

#include "hid/hid_backend.h"
#include "hid/hid_device.h"

namespace norvik::hid {

// Result of every command operation. The numeric values are what callers compare and print.
enum class DeviceResult : int {
  Success = 1,
  NotSent = 0,                 // channel not open or paused, or a transfer failed
  WriteFailed = -1,            // the report write failed or timed out
  ReceiverUnreachable = -101,  // the receiver answered 0xAA instead of the command's echo
  StatusFF = -102,             // reply status 0xFF
  StatusFE = -103,             // reply status 0xFE
  BadBank = -201,              // key-map write asked for a bank other than 0
};

// A short English meaning of a result, for the command line. Unknown values give "unknown".
std::string_view DeviceResultMeaning(DeviceResult result);
inline int ToInt(DeviceResult result) {
  return static_cast<int>(result);
}

enum class Command : std::uint8_t {
  BeginConfig = 0x01,
  EndConfig = 0x02,
  ReadDeviceInfo = 0x03,
  ReadMemory = 0x05,
  WriteMemory = 0x06,
  ReadKeyMap = 0x07,
  WriteKeyMap = 0x09,
  WriteLightBlock = 0x0B,
  SendLightFrame = 0x12,
  WriteMacroData = 0x15,
  WriteShootData = 0x17,
  ReadBlock = 0x1A,
  ReadKeyTable = 0x1B,
  EnterSoftwareLighting = 0x1C,
  QueryReceiverLink = 0xAA,
};

// Request and reply layout (both 64 bytes, byte 0 is the report id).
inline constexpr std::size_t kReportSize = 64;
inline constexpr std::uint8_t kCommandReportId = 0x04;
inline constexpr std::size_t kReportIdByte = 0;
inline constexpr std::size_t kChecksumLowByte = 1;
inline constexpr std::size_t kChecksumHighByte = 2;
inline constexpr std::size_t kCommandByte = 3;
inline constexpr std::size_t kLengthByte = 4;
inline constexpr std::size_t kOffsetLowByte = 5;
inline constexpr std::size_t kOffsetHighByte = 6;
inline constexpr std::size_t kStatusByte = 7;  // reply only; 0 in a request
inline constexpr std::size_t kPayloadByte = 8;
inline constexpr std::size_t kChecksumFirstByte = kCommandByte;
inline constexpr std::size_t kMaxPayload = kReportSize - kPayloadByte;  // 56

inline constexpr std::uint8_t kStatusErrorFF = 0xFF;
inline constexpr std::uint8_t kStatusErrorFE = 0xFE;
// Byte 3 of a reply from a receiver that cannot reach its mouse.
inline constexpr std::uint8_t kReceiverUnreachableEcho = 0xAA;
// Reply byte 8 of QueryReceiverLink when the mouse answers through the receiver.
inline constexpr std::uint8_t kReceiverLinkUp = 0xFF;

inline constexpr std::size_t kDirectChunkSize = 56;
inline constexpr std::size_t kReceiverChunkSize = 24;
inline constexpr std::size_t kShootChunkSize = 56;
inline constexpr std::uint16_t kMaxDataLength = 512;
inline constexpr std::uint16_t kKeyMapBankSize = 512;
inline constexpr int kDirectTimeoutMs = 1000;
inline constexpr int kReceiverTimeoutMs = 5000;
inline constexpr int kMaxReplyReads = 2;
inline constexpr int kEndConfigDelayMs = 10;

// Values of SetLinkMode.
inline constexpr int kLinkModeDirect = 1;
inline constexpr int kLinkModeReceiver = 2;

using Report = std::array<std::uint8_t, kReportSize>;

// 16-bit sum of bytes 3..63.
std::uint16_t ReportChecksum(std::span<const std::uint8_t, kReportSize> report);

// One request: id, command, length, offset (little-endian), payload from byte 8 (at most 56
// bytes; more is cut), checksum in bytes 1-2.
Report BuildRequest(Command command, std::uint8_t length, std::uint16_t offset,
                    std::span<const std::uint8_t> payload = {});

// The three text lines of a hex dump: the label, bytes 0-31 and bytes 32-63 (a shorter report
// is padded with zeros).
std::array<std::string, 3> FormatHexDump(std::string_view label,
                                         std::span<const std::uint8_t> report);
// Writes the dump to the diagnostic stream, its three lines kept together. Builds the text only
// when the stream is enabled.
void TraceHexDump(std::string_view label, std::span<const std::uint8_t> report);

// The device information block read by ReadDeviceInfo.
inline constexpr std::size_t kDeviceInfoBlockSize = 32;
inline constexpr std::size_t kDeviceInfoReadSize = 34;
inline constexpr std::size_t kDeviceInfoKeySlotsByte = 5;
struct DeviceInfo {
  std::array<std::uint8_t, kDeviceInfoBlockSize> block{};
  std::uint16_t trailer = 0;  // the 16-bit value after the block, little-endian on the wire
  std::uint8_t KeySlotCount() const { return block[kDeviceInfoKeySlotsByte]; }
};

class DeviceIo {
 public:
  // backend is not owned and must outlive the channel.
  explicit DeviceIo(HidBackend* backend = nullptr);
  ~DeviceIo();
  DeviceIo(const DeviceIo&) = delete;
  DeviceIo& operator=(const DeviceIo&) = delete;

  void SetBackend(HidBackend* backend);

  // Opens the command interface at path on the direct link (link mode 1) or the receiver link
  // (link mode 2) for read and write, shared, then marks the channel open and sets the link
  // mode, all under the transfer lock. False when the open fails (the channel stays closed).
  bool OpenChannel(const std::string& path, int link_mode);
  // Marks the channel closed and closes both links. A read waiting on another thread returns
  // promptly; its exchange ends with a failure code.
  void CloseChannel();

  // Mode 2 selects the receiver link (chunk size 24); any other value the direct link (56).
  void SetLinkMode(int mode);
  bool IsOpen() const { return open_.load(); }
  bool IsWireless() const { return wireless_.load(); }
  std::size_t ChunkSize() const { return chunk_size_.load(); }

  // False and no change when n > 512.
  bool SetDataLength(std::uint16_t n);
  std::uint16_t DataLength() const { return data_length_.load(); }

  void SetPaused(bool paused) { paused_.store(paused); }
  bool IsPaused() const { return paused_.load(); }
  // Set while the program-wide lighting synchroniser drives this device.
  void SetHold(bool hold) { hold_.store(hold); }
  bool IsHeld() const { return hold_.load(); }
  // True while at least one Transact runs.
  bool IsBusy() const { return busy_.load() > 0; }

  // One full exchange: request (padded to 64 bytes) written, at most two reads stopping at the
  // reply that echoes byte 3; reply gets the last report read (zeros where nothing arrived).
  DeviceResult Transact(std::span<const std::uint8_t> request, std::span<std::uint8_t> reply,
                        std::size_t* bytes_read = nullptr);
  // One write and one read on the direct link without echo check or dump (live light frames).
  DeviceResult TransactQuiet(std::span<const std::uint8_t> request, std::span<std::uint8_t> reply,
                             std::size_t* bytes_read = nullptr);

  // Commands. Read commands fill their destination chunk by chunk; on a failure the chunks
  // already received stay and the rest of the destination is untouched.
  DeviceResult BeginConfig();
  DeviceResult EndConfig();
  // info changes only when every chunk arrived.
  DeviceResult ReadDeviceInfo(DeviceInfo& info);
  DeviceResult ReadMemory(std::span<std::uint8_t> buffer, std::uint16_t address);
  DeviceResult WriteMemory(std::span<const std::uint8_t> data, std::uint16_t address);
  // Moves DataLength() bytes; a buffer shorter than that is refused (NotSent).
  DeviceResult ReadKeyMap(std::span<std::uint8_t> buffer);
  DeviceResult WriteKeyMap(std::span<const std::uint8_t> data, int bank);
  DeviceResult WriteLightBlock(std::span<const std::uint8_t> data, std::uint16_t block,
                               std::uint16_t block_size);
  DeviceResult SendLightFrame(std::span<const std::uint8_t> data);
  DeviceResult WriteMacroData(std::span<const std::uint8_t> data);
  DeviceResult WriteShootData(std::span<const std::uint8_t> data);
  // One report; at most 56 bytes.
  DeviceResult ReadBlock(std::span<std::uint8_t> buffer, std::uint16_t offset);
  // Moves DataLength() / 3 bytes.
  DeviceResult ReadKeyTable(std::span<std::uint8_t> buffer);
  DeviceResult EnterSoftwareLighting();
  // On the direct link true without traffic.
  bool QueryReceiverLink();

  // Sends a short output report over the control pipe of the direct link (the headset's
  // audio requests), under the transfer lock.
  bool SetOutputReport(std::span<const std::uint8_t> report);

 private:
  enum class Lane { Command, Light, TransferOnly };

  struct ChunkPlan {
    Command command;
    Lane lane;
    std::size_t total;       // bytes moved by the whole transfer
    std::size_t chunk_size;  // payload bytes per report
    std::uint32_t base;      // offset of the first chunk
  };

  DeviceResult RunChunks(const ChunkPlan& plan, std::span<const std::uint8_t> source,
                         std::span<std::uint8_t> destination);
  DeviceResult SendSimple(Command command);
  DeviceResult ExchangeLocked(const Report& request, Report& reply, std::size_t& got);
  DeviceResult QuietLocked(const Report& request, Report& reply, std::size_t& got);
  HidDevice& ActiveLink() { return wireless_.load() ? receiver_ : direct_; }

  std::atomic<std::uint16_t> data_length_{kMaxDataLength};
  std::atomic<int> busy_{0};
  std::atomic<bool> paused_{false};
  std::atomic<bool> open_{false};
  std::atomic<bool> hold_{false};
  std::atomic<bool> wireless_{false};
  std::atomic<std::size_t> chunk_size_{kReceiverChunkSize};

  std::mutex command_lock_;
  std::mutex light_lock_;
  std::mutex transfer_lock_;
  // Serialises OpenChannel and CloseChannel; CloseChannel must not wait for the transfer lock
  // while a read holds it.
  std::mutex link_lock_;

  HidDevice direct_;
  HidDevice receiver_;
};

}  // namespace norvik::hid
