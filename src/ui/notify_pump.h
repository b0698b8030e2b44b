#pragma once
// Turns what the user does to named widgets into notifications for one target, on the UI
// thread, in the order of the user's actions. Only user actions raise notifications: a value,
// selection or check state changed by the code is silent.
//
//   push button (not checkable)   clicked                      -> "click"
//   check box, radio, checkable   clicked                      -> "click", then "selectchanged"
//                                                                  when its checked state changed
//                                                                  (wParam = 1 checked, 0 not)
//   combo box                     activated(index)             -> "itemselect" (wParam = index)
//   slider                        dragging                     -> "movevaluechanged" (wParam =
//                                                                  value)
//                                 released, keys, page clicks  -> "valuechanged" (wParam = value)
//   list widget                   item activated               -> "itemactivate" (wParam = row)
//                                 item clicked                 -> "itemclick", and "itemselect"
//                                                                  when the current row changed
//   line edit                     Return                       -> "return"
//   any named widget              focus in / out               -> "setfocus" / "killfocus"
//   custom context menu           requested                    -> "menu" (wParam = x, lParam = y)
// Widgets without an object name never notify. Widgets added to the tree after Watch are picked
// up when they are first shown (Qt polishes them then), or at once by calling Watch again on
// them (watching twice is harmless). Other windows inside the tree (a message box parented to
// the main window) are left to their own pump.

#include <QHash>
#include <QObject>

#include <QPointer>
#include <QSet>
#include <QWidget>

#include "ui/ui_types.h"

class QAbstractButton;
class QAbstractItemView;
class QAbstractSlider;

namespace norvik::ui {

class NotifyPump : public QObject {
  Q_OBJECT
 public:
  // target is not owned and must outlive the pump (the window owns both).
  NotifyPump(INotifyUI* target, QObject* parent = nullptr);
  ~NotifyPump() override;

  // Connects root and every named widget below it.
  void Watch(QWidget* root);
  // Delivers a notification now (the program's own controls send their own types this way).
  void SendNotify(QWidget* sender, const QString& type, WPARAM wParam = 0, LPARAM lParam = 0);

  // The pump of the window that holds control (walking up the parents), or null. A pump
  // serves every widget under a root it was asked to Watch.
  static NotifyPump* PumpOf(const QWidget* control);
  // Stops delivering (the target is going away); further notifications are dropped.
  void Detach();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // Tracks widget and everything below it that is not another window.
  void WatchTree(QWidget* widget);
  void WatchOne(QWidget* widget);
  void WatchButton(QAbstractButton* button);
  void WatchSlider(QAbstractSlider* slider);
  void WatchItemView(QAbstractItemView* view);
  // "valuechanged" once the slider's pending action has been applied.
  void QueueValueChanged(QAbstractSlider* slider);

  INotifyUI* target_;
  QSet<QObject*> tracked_;  // filtered for children shown later
  QSet<QObject*> watched_;  // named: their signals are connected
  // Button -> checked state when it was pressed; item view -> current row when pressed.
  QHash<QObject*, bool> checked_at_press_;
  QHash<QObject*, int> row_at_press_;
};

// Sends a notification through the pump of control's window; false when it has none.
bool SendNotify(QWidget* control, const QString& type, WPARAM wParam = 0, LPARAM lParam = 0);

}  // namespace norvik::ui
