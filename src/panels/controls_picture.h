#pragma once
// The device picture: a CSelectPanelUI (class "SelectPanel") paints the device's image and
// holds absolutely placed CDeviceKeyButtonUI children (class "DeviceKeyButton"), one per key or
// lighting zone. A drag over the panel selects the key buttons the rubber band touches and
// sends "click_select_end"; a double click on a key button sends "dbclick".

#include <QColor>
#include <QPainter>
#include <QPoint>
#include <QPushButton>
#include <QRect>
#include <QRubberBand>
#include <QString>
#include <QWidget>

namespace norvik::panels {

inline constexpr char kNotifyClickSelectEnd[] = "click_select_end";
inline constexpr char kNotifyDoubleClick[] = "dbclick";

class CSelectPanelUI : public QWidget {
  Q_OBJECT
  // Image of the device drawn over the whole panel (path relative to the skin folder or
  // "file='...'" string).
  Q_PROPERTY(QString bkimage READ BackgroundImage WRITE SetBackgroundImage)
 public:
  explicit CSelectPanelUI(QWidget* parent = nullptr);
  QString GetClass() const { return QStringLiteral("SelectPanel"); }

  const QString& BackgroundImage() const { return background_; }
  void SetBackgroundImage(const QString& image);
  // The rectangle of the last drag, normalised (left ≤ right, top ≤ bottom).
  QRect SelectionRect() const { return selection_; }

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  QString background_;
  bool pressed_ = false;
  bool dragging_ = false;
  QPoint anchor_;
  QPoint current_;
  QRect selection_;
  // Shown over the keys while a drag lasts.
  QRubberBand* band_ = nullptr;
};

class CDeviceKeyButtonUI : public QPushButton {
  Q_OBJECT
  // The key's lighting picture and its key-assignment picture (image strings of the skin).
  Q_PROPERTY(QString lightimage READ LightImage WRITE SetLightImage)
  Q_PROPERTY(QString keysetimage READ KeySetImage WRITE SetKeySetImage)
 public:
  explicit CDeviceKeyButtonUI(QWidget* parent = nullptr);
  QString GetClass() const { return QStringLiteral("DeviceKeyButton"); }

  // The colour the key's light shows and its brightness (0-255; 0 is dark).
  void SetLightColor(const QColor& color, int brightness);
  QColor LightColor() const { return light_; }
  int LightBrightness() const { return brightness_; }
  // The colour as it shows on screen: each component scaled by the brightness.
  QColor ShownColor() const;

  // Selected by the rubber band of the select panel.
  void SetSelected(bool selected);
  bool IsSelected() const { return selected_; }

  const QString& LightImage() const { return light_image_; }
  void SetLightImage(const QString& image);
  const QString& KeySetImage() const { return keyset_image_; }
  void SetKeySetImage(const QString& image);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;

 private:
  void DrawLabel(QPainter& painter);
  QColor light_{Qt::black};
  int brightness_ = 0;
  bool selected_ = false;
  QString light_image_;
  QString keyset_image_;
};

}  // namespace norvik::panels
