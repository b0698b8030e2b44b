#pragma once
// A table view over MacroEventModel as the macro page shows it: rows of one fixed height (so
// that 4000 rows lay out without measuring each), no headers, one selected row at a time, and
// the delay cell edited in a line edit that takes at most six digits.

#include <QStyledItemDelegate>

class QTableView;

namespace norvik::panels {

class MacroEventModel;

// The delay cell's editor: digits only, at most six of them; the model clamps the value.
class MacroDelayDelegate : public QStyledItemDelegate {
  Q_OBJECT
 public:
  using QStyledItemDelegate::QStyledItemDelegate;
  QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                        const QModelIndex& index) const override;
};

// Sets view up for model (the view takes the model but does not own it).
void SetUpMacroEventView(QTableView* view, MacroEventModel* model);

// The selected row, or -1.
int SelectedEventRow(const QTableView* view);
// Selects row (-1 or a row that does not exist clears the selection) and scrolls it into view.
void SelectEventRow(QTableView* view, int row);

}  // namespace norvik::panels
