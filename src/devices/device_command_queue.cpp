#include "devices/device_command_queue.h"

#include <algorithm>
#include <utility>

#include "base/debug_trace.h"

namespace norvik::devices {
namespace {
// How often an idle worker looks at its stop flag; Enqueue wakes it at once anyway.
constexpr std::chrono::milliseconds kIdlePoll{50};
}  // namespace

DeviceCommandQueue::DeviceCommandQueue(std::string name) : name_(std::move(name)) {}

DeviceCommandQueue::~DeviceCommandQueue() {
  Stop();
}

bool DeviceCommandQueue::Start() {
  {
    std::lock_guard lock(mutex_);
    accepting_ = true;
  }
  if (worker_.Running()) return true;
  const bool started =
      worker_.Start([this](WorkerThread& self) { Loop(self); }, name_ + " command worker ends");
  if (!started) {
    std::lock_guard lock(mutex_);
    accepting_ = false;
  }
  return started;
}

bool DeviceCommandQueue::Enqueue(Job job, std::string key) {
  if (!job) return false;
  {
    std::lock_guard lock(mutex_);
    if (!accepting_) return false;
    if (!key.empty()) {
      std::erase_if(jobs_, [&key](const Entry& entry) { return entry.key == key; });
    }
    jobs_.push_back(Entry{std::move(job), std::move(key)});
  }
  worker_.Wake();
  return true;
}

std::size_t DeviceCommandQueue::DropPending() {
  std::deque<Entry> dropped;
  {
    std::lock_guard lock(mutex_);
    dropped.swap(jobs_);
  }
  if (!dropped.empty()) {
    DebugTraceF("%s: %zu queued device jobs dropped", name_.c_str(), dropped.size());
  }
  idle_.notify_all();
  // The jobs' captures are released here, outside the lock.
  return dropped.size();
}

StopOutcome DeviceCommandQueue::Stop(std::chrono::milliseconds bound) {
  {
    std::lock_guard lock(mutex_);
    accepting_ = false;
  }
  DropPending();
  const StopOutcome outcome = worker_.StopAndJoin(bound);
  idle_.notify_all();
  return outcome;
}

std::size_t DeviceCommandQueue::PendingCount() const {
  std::lock_guard lock(mutex_);
  return jobs_.size();
}

bool DeviceCommandQueue::IsIdle() const {
  std::lock_guard lock(mutex_);
  return jobs_.empty() && !busy_;
}

bool DeviceCommandQueue::WaitIdle(std::chrono::milliseconds timeout) const {
  std::unique_lock lock(mutex_);
  return idle_.wait_for(lock, timeout, [this] { return jobs_.empty() && !busy_; });
}

void DeviceCommandQueue::Loop(WorkerThread& self) {
  while (!self.StopRequested()) {
    Entry entry;
    {
      std::lock_guard lock(mutex_);
      if (!jobs_.empty()) {
        entry = std::move(jobs_.front());
        jobs_.pop_front();
        busy_ = true;
      }
    }
    if (!entry.job) {
      idle_.notify_all();
      self.WaitForStop(kIdlePoll);
      continue;
    }
    entry.job();
    entry.job = nullptr;  // captures go before the queue counts as idle
    {
      std::lock_guard lock(mutex_);
      busy_ = false;
    }
    idle_.notify_all();
  }
}

}  // namespace norvik::devices
