#pragma once
// Rows of the program's lists.

#include <QString>
#include <QWidget>

namespace norvik::panels {

// A list row that reports activation and shows a hover frame.
class CCloudShareListItemUI : public QWidget {
  Q_OBJECT
 public:
  explicit CCloudShareListItemUI(QWidget* parent = nullptr);
  QString GetClass() const { return QStringLiteral("CloudShareListItemUI"); }
};

// A list row built from its own layout: two labels and an editable delay.
class CComboEditContainerElementUI : public QWidget {
  Q_OBJECT
 public:
  explicit CComboEditContainerElementUI(QWidget* parent = nullptr);
  QString GetClass() const { return QStringLiteral("ComboEditContainerElement"); }
};

}  // namespace norvik::panels
