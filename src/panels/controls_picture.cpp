#include "panels/controls_picture.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPixmapCache>
#include <QStyleOption>
#include <algorithm>

#include "ui/notify_pump.h"
#include "ui/resource_manager.h"

namespace norvik::panels {
namespace {

// Keycap drawing: rounded corners, an inset for the glow, outline widths.
constexpr qreal kCapRadius = 3.0;
constexpr qreal kCapInset = 1.5;
constexpr qreal kOutlineWidth = 1.0;
constexpr qreal kSelectedOutlineWidth = 2.0;
constexpr int kFullBrightness = 255;
constexpr int kGlowMinAlpha = 25;
constexpr int kGlowMaxAlpha = 80;
const QColor kOutline(200, 205, 215, 150);
const QColor kHotOutline(235, 240, 250, 220);
const QColor kSelectedOutline(63, 169, 245);
const QColor kDarkCap(20, 22, 26, 60);
constexpr qreal kRimWidth = 2.0;

// top drawn over bottom, as one colour (source-over of two translucent colours).
QColor Over(const QColor& top, const QColor& bottom) {
  const double a_top = top.alphaF();
  const double a_bottom = bottom.alphaF() * (1.0 - a_top);
  const double alpha = a_top + a_bottom;
  if (alpha <= 0.0) return QColor(0, 0, 0, 0);
  const auto mix = [&](double t, double b) { return (t * a_top + b * a_bottom) / alpha; };
  QColor out;
  out.setRgbF(static_cast<float>(mix(top.redF(), bottom.redF())),
              static_cast<float>(mix(top.greenF(), bottom.greenF())),
              static_cast<float>(mix(top.blueF(), bottom.blueF())), static_cast<float>(alpha));
  return out;
}

// The glow of a key: a faint wash of the light's colour and a rim as strong as its brightness,
// so the key legends of the device drawing stay readable under any colour; the dark cap alone
// when the light is off. Drawn once per size, colour and brightness and kept in the pixmap
// cache: on a live frame the picture repaints every key, and the rounded outline is the costly
// part of it.
QPixmap GlowPixmap(QSize size, qreal ratio, const QColor& light, int brightness) {
  const QString key = QStringLiteral("devkey-glow:%1x%2@%3:%4:%5")
                          .arg(size.width())
                          .arg(size.height())
                          .arg(ratio)
                          .arg(brightness > 0 ? light.rgb() : 0u)
                          .arg(brightness);
  QPixmap glow;
  if (QPixmapCache::find(key, &glow)) return glow;
  glow = QPixmap(size * ratio);
  glow.setDevicePixelRatio(ratio);
  glow.fill(Qt::transparent);
  QPainter painter(&glow);
  painter.setRenderHint(QPainter::Antialiasing, true);
  const QRectF cap =
      QRectF(QPointF(0, 0), QSizeF(size)).adjusted(kCapInset, kCapInset, -kCapInset, -kCapInset);
  QPainterPath outline;
  outline.addRoundedRect(cap, kCapRadius, kCapRadius);
  if (brightness > 0) {
    QColor wash = light;
    wash.setAlpha(kGlowMinAlpha + brightness * (kGlowMaxAlpha - kGlowMinAlpha) / kFullBrightness);
    painter.fillPath(outline, Over(wash, kDarkCap));
    QColor edge = light;
    edge.setAlpha(std::min(255, 96 + brightness * 159 / kFullBrightness));
    QPen rim_pen(edge);
    rim_pen.setWidthF(kRimWidth);
    painter.setPen(rim_pen);
    painter.drawPath(outline);
  } else {
    painter.fillPath(outline, kDarkCap);
  }
  painter.end();
  QPixmapCache::insert(key, glow);
  return glow;
}

void DrawImageString(QPainter& painter, const QRect& target, const QString& image) {
  if (image.isEmpty()) return;
  const QPixmap pixmap = ui::ResourceManager::Instance().Image(image);
  if (!pixmap.isNull()) painter.drawPixmap(target, pixmap);
}

}  // namespace

// --- CSelectPanelUI ---

CSelectPanelUI::CSelectPanelUI(QWidget* parent) : QWidget(parent) {
  // The style sheet may give the panel a background of its own.
  setAttribute(Qt::WA_StyledBackground, true);
  band_ = new QRubberBand(QRubberBand::Rectangle, this);
  band_->setAttribute(Qt::WA_TransparentForMouseEvents, true);
  band_->hide();
}

void CSelectPanelUI::SetBackgroundImage(const QString& image) {
  background_ = image;
  update();
}

void CSelectPanelUI::paintEvent(QPaintEvent* /*event*/) {
  QPainter painter(this);
  QStyleOption option;
  option.initFrom(this);
  style()->drawPrimitive(QStyle::PE_Widget, &option, &painter, this);
  DrawImageString(painter, rect(), background_);
}

void CSelectPanelUI::mousePressEvent(QMouseEvent* event) {
  QWidget::mousePressEvent(event);
  if (!isEnabled() || event->button() != Qt::LeftButton) return;
  pressed_ = true;
  anchor_ = event->position().toPoint();
}

void CSelectPanelUI::mouseMoveEvent(QMouseEvent* event) {
  QWidget::mouseMoveEvent(event);
  if (pressed_) dragging_ = true;
  if (!dragging_) return;
  current_ = event->position().toPoint();
  selection_ =
      QRect(QPoint(std::min(anchor_.x(), current_.x()), std::min(anchor_.y(), current_.y())),
            QPoint(std::max(anchor_.x(), current_.x()), std::max(anchor_.y(), current_.y())));
  band_->setGeometry(selection_);
  if (!band_->isVisible()) {
    band_->raise();
    band_->show();
  }
}

void CSelectPanelUI::mouseReleaseEvent(QMouseEvent* event) {
  QWidget::mouseReleaseEvent(event);
  pressed_ = false;
  if (!dragging_) return;
  dragging_ = false;
  band_->hide();
  for (CDeviceKeyButtonUI* key : findChildren<CDeviceKeyButtonUI*>()) {
    // Keys this model lacks are hidden, and stacked where a band could reach them.
    const QRect area(key->mapTo(this, QPoint(0, 0)), key->size());
    key->SetSelected(key->isVisibleTo(this) && selection_.intersects(area));
  }
  update();
  ui::SendNotify(this, kNotifyClickSelectEnd);
}

// --- CDeviceKeyButtonUI ---

CDeviceKeyButtonUI::CDeviceKeyButtonUI(QWidget* parent) : QPushButton(parent) {
  setCheckable(true);
  setFlat(true);
  setFocusPolicy(Qt::NoFocus);
  setAttribute(Qt::WA_Hover, true);
}

void CDeviceKeyButtonUI::SetLightColor(const QColor& color, int brightness) {
  brightness = std::clamp(brightness, 0, kFullBrightness);
  if (color == light_ && brightness == brightness_) return;
  light_ = color;
  brightness_ = brightness;
  update();
}

QColor CDeviceKeyButtonUI::ShownColor() const {
  return QColor(light_.red() * brightness_ / kFullBrightness,
                light_.green() * brightness_ / kFullBrightness,
                light_.blue() * brightness_ / kFullBrightness);
}

void CDeviceKeyButtonUI::SetSelected(bool selected) {
  if (selected_ == selected) return;
  selected_ = selected;
  update();
}

void CDeviceKeyButtonUI::SetLightImage(const QString& image) {
  light_image_ = image;
  update();
}

void CDeviceKeyButtonUI::SetKeySetImage(const QString& image) {
  keyset_image_ = image;
  update();
}

void CDeviceKeyButtonUI::paintEvent(QPaintEvent* /*event*/) {
  QPainter painter(this);
  const bool rim = brightness_ > 0;
  painter.drawPixmap(0, 0, GlowPixmap(size(), devicePixelRatioF(), light_, brightness_));
  DrawImageString(painter, rect(), light_image_);
  painter.setRenderHint(QPainter::Antialiasing, true);

  const bool marked = selected_ || isChecked() || isDown();
  if (rim && !marked && !underMouse()) {
    DrawLabel(painter);
    return;
  }
  const QRectF cap = QRectF(rect()).adjusted(kCapInset, kCapInset, -kCapInset, -kCapInset);
  QPainterPath outline;
  outline.addRoundedRect(cap, kCapRadius, kCapRadius);
  QPen pen(marked ? kSelectedOutline : (underMouse() ? kHotOutline : kOutline));
  pen.setWidthF(marked ? kSelectedOutlineWidth : kOutlineWidth);
  painter.setPen(pen);
  painter.drawPath(outline);
  DrawLabel(painter);
}

void CDeviceKeyButtonUI::DrawLabel(QPainter& painter) {
  if (text().isEmpty()) return;
  painter.setPen(
      palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::ButtonText));
  painter.drawText(rect(), Qt::AlignCenter, text());
}

void CDeviceKeyButtonUI::mouseDoubleClickEvent(QMouseEvent* event) {
  QPushButton::mouseDoubleClickEvent(event);
  if (!isEnabled() || event->button() != Qt::LeftButton) return;
  setDown(true);
  ui::SendNotify(this, kNotifyDoubleClick);
}

}  // namespace norvik::panels
