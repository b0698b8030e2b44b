#pragma once
// CColorPaletteUI (class "ColorPalette"): the lighting page's colour picker, in place on the page
// (no dialog). A hue-saturation square, hue running left to right and saturation from full at
// the top to none at the bottom, over a brightness bar, dark to bright. Pressing or dragging in
// either picks the colour under the mouse; releasing the mouse sends "colorchanged" (wParam the
// colour as 0xAARRGGBB), once per press. Colours set by the program send nothing.

#include <QImage>
#include <QRect>
#include <QString>
#include <QWidget>

namespace norvik::panels {

inline constexpr char kNotifyColourChanged[] = "colorchanged";

class CColorPaletteUI : public QWidget {
  Q_OBJECT
  Q_PROPERTY(int barheight READ BarHeight WRITE SetBarHeight)
 public:
  static constexpr int kGap = 4;  // between the square and the bar

  explicit CColorPaletteUI(QWidget* parent = nullptr);
  QString GetClass() const { return QStringLiteral("ColorPalette"); }

  // 0xAARRGGBB; the alpha is always 0xFF. A colour set is read back exactly as it was set.
  QRgb GetSelectColor() const;
  void SetSelectColor(QRgb argb);

  int BarHeight() const { return bar_height_; }
  void SetBarHeight(int height);

  QRect SquareArea() const;
  QRect BarArea() const;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  enum class Drag { None, Square, Bar };
  void PickAt(const QPoint& point);
  void RebuildSquare();

  QRgb selected_ = 0xFFFF0000;
  // Where the marks sit.
  int hue_ = 0;           // 0-359
  int saturation_ = 255;  // 0-255
  int value_ = 255;       // 0-255
  int bar_height_ = 12;
  Drag drag_ = Drag::None;
  QImage square_;  // the square at the current brightness and size
  int square_value_ = -1;
};

}  // namespace norvik::panels
