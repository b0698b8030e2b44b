#pragma once
// Suspend and resume from logind's PrepareForSleep signal on the system D-Bus. Without a system
// bus (containers, tests) it does nothing.

#include <QObject>
#include <functional>

namespace norvik::app {

class SleepWatch : public QObject {
  Q_OBJECT
 public:
  // on_sleep(true) before the system sleeps, on_sleep(false) after it woke up.
  explicit SleepWatch(std::function<void(bool)> on_sleep, QObject* parent = nullptr);
  bool IsConnected() const { return connected_; }

 private slots:
  void PrepareForSleep(bool start);

 private:
  std::function<void(bool)> on_sleep_;
  bool connected_ = false;
};

}  // namespace norvik::app
