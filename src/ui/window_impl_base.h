#pragma once
// The base of the program's windows: builds the window's layout from the skin, delivers the
// notifications of its named widgets to Notify, runs its control timers, and takes numbered
// window messages from any thread.
//
// Life: construct, then Create() (builds GetSkinFile() into the window through this window's
// CreateControl callback, calls InitWindow, then posts the "windowinit" notification, which
// arrives from the event loop). The window is a frameless top-level widget; a widget named
// "caption" (or the top 40 pixels when there is none) drags it.
//
// Window messages: PostMessage queues (msg, wParam, lParam) for HandleCustomMessage on the UI
// thread; SendMessage does the same and waits for the answer. SendMessage never deadlocks a
// shutdown: once BeginClosing() was called (the window calls it before it stops its worker
// threads), a waiting or later SendMessage from another thread returns 0 at once, and messages
// still queued are dropped.

#include <QPointer>
#include <QString>
#include <QWidget>
#include <atomic>
#include <memory>
#include <mutex>

#include "ui/control_timers.h"
#include "ui/notify_pump.h"
#include "ui/ui_types.h"

class QEventLoop;

namespace norvik::ui {

class WindowImplBase : public QWidget, public INotifyUI, public IDialogBuilderCallback {
  Q_OBJECT
 public:
  explicit WindowImplBase(QWidget* parent = nullptr);
  ~WindowImplBase() override;

  // Builds the layout and initialises the window. False when the layout could not be built
  // (the window then stays empty).
  bool Create();
  bool IsCreated() const { return root_ != nullptr; }
  // The layout's root widget (named "root" by convention), or null before Create.
  QWidget* Root() const { return root_; }

  // --- what subclasses override ---
  virtual QString GetSkinFile() const = 0;
  virtual QString GetWindowClassName() const = 0;
  virtual void InitWindow() {}
  void Notify(TNotifyUI& /*msg*/) override {}
  // Numbered window messages; set handled when the message was taken.
  virtual LRESULT HandleCustomMessage(unsigned msg, WPARAM wParam, LPARAM lParam, bool& handled);
  // Layout callback; the base knows nothing.
  QWidget* CreateControl(const QString& class_name, QWidget* parent) override;
  // After the window was closed (the base does nothing).
  virtual void OnFinalMessage() {}

  // --- services ---
  // The control of that name in this window, or null (callers test for null).
  QWidget* FindControl(const QString& name) const;
  template <class T>
  T* FindControlAs(const QString& name) const {
    return qobject_cast<T*>(FindControl(name));
  }
  NotifyPump& Pump() { return *pump_; }
  ControlTimers& Timers() { return *timers_; }
  void SendNotify(QWidget* sender, const QString& type, WPARAM wParam = 0, LPARAM lParam = 0);

  // Any thread.
  void PostMessage(unsigned msg, WPARAM wParam = 0, LPARAM lParam = 0);
  LRESULT SendMessage(unsigned msg, WPARAM wParam = 0, LPARAM lParam = 0);
  // From now on cross-thread sends return at once (see above). Idempotent.
  void BeginClosing();
  bool IsClosing() const;

  // Modal run: shows the window and runs a local event loop until Close(code); returns code.
  int ShowModal();
  // Ends ShowModal with code (or closes a modeless window). The window is hidden, then
  // OnFinalMessage runs (a window that frees itself there uses deleteLater).
  void Close(int code = 0);
  int CloseCode() const { return close_code_; }
  void CenterWindow();

 protected:
  void closeEvent(QCloseEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  struct SendGate;  // shared with waiting senders, outlives the window if needed
  LRESULT Dispatch(unsigned msg, WPARAM wParam, LPARAM lParam);
  bool InCaption(const QPoint& pos) const;

  QWidget* root_ = nullptr;
  // Owned here (not by Qt parentage) so they go before the QWidget base: no notification or
  // timer can reach this window while its children are being destroyed.
  std::unique_ptr<NotifyPump> pump_;
  std::unique_ptr<ControlTimers> timers_;
  std::shared_ptr<SendGate> gate_;
  QEventLoop* modal_loop_ = nullptr;
  int close_code_ = 0;
  bool closing_with_code_ = false;
  QPoint drag_offset_;
  bool dragging_ = false;
};

// The window of the WindowImplBase class that holds control (control itself included), or null.
WindowImplBase* WindowOf(const QWidget* control);
// The control of that name under parent (parent itself included), or null.
QWidget* FindSubControl(const QWidget* parent, const QString& name);
// A control timer of the control's window (see ControlTimers); false when it has no window.
bool SetControlTimer(QWidget* control, int id, int period_ms);
void KillControlTimer(QWidget* control, int id);

}  // namespace norvik::ui
