#include "ui/control_timers.h"

#include "ui/notify_pump.h"

namespace norvik::ui {

ControlTimers::ControlTimers(QObject* parent) : QObject(parent) {}

ControlTimers::~ControlTimers() {
  // The timers are children and go with this object; only the bookkeeping is cleared so no
  // destroyed() of a control reaches a half-destroyed table.
  for (QObject* control : std::as_const(tracked_)) disconnect(control, nullptr, this, nullptr);
}

void ControlTimers::SetTimer(QWidget* control, int id, int period_ms) {
  if (!control) return;
  const Key key(control, id);
  QTimer* timer = timers_.value(key, nullptr);
  if (!timer) {
    timer = new QTimer(this);
    timers_.insert(key, timer);
    connect(timer, &QTimer::timeout, this, [this, control, id] { Fire(control, id); });
    if (!tracked_.contains(control)) {
      tracked_.insert(control);
      connect(control, &QObject::destroyed, this, [this](QObject* gone) { Forget(gone); });
    }
  }
  timer->start(period_ms < 0 ? 0 : period_ms);
}

void ControlTimers::KillTimer(QWidget* control, int id) {
  QTimer* timer = timers_.take(Key(control, id));
  if (!timer) return;
  // The timer may be the one whose timeout is running right now: stop it and let the event loop
  // free it.
  timer->stop();
  timer->deleteLater();
}

void ControlTimers::KillTimers(QWidget* control) {
  Forget(control);
}

bool ControlTimers::IsRunning(QWidget* control, int id) const {
  const QTimer* timer = timers_.value(Key(control, id), nullptr);
  return timer && timer->isActive();
}

void ControlTimers::Forget(QObject* control) {
  for (auto it = timers_.begin(); it != timers_.end();) {
    if (it.key().first == control) {
      it.value()->stop();
      it.value()->deleteLater();
      it = timers_.erase(it);
    } else {
      ++it;
    }
  }
  if (tracked_.remove(control)) disconnect(control, &QObject::destroyed, this, nullptr);
}

void ControlTimers::Fire(QObject* control, int id) {
  // Destroyed controls lose their timers before the next expiry, so control is alive here.
  if (auto* target = dynamic_cast<IControlTimerTarget*>(control)) {
    target->OnControlTimer(id);
    return;
  }
  if (auto* widget = qobject_cast<QWidget*>(control)) {
    ui::SendNotify(widget, kNotifyTimer, static_cast<WPARAM>(id));
  }
}

}  // namespace norvik::ui
