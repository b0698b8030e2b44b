#include "panels/circle_progress.h"

#include <QPainter>
#include <algorithm>

namespace norvik::panels {
namespace {

constexpr int kDegrees16 = 16;  // Qt's angles are in sixteenths of a degree
constexpr int kBottom = -90;    // counter-clockwise from three o'clock
constexpr int kFullCircle = 360;

}  // namespace

CCircleProgressUI::CCircleProgressUI(QWidget* parent) : QProgressBar(parent) {
  setTextVisible(false);
}

void CCircleProgressUI::SetBackgroundColour(const QColor& colour) {
  background_ = colour;
  update();
}

void CCircleProgressUI::SetForegroundColour(const QColor& colour) {
  foreground_ = colour;
  update();
}

// Measured from the minimum: a range of 10-110 at 60 is half way.
double CCircleProgressUI::Share() const {
  const int span = maximum() - minimum();
  if (span <= 0) return 0.0;
  return std::clamp(static_cast<double>(value() - minimum()) / span, 0.0, 1.0);
}

void CCircleProgressUI::paintEvent(QPaintEvent* /*event*/) {
  QPainter painter(this);
  painter.setRenderHint(QPainter::Antialiasing, true);
  painter.setPen(Qt::NoPen);
  const QRect disc = rect();
  painter.setBrush(background_);
  painter.drawEllipse(disc);
  const int sweep = static_cast<int>(Share() * kFullCircle * kDegrees16);
  if (sweep > 0) {
    painter.setBrush(foreground_);
    // Negative spans run clockwise on screen.
    painter.drawPie(disc, kBottom * kDegrees16, -sweep);
  }
  painter.setBrush(Qt::white);
  painter.drawEllipse(disc.adjusted(kRingWidth, kRingWidth, -kRingWidth, -kRingWidth));
}

}  // namespace norvik::panels
