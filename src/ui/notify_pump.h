#pragma once
// Turns what the user does to named widgets into notifications for one target, on the UI
// thread, in the order of the user's actions. Only user actions raise notifications: a value,
// selection or check state changed by the code is silent.
//
//   push button (not checkable)   clicked                      -> "click"
//   check box, radio, checkable   clicked                      -> "click", then "selectchanged"
//                                                                  when its checked state changed
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
// up by calling Watch again on them (watching twice is harmless).

#include <QObject>
#include <QPointer>
#include <QSet>
#include <QWidget>

#include "ui/ui_types.h"

namespace norvik::ui {

class NotifyPump : public QObject {
  Q_OBJECT
 public:
  // target is not owned and must outlive the pump (the window owns both).
  NotifyPump(INotifyUI* target, QObject* parent = nullptr);

  // Connects root and every named widget below it.
  void Watch(QWidget* root);
  // Delivers a notification now (the program's own controls send their own types this way).
  void SendNotify(QWidget* sender, const QString& type, WPARAM wParam = 0, LPARAM lParam = 0);

  // The pump of the window that holds control (walking up the parents), or null.
  static NotifyPump* PumpOf(const QWidget* control);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void WatchOne(QWidget* widget);

  INotifyUI* target_;
  QSet<QObject*> watched_;
};

// Sends a notification through the pump of control's window; false when it has none.
bool SendNotify(QWidget* control, const QString& type, WPARAM wParam = 0, LPARAM lParam = 0);

}  // namespace norvik::ui
