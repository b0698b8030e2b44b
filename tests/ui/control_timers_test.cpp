#include "ui/control_timers.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QTest>
#include <memory>

#include "recorder.h"
#include "ui/notify_pump.h"
#include "ui_test_support.h"

namespace norvik::ui {
namespace {

using test::Recorder;
using test::WaitFor;

// A control that takes its own timers; what it does on expiry is up to the test.
class TimerTargetWidget : public QWidget, public IControlTimerTarget {
 public:
  using QWidget::QWidget;
  void OnControlTimer(int id) override {
    fired.push_back(id);
    if (on_timer) on_timer(id);
  }
  QList<int> fired;
  std::function<void(int)> on_timer;
};

// Frees itself at its first expiry.
class SelfDeletingTarget : public QWidget, public IControlTimerTarget {
 public:
  SelfDeletingTarget(QWidget* parent, bool* fired) : QWidget(parent), fired_(fired) {}
  void OnControlTimer(int /*id*/) override {
    *fired_ = true;
    delete this;
  }

 private:
  bool* fired_;
};

class ControlTimersTest : public ::testing::Test {
 protected:
  void SetUp() override {
    window_ = std::make_unique<QWidget>();
    plain_ = new QWidget(window_.get());
    plain_->setObjectName(QStringLiteral("plain"));
    target_ = new TimerTargetWidget(window_.get());
    target_->setObjectName(QStringLiteral("target"));
    pump_ = std::make_unique<NotifyPump>(&recorder_);
    pump_->Watch(window_.get());
  }
  int Count(const QString& line) const { return recorder_.lines.count(line); }
  // Lets the event loop run for a while (the timers need it) without waiting for anything.
  static void Spin(int ms) {
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < ms) QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
  }

  Recorder recorder_;
  std::unique_ptr<QWidget> window_;
  std::unique_ptr<NotifyPump> pump_;
  ControlTimers timers_;
  QWidget* plain_ = nullptr;
  TimerTargetWidget* target_ = nullptr;
};

TEST_F(ControlTimersTest, TimerRepeatsAsNotificationsUntilKilled) {
  timers_.SetTimer(plain_, 1003, 5);
  EXPECT_TRUE(timers_.IsRunning(plain_, 1003));
  ASSERT_TRUE(WaitFor([&] { return Count("timer:plain:1003") >= 3; })) << recorder_.Text();
  timers_.KillTimer(plain_, 1003);
  EXPECT_FALSE(timers_.IsRunning(plain_, 1003));
  EXPECT_EQ(timers_.Count(), 0);
  const int fired = Count("timer:plain:1003");
  Spin(40);
  EXPECT_EQ(Count("timer:plain:1003"), fired);
}

TEST_F(ControlTimersTest, SettingARunningTimerAgainRestartsItWithTheNewPeriod) {
  timers_.SetTimer(plain_, 7, 60000);
  timers_.SetTimer(plain_, 7, 5);
  EXPECT_EQ(timers_.Count(), 1);
  ASSERT_TRUE(WaitFor([&] { return Count("timer:plain:7") >= 1; }, 1000)) << recorder_.Text();
}

TEST_F(ControlTimersTest, TimersOfOneControlAreKilledTogetherAndOthersKeepRunning) {
  timers_.SetTimer(plain_, 1, 5);
  timers_.SetTimer(plain_, 2, 5);
  timers_.SetTimer(target_, 1, 5);
  timers_.KillTimers(plain_);
  EXPECT_FALSE(timers_.IsRunning(plain_, 1));
  EXPECT_FALSE(timers_.IsRunning(plain_, 2));
  EXPECT_TRUE(timers_.IsRunning(target_, 1));
  ASSERT_TRUE(WaitFor([&] { return target_->fired.size() >= 2; }));
  EXPECT_EQ(recorder_.Text(), "");
}

TEST_F(ControlTimersTest, DestroyedControlLosesItsTimers) {
  timers_.SetTimer(plain_, 1, 5);
  timers_.SetTimer(plain_, 2, 5);
  timers_.SetTimer(target_, 3, 5);
  delete plain_;
  plain_ = nullptr;
  EXPECT_EQ(timers_.Count(), 1);
  ASSERT_TRUE(WaitFor([&] { return target_->fired.size() >= 2; }));
  EXPECT_EQ(recorder_.Text(), "");
}

TEST_F(ControlTimersTest, TargetControlGetsItsOwnTimersInsteadOfANotification) {
  timers_.SetTimer(target_, 1001, 5);
  timers_.SetTimer(target_, 1002, 5);
  ASSERT_TRUE(
      WaitFor([&] { return target_->fired.contains(1001) && target_->fired.contains(1002); }));
  EXPECT_EQ(recorder_.Text(), "");
}

TEST_F(ControlTimersTest, HandlerMayKillItsTimerOrDeleteItsControl) {
  target_->on_timer = [&](int id) { timers_.KillTimer(target_, id); };
  timers_.SetTimer(target_, 5, 2);
  ASSERT_TRUE(WaitFor([&] { return !target_->fired.isEmpty(); }));
  Spin(30);
  EXPECT_EQ(target_->fired, QList<int>({5}));

  bool fired = false;
  auto* doomed = new SelfDeletingTarget(window_.get(), &fired);
  timers_.SetTimer(doomed, 9, 2);
  ASSERT_TRUE(WaitFor([&] { return fired; }));
  Spin(20);
  EXPECT_EQ(timers_.Count(), 0);
}

}  // namespace
}  // namespace norvik::ui
