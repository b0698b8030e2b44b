#include "panels/skin_image.h"

#include <QPixmap>

#include "ui/resource_manager.h"

namespace norvik::panels {

void DrawSkinImage(QPainter& painter, const QRect& target, const QString& image, qreal opacity) {
  if (image.isEmpty()) return;
  const QPixmap pixmap = ui::ResourceManager::Instance().Image(image);
  if (pixmap.isNull()) return;
  const qreal previous = painter.opacity();
  painter.setOpacity(previous * opacity);
  painter.drawPixmap(target, pixmap);
  painter.setOpacity(previous);
}

void DrawSkinImageClipped(QPainter& painter, const QRect& target, const QString& image) {
  if (image.isEmpty()) return;
  const QPixmap pixmap = ui::ResourceManager::Instance().Image(image);
  if (pixmap.isNull()) return;
  if (pixmap.width() > target.width() || pixmap.height() > target.height()) {
    painter.drawPixmap(target, pixmap, QRect(QPoint(0, 0), target.size()));
  } else {
    painter.drawPixmap(target, pixmap);
  }
}

}  // namespace norvik::panels
