// The update window's worker against a service of the test's own: every target asked at once,
// each result handed over once, and a stop that ends replies that never finish.
#include "update/update_check_worker.h"

#include <condition_variable>
#include <cstdlib>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "support/local_update_server.h"

namespace norvik::update {
namespace {

using namespace std::chrono_literals;
using testing::LocalUpdateServer;
using testing::UpdateReplyPlan;
using testing::UpdateRequest;

std::vector<UpdateTarget> Targets(int count) {
  std::vector<UpdateTarget> targets;
  for (int i = 0; i < count; ++i) {
    UpdateTarget target;
    target.hex_flag = 1;
    target.version = 0x100 + i;
    target.key_prefix = "T";
    target.target_type = "FW";
    target.key_suffix = "M" + std::to_string(i);
    target.name = "item " + std::to_string(i);
    targets.push_back(target);
  }
  return targets;
}

struct Collected {
  std::mutex mutex;
  std::condition_variable changed;
  std::vector<std::pair<std::size_t, UpdateResult>> results;
  int finished = 0;

  UpdateCheckEvents Events() {
    UpdateCheckEvents events;
    events.result = [this](std::size_t index, const UpdateResult& result) {
      std::lock_guard lock(mutex);
      results.emplace_back(index, result);
      changed.notify_all();
    };
    events.finished = [this] {
      std::lock_guard lock(mutex);
      ++finished;
      changed.notify_all();
    };
    return events;
  }
};

class UpdateCheckWorkerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ::setenv("no_proxy", "127.0.0.1", 1);
    ::setenv("NO_PROXY", "127.0.0.1", 1);
  }
};

TEST_F(UpdateCheckWorkerTest, AsksEveryTargetAtOnceAndHandsEachResultOverOnce) {
  // Each reply waits until all four requests have arrived: only parallel queries can finish.
  LocalUpdateServer* self = nullptr;
  LocalUpdateServer server([&self](const UpdateRequest& request) {
    UpdateReplyPlan plan;
    const bool all_there = self->WaitForRequests(4, 5s);
    const std::string key = request.form.count("app_key") ? request.form.at("app_key") : "";
    // Item 2 gets a newer version, the others their own, and an item with all_there false
    // nothing usable.
    const std::string version = key == "T_1_FW_M2_1" ? "0a00" : request.form.at("version");
    plan.body = all_there ? "{\"version\":\"" + version + "\",\"name\":\"pkg-" + key + "\"}" : "x";
    return plan;
  });
  self = &server;
  ASSERT_NE(server.port(), 0);
  Collected got;
  {
    UpdateCheckWorker worker(server.BaseUrl());
    ASSERT_TRUE(worker.Start(Targets(4), got.Events()));
    EXPECT_FALSE(worker.Start(Targets(1), {})) << "a second check while one runs";
    std::unique_lock lock(got.mutex);
    ASSERT_TRUE(got.changed.wait_for(lock, 10s, [&] { return got.finished == 1; }));
  }
  ASSERT_EQ(got.results.size(), 4u);
  std::set<std::size_t> indexes;
  for (const auto& [index, result] : got.results) {
    SCOPED_TRACE(index);
    indexes.insert(index);
    EXPECT_EQ(result.status, index == 2 ? kStatusNewerAvailable : kStatusUpToDate);
    EXPECT_EQ(result.name, "pkg-T_1_FW_M" + std::to_string(index) + "_1");
  }
  EXPECT_EQ(indexes.size(), 4u);
  EXPECT_EQ(got.finished, 1);
}

TEST_F(UpdateCheckWorkerTest, StopEndsRepliesThatNeverFinishWithinTheBoundAndDeliversNothing) {
  LocalUpdateServer server([](const UpdateRequest&) {
    UpdateReplyPlan plan;
    plan.body = "{\"version\":";
    plan.never_finish = true;
    return plan;
  });
  ASSERT_NE(server.port(), 0);
  Collected got;
  UpdateCheckWorker worker(server.BaseUrl());
  ASSERT_TRUE(worker.Start(Targets(3), got.Events()));
  ASSERT_TRUE(server.WaitForRequests(3, 10s));
  EXPECT_TRUE(worker.Running());
  EXPECT_TRUE(worker.Stop()) << "the queries outlived the stop bound";
  EXPECT_FALSE(worker.Running());
  std::lock_guard lock(got.mutex);
  EXPECT_TRUE(got.results.empty());
  EXPECT_EQ(got.finished, 0);
}

TEST_F(UpdateCheckWorkerTest, NoTargetsFinishesAtOnce) {
  Collected got;
  UpdateCheckWorker worker("http://127.0.0.1:9/api/");
  ASSERT_TRUE(worker.Start({}, got.Events()));
  EXPECT_EQ(got.finished, 1);
  EXPECT_FALSE(worker.Running());
}

}  // namespace
}  // namespace norvik::update
