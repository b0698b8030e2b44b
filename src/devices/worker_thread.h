#pragma once
// A stoppable worker thread: a std::thread with a stop flag and a condition variable standing in
// for the stop event. Threads are never killed: StopAndJoin signals, waits up to a bound for the
// body to return, writes the exit line that says how the wait ended, and then joins. Bodies must
// check the stop flag (WaitForStop / StopRequested) at least every 50 ms, and blocking reads use
// short slices, so the join comes promptly even after the bound ran out.

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>

namespace norvik::devices {

// How a stop ended; each outcome writes its own diagnostic line.
enum class StopOutcome {
  NotRunning,  // nothing to stop
  Stopped,     // the body returned within the bound
  TimedOut,    // the bound ran out; the thread was joined after it returned
};

// Exit lines of a stop, as the diagnostic stream shows them.
inline constexpr std::string_view kStopSignalledLine =
    "线程退出：：对象处于激发状态 (thread stopped on request)\n";
inline constexpr std::string_view kStopTimedOutLine =
    "线程退出：：对象处于非激发状态，超时 (thread stop timed out; joined later)\n";
inline constexpr std::string_view kStopErrorLine = "线程退出：：错误 (thread stop failed)\n";

// Default bound of a stop (the device threads' 500 ms).
inline constexpr std::chrono::milliseconds kDefaultStopBound{500};

class WorkerThread {
 public:
  // The body gets its own worker to ask for the stop; it returns when a stop is requested.
  using Body = std::function<void(WorkerThread& self)>;

  WorkerThread() = default;
  // Stops and joins (default bound).
  ~WorkerThread();
  WorkerThread(const WorkerThread&) = delete;
  WorkerThread& operator=(const WorkerThread&) = delete;

  // Starts body on a new thread with a fresh stop flag. exit_line (may be empty) is written by
  // the thread when the body returns. False when a thread is still running (stop it first) or
  // the thread cannot be created.
  bool Start(Body body, std::string exit_line = {});

  // Signals the stop; does not wait.
  void RequestStop();
  // Signals the stop, waits up to bound for the body to return, writes the outcome's line and
  // joins. Must not be called from the worker itself (returns NotRunning then, without joining).
  StopOutcome StopAndJoin(std::chrono::milliseconds bound = kDefaultStopBound);

  // True between Start and the end of the body.
  bool Running() const;
  // True when a thread was started and not yet joined.
  bool Joinable();
  // True when the calling thread is this worker.
  bool IsCurrentThread() const;

  // --- for the body ---
  bool StopRequested() const;
  // Waits up to timeout for a stop request (or a Wake); true when a stop was requested.
  bool WaitForStop(std::chrono::milliseconds timeout) const;
  // Ends the body's current WaitForStop early without stopping it (e.g. new work arrived).
  void Wake();

 private:
  mutable std::mutex mutex_;
  mutable std::condition_variable changed_;
  bool stop_ = false;
  bool running_ = false;
  mutable bool woken_ = false;
  std::thread thread_;
  std::atomic<std::thread::id> id_{};
  // Serialises Start and StopAndJoin from several owners' threads.
  std::mutex control_;
};

}  // namespace norvik::devices
