#include "panels/macro_event_model.h"

#include <QColor>
#include <algorithm>
#include <utility>

#include "profiles/json_file_store.h"
#include "profiles/macro_event_names.h"
#include "ui/resource_manager.h"

namespace norvik::panels {
namespace {

using profiles::MacroEditStep;
using profiles::MacroEvent;
using Kind = MacroEditStep::Kind;

bool IsDigits(const QString& text) {
  return std::all_of(text.begin(), text.end(), [](QChar c) { return c >= u'0' && c <= u'9'; });
}

QString StyleOf(const profiles::MacroRowLook& look, int column) {
  switch (column) {
    case MacroEventModel::kNameColumn:
      return QString::fromStdString(look.name_style);
    case MacroEventModel::kActionColumn:
      return QString::fromStdString(look.action_style);
    default:
      return QString::fromLatin1(profiles::kMacroTextStyle);
  }
}

QString NameText(const std::string& name_id) {
  if (name_id.empty()) return QString();
  return ui::ResourceManager::Instance().Text(QString::fromStdString(name_id));
}

// A press or release says so in words; the skin's styles may add their own marks.
std::string ActionTextKey(const std::string& style) {
  if (style == profiles::kMacroDownStyle) return "macro_action_down_text";
  if (style == profiles::kMacroUpStyle) return "macro_action_up_text";
  return {};
}

}  // namespace

MacroEventModel::MacroEventModel(QObject* parent) : QAbstractTableModel(parent) {}

void MacroEventModel::SetEvents(std::vector<MacroEvent> events) {
  beginResetModel();
  events_ = std::move(events);
  for (MacroEvent& event : events_) event.delay = profiles::CanonicalDelayText(event.delay);
  endResetModel();
}

void MacroEventModel::SetRows(const std::vector<profiles::MacroEventRow>& rows) {
  SetEvents(profiles::EventsFromRows(rows));
}

std::vector<profiles::MacroEventRow> MacroEventModel::Rows() const {
  return profiles::RowsFromEvents(events_);
}

void MacroEventModel::Apply(const profiles::MacroEdit& edit) {
  for (const MacroEditStep& step : edit.steps) {
    if (!ApplyStep(step)) return;
  }
}

bool MacroEventModel::ApplyStep(const MacroEditStep& step) {
  const int count = rowCount();
  const bool on_row = step.row >= 0 && step.row < count;
  switch (step.kind) {
    case Kind::Insert:
      if (step.row < 0 || step.row > count) return false;
      beginInsertRows(QModelIndex(), step.row, step.row);
      events_.insert(events_.begin() + step.row, step.event);
      endInsertRows();
      return true;
    case Kind::Remove:
      if (!on_row) return false;
      beginRemoveRows(QModelIndex(), step.row, step.row);
      events_.erase(events_.begin() + step.row);
      endRemoveRows();
      return true;
    case Kind::Move: {
      if (!on_row || step.to < 0 || step.to >= count) return false;
      if (step.to == step.row) return true;
      // Qt names the destination as the row of the list before the move that the moved row
      // ends up in front of: one further on when the row moves down.
      const int destination = step.to > step.row ? step.to + 1 : step.to;
      if (!beginMoveRows(QModelIndex(), step.row, step.row, QModelIndex(), destination)) {
        return false;
      }
      MacroEvent moved = std::move(events_[static_cast<std::size_t>(step.row)]);
      events_.erase(events_.begin() + step.row);
      events_.insert(events_.begin() + step.to, std::move(moved));
      endMoveRows();
      return true;
    }
    case Kind::Set:
      if (!on_row) return false;
      events_[static_cast<std::size_t>(step.row)] = step.event;
      RowChanged(step.row);
      return true;
    case Kind::Clear:
      SetEvents({});
      return true;
  }
  return false;
}

bool MacroEventModel::SetDelay(int row, const QString& text) {
  if (row < 0 || row >= rowCount() || !IsDigits(text)) return false;
  events_[static_cast<std::size_t>(row)].delay =
      std::to_string(profiles::ParseMacroDelay(text.toStdString()));
  RowChanged(row);
  return true;
}

void MacroEventModel::Retranslate() {
  if (events_.empty()) return;
  emit dataChanged(index(0, kNameColumn), index(rowCount() - 1, kNameColumn), {Qt::DisplayRole});
}

void MacroEventModel::RowChanged(int row) {
  emit dataChanged(index(row, 0), index(row, kColumnCount - 1));
}

int MacroEventModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(events_.size());
}

int MacroEventModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : kColumnCount;
}

QVariant MacroEventModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || !checkIndex(index, CheckIndexOption::IndexIsValid)) return {};
  const MacroEvent& event = events_[static_cast<std::size_t>(index.row())];
  const bool delay_cell = index.column() == kDelayColumn;
  switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole: {
      if (delay_cell) return QString::fromStdString(event.delay);
      if (role == Qt::EditRole) return {};
      const profiles::MacroRowLook look = profiles::DescribeMacroEvent(event);
      if (index.column() == kNameColumn) return NameText(look.name_id);
      if (!look.action_text.empty()) return QString::fromStdString(look.action_text);
      return NameText(ActionTextKey(look.action_style));
    }
    case NameIdRole:
      return QString::fromStdString(profiles::DescribeMacroEvent(event).name_id);
    case StyleRole:
      return StyleOf(profiles::DescribeMacroEvent(event), index.column());
    case EventTextRole:
      return QString::fromStdString(profiles::JsonFileStore::StyledText(event.ToJson()));
    case Qt::BackgroundRole:
      if (delay_cell) return QColor::fromRgb(kDelayBackground);
      return {};
    default:
      return {};
  }
}

bool MacroEventModel::setData(const QModelIndex& index, const QVariant& value, int role) {
  if (role != Qt::EditRole || !index.isValid() ||
      !checkIndex(index, CheckIndexOption::IndexIsValid) || index.column() != kDelayColumn) {
    return false;
  }
  if (value.typeId() == QMetaType::QString) return SetDelay(index.row(), value.toString());
  bool is_number = false;
  const qlonglong number = value.toLongLong(&is_number);
  if (!is_number || number < 0) return false;
  return SetDelay(index.row(), QString::number(number));
}

Qt::ItemFlags MacroEventModel::flags(const QModelIndex& index) const {
  // Views ask about the invalid index (the space outside the rows) too.
  if (!index.isValid() || !checkIndex(index, CheckIndexOption::IndexIsValid)) {
    return Qt::NoItemFlags;
  }
  Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
  if (index.column() == kDelayColumn) flags |= Qt::ItemIsEditable;
  return flags;
}

}  // namespace norvik::panels
