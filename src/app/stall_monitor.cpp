#include "app/stall_monitor.h"

#include <algorithm>

namespace norvik::app {
namespace {

constexpr int kTickMs = 1;

double MsBetween(std::chrono::steady_clock::time_point from,
                 std::chrono::steady_clock::time_point to) {
  return std::chrono::duration<double, std::milli>(to - from).count();
}

}  // namespace

StallMonitor::StallMonitor(QObject* parent) : QObject(parent) {
  timer_.setTimerType(Qt::PreciseTimer);
  timer_.setInterval(kTickMs);
  connect(&timer_, &QTimer::timeout, this, &StallMonitor::Tick);
}

void StallMonitor::Start() {
  started_ = std::chrono::steady_clock::now();
  last_tick_ = started_;
  longest_ms_ = 0;
  timer_.start();
}

void StallMonitor::Stop() {
  timer_.stop();
}

double StallMonitor::ElapsedMs() const {
  return MsBetween(started_, std::chrono::steady_clock::now());
}

double StallMonitor::LongestStallMs() const {
  // A stall still going on when asked counts too.
  const double open = Running() ? MsBetween(last_tick_, std::chrono::steady_clock::now()) : 0;
  return std::max(longest_ms_, std::max(0.0, open - kTickMs));
}

void StallMonitor::Tick() {
  const auto now = std::chrono::steady_clock::now();
  longest_ms_ = std::max(longest_ms_, MsBetween(last_tick_, now) - kTickMs);
  last_tick_ = now;
}

}  // namespace norvik::app
