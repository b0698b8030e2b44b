#pragma once
// One opened HID path (one top-level collection) with time-limited report reads and writes.
// Reads and writes may wait on two different threads at once; CloseHidDevice or Abort from a
// third thread makes a waiting read or write return false promptly, and never frees anything a
// waiting call still uses.

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "hid/hid_backend.h"
#include "hid/report_descriptor.h"

namespace norvik::hid {

// Longest device path accepted: 259 characters plus the terminator of the platform's buffer.
inline constexpr std::size_t kMaxDevicePathLength = 259;

// The hexadecimal number after key ("vid_", "pid_", "&mi_", "&col"), found regardless of case;
// 0 when the key is absent.
std::uint16_t ParsePathNumber(std::string_view path, std::string_view key);

class HidDevice {
 public:
  // backend is not owned and must outlive the device.
  explicit HidDevice(HidBackend* backend = nullptr);
  ~HidDevice();
  HidDevice(const HidDevice&) = delete;
  HidDevice& operator=(const HidDevice&) = delete;

  void SetBackend(HidBackend* backend);
  HidBackend* Backend() const;

  // Enumeration: the path list of the last EnumerateHidPaths, walked with NextHidPath.
  bool EnumerateHidPaths();
  std::optional<std::string> NextHidPath();
  void FreeHidPaths();

  // Stores the flags and the path, closes any open handle, and opens the path again.
  bool OpenHidDevice(const std::string& path, bool read, bool write, bool overlapped,
                     bool exclusive);
  // Reopens the stored path with the stored flags.
  bool Reopen();
  void CloseHidDevice();
  bool IsOpen() const;

  // One report read / write. timeout_ms -1 waits without limit (until a report, a close or an
  // abort). On failure the count is 0.
  bool ReadReport(std::span<std::uint8_t> buffer, int timeout_ms, std::size_t* bytes_read);
  bool WriteReport(std::span<const std::uint8_t> buffer, int timeout_ms,
                   std::size_t* bytes_written);
  // HidD_SetOutputReport on the open handle.
  bool SetOutputReport(std::span<const std::uint8_t> report);

  // Breaks a waiting read or write (the abort event).
  void Abort();

  const std::string& Path() const;
  const HidAttributes& Attributes() const;
  const HidCaps& Caps() const;
  const PreparsedData& Preparsed() const;
  std::uint32_t InterfaceNumber() const;
  std::uint32_t CollectionNumber() const;

  // The data elements of the input report, filled by UnpackInputReport.
  std::span<HidData> InputData();
  std::span<HidData> OutputData();
  std::span<HidData> FeatureData();
  bool UnpackInputReport(std::span<const std::uint8_t> report);

 private:
  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace norvik::hid
