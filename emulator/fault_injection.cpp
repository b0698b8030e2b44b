#include "emulator/fault_injection.h"

#include <algorithm>

namespace norvik::emulator {

void FaultInjector::DropReplies(int n) {
  std::lock_guard lock(mutex_);
  drop_remaining_ = std::max(0, n);
}

void FaultInjector::QueueStaleReply(int n) {
  std::lock_guard lock(mutex_);
  stale_remaining_ = std::max(0, n);
}

void FaultInjector::FailNthRequest(int n, std::uint8_t status) {
  if (n < 1) return;
  std::lock_guard lock(mutex_);
  statuses_.push_back(ArmedStatus{n, status, std::nullopt});
}

void FaultInjector::FailChunk(std::uint8_t command, int chunk, std::uint8_t status) {
  if (chunk < 1) return;
  std::lock_guard lock(mutex_);
  statuses_.push_back(ArmedStatus{chunk, status, command});
}

void FaultInjector::UnplugAfterRequests(int k) {
  std::lock_guard lock(mutex_);
  unplug_after_ = std::max(0, k);
}

void FaultInjector::SetReportDelay(std::chrono::microseconds delay) {
  std::lock_guard lock(mutex_);
  delay_ = std::max(delay, std::chrono::microseconds{0});
}

std::chrono::microseconds FaultInjector::ReportDelay() const {
  std::lock_guard lock(mutex_);
  return delay_;
}

void FaultInjector::SetPollInterval(std::chrono::microseconds interval) {
  std::lock_guard lock(mutex_);
  poll_interval_ = std::max(interval, std::chrono::microseconds{0});
}

std::chrono::microseconds FaultInjector::PollInterval() const {
  std::lock_guard lock(mutex_);
  return poll_interval_;
}

void FaultInjector::Clear() {
  std::lock_guard lock(mutex_);
  drop_remaining_ = 0;
  stale_remaining_ = 0;
  statuses_.clear();
  unplug_after_.reset();
  delay_ = std::chrono::microseconds{0};
  poll_interval_ = std::chrono::microseconds{0};
}

bool FaultInjector::Armed() const {
  std::lock_guard lock(mutex_);
  return drop_remaining_ > 0 || stale_remaining_ > 0 || !statuses_.empty() ||
         unplug_after_.has_value();
}

FaultInjector::RequestFault FaultInjector::OnCommandRequest(std::uint8_t command) {
  std::lock_guard lock(mutex_);
  RequestFault fault;
  if (drop_remaining_ > 0) {
    --drop_remaining_;
    fault.drop = true;
    return fault;
  }
  // Every armed status counts this request if it matches; the first one due wins, the others
  // that fall due at the same request are used up as well.
  for (auto it = statuses_.begin(); it != statuses_.end();) {
    if (!it->command || *it->command == command) {
      if (--it->remaining == 0) {
        if (!fault.status) fault.status = it->status;
        it = statuses_.erase(it);
        continue;
      }
    }
    ++it;
  }
  if (stale_remaining_ > 0) {
    --stale_remaining_;
    fault.stale_replies = 1;
  }
  return fault;
}

bool FaultInjector::UnplugBeforeOutputReport() {
  std::lock_guard lock(mutex_);
  if (!unplug_after_) return false;
  if (*unplug_after_ > 0) {
    --*unplug_after_;
    return false;
  }
  unplug_after_.reset();
  return true;
}

}  // namespace norvik::emulator
