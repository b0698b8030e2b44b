#pragma once
// Control timers, keyed by (control, id), running on the UI thread. A timer repeats with its
// period until killed (handlers that want one shot kill it first). Expiry goes to the control
// itself when it implements IControlTimerTarget, otherwise it becomes a "timer" notification
// (wParam = id) through the control's window. A destroyed control's timers die with it.
// Setting a running (control, id) again restarts it with the new period.

#include <QHash>
#include <QObject>
#include <QPair>
#include <QPointer>
#include <QSet>
#include <QTimer>
#include <QWidget>
#include <memory>

#include "ui/ui_types.h"

namespace norvik::ui {

class ControlTimers : public QObject {
  Q_OBJECT
 public:
  explicit ControlTimers(QObject* parent = nullptr);
  ~ControlTimers() override;

  void SetTimer(QWidget* control, int id, int period_ms);
  void KillTimer(QWidget* control, int id);
  void KillTimers(QWidget* control);
  bool IsRunning(QWidget* control, int id) const;
  int Count() const { return static_cast<int>(timers_.size()); }

 private:
  using Key = QPair<QObject*, int>;
  void Fire(QObject* control, int id);
  void Forget(QObject* control);

  QHash<Key, QTimer*> timers_;
  // Controls whose destroyed() is already connected.
  QSet<QObject*> tracked_;
};

}  // namespace norvik::ui
