#include "hid/timed_report_writer.h"

#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>

namespace norvik::hid {
namespace {

using Clock = std::chrono::steady_clock;

// How often the writing thread looks at its stop flag while a node has no room.
constexpr int kPollSliceMs = 50;

}  // namespace

TimedReportWriter::TimedReportWriter(int fd) : fd_(fd), thread_([this] { Run(); }) {}

TimedReportWriter::~TimedReportWriter() {
  {
    std::lock_guard lock(mutex_);
    stop_ = true;
  }
  changed_.notify_all();
  thread_.join();
  if (fd_ >= 0) ::close(fd_);
}

int TimedReportWriter::Write(std::span<const std::uint8_t> report, int timeout_ms) {
  if (fd_ < 0 || report.empty()) return -1;
  const auto deadline = Clock::now() + std::chrono::milliseconds(std::max(timeout_ms, 0));
  std::unique_lock lock(mutex_);
  const bool retry = state_ != State::Idle &&
                     std::equal(pending_.begin(), pending_.end(), report.begin(), report.end());
  if (!retry) {
    // The previous report first: the device takes them in order.
    const bool free = changed_.wait_until(
        lock, deadline, [&] { return state_ == State::Idle || state_ == State::Done; });
    if (!free) return 0;
    pending_.assign(report.begin(), report.end());
    queued_at_ = Clock::now();
    state_ = State::Queued;
    changed_.notify_all();
  }
  if (!changed_.wait_until(lock, deadline, [&] { return state_ == State::Done; })) return 0;
  state_ = State::Idle;
  return result_;
}

void TimedReportWriter::Run() {
  std::unique_lock lock(mutex_);
  for (;;) {
    changed_.wait(lock, [&] { return stop_ || state_ == State::Queued; });
    if (stop_) return;
    state_ = State::Writing;
    const std::vector<std::uint8_t> report = pending_;
    const auto give_up = queued_at_ + std::chrono::milliseconds(kReportGiveUpMs);
    lock.unlock();
    const int result = WriteNow(report, give_up);
    lock.lock();
    result_ = result;
    state_ = State::Done;
    changed_.notify_all();
  }
}

int TimedReportWriter::WriteNow(const std::vector<std::uint8_t>& report,
                                Clock::time_point give_up) const {
  for (;;) {
    if (stop_.load()) return -1;
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(give_up - Clock::now()).count();
    if (left <= 0) return -1;
    pollfd watch{fd_, POLLOUT, 0};
    const int ready = ::poll(&watch, 1, static_cast<int>(std::min<long long>(left, kPollSliceMs)));
    if (ready < 0 && errno != EINTR) return -1;
    if (ready <= 0) continue;
    if ((watch.revents & (POLLERR | POLLHUP | POLLNVAL)) != 0) return -1;
    const ssize_t written = ::write(fd_, report.data(), report.size());
    if (written >= 0) return static_cast<int>(written);
    if (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR) return -1;
  }
}

}  // namespace norvik::hid
