#pragma once
// Output reports written to a device node with a time limit the caller can rely on.
//
// hidraw tells poll() that it is always writable, and its write() blocks inside the kernel until
// the USB core gives up on the device (seconds, far past the limits the command channel keeps).
// Neither poll() nor O_NONBLOCK can bound that, so the write runs on a thread of this object:
// the caller waits at most its own limit and gets "not written yet" when the device is wedged,
// while the thread keeps a copy of the report (never the caller's buffer). A node that honours
// O_NONBLOCK (a pipe, a socket) is also waited on with poll(), so nothing blocks there either.

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <span>
#include <thread>
#include <vector>

namespace norvik::hid {

// A report that has waited this long without going out is dropped (the longest limit any
// caller uses); the next report then gets its turn.
inline constexpr int kReportGiveUpMs = 5000;

class TimedReportWriter {
 public:
  // Takes ownership of fd (opened for writing, best with O_NONBLOCK).
  explicit TimedReportWriter(int fd);
  // Waits for a write that is inside the kernel (the kernel's own limit) and closes fd.
  ~TimedReportWriter();
  TimedReportWriter(const TimedReportWriter&) = delete;
  TimedReportWriter& operator=(const TimedReportWriter&) = delete;

  // Writes one report, waiting at most timeout_ms. Returns the bytes written (> 0), 0 when it
  // has not gone out yet (call again with the same bytes to keep waiting for it: a report with
  // the same bytes still queued is taken as that retry), or a negative value on failure.
  int Write(std::span<const std::uint8_t> report, int timeout_ms);

 private:
  enum class State { Idle, Queued, Writing, Done };
  void Run();
  // One report out: poll for room, write; -1 on an error, on stop or past give_up.
  int WriteNow(const std::vector<std::uint8_t>& report,
               std::chrono::steady_clock::time_point give_up) const;

  const int fd_;
  std::mutex mutex_;
  std::condition_variable changed_;
  State state_ = State::Idle;
  std::vector<std::uint8_t> pending_;
  std::chrono::steady_clock::time_point queued_at_;
  int result_ = 0;
  std::atomic<bool> stop_{false};  // set under mutex_ (for the waits), read without it
  std::thread thread_;             // last: started once everything above is set
};

}  // namespace norvik::hid
