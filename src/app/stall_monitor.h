#pragma once
// Measures how long the UI thread's event loop goes without turning: a 1 ms timer notes the gap
// between its ticks, and the longest gap beyond the interval is the longest stall. Nested event
// loops (a modal window) keep it ticking, as they keep the window answering.

#include <QObject>
#include <QTimer>
#include <chrono>

namespace norvik::app {

class StallMonitor : public QObject {
  Q_OBJECT
 public:
  explicit StallMonitor(QObject* parent = nullptr);

  // (Re)starts measuring from now.
  void Start();
  void Stop();
  bool Running() const { return timer_.isActive(); }
  // Since Start.
  double ElapsedMs() const;
  // The longest time the loop did not turn since Start (interval excluded), up to now.
  double LongestStallMs() const;

 private:
  void Tick();

  QTimer timer_;
  std::chrono::steady_clock::time_point started_;
  std::chrono::steady_clock::time_point last_tick_;
  double longest_ms_ = 0;
};

}  // namespace norvik::app
