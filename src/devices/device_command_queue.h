#pragma once
// A device's command worker: a FIFO of jobs run one at a time on a worker thread of its own,
// so the program's device work (start-up reads, settings reads and writes, profile pushes)
// never runs on the thread that asks for it, and the jobs of one device never overlap.
//
// Jobs that supersede each other carry the same key: queuing a keyed job drops a queued (not
// yet running) job of that key, so a slider dragged through many values sends only the last.
// A device that goes away drops its queued jobs (DropPending); Stop drops them too, lets the
// running job finish within the bound and joins. Toolkit-free: results travel back through
// whatever the job captures (the program posts them to its UI thread).

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <mutex>
#include <string>

#include "devices/worker_thread.h"

namespace norvik::devices {

class DeviceCommandQueue {
 public:
  using Job = std::function<void()>;

  // name appears in the diagnostic lines of the worker.
  explicit DeviceCommandQueue(std::string name);
  // Stops with the default bound.
  ~DeviceCommandQueue();
  DeviceCommandQueue(const DeviceCommandQueue&) = delete;
  DeviceCommandQueue& operator=(const DeviceCommandQueue&) = delete;

  // Starts the worker; a running one is kept. False when the thread cannot be created.
  bool Start();
  // Queues job behind the others. With a non-empty key a queued job of the same key is dropped
  // first (the newest one wins). False, and the job dropped, when the queue is not running.
  bool Enqueue(Job job, std::string key = {});
  // Drops every queued job; the running one finishes. Returns how many were dropped.
  std::size_t DropPending();
  // Drops the queued jobs, waits up to bound for the running one and joins the worker.
  StopOutcome Stop(std::chrono::milliseconds bound = kDefaultStopBound);

  bool Running() const { return worker_.Running(); }
  std::size_t PendingCount() const;
  // Nothing queued and nothing running.
  bool IsIdle() const;
  // Waits until the queue is idle; false when timeout ran out first.
  bool WaitIdle(std::chrono::milliseconds timeout) const;
  // True on the worker thread (a job asking where it runs).
  bool IsWorkerThread() const { return worker_.IsCurrentThread(); }

 private:
  struct Entry {
    Job job;
    std::string key;
  };

  void Loop(WorkerThread& self);

  const std::string name_;
  mutable std::mutex mutex_;
  mutable std::condition_variable idle_;
  std::deque<Entry> jobs_;
  bool busy_ = false;
  bool accepting_ = false;
  WorkerThread worker_;
};

}  // namespace norvik::devices
