#pragma once
// The notification readers of one device: one thread per bound consumer-control interface
// (the mouse has two, its cable's and its receiver's), each reading input reports in short
// slices and handing the first usage of each report to the device.

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "devices/worker_thread.h"
#include "hid/hid_backend.h"
#include "hid/hid_device.h"
#include "hid/hid_interface_table.h"

namespace norvik::devices {

// Length of one read slice: the longest a reader takes to see a stop request.
inline constexpr int kNotificationReadSliceMs = 50;

class NotificationReaders {
 public:
  // Called on the reader thread with the interface's kind and the usage (0 = released).
  using UsageHandler = std::function<void(hid::DeviceKind kind, std::uint16_t usage)>;

  // backend is not owned and must outlive the readers. exit_line gives the line each reader
  // thread writes when it ends (asked when a reader starts).
  NotificationReaders(hid::HidBackend* backend, UsageHandler handler,
                      std::function<std::string()> exit_line);
  // Stops every reader.
  ~NotificationReaders();
  NotificationReaders(const NotificationReaders&) = delete;
  NotificationReaders& operator=(const NotificationReaders&) = delete;

  // Opens the consumer-control interface of kind at path and starts its reader; a running
  // reader of that kind is stopped first. False when the open fails.
  bool Bind(const std::string& path, hid::DeviceKind kind);
  // Stops the kind's reader (500 ms bound) and closes its interface; how the stop went.
  StopOutcome Unbind(hid::DeviceKind kind);
  void UnbindAll();
  bool IsBound(hid::DeviceKind kind) const;

 private:
  struct Reader {
    hid::DeviceKind kind;
    hid::HidDevice device;
    WorkerThread thread;
    Reader(hid::DeviceKind k, hid::HidBackend* backend) : kind(k), device(backend) {}
  };

  void Loop(Reader& reader, WorkerThread& self);
  static StopOutcome Stop(Reader& reader);
  std::unique_ptr<Reader> Take(hid::DeviceKind kind);

  hid::HidBackend* backend_;
  const UsageHandler handler_;
  const std::function<std::string()> exit_line_;
  // Held only to find or replace a reader, never while one is stopped.
  mutable std::mutex readers_lock_;
  std::map<hid::DeviceKind, std::unique_ptr<Reader>> readers_;
  // Serialises bind and unbind.
  std::mutex bind_lock_;
};

}  // namespace norvik::devices
