#pragma once
// The small value types of the window layer: message parameters, the notification record and
// the two callback interfaces a window implements.

#include <QPointer>
#include <QString>
#include <QWidget>
#include <cstdint>

namespace norvik::ui {

// Window message parameters, as wide as a pointer on every platform.
using WPARAM = std::uintptr_t;
using LPARAM = std::intptr_t;
using LRESULT = std::intptr_t;

// Notification types the pump raises for named widgets (user actions only).
inline constexpr char kNotifyClick[] = "click";
inline constexpr char kNotifySelectChanged[] = "selectchanged";
inline constexpr char kNotifyItemSelect[] = "itemselect";
inline constexpr char kNotifyValueChanged[] = "valuechanged";
inline constexpr char kNotifyMoveValueChanged[] = "movevaluechanged";
inline constexpr char kNotifyKillFocus[] = "killfocus";
inline constexpr char kNotifySetFocus[] = "setfocus";
inline constexpr char kNotifyItemActivate[] = "itemactivate";
inline constexpr char kNotifyItemClick[] = "itemclick";
inline constexpr char kNotifyReturn[] = "return";
inline constexpr char kNotifyWindowInit[] = "windowinit";
inline constexpr char kNotifyWindowSize[] = "windowsize";
inline constexpr char kNotifyMenu[] = "menu";
inline constexpr char kNotifyTimer[] = "timer";

// One notification: what happened, to which control, with two parameters.
struct TNotifyUI {
  QString type;
  QPointer<QWidget> sender;
  WPARAM wParam = 0;
  LPARAM lParam = 0;

  // The sender's object name, empty when the sender is gone.
  QString SenderName() const { return sender ? sender->objectName() : QString(); }
};

// Receives notifications on the UI thread.
class INotifyUI {
 public:
  virtual ~INotifyUI() = default;
  virtual void Notify(TNotifyUI& msg) = 0;
};

// The second road by which a layout gets the program's own controls: called for every class
// name the control factory does not know. Null means "not mine" (Qt's own widgets are tried
// next).
class IDialogBuilderCallback {
 public:
  virtual ~IDialogBuilderCallback() = default;
  virtual QWidget* CreateControl(const QString& class_name, QWidget* parent) = 0;
};

// A control that wants its control timers delivered to itself (instead of a "timer"
// notification).
class IControlTimerTarget {
 public:
  virtual ~IControlTimerTarget() = default;
  virtual void OnControlTimer(int id) = 0;
};

// The name of the n-th control of a numbered family ("magic_option_" 3 -> "magic_option_3").
inline QString IndexedName(const char* prefix, long long n) {
  return QLatin1String(prefix) + QString::number(n);
}

}  // namespace norvik::ui
