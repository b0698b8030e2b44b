#include "panels/macro_event_view.h"

#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QRegularExpressionValidator>
#include <QTableView>

#include "panels/macro_event_model.h"

namespace norvik::panels {

QWidget* MacroDelayDelegate::createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                                          const QModelIndex& index) const {
  if (index.column() != MacroEventModel::kDelayColumn) {
    return QStyledItemDelegate::createEditor(parent, option, index);
  }
  auto* editor = new QLineEdit(parent);
  editor->setObjectName(QStringLiteral("macro_delay"));
  editor->setMaxLength(MacroEventModel::kDelayMaxLength);
  editor->setValidator(
      new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), editor));
  return editor;
}

void SetUpMacroEventView(QTableView* view, MacroEventModel* model) {
  view->setModel(model);
  view->setItemDelegate(new MacroDelayDelegate(view));
  view->horizontalHeader()->hide();
  view->verticalHeader()->hide();
  view->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  view->verticalHeader()->setMinimumSectionSize(MacroEventModel::kRowHeight);
  view->verticalHeader()->setDefaultSectionSize(MacroEventModel::kRowHeight);
  view->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
  view->setSelectionBehavior(QAbstractItemView::SelectRows);
  view->setSelectionMode(QAbstractItemView::SingleSelection);
  view->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                        QAbstractItemView::SelectedClicked);
  view->setShowGrid(false);
  view->setWordWrap(false);
}

int SelectedEventRow(const QTableView* view) {
  const QItemSelectionModel* selection = view->selectionModel();
  if (selection == nullptr) return -1;
  const QModelIndexList rows = selection->selectedRows();
  return rows.isEmpty() ? -1 : rows.first().row();
}

void SelectEventRow(QTableView* view, int row) {
  QItemSelectionModel* selection = view->selectionModel();
  const QAbstractItemModel* model = view->model();
  if (selection == nullptr || model == nullptr) return;
  if (row < 0 || row >= model->rowCount()) {
    selection->clearSelection();
    return;
  }
  const QModelIndex index = model->index(row, 0);
  selection->setCurrentIndex(index,
                             QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
  view->scrollTo(index);
}

}  // namespace norvik::panels
