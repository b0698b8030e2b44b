#pragma once
// CChartViewUI: named values drawn as a pie (the default) or as bars ("view" = "histpgram").
// Items are added in order; each takes the next colour of an 18-colour table. Negative and
// non-finite values count as 0.

#include <QColor>
#include <QString>
#include <QWidget>
#include <vector>

namespace norvik::panels {

class CChartViewUI : public QWidget {
  Q_OBJECT
  Q_PROPERTY(QString view READ View WRITE SetView)
  Q_PROPERTY(QString shadowimage MEMBER shadow_image_)
  Q_PROPERTY(int shadowimageheight MEMBER shadow_height_)
  Q_PROPERTY(QString pillarimage MEMBER pillar_image_)
  Q_PROPERTY(int pillarimagewidth MEMBER pillar_width_)
  Q_PROPERTY(bool showhtml MEMBER show_html_)
  Q_PROPERTY(bool showtext MEMBER show_text_)
 public:
  struct Item {
    QString text;
    double value = 0.0;
  };
  enum class Kind { Pie, Bars };
  static constexpr int kColourCount = 18;

  explicit CChartViewUI(QWidget* parent = nullptr);
  QString GetClass() const { return QStringLiteral("ControlUI"); }

  QString View() const;
  void SetView(const QString& view);
  Kind ViewKind() const { return kind_; }

  void AddItem(const QString& text, double value);
  void ClearItems();
  const std::vector<Item>& Items() const { return items_; }

  // The colour of item i.
  static QColor ItemColour(int i);

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  void PaintPie(QPainter& painter) const;
  void PaintBars(QPainter& painter) const;
  void DrawItemText(QPainter& painter, const QRect& box, const QString& text, int flags) const;

  Kind kind_ = Kind::Pie;
  std::vector<Item> items_;
  QString shadow_image_;
  int shadow_height_ = 0;
  QString pillar_image_;
  int pillar_width_ = 20;
  bool show_html_ = false;
  bool show_text_ = false;
};

}  // namespace norvik::panels
