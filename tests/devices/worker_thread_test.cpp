#include "devices/worker_thread.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "keyboard_test_rig.h"

namespace norvik::devices {
namespace {

using namespace std::chrono_literals;
using testing::TraceLines;

TEST(WorkerThread, StopEndsAWaitingBodyAndWritesTheGivenExitLine) {
  TraceLines trace;
  WorkerThread worker;
  std::atomic<int> passes{0};
  ASSERT_TRUE(worker.Start(
      [&](WorkerThread& self) {
        while (!self.WaitForStop(10s)) ++passes;
      },
      "worker exit"));
  EXPECT_TRUE(worker.Running());
  EXPECT_EQ(worker.StopAndJoin(), StopOutcome::Stopped);
  EXPECT_FALSE(worker.Running());
  EXPECT_EQ(passes.load(), 0) << "the body waited for the stop, not for its 10 s";
  EXPECT_EQ(trace.Count("worker exit"), 1) << "the caller's exit line";
}

TEST(WorkerThread, ABodyOverItsBoundIsReportedAsTimedOutAndStillJoined) {
  WorkerThread worker;
  std::atomic<bool> finished{false};
  ASSERT_TRUE(worker.Start([&](WorkerThread&) {
    // Ignores the stop for a while, as a body stuck in a slow call would.
    std::this_thread::sleep_for(150ms);
    finished = true;
  }));
  EXPECT_EQ(worker.StopAndJoin(10ms), StopOutcome::TimedOut);
  EXPECT_TRUE(finished.load()) << "StopAndJoin returned before the thread ended";
  EXPECT_FALSE(worker.Joinable());
}

TEST(WorkerThread, StartIsRefusedWhileRunningAndWorksAgainAfterAStop) {
  WorkerThread worker;
  std::atomic<int> runs{0};
  const auto body = [&](WorkerThread& self) {
    ++runs;
    while (!self.WaitForStop(1s)) {
    }
  };
  ASSERT_TRUE(worker.Start(body));
  EXPECT_FALSE(worker.Start(body));
  EXPECT_EQ(worker.StopAndJoin(), StopOutcome::Stopped);
  ASSERT_TRUE(worker.Start(body));
  EXPECT_EQ(worker.StopAndJoin(), StopOutcome::Stopped);
  EXPECT_EQ(runs.load(), 2);
  EXPECT_EQ(worker.StopAndJoin(), StopOutcome::NotRunning);
}

TEST(WorkerThread, WakeEndsOneWaitWithoutStopping) {
  WorkerThread worker;
  std::atomic<int> wakes{0};
  ASSERT_TRUE(worker.Start([&](WorkerThread& self) {
    while (!self.WaitForStop(10s)) ++wakes;
  }));
  worker.Wake();
  for (int i = 0; i < 200 && wakes.load() == 0; ++i) std::this_thread::sleep_for(5ms);
  EXPECT_EQ(wakes.load(), 1);
  EXPECT_TRUE(worker.Running());
  EXPECT_EQ(worker.StopAndJoin(), StopOutcome::Stopped);
}

TEST(WorkerThread, ABodyStoppingItselfDoesNotJoinItself) {
  WorkerThread worker;
  std::atomic<StopOutcome> inner{StopOutcome::Stopped};
  ASSERT_TRUE(worker.Start([&](WorkerThread& self) { inner = self.StopAndJoin(); }));
  EXPECT_EQ(worker.StopAndJoin(), StopOutcome::Stopped);
  EXPECT_EQ(inner.load(), StopOutcome::NotRunning);
}

}  // namespace
}  // namespace norvik::devices
