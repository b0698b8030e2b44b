#pragma once
// Display controls: the ring progress, the chart and the host of a native window.

#include <QProgressBar>
#include <QString>
#include <QWidget>

namespace norvik::panels {

// A progress value drawn as a ring.
class CCircleProgressUI : public QProgressBar {
  Q_OBJECT
 public:
  explicit CCircleProgressUI(QWidget* parent = nullptr);
  QString GetClass() const { return QStringLiteral("CircleProgress"); }
};

// A pie or bar chart of named values.
class CChartViewUI : public QWidget {
  Q_OBJECT
 public:
  explicit CChartViewUI(QWidget* parent = nullptr);
  QString GetClass() const { return QStringLiteral("ControlUI"); }
};

// A control that keeps a hosted native window on its own rectangle.
class CWndUI : public QWidget {
  Q_OBJECT
 public:
  explicit CWndUI(QWidget* parent = nullptr);
  QString GetClass() const { return QStringLiteral("Wnd"); }
};

}  // namespace norvik::panels
