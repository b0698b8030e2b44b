#pragma once
// The update window's worker: asks the update service about every target at once (one thread
// and one client per target) and hands each result to the owner as it arrives. Threads are
// never killed: Stop asks every query to end (libcurl aborts the transfer at once) and joins.

#include <chrono>
#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "update/http_client.h"
#include "update/update_reply.h"
#include "update/update_target.h"

namespace norvik::update {

// How long closing the window may wait for the queries to end.
inline constexpr std::chrono::milliseconds kUpdateWorkerStopBound{500};

// Called on the worker's threads, never after Stop has returned. The owner passes them on to
// its own thread (a posted window message); they must not block.
struct UpdateCheckEvents {
  // One call per target, in the order the answers come.
  std::function<void(std::size_t index, const UpdateResult& result)> result;
  // Once, after the last result.
  std::function<void()> finished;
};

class UpdateCheckWorker {
 public:
  explicit UpdateCheckWorker(std::string base_url, HttpClientSettings settings = {});
  // Stops with the bound above.
  ~UpdateCheckWorker();
  UpdateCheckWorker(const UpdateCheckWorker&) = delete;
  UpdateCheckWorker& operator=(const UpdateCheckWorker&) = delete;

  // Starts one query per target. False (nothing started) while a check is still running.
  bool Start(std::vector<UpdateTarget> targets, UpdateCheckEvents events);
  // Asks every query to stop, waits up to bound for them and joins them. No event is delivered
  // once this returns. True when every query ended within the bound (the rest were joined
  // after it; they end within moments of the request).
  bool Stop(std::chrono::milliseconds bound = kUpdateWorkerStopBound);
  // A check was started and has not delivered "finished" yet, nor been stopped.
  bool Running() const;

 private:
  struct Shared;
  std::string base_url_;
  HttpClientSettings settings_;
  std::shared_ptr<Shared> shared_;
  std::vector<std::thread> threads_;
};

}  // namespace norvik::update
