#pragma once
// The seam between HidDevice and a HID stack. Two implementations exist: the real one over
// hidapi (hidraw on Linux) in this folder, and the emulated bus in emulator/.
//
// Paths are presented one per top-level collection on every platform, in the Windows form the
// layers above parse: the text contains "vid_XXXX", "pid_XXXX", "&mi_XX" (interface, when the
// device has several) and "&colXX" (collection number, 1-based in descriptor order, when the
// interface has several top-level collections). A stack that serves a whole interface through
// one node (hidraw) is split into such paths by CollectionSplitter (collection_splitter.h).

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace norvik::hid {

struct HidAttributes {
  std::uint16_t vendor_id = 0;
  std::uint16_t product_id = 0;
  std::uint16_t version = 0;
};

// Result of HidHandle::Read.
inline constexpr int kReadTimedOut = 0;  // nothing arrived within the time limit
inline constexpr int kReadFailed = -1;   // device gone or the stack failed

// One open path. Read and Write may be called from two different threads at the same time;
// every other call comes from the thread that owns the HidDevice.
class HidHandle {
 public:
  virtual ~HidHandle() = default;

  // Reads one input report into buffer (byte 0 is the report id, 0 when the collection uses
  // none). Waits at most timeout_ms (callers keep it short, <= 50 ms, and loop). Returns the
  // number of bytes stored (> 0), kReadTimedOut, or kReadFailed.
  virtual int Read(std::span<std::uint8_t> buffer, int timeout_ms) = 0;

  // Writes one output report over the interrupt pipe (byte 0 is the report id). Returns the
  // number of bytes written, or a negative value on failure. Waits at most timeout_ms.
  virtual int Write(std::span<const std::uint8_t> report, int timeout_ms) = 0;

  // Sends one output report over the control pipe (HidD_SetOutputReport). Byte 0 is the id.
  virtual bool SetOutputReport(std::span<const std::uint8_t> report) = 0;

  virtual HidAttributes Attributes() const = 0;

  // The report descriptor of the node this path belongs to, with all its top-level collections.
  virtual std::vector<std::uint8_t> ReportDescriptor() const = 0;

  // Which top-level collection of ReportDescriptor() this path stands for, 1-based in
  // descriptor order. Caps, report lengths and unpacking use that collection only.
  virtual int CollectionIndex() const = 0;
};

class HidBackend {
 public:
  virtual ~HidBackend() = default;

  // Every present path, one per top-level collection; nullopt when the stack cannot be asked.
  virtual std::optional<std::vector<std::string>> EnumeratePaths() = 0;

  // Opens one path. Null when it is gone or cannot be opened with the requested access.
  virtual std::unique_ptr<HidHandle> Open(const std::string& path, bool read, bool write,
                                          bool exclusive) = 0;

  // True when path is present but this user may not open it (the node's permissions refuse
  // it), so a watcher can tell the user instead of skipping the device. False when the path can
  // be opened, is gone, or the stack cannot tell.
  virtual bool AccessDenied(const std::string& /*path*/) { return false; }

  // Optional change notification: a number that changes whenever the set of present paths may
  // have changed (a plug or an unplug), so a watcher can skip enumerating an unchanged bus.
  // nullopt (the default) when the backend cannot tell; callers then enumerate on every pass.
  virtual std::optional<std::uint64_t> ChangeCounter() { return std::nullopt; }
};

}  // namespace norvik::hid
