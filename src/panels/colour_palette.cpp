#include "panels/colour_palette.h"

#include <QColor>
#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>
#include <algorithm>

#include "ui/notify_pump.h"

namespace norvik::panels {
namespace {

constexpr int kHues = 360;
constexpr int kFull = 255;
constexpr int kMarkRadius = 4;
constexpr QRgb kOpaque = 0xFF000000;

// Position along a span of `length` pixels as a value 0..steps-1 (left or top is 0).
int Scale(int position, int length, int steps) {
  if (length <= 1) return 0;
  const int clamped = std::clamp(position, 0, length - 1);
  return clamped * (steps - 1) / (length - 1);
}

int Unscale(int value, int length, int steps) {
  if (steps <= 1) return 0;
  return value * (length - 1) / (steps - 1);
}

}  // namespace

CColorPaletteUI::CColorPaletteUI(QWidget* parent) : QWidget(parent) {
  setCursor(Qt::CrossCursor);
}

QRgb CColorPaletteUI::GetSelectColor() const {
  return selected_;
}

void CColorPaletteUI::SetSelectColor(QRgb argb) {
  // Kept as given: the marks' hue, saturation and brightness are rounded and would not give
  // the same red, green and blue back.
  selected_ = argb | kOpaque;
  const QColor colour = QColor::fromRgb(selected_);
  int hue = 0;
  int saturation = 0;
  int value = 0;
  colour.getHsv(&hue, &saturation, &value);
  if (hue >= 0) hue_ = hue;  // greys have no hue: the square keeps its place
  saturation_ = saturation;
  value_ = value;
  update();
}

void CColorPaletteUI::SetBarHeight(int height) {
  bar_height_ = std::max(height, 1);
  update();
}

QRect CColorPaletteUI::SquareArea() const {
  return QRect(0, 0, width(), std::max(height() - bar_height_ - kGap, 1));
}

QRect CColorPaletteUI::BarArea() const {
  return QRect(0, height() - bar_height_, width(), bar_height_);
}

void CColorPaletteUI::RebuildSquare() {
  const QRect area = SquareArea();
  if (square_.size() == area.size() && square_value_ == value_) return;
  square_ = QImage(area.size(), QImage::Format_RGB32);
  for (int y = 0; y < area.height(); ++y) {
    const int saturation = kFull - Scale(y, area.height(), kFull + 1);
    auto* line = reinterpret_cast<QRgb*>(square_.scanLine(y));
    for (int x = 0; x < area.width(); ++x) {
      line[x] = QColor::fromHsv(Scale(x, area.width(), kHues), saturation, value_).rgb();
    }
  }
  square_value_ = value_;
}

void CColorPaletteUI::paintEvent(QPaintEvent* /*event*/) {
  RebuildSquare();
  QPainter painter(this);
  const QRect square = SquareArea();
  painter.drawImage(square.topLeft(), square_);
  const QRect bar = BarArea();
  QLinearGradient ramp(bar.topLeft(), bar.topRight());
  ramp.setColorAt(0.0, Qt::black);
  ramp.setColorAt(1.0, QColor::fromHsv(hue_, saturation_, kFull));
  painter.fillRect(bar, ramp);

  // Marks: a ring at the chosen hue and saturation, a line at the chosen brightness.
  painter.setRenderHint(QPainter::Antialiasing, true);
  painter.setPen(QPen(value_ > kFull / 2 ? Qt::black : Qt::white, 1.5));
  painter.setBrush(Qt::NoBrush);
  const QPoint mark(Unscale(hue_, square.width(), kHues),
                    Unscale(kFull - saturation_, square.height(), kFull + 1));
  painter.drawEllipse(mark, kMarkRadius, kMarkRadius);
  const int level = bar.left() + Unscale(value_, bar.width(), kFull + 1);
  painter.drawLine(level, bar.top(), level, bar.bottom());
}

void CColorPaletteUI::PickAt(const QPoint& point) {
  if (drag_ == Drag::Square) {
    const QRect square = SquareArea();
    hue_ = Scale(point.x() - square.left(), square.width(), kHues);
    saturation_ = kFull - Scale(point.y() - square.top(), square.height(), kFull + 1);
  } else if (drag_ == Drag::Bar) {
    const QRect bar = BarArea();
    value_ = Scale(point.x() - bar.left(), bar.width(), kFull + 1);
  }
  selected_ = QColor::fromHsv(hue_, saturation_, value_).rgba();
  update();
}

void CColorPaletteUI::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton || !isEnabled()) {
    QWidget::mousePressEvent(event);
    return;
  }
  const QPoint point = event->position().toPoint();
  if (SquareArea().contains(point)) {
    drag_ = Drag::Square;
  } else if (BarArea().contains(point)) {
    drag_ = Drag::Bar;
  } else {
    return;  // the gap between them
  }
  PickAt(point);
}

void CColorPaletteUI::mouseMoveEvent(QMouseEvent* event) {
  if (drag_ != Drag::None) PickAt(event->position().toPoint());
}

void CColorPaletteUI::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton || drag_ == Drag::None) return;
  PickAt(event->position().toPoint());
  drag_ = Drag::None;
  ui::SendNotify(this, kNotifyColourChanged, GetSelectColor());
}

}  // namespace norvik::panels
