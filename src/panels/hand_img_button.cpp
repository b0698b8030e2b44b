#include "panels/hand_img_button.h"

#include <QEnterEvent>
#include <QMouseEvent>
#include <QPainter>

#include "panels/skin_image.h"
#include "ui/notify_pump.h"

namespace norvik::panels {
namespace {

constexpr int kMarkSize = 20;
constexpr int kMarkLeftFromRight = 30;
constexpr int kMarkTopFromBottom = 29;

}  // namespace

void NotifyHover(QWidget* control, bool entered) {
  if (!control->isEnabled()) return;
  ui::SendNotify(control, entered ? kNotifyMouseEnter : kNotifyMouseLeave);
}

CHandImgButtonUI::CHandImgButtonUI(QWidget* parent, bool deletable)
    : QPushButton(parent), deletable_(deletable) {
  setAttribute(Qt::WA_Hover, true);
  setMouseTracking(true);
}

void CHandImgButtonUI::SetHandImage(const QString& image) {
  hand_image_ = image;
  update();
}

void CHandImgButtonUI::SetDeleteNormalImage(const QString& image) {
  delete_normal_ = image;
  update();
}

void CHandImgButtonUI::SetDeleteHotImage(const QString& image) {
  delete_hot_ = image;
  update();
}

QRect CHandImgButtonUI::DeleteBox() const {
  return QRect(width() - kMarkLeftFromRight, height() - kMarkTopFromBottom, kMarkSize, kMarkSize);
}

bool CHandImgButtonUI::OnDeleteMark(const QPoint& pos) const {
  return deletable_ && DeleteBox().contains(pos);
}

void CHandImgButtonUI::paintEvent(QPaintEvent* event) {
  QPushButton::paintEvent(event);
  QPainter painter(this);
  DrawSkinImage(painter, rect(), hand_image_);
  if (deletable_ && underMouse()) DrawSkinImage(painter, DeleteBox(), CurrentDeleteImage());
}

void CHandImgButtonUI::mouseMoveEvent(QMouseEvent* event) {
  const bool over = OnDeleteMark(event->position().toPoint());
  if (over != over_delete_) {
    over_delete_ = over;
    update();
  }
  QPushButton::mouseMoveEvent(event);
}

// A release over the mark is no click: the base class sees no hit and only lifts the button.
bool CHandImgButtonUI::hitButton(const QPoint& pos) const {
  return !releasing_on_mark_ && QPushButton::hitButton(pos);
}

void CHandImgButtonUI::mouseReleaseEvent(QMouseEvent* event) {
  const bool captured = isDown();
  releasing_on_mark_ =
      captured && event->button() == Qt::LeftButton && OnDeleteMark(event->position().toPoint());
  const bool on_mark = releasing_on_mark_;
  QPushButton::mouseReleaseEvent(event);
  releasing_on_mark_ = false;
  if (on_mark) ui::SendNotify(this, kNotifyHandDelete);
}

void CHandImgButtonUI::enterEvent(QEnterEvent* event) {
  QPushButton::enterEvent(event);
  NotifyHover(this, true);
}

void CHandImgButtonUI::leaveEvent(QEvent* event) {
  QPushButton::leaveEvent(event);
  if (over_delete_) {
    over_delete_ = false;
    update();
  }
  NotifyHover(this, false);
}

}  // namespace norvik::panels
