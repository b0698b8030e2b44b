#pragma once
// Faults a test arms on one emulated device: lost replies, stale replies, error statuses at a
// chosen request, a device pulled out in the middle of a transfer, and a slow report pipe.
// Thread-safe: a test thread arms faults while the device answers on another.

#include <chrono>
#include <cstdint>
#include <mutex>
#include <optional>
#include <vector>

namespace norvik::emulator {

class FaultInjector {
 public:
  // The next n command requests are swallowed: neither executed nor answered.
  void DropReplies(int n);

  // Before the answer to each of the next n command requests, a reply to a different command
  // is queued (as a reply left over from an earlier exchange would be).
  void QueueStaleReply(int n = 1);

  // The n-th command request from now (1-based) is refused with status (0xFE or 0xFF) and not
  // executed.
  void FailNthRequest(int n, std::uint8_t status);

  // The chunk-th request (1-based) of the next transfer of command is refused with status and
  // not executed; requests of other commands in between are not counted.
  void FailChunk(std::uint8_t command, int chunk, std::uint8_t status);

  // The next k output reports are accepted as usual; then the device is pulled from the bus,
  // so the (k+1)-th write fails and every handle fails from then on.
  void UnplugAfterRequests(int k);

  // Models the interrupt interval: each input report becomes readable only delay after the
  // later of its creation and the previous report's ready time. Zero turns it off.
  void SetReportDelay(std::chrono::microseconds delay);
  std::chrono::microseconds ReportDelay() const;

  // Models a USB interrupt endpoint polled on a fixed schedule: input reports leave at the
  // polls of a free-running clock ticking every interval, at most one report per poll, the
  // first poll after the report was made. Unlike the report delay, a reply made just after a
  // poll waits for the next one, and a host that answers late within a period loses nothing.
  // Zero turns it off.
  void SetPollInterval(std::chrono::microseconds interval);
  std::chrono::microseconds PollInterval() const;

  // Disarms everything, the delay included.
  void Clear();
  // True while any fault is armed (the delay does not count).
  bool Armed() const;

  // --- used by the emulated device ---
  struct RequestFault {
    bool drop = false;
    std::optional<std::uint8_t> status;  // refuse with this status
    int stale_replies = 0;               // stale replies to queue before the answer
  };
  // Consulted once per command request, before it is executed.
  RequestFault OnCommandRequest(std::uint8_t command);
  // Consulted once per output report; true when the device must leave the bus instead of
  // taking it.
  bool UnplugBeforeOutputReport();

 private:
  struct ArmedStatus {
    int remaining = 0;  // matching requests still to let through, plus one
    std::uint8_t status = 0;
    std::optional<std::uint8_t> command;
  };

  mutable std::mutex mutex_;
  int drop_remaining_ = 0;
  int stale_remaining_ = 0;
  std::vector<ArmedStatus> statuses_;
  std::optional<int> unplug_after_;
  std::chrono::microseconds delay_{0};
  std::chrono::microseconds poll_interval_{0};
};

}  // namespace norvik::emulator
