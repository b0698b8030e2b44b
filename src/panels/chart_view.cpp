#include "panels/chart_view.h"

#include <QPaintEvent>
#include <QPainter>
#include <QStyleOption>
#include <QTextDocument>
#include <algorithm>
#include <array>
#include <cmath>

#include "panels/skin_image.h"

namespace norvik::panels {
namespace {

constexpr std::array<QRgb, CChartViewUI::kColourCount> kColours = {
    0xFF3FA9F5, 0xFFF5793F, 0xFF7AC943, 0xFFFFC83F, 0xFF9E5FE0, 0xFFE0457B,
    0xFF3FD5C8, 0xFFB0B0B0, 0xFF2E6FD8, 0xFFD8A02E, 0xFF4CAF50, 0xFFE53935,
    0xFF8D6E63, 0xFF00ACC1, 0xFFC0CA33, 0xFF5C6BC0, 0xFFFF7043, 0xFF26A69A};

constexpr int kDegrees16 = 16;
constexpr double kFullCircle16 = 360.0 * kDegrees16;
constexpr int kOuterRing = 4;  // the two background discs around the pie
constexpr int kInnerRing = 1;
const QColor kOuterRingColour(0xD0, 0xD0, 0xD0);
const QColor kInnerRingColour(Qt::white);
constexpr int kLegendWidth = 100;
constexpr int kLegendGap = 10;
constexpr int kLegendRow = 18;
constexpr int kSwatch = 10;
constexpr int kLabelHeight = 25;  // below the bars when texts are shown
constexpr int kBarTopMargin = 4;

double Counted(double value) {
  return std::isfinite(value) && value > 0.0 ? value : 0.0;
}

}  // namespace

CChartViewUI::CChartViewUI(QWidget* parent) : QWidget(parent) {
  setAttribute(Qt::WA_StyledBackground, true);
}

QString CChartViewUI::View() const {
  return kind_ == Kind::Bars ? QStringLiteral("histpgram") : QStringLiteral("pie");
}

void CChartViewUI::SetView(const QString& view) {
  kind_ = view == QLatin1String("histpgram") ? Kind::Bars : Kind::Pie;
  update();
}

void CChartViewUI::AddItem(const QString& text, double value) {
  items_.push_back({text, value});
  update();
}

void CChartViewUI::ClearItems() {
  items_.clear();
  update();
}

QColor CChartViewUI::ItemColour(int i) {
  return QColor::fromRgba(kColours[static_cast<std::size_t>(std::abs(i) % kColourCount)]);
}

void CChartViewUI::paintEvent(QPaintEvent* event) {
  QPainter painter(this);
  painter.setClipRegion(event->region());
  QStyleOption option;
  option.initFrom(this);
  style()->drawPrimitive(QStyle::PE_Widget, &option, &painter, this);
  if (items_.empty()) return;
  painter.setRenderHint(QPainter::Antialiasing, true);
  if (kind_ == Kind::Bars) {
    PaintBars(painter);
  } else {
    PaintPie(painter);
  }
}

void CChartViewUI::DrawItemText(QPainter& painter, const QRect& box, const QString& text,
                                int flags) const {
  if (!show_html_) {
    painter.setPen(palette().color(QPalette::WindowText));
    painter.drawText(box, flags, text);
    return;
  }
  QTextDocument document;
  document.setDefaultFont(font());
  document.setHtml(text);
  document.setTextWidth(box.width());
  painter.save();
  painter.translate(box.topLeft());
  document.drawContents(&painter, QRectF(0, 0, box.width(), box.height()));
  painter.restore();
}

void CChartViewUI::PaintPie(QPainter& painter) const {
  double sum = 0.0;
  for (const Item& item : items_) sum += Counted(item.value);
  if (sum <= 0.0) return;
  const int area_width = show_text_ ? width() - kLegendWidth - kLegendGap : width();
  const int side = std::min(area_width, height()) - 2 * kOuterRing;
  if (side <= 0) return;
  const QRect pie(kOuterRing, (height() - side) / 2, side, side);
  painter.setPen(Qt::NoPen);
  painter.setBrush(kOuterRingColour);
  painter.drawEllipse(pie.adjusted(-kOuterRing, -kOuterRing, kOuterRing, kOuterRing));
  painter.setBrush(kInnerRingColour);
  painter.drawEllipse(pie.adjusted(-kInnerRing, -kInnerRing, kInnerRing, kInnerRing));
  // From three o'clock, clockwise; edges rounded from the running total so no gap opens.
  double done = 0.0;
  for (std::size_t i = 0; i < items_.size(); ++i) {
    const int start = static_cast<int>(std::lround(done / sum * kFullCircle16));
    done += Counted(items_[i].value);
    const int end = static_cast<int>(std::lround(done / sum * kFullCircle16));
    if (end == start) continue;
    painter.setBrush(ItemColour(static_cast<int>(i)));
    painter.drawPie(pie, -start, -(end - start));
  }
  if (!show_text_) return;
  const int legend_left = pie.right() + kOuterRing + kLegendGap;
  int top = (height() - static_cast<int>(items_.size()) * kLegendRow) / 2;
  for (std::size_t i = 0; i < items_.size(); ++i, top += kLegendRow) {
    painter.setBrush(ItemColour(static_cast<int>(i)));
    painter.drawRect(legend_left, top + (kLegendRow - kSwatch) / 2, kSwatch, kSwatch);
    const QRect box(legend_left + kSwatch + 4, top, kLegendWidth - kSwatch - 4, kLegendRow);
    DrawItemText(painter, box, items_[i].text, Qt::AlignLeft | Qt::AlignVCenter);
  }
}

void CChartViewUI::PaintBars(QPainter& painter) const {
  double largest = 0.0;
  for (const Item& item : items_) largest = std::max(largest, Counted(item.value));
  const int baseline = height() - (show_text_ ? kLabelHeight : 0);
  DrawSkinImage(painter, QRect(0, baseline - shadow_height_, width(), shadow_height_),
                shadow_image_);
  const int slot = width() / static_cast<int>(items_.size());
  const int tallest = baseline - kBarTopMargin;
  painter.setPen(Qt::NoPen);
  for (std::size_t i = 0; i < items_.size(); ++i) {
    const int left = static_cast<int>(i) * slot;
    const int bar_height =
        largest > 0.0 ? static_cast<int>(std::lround(Counted(items_[i].value) / largest * tallest))
                      : 0;
    const QRect bar(left + (slot - pillar_width_) / 2, baseline - bar_height, pillar_width_,
                    bar_height);
    if (bar_height > 0) {
      if (pillar_image_.isEmpty()) {
        painter.fillRect(bar, ItemColour(static_cast<int>(i)));
      } else {
        DrawSkinImage(painter, bar, pillar_image_);
      }
    }
    if (show_text_) {
      DrawItemText(painter, QRect(left, baseline, slot, kLabelHeight), items_[i].text,
                   Qt::AlignCenter);
    }
  }
}

}  // namespace norvik::panels
