#pragma once
// Drawing the skin's images in the program's own controls: an image string of the skin
// ("power/powered.png" or "file='power/powered.png'") drawn over a rectangle.

#include <QPainter>
#include <QRect>
#include <QString>

namespace norvik::panels {

// Scaled to target. Nothing is drawn for an empty string or a missing image.
void DrawSkinImage(QPainter& painter, const QRect& target, const QString& image,
                   qreal opacity = 1.0);

// At target's size: an image larger than target in either direction shows its top-left part
// unscaled; a smaller one is scaled to target.
void DrawSkinImageClipped(QPainter& painter, const QRect& target, const QString& image);

}  // namespace norvik::panels
