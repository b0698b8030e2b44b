#pragma once
// CHandImgSelectButtonUI (class "HandImgSelectButton"): an image choice button. Its hand image is
// drawn over it (only the top-left part when the image is larger than the button), its "cursor"
// attribute names the mouse cursor over it, and entering and leaving send "msenter" and
// "msleave" while it is enabled.

#include <QPushButton>
#include <QString>

namespace norvik::panels {

class CHandImgSelectButtonUI : public QPushButton {
  Q_OBJECT
  Q_PROPERTY(QString handimage READ HandImage WRITE SetHandImage)
  // "arrow", "ibeam", "wait", "cross", "uparrow", "size", "icon", "sizenwse", "sizenesw",
  // "sizewe", "sizens", "sizeall", "no" or "hand"; other names leave the cursor as it is.
  Q_PROPERTY(QString cursor READ CursorName WRITE SetCursorName)
 public:
  explicit CHandImgSelectButtonUI(QWidget* parent = nullptr);
  QString GetClass() const { return QStringLiteral("HandImgSelectButton"); }

  const QString& HandImage() const { return hand_image_; }
  void SetHandImage(const QString& image);
  const QString& CursorName() const { return cursor_name_; }
  void SetCursorName(const QString& name);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void enterEvent(QEnterEvent* event) override;
  void leaveEvent(QEvent* event) override;

 private:
  QString hand_image_;
  QString cursor_name_;
};

}  // namespace norvik::panels
