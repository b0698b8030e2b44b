#include "devices/device_command_queue.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace norvik::devices {
namespace {

using namespace std::chrono_literals;

// A job that holds the worker until the test opens the gate.
class Gate {
 public:
  void Open() {
    std::lock_guard lock(mutex_);
    open_ = true;
    changed_.notify_all();
  }
  void Wait() {
    std::unique_lock lock(mutex_);
    entered_ = true;
    changed_.notify_all();
    changed_.wait(lock, [this] { return open_; });
  }
  bool WaitEntered() {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, 2s, [this] { return entered_; });
  }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  bool open_ = false;
  bool entered_ = false;
};

class Recorder {
 public:
  DeviceCommandQueue::Job Job(std::string name) {
    return [this, name] {
      std::lock_guard lock(mutex_);
      runs_.push_back(name);
      threads_.push_back(std::this_thread::get_id());
    };
  }
  std::vector<std::string> Runs() {
    std::lock_guard lock(mutex_);
    return runs_;
  }
  std::vector<std::thread::id> Threads() {
    std::lock_guard lock(mutex_);
    return threads_;
  }

 private:
  std::mutex mutex_;
  std::vector<std::string> runs_;
  std::vector<std::thread::id> threads_;
};

TEST(DeviceCommandQueue, RunsJobsInOrderOnItsOwnThreadAndCoalescesKeyedOnesToTheNewest) {
  DeviceCommandQueue queue("test");
  ASSERT_TRUE(queue.Start());
  Gate gate;
  Recorder recorder;
  ASSERT_TRUE(queue.Enqueue([&] { gate.Wait(); }));
  ASSERT_TRUE(gate.WaitEntered());
  // While the first job holds the worker: a slider dragged through three values between two
  // other edits, one of them keyed as well.
  struct Row {
    const char* name;
    const char* key;
  };
  const Row rows[] = {{"dpi 400", "dpi1"}, {"polling", ""},      {"dpi 800", "dpi1"},
                      {"flag on", "flag"}, {"dpi 1600", "dpi1"}, {"read", ""}};
  for (const Row& row : rows) ASSERT_TRUE(queue.Enqueue(recorder.Job(row.name), row.key));
  EXPECT_EQ(queue.PendingCount(), 4u) << "two superseded DPI values were dropped at once";
  gate.Open();
  ASSERT_TRUE(queue.WaitIdle(2s));
  EXPECT_EQ(recorder.Runs(), (std::vector<std::string>{"polling", "flag on", "dpi 1600", "read"}));
  for (const std::thread::id id : recorder.Threads()) EXPECT_NE(id, std::this_thread::get_id());
}

TEST(DeviceCommandQueue, DropPendingLetsTheRunningJobFinishAndKeepsTheQueueUsable) {
  DeviceCommandQueue queue("test");
  ASSERT_TRUE(queue.Start());
  Gate gate;
  Recorder recorder;
  std::atomic<bool> first_done{false};
  ASSERT_TRUE(queue.Enqueue([&] {
    gate.Wait();
    first_done = true;
  }));
  ASSERT_TRUE(gate.WaitEntered());
  ASSERT_TRUE(queue.Enqueue(recorder.Job("settings")));
  ASSERT_TRUE(queue.Enqueue(recorder.Job("push")));
  EXPECT_EQ(queue.DropPending(), 2u);
  EXPECT_FALSE(queue.IsIdle()) << "the running job is not cut";
  gate.Open();
  ASSERT_TRUE(queue.WaitIdle(2s));
  EXPECT_TRUE(first_done.load());
  ASSERT_TRUE(queue.Enqueue(recorder.Job("after")));
  ASSERT_TRUE(queue.WaitIdle(2s));
  EXPECT_EQ(recorder.Runs(), std::vector<std::string>{"after"});
}

TEST(DeviceCommandQueue, StopDropsQueuedJobsWaitsForTheRunningOneAndRefusesNewOnes) {
  struct Case {
    std::chrono::milliseconds job_length;
    std::chrono::milliseconds bound;
    StopOutcome expected;
  };
  for (const Case& c :
       {Case{30ms, 1000ms, StopOutcome::Stopped}, Case{200ms, 20ms, StopOutcome::TimedOut}}) {
    DeviceCommandQueue queue("test");
    ASSERT_TRUE(queue.Start());
    Gate gate;
    Recorder recorder;
    std::atomic<bool> finished{false};
    ASSERT_TRUE(queue.Enqueue([&] {
      gate.Wait();
      std::this_thread::sleep_for(c.job_length);  // a slow transfer that ignores the stop
      finished = true;
    }));
    ASSERT_TRUE(gate.WaitEntered());
    ASSERT_TRUE(queue.Enqueue(recorder.Job("queued")));
    gate.Open();
    EXPECT_EQ(queue.Stop(c.bound), c.expected) << c.job_length.count() << " ms job";
    EXPECT_TRUE(finished.load()) << "Stop returned while the job still ran";
    EXPECT_FALSE(queue.Running());
    EXPECT_FALSE(queue.Enqueue(recorder.Job("late")));
    EXPECT_TRUE(recorder.Runs().empty()) << "a queued job ran after the stop";
  }
}

TEST(DeviceCommandQueue, ARestartedQueueRunsNewJobs) {
  DeviceCommandQueue queue("test");
  Recorder recorder;
  EXPECT_FALSE(queue.Enqueue(recorder.Job("before start")));
  ASSERT_TRUE(queue.Start());
  EXPECT_EQ(queue.Stop(), StopOutcome::Stopped);
  ASSERT_TRUE(queue.Start());
  ASSERT_TRUE(queue.Enqueue(recorder.Job("second life")));
  ASSERT_TRUE(queue.WaitIdle(2s));
  EXPECT_EQ(recorder.Runs(), std::vector<std::string>{"second life"});
}

}  // namespace
}  // namespace norvik::devices
