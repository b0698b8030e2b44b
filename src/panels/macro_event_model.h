#pragma once
// The event rows of the macro being edited, for a table view: one row per event (up to 4000),
// three cells as the macro page has always shown them. The name cell shows the key, button or
// move direction (its language text), the action cell the move distance, the delay cell the
// pause in milliseconds; each cell carries its skin style, and each row its event as the
// stored JSON text. Only the delay cell is editable: digits only, clamped to 0..65535.
//
// Row operations come from the pure editing and recording functions (profiles/macro_editing.h,
// profiles/macro_recorder.h) as a MacroEdit, which Apply carries out step by step so that a view
// keeps its scroll position and selection through an append at 4000 rows.

#include <QAbstractTableModel>
#include <QString>
#include <vector>

#include "profiles/macro_editing.h"
#include "profiles/macro_event.h"
#include "profiles/macro_list.h"

namespace norvik::panels {

class MacroEventModel : public QAbstractTableModel {
  Q_OBJECT
 public:
  enum Column { kNameColumn = 0, kActionColumn = 1, kDelayColumn = 2, kColumnCount = 3 };
  enum Role {
    NameIdRole = Qt::UserRole + 1,  // the name's language text key (every cell of the row)
    StyleRole,                      // the cell's skin style
    EventTextRole,                  // the event as stored: styled JSON (every cell of the row)
  };
  static constexpr int kRowHeight = 30;
  static constexpr int kDelayMaxLength = 6;
  static constexpr unsigned kDelayBackground = 0x444444;

  explicit MacroEventModel(QObject* parent = nullptr);

  // Replaces every row. Delays are shown and kept in canonical form ("007" -> "7", clamped).
  void SetEvents(std::vector<profiles::MacroEvent> events);
  const std::vector<profiles::MacroEvent>& Events() const { return events_; }
  // The working copy of the macro list, both ways.
  void SetRows(const std::vector<profiles::MacroEventRow>& rows);
  std::vector<profiles::MacroEventRow> Rows() const;

  // Carries out the steps of an edit made for Events(); a step that does not fit the rows
  // (a stale edit) ends the edit there.
  void Apply(const profiles::MacroEdit& edit);

  // The delay cell of row: digits only (empty means 0), clamped to 0..65535. False for other
  // text or a row that does not exist.
  bool SetDelay(int row, const QString& text);

  // The names again, after the language changed.
  void Retranslate();

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;

 private:
  bool ApplyStep(const profiles::MacroEditStep& step);
  void RowChanged(int row);

  std::vector<profiles::MacroEvent> events_;
};

}  // namespace norvik::panels
