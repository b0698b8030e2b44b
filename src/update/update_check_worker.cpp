#include "update/update_check_worker.h"

#include <condition_variable>
#include <mutex>
#include <stop_token>
#include <utility>

#include "base/debug_trace.h"
#include "update/update_query.h"

namespace norvik::update {

// What the query threads and the owner share for one check.
struct UpdateCheckWorker::Shared {
  std::mutex mutex;
  std::condition_variable changed;
  std::stop_source stop;
  UpdateCheckEvents events;  // cleared by Stop: nothing is delivered after it
  std::size_t remaining = 0;
  std::size_t running_threads = 0;
};

UpdateCheckWorker::UpdateCheckWorker(std::string base_url, HttpClientSettings settings)
    : base_url_(std::move(base_url)), settings_(std::move(settings)) {}

UpdateCheckWorker::~UpdateCheckWorker() {
  Stop();
}

bool UpdateCheckWorker::Start(std::vector<UpdateTarget> targets, UpdateCheckEvents events) {
  if (Running()) return false;
  Stop();  // joins the threads of a finished check
  shared_ = std::make_shared<Shared>();
  shared_->events = std::move(events);
  shared_->remaining = targets.size();
  shared_->running_threads = targets.size();
  if (targets.empty()) {
    if (shared_->events.finished) shared_->events.finished();
    return true;
  }
  for (std::size_t i = 0; i < targets.size(); ++i) {
    threads_.emplace_back(
        [shared = shared_, target = targets[i], i, url = base_url_, settings = settings_] {
          UpdateClient client(url, settings);
          const UpdateResult result =
              client.QueryUpdate(target, MakeAppKey(target), shared->stop.get_token());
          std::lock_guard lock(shared->mutex);
          if (!shared->stop.stop_requested()) {
            if (shared->events.result) shared->events.result(i, result);
            if (--shared->remaining == 0 && shared->events.finished) shared->events.finished();
          }
          --shared->running_threads;
          shared->changed.notify_all();
        });
  }
  return true;
}

bool UpdateCheckWorker::Stop(std::chrono::milliseconds bound) {
  if (!shared_) return true;
  bool in_time = true;
  {
    std::unique_lock lock(shared_->mutex);
    shared_->stop.request_stop();
    shared_->events = {};
    in_time =
        shared_->changed.wait_for(lock, bound, [this] { return shared_->running_threads == 0; });
  }
  if (!in_time) DebugTrace("update check: queries still running after the stop bound; joining");
  for (std::thread& thread : threads_) thread.join();
  threads_.clear();
  shared_.reset();
  return in_time;
}

bool UpdateCheckWorker::Running() const {
  if (!shared_) return false;
  std::lock_guard lock(shared_->mutex);
  return shared_->remaining > 0 && !shared_->stop.stop_requested();
}

}  // namespace norvik::update
