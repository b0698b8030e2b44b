#pragma once
// CHandImgButtonUI (class "HandImgButton"): an image button with a hand image over it and, while
// the mouse is over it, a delete mark near its bottom-right corner. A release over the mark
// sends "click_handdelete" instead of a click. Buttons made without deleting never show the
// mark. Entering and leaving send "msenter" and "msleave" while the button is enabled.

#include <QPushButton>
#include <QRect>
#include <QString>

namespace norvik::panels {

inline constexpr char kNotifyHandDelete[] = "click_handdelete";
inline constexpr char kNotifyMouseEnter[] = "msenter";
inline constexpr char kNotifyMouseLeave[] = "msleave";

// "msenter" / "msleave" for an enabled control (shared by the image buttons).
void NotifyHover(QWidget* control, bool entered);

class CHandImgButtonUI : public QPushButton {
  Q_OBJECT
  Q_PROPERTY(QString handimage READ HandImage WRITE SetHandImage)
  Q_PROPERTY(QString deletenormalimage READ DeleteNormalImage WRITE SetDeleteNormalImage)
  Q_PROPERTY(QString deletehotimage READ DeleteHotImage WRITE SetDeleteHotImage)
 public:
  explicit CHandImgButtonUI(QWidget* parent = nullptr, bool deletable = true);
  QString GetClass() const { return QStringLiteral("HandImgButton"); }

  const QString& HandImage() const { return hand_image_; }
  void SetHandImage(const QString& image);
  const QString& DeleteNormalImage() const { return delete_normal_; }
  void SetDeleteNormalImage(const QString& image);
  const QString& DeleteHotImage() const { return delete_hot_; }
  void SetDeleteHotImage(const QString& image);

  bool IsDeletable() const { return deletable_; }
  // Where the delete mark sits: 20 x 20, its right edge 10 from the button's right edge, its
  // top 29 above the button's bottom.
  QRect DeleteBox() const;
  // The delete image now in use (hot while the mouse is over the mark).
  const QString& CurrentDeleteImage() const { return over_delete_ ? delete_hot_ : delete_normal_; }

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  bool hitButton(const QPoint& pos) const override;
  void enterEvent(QEnterEvent* event) override;
  void leaveEvent(QEvent* event) override;

 private:
  bool OnDeleteMark(const QPoint& pos) const;

  QString hand_image_;
  QString delete_normal_;
  QString delete_hot_;
  bool deletable_;
  bool over_delete_ = false;
  bool releasing_on_mark_ = false;
};

}  // namespace norvik::panels
