#pragma once
// CCircleProgressUI (class "CircleProgress"): a progress value drawn as a ring. The background
// colour fills the whole disc, the foreground colour a sector from the bottom, clockwise, over
// the share of the range the value has reached; a white disc 10 pixels inside the edge leaves
// a ring.

#include <QColor>
#include <QProgressBar>
#include <QString>

namespace norvik::panels {

class CCircleProgressUI : public QProgressBar {
  Q_OBJECT
  Q_PROPERTY(QColor bkcolor READ BackgroundColour WRITE SetBackgroundColour)
  Q_PROPERTY(QColor forecolor READ ForegroundColour WRITE SetForegroundColour)
 public:
  static constexpr int kRingWidth = 10;

  explicit CCircleProgressUI(QWidget* parent = nullptr);
  QString GetClass() const { return QStringLiteral("CircleProgress"); }

  QColor BackgroundColour() const { return background_; }
  void SetBackgroundColour(const QColor& colour);
  QColor ForegroundColour() const { return foreground_; }
  void SetForegroundColour(const QColor& colour);
  // The share of the ring drawn in the foreground colour, 0 to 1.
  double Share() const;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QColor background_{0xE0, 0xE0, 0xE0};
  QColor foreground_{0x3F, 0xA9, 0xF5};
};

}  // namespace norvik::panels
