#include "panels/hand_img_select_button.h"

#include <QEnterEvent>
#include <QPainter>
#include <array>

#include "panels/hand_img_button.h"
#include "panels/skin_image.h"

namespace norvik::panels {
namespace {

struct CursorRow {
  const char* name;
  Qt::CursorShape shape;
};

// The standard cursors of those names ("icon" has no counterpart: the arrow).
constexpr std::array<CursorRow, 14> kCursors = {{
    {"arrow", Qt::ArrowCursor},
    {"ibeam", Qt::IBeamCursor},
    {"wait", Qt::WaitCursor},
    {"cross", Qt::CrossCursor},
    {"uparrow", Qt::UpArrowCursor},
    {"size", Qt::SizeAllCursor},
    {"icon", Qt::ArrowCursor},
    {"sizenwse", Qt::SizeFDiagCursor},
    {"sizenesw", Qt::SizeBDiagCursor},
    {"sizewe", Qt::SizeHorCursor},
    {"sizens", Qt::SizeVerCursor},
    {"sizeall", Qt::SizeAllCursor},
    {"no", Qt::ForbiddenCursor},
    {"hand", Qt::PointingHandCursor},
}};

}  // namespace

CHandImgSelectButtonUI::CHandImgSelectButtonUI(QWidget* parent) : QPushButton(parent) {
  setAttribute(Qt::WA_Hover, true);
}

void CHandImgSelectButtonUI::SetHandImage(const QString& image) {
  hand_image_ = image;
  update();
}

void CHandImgSelectButtonUI::SetCursorName(const QString& name) {
  for (const CursorRow& row : kCursors) {
    if (name.compare(QLatin1String(row.name), Qt::CaseInsensitive) != 0) continue;
    cursor_name_ = name;
    setCursor(row.shape);
    return;
  }
}

void CHandImgSelectButtonUI::paintEvent(QPaintEvent* event) {
  QPushButton::paintEvent(event);
  QPainter painter(this);
  DrawSkinImageClipped(painter, rect(), hand_image_);
}

void CHandImgSelectButtonUI::enterEvent(QEnterEvent* event) {
  QPushButton::enterEvent(event);
  NotifyHover(this, true);
}

void CHandImgSelectButtonUI::leaveEvent(QEvent* event) {
  QPushButton::leaveEvent(event);
  NotifyHover(this, false);
}

}  // namespace norvik::panels
