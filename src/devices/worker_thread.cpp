#include "devices/worker_thread.h"

#include <system_error>
#include <utility>

#include "base/debug_trace.h"

namespace norvik::devices {

WorkerThread::~WorkerThread() {
  StopAndJoin();
}

bool WorkerThread::Start(Body body, std::string exit_line) {
  std::lock_guard control(control_);
  {
    std::lock_guard lock(mutex_);
    if (running_) return false;
  }
  // A thread whose body already returned is joined before its slot is reused.
  if (thread_.joinable()) thread_.join();
  {
    std::lock_guard lock(mutex_);
    stop_ = false;
    woken_ = false;
    running_ = true;
  }
  try {
    thread_ = std::thread([this, body = std::move(body), line = std::move(exit_line)]() mutable {
      id_.store(std::this_thread::get_id());
      body(*this);
      if (!line.empty()) DebugTrace(line);
      std::lock_guard lock(mutex_);
      running_ = false;
      changed_.notify_all();
    });
  } catch (const std::system_error& error) {
    DebugTraceF("worker thread not started: %s", error.what());
    std::lock_guard lock(mutex_);
    running_ = false;
    return false;
  }
  return true;
}

void WorkerThread::RequestStop() {
  std::lock_guard lock(mutex_);
  stop_ = true;
  changed_.notify_all();
}

StopOutcome WorkerThread::StopAndJoin(std::chrono::milliseconds bound) {
  if (IsCurrentThread()) {
    // A body cannot join itself; it only asks itself to end.
    RequestStop();
    DebugTrace(kStopErrorLine);
    return StopOutcome::NotRunning;
  }
  std::lock_guard control(control_);
  if (!thread_.joinable()) return StopOutcome::NotRunning;
  bool finished;
  {
    std::unique_lock lock(mutex_);
    stop_ = true;
    changed_.notify_all();
    finished = changed_.wait_for(lock, bound, [this] { return !running_; });
  }
  DebugTrace(finished ? kStopSignalledLine : kStopTimedOutLine);
  thread_.join();
  id_.store(std::thread::id{});
  return finished ? StopOutcome::Stopped : StopOutcome::TimedOut;
}

bool WorkerThread::Running() const {
  std::lock_guard lock(mutex_);
  return running_;
}

bool WorkerThread::Joinable() {
  std::lock_guard control(control_);
  return thread_.joinable();
}

bool WorkerThread::IsCurrentThread() const {
  return id_.load() == std::this_thread::get_id();
}

bool WorkerThread::StopRequested() const {
  std::lock_guard lock(mutex_);
  return stop_;
}

bool WorkerThread::WaitForStop(std::chrono::milliseconds timeout) const {
  std::unique_lock lock(mutex_);
  changed_.wait_for(lock, timeout, [this] { return stop_ || woken_; });
  woken_ = false;
  return stop_;
}

void WorkerThread::Wake() {
  std::lock_guard lock(mutex_);
  woken_ = true;
  changed_.notify_all();
}

}  // namespace norvik::devices
