#pragma once
// CWndUI (class "Wnd"): keeps a hosted window on the control's own rectangle. Whenever the
// control is shown, hidden, moved or resized, the hosted window is moved onto it (in screen
// coordinates when it is not a child of the control's window) and shown while the control is
// visible, hidden otherwise. Nothing is hosted unless a window is given.

#include <QPointer>
#include <QString>
#include <QWidget>

namespace norvik::panels {

class CWndUI : public QWidget {
  Q_OBJECT
 public:
  explicit CWndUI(QWidget* parent = nullptr);
  QString GetClass() const { return QStringLiteral("Wnd"); }

  // Not owned; forgotten when it is destroyed.
  void SetHostedWindow(QWidget* window);
  QWidget* HostedWindow() const { return hosted_; }

 protected:
  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;
  void moveEvent(QMoveEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  void Follow();

  QPointer<QWidget> hosted_;
};

}  // namespace norvik::panels
