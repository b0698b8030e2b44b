#include "panels/macro_page.h"

#include <QAbstractButton>
#include <QAbstractItemDelegate>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QTableView>
#include <string>
#include <utility>

#include "base/debug_trace.h"
#include "devices/macro_sync.h"
#include "panels/macro_event_view.h"
#include "panels/push_messages.h"
#include "panels/velmoran_usb_device.h"
#include "profiles/macro_editing.h"
#include "ui/file_dialogs.h"

namespace norvik::panels {
namespace {

constexpr char kMsgDeleteMacro[] = "message_text_4";
constexpr char kMsgMacroOnKeys[] = "message_text_2";
constexpr char kMsgNameUsed[] = "message_text_5";
constexpr char kMsgImportRefused[] = "message_macro_import_refused";
constexpr char kMsgMacroLimit[] = "message_macro_limit";
constexpr char kMsgNotWritten[] = "message_macro_not_written";
constexpr char kMsgExportFailed[] = "message_macro_export_failed";
constexpr int kActionColumnWidth = 70;
constexpr int kDelayColumnWidth = 64;
// Queued macro uploads of one device replace each other: only the last state matters.
constexpr char kMacroPushJob[] = "macro-table";

// The controls that only make sense with a macro selected.
constexpr const char* kMacroControls[] = {"macro_action_layout", "mouse_move_layout",
                                          "macro_btn_export",    "macro_btn_name_sub",
                                          "macro_btn_name_edit", "macro_btn_starredio"};

std::filesystem::path PathOf(const QString& file) {
  return std::filesystem::path(file.toStdU16String());
}

std::filesystem::path MacroFolder(CVelmoranUSBDevice& panel) {
  devices::DeviceDriver* driver = panel.Driver();
  return driver != nullptr ? driver->DataFolder() : std::filesystem::path();
}

}  // namespace

MacroPage::MacroPage(CVelmoranUSBDevice& panel, QWidget* root)
    : QObject(&panel),
      panel_(panel),
      root_(root),
      list_(MacroFolder(panel)),
      capture_(root, [this](const ui::CapturedInput& input) { OnCaptured(input); }) {
  names_ = Find<QListWidget>("macro_name_list");
  view_ = Find<QTableView>("macro_action_list");
  name_edit_ = Find<QLineEdit>("macro_edit_macroname");
  fixed_time_edit_ = Find<QLineEdit>("macro_fixed_time_edit");
  constant_check_ = Find<QAbstractButton>("macro_check_time");
  ignore_check_ = Find<QAbstractButton>("macro_check_ignore_time");
  start_button_ = Find<QAbstractButton>("macro_btn_starredio");
  stop_button_ = Find<QAbstractButton>("macro_btn_stopredio");
  record_state_ = Find<QLabel>("macro_record_state");
  capture_.SetStopButton(stop_button_);
  if (QTableView* view = view_.data()) {
    SetUpMacroEventView(view, &model_);
    QHeaderView* header = view->horizontalHeader();
    header->setSectionResizeMode(MacroEventModel::kActionColumn, QHeaderView::Fixed);
    header->setSectionResizeMode(MacroEventModel::kDelayColumn, QHeaderView::Fixed);
    header->resizeSection(MacroEventModel::kActionColumn, kActionColumnWidth);
    header->resizeSection(MacroEventModel::kDelayColumn, kDelayColumnWidth);
  }
  ConnectControls();
  list_.LoadMacroList();
  ShowNames();
  ShowSelectedMacro();
  panel_.SetMacroPage(this);
}

MacroPage::~MacroPage() = default;

void MacroPage::ConnectControls() {
  if (root_) root_->installEventFilter(this);
  if (view_) {
    view_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    connect(view_->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            [this] { FollowSelection(); });
    // The menu acts on the selected row; a right click does not change the selection.
    view_->viewport()->installEventFilter(this);
    connect(view_, &QWidget::customContextMenuRequested, this, [this] { OpenActionMenu(); });
    // A delay typed into the open cell is saved when the cell gives it back.
    connect(view_->itemDelegate(), &QAbstractItemDelegate::commitData, this,
            [this] { SaveMacro(); });
  }
  if (constant_check_) {
    connect(constant_check_, &QAbstractButton::clicked, this, [this] { OnTimeCheck(false); });
  }
  if (ignore_check_) {
    connect(ignore_check_, &QAbstractButton::clicked, this, [this] { OnTimeCheck(true); });
  }
  connect(&panel_, &CVelmoranUSBDevice::LanguageChanged, this, [this] { model_.Retranslate(); });
  SetRecordingLocked(false);
}

bool MacroPage::eventFilter(QObject* watched, QEvent* event) {
  const QEvent::Type type = event->type();
  // Another page or device shown: the recording ends (and is saved) rather than go on
  // unseen.
  if (watched == root_.data()) {
    if (type == QEvent::Hide && IsRecording()) StopRecording();
    return false;
  }
  if (type != QEvent::MouseButtonPress && type != QEvent::MouseButtonRelease &&
      type != QEvent::MouseButtonDblClick) {
    return QObject::eventFilter(watched, event);
  }
  return static_cast<const QMouseEvent*>(event)->button() == Qt::RightButton;
}

void MacroPage::ShowNames() {
  if (!names_) return;
  const QSignalBlocker quiet(names_);
  names_->clear();
  for (const profiles::MacroEntry& entry : list_.Entries()) {
    auto* item = new QListWidgetItem(QString::fromStdString(entry.name), names_);
    item->setSizeHint(QSize(0, MacroEventModel::kRowHeight));
  }
  names_->setCurrentRow(list_.CurrentMacroIndex());
}

void MacroPage::ShowSelectedMacro() {
  editor_index_ = QPersistentModelIndex();
  model_.SetRows(list_.Rows());
  if (names_) {
    const QSignalBlocker quiet(names_);
    names_->setCurrentRow(list_.CurrentMacroIndex());
  }
  EnableEditing(list_.CurrentMacroIndex() >= 0);
}

void MacroPage::EnableEditing(bool has_macro) {
  for (const char* name : kMacroControls) {
    if (QWidget* control = Find<QWidget>(name)) control->setEnabled(has_macro);
  }
}

int MacroPage::SelectedRow() const {
  return view_ ? SelectedEventRow(view_) : -1;
}

void MacroPage::SelectRow(int row) {
  if (!view_) return;
  SelectEventRow(view_, row);
  if (row < 0 || row >= model_.rowCount()) {
    view_->selectionModel()->setCurrentIndex(QModelIndex(), QItemSelectionModel::Clear);
  }
}

void MacroPage::FollowSelection() {
  if (!view_) return;
  // While recording the list takes no input: no cell is open, and a recorded event costs only
  // its row.
  const int row = IsRecording() ? -1 : SelectedRow();
  if (editor_index_.isValid() && editor_index_.row() == row) return;
  if (editor_index_.isValid()) {
    CommitDelayEditor();
    view_->closePersistentEditor(editor_index_);
  }
  editor_index_ = QPersistentModelIndex();
  if (row < 0) return;
  editor_index_ = model_.index(row, MacroEventModel::kDelayColumn);
  view_->openPersistentEditor(editor_index_);
  // The open cell covers the painted one.
  if (QWidget* editor = view_->indexWidget(editor_index_)) editor->setAutoFillBackground(true);
}

void MacroPage::CommitDelayEditor() {
  if (!view_ || !editor_index_.isValid()) return;
  auto* editor = qobject_cast<QLineEdit*>(view_->indexWidget(editor_index_));
  if (editor == nullptr) return;
  if (editor->text() != editor_index_.data(Qt::EditRole).toString()) {
    model_.SetDelay(editor_index_.row(), editor->text());
  }
  // The cell shows the value as kept: clamped, without leading zeros.
  editor->setText(editor_index_.data(Qt::EditRole).toString());
}

void MacroPage::ApplyEdit(const profiles::MacroEdit& edit) {
  if (!edit.Changed()) return;
  CommitDelayEditor();
  model_.Apply(edit);
  SelectRow(edit.selection);
}

void MacroPage::MacroSelected(int index) {
  if (IsRecording()) return;
  list_.SelectMacro(index);
  ShowSelectedMacro();
}

void MacroPage::AddMacro() {
  const std::optional<std::string> name = list_.NewMacro();
  if (!name) {
    panel_.Tell(list_.Count() >= profiles::kMaxMacros ? kMsgMacroLimit : kMsgNotWritten);
    return;
  }
  ShowNames();
  ShowSelectedMacro();
  PushMacros();
}

void MacroPage::DeleteMacro() {
  const int index = list_.CurrentMacroIndex();
  if (index < 0 || IsRecording() || !panel_.Ask(kMsgDeleteMacro)) return;
  devices::DeviceDriver* driver = panel_.Driver();
  if (driver != nullptr && devices::AnyProfileAssignsMacro(*driver, index) &&
      !panel_.Ask(kMsgMacroOnKeys)) {
    return;
  }
  const int deleted = list_.DeleteMacro();
  if (deleted < 0) {
    panel_.Tell(kMsgNotWritten);
    return;
  }
  ShowNames();
  ShowSelectedMacro();
  AfterDelete(deleted);
}

void MacroPage::AfterDelete(int deleted_index) {
  // The keys and the macro table follow on the device's worker, after any work already queued
  // (a settings save there must not bring the old macro indexes back).
  const int product = panel_.ProductIndex();
  // The panel runs `done` only while it exists.
  CVelmoranUSBDevice* panel = &panel_;
  panel_.RunOnDevice<devices::MacroDeleteSync>(
      std::string(),
      [deleted_index](devices::DeviceDriver& driver) {
        return devices::SyncAfterMacroDelete(driver, deleted_index);
      },
      [panel, product](devices::MacroDeleteSync sync) {
        EditReport report;
        report.product = product;
        report.saved = sync.profiles_failed == 0;
        if (!MacroPushMessageKey(sync.macros).empty()) report.push_code = sync.macros.Code();
        panel->ReportEdit(report);
      });
}

void MacroPage::RenameMacro() {
  if (IsRecording()) return;
  const QString typed = name_edit_ ? name_edit_->text() : QString();
  const profiles::MacroRenameResult result = list_.RenameMacro(typed.toStdString());
  switch (result.status) {
    case profiles::MacroRenameStatus::Done:
      if (names_ && names_->item(result.index) != nullptr) {
        names_->item(result.index)->setText(QString::fromStdString(result.name));
      }
      if (name_edit_) name_edit_->clear();
      PushMacros();
      return;
    case profiles::MacroRenameStatus::NameUsed:
    case profiles::MacroRenameStatus::Refused:
      panel_.Tell(kMsgNameUsed);
      return;
    case profiles::MacroRenameStatus::WriteFailed:
      panel_.Tell(kMsgNotWritten);
      return;
    case profiles::MacroRenameStatus::NoSelection:
    case profiles::MacroRenameStatus::Blank:
      return;
  }
}

void MacroPage::SaveMacro() {
  if (list_.CurrentMacroIndex() < 0) return;
  CommitDelayEditor();
  list_.Rows() = model_.Rows();
  if (!list_.SaveMacro()) {
    panel_.Tell(kMsgNotWritten);
    return;
  }
  PushMacros();
}

void MacroPage::CancelMacro() {
  if (IsRecording()) return;
  list_.ReloadMacro();
  ShowSelectedMacro();
}

void MacroPage::ExportMacro() {
  if (list_.CurrentMacroIndex() < 0) return;
  const QString path = ui::AskSaveFileName(root_, QString::fromLatin1(kMacroFileFilter));
  if (path.isEmpty()) return;
  const profiles::FileOutcome outcome = list_.ExportMacro(PathOf(path));
  if (!outcome) {
    DebugTraceF("macro export to %s refused: %s", qUtf8Printable(path), outcome.reason.c_str());
    panel_.Tell(kMsgExportFailed);
  }
}

void MacroPage::ImportMacro() {
  if (IsRecording()) return;
  const QString path = ui::AskOpenFileName(root_, QString::fromLatin1(kMacroFileFilter));
  if (path.isEmpty()) return;
  std::string refused;
  const std::optional<std::string> name = list_.ImportMacro(PathOf(path), &refused);
  if (!name) {
    DebugTraceF("macro import of %s refused: %s", qUtf8Printable(path), refused.c_str());
    panel_.Tell(list_.Count() >= profiles::kMaxMacros ? kMsgMacroLimit : kMsgImportRefused);
    return;
  }
  ShowNames();
  ShowSelectedMacro();
  PushMacros();
}

void MacroPage::MoveEvent(Move move) {
  const int row = SelectedRow();
  const std::vector<profiles::MacroEvent>& events = model_.Events();
  switch (move) {
    case Move::Up:
      ApplyEdit(profiles::MoveEventUp(events, row));
      break;
    case Move::Down:
      ApplyEdit(profiles::MoveEventDown(events, row));
      break;
    case Move::Top:
      ApplyEdit(profiles::MoveEventToTop(events, row));
      break;
    case Move::Bottom:
      ApplyEdit(profiles::MoveEventToBottom(events, row));
      break;
  }
}

void MacroPage::DeleteEvent() {
  ApplyEdit(profiles::DeleteEvent(model_.Events(), SelectedRow()));
}

void MacroPage::DeleteAllEvents() {
  ApplyEdit(profiles::DeleteAllEvents(model_.Events()));
}

void MacroPage::InsertCursorKey(bool vertical, int direction) {
  using profiles::CursorMove;
  const CursorMove move = vertical ? (direction != 0 ? CursorMove::Up : CursorMove::Down)
                                   : (direction != 0 ? CursorMove::Left : CursorMove::Right);
  static constexpr const char* kDistanceEdits[] = {"mouse_x_left_edit", "mouse_x_right_edit",
                                                   "mouse_y_up_edit", "mouse_y_down_edit"};
  auto* edit = Find<QLineEdit>(kDistanceEdits[static_cast<int>(move)]);
  const std::uint8_t distance =
      profiles::ParseMoveDistance(edit ? edit->text().toStdString() : std::string());
  // One byte goes to the device: the edit shows what is kept (300 becomes 255, not 44).
  if (edit) edit->setText(QString::number(distance));
  ApplyEdit(
      profiles::InsertCursorMove(model_.Events(), SelectedRow(), move, distance, fixed_time_));
}

void MacroPage::PushMacros() {
  const int product = panel_.ProductIndex();
  CVelmoranUSBDevice* panel = &panel_;
  panel_.RunOnDevice<devices::MacroPushResult>(
      kMacroPushJob, [](devices::DeviceDriver& driver) { return driver.WriteMacroTable(); },
      [panel, product](devices::MacroPushResult result) {
        if (MacroPushMessageKey(result).empty()) return;
        EditReport report;
        report.product = product;
        report.push_code = result.Code();
        panel->ReportEdit(report);
      });
}

}  // namespace norvik::panels
