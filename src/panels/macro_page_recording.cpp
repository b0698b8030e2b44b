// The macro page's recording: the time modes, the capture of this window's input into rows,
// and the event list's context menu (recording before / after / over the selected row, and
// inserted mouse actions).

#include <QAbstractButton>
#include <QCursor>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QTableView>
#include <algorithm>
#include <array>
#include <string_view>

#include "panels/macro_page.h"
#include "panels/velmoran_usb_device.h"
#include "profiles/macro_editing.h"
#include "profiles/macro_event_names.h"
#include "ui/menu_builder.h"
#include "ui/resource_manager.h"

namespace norvik::panels {
namespace {

using profiles::MacroTimeMode;
using profiles::RecordPlacement;

constexpr char kRecordingText[] = "macro_record_running_text";
constexpr char kIdleText[] = "macro_record_idle_text";
// Locked while recording: the macro choice and the event list (rows come from the capture).
constexpr const char* kLockedControls[] = {"macro_tab_macroaction_edit",
                                           "macro_tab_macrodelay_edit"};

struct MenuButton {
  std::string_view prefix;
  std::uint8_t bit;
};
constexpr std::array<MenuButton, 5> kMenuButtons = {{
    {"left_", profiles::kMouseLeft},
    {"right_", profiles::kMouseRight},
    {"middle_", profiles::kMouseMiddle},
    {"forward_", profiles::kMouseForward},
    {"back_", profiles::kMouseBack},
}};

// "redio_previous_constant_time" -> (before, mode 1); "macro_action_edit" -> mode 3.
struct DelayItem {
  std::string_view name;
  bool before;
  int mode;
};
constexpr std::array<DelayItem, 7> kDelayItems = {{
    {"redio_previous_record_time", true, 0},
    {"redio_previous_constant_time", true, 1},
    {"redio_previous_ignore_time", true, 2},
    {"redio_later_record_time", false, 0},
    {"redio_later_constant_time", false, 1},
    {"redio_later_ignore_time", false, 2},
    {"macro_action_edit", false, 3},
}};

bool IsNamed(const QString& name, std::string_view wanted) {
  return name.compare(QLatin1String(wanted.data(), static_cast<qsizetype>(wanted.size())),
                      Qt::CaseInsensitive) == 0;
}

}  // namespace

bool MacroPage::IsConstantTimeChecked() const {
  return constant_check_ && constant_check_->isChecked();
}

MacroTimeMode MacroPage::CheckedTimeMode() const {
  if (IsConstantTimeChecked()) return MacroTimeMode::Constant;
  if (ignore_check_ && ignore_check_->isChecked()) return MacroTimeMode::Ignore;
  return MacroTimeMode::Record;
}

void MacroPage::OnTimeCheck(bool ignore_clicked) {
  // Fixed and no delay exclude each other; neither checked records the real delays.
  QAbstractButton* other = ignore_clicked ? constant_check_.data() : ignore_check_.data();
  QAbstractButton* clicked = ignore_clicked ? ignore_check_.data() : constant_check_.data();
  if (other && clicked && clicked->isChecked()) other->setChecked(false);
}

std::uint16_t MacroPage::ReadFixedTime() {
  if (!fixed_time_edit_) return fixed_time_;
  fixed_time_ = profiles::ParseMacroDelay(fixed_time_edit_->text().toStdString());
  fixed_time_edit_->setText(QString::number(fixed_time_));
  fixed_time_edit_->setCursorPosition(static_cast<int>(fixed_time_edit_->text().size()));
  return fixed_time_;
}

void MacroPage::StartRecording() {
  BeginRecording(RecordPlacement::Append, CheckedTimeMode());
}

void MacroPage::BeginRecording(RecordPlacement placement, MacroTimeMode mode) {
  // Without a macro the rows would have no file to go to.
  if (list_.CurrentMacroIndex() < 0) return;
  if (mode == MacroTimeMode::Constant) ReadFixedTime();
  recorder_.Start(mode, ui::InputCapture::TickNow(), fixed_time_);
  capture_.Install(static_cast<ui::CaptureMask>(placement));
  SetRecordingLocked(true);
  FollowSelection();
}

void MacroPage::StopRecording() {
  if (!IsRecording()) return;
  SetRecordingLocked(false);
  capture_.Uninstall();
  FollowSelection();
  SaveMacro();
}

void MacroPage::SetRecordingLocked(bool locked) {
  for (QWidget* list :
       {static_cast<QWidget*>(names_.data()), static_cast<QWidget*>(view_.data())}) {
    if (list == nullptr) continue;
    list->setAttribute(Qt::WA_TransparentForMouseEvents, locked);
    if (auto* view = qobject_cast<QAbstractItemView*>(list)) {
      view->viewport()->setAttribute(Qt::WA_TransparentForMouseEvents, locked);
    }
  }
  for (const char* name : kLockedControls) {
    if (QWidget* control = Find<QWidget>(name)) control->setEnabled(!locked);
  }
  if (QAbstractButton* start = start_button_.data()) start->setVisible(!locked);
  if (QAbstractButton* stop = stop_button_.data()) stop->setVisible(locked);
  if (QLabel* state = record_state_.data()) {
    ui::ResourceManager::SetTextKey(state, QLatin1String(locked ? kRecordingText : kIdleText));
  }
}

void MacroPage::OnCaptured(const ui::CapturedInput& input) {
  const std::optional<RecordPlacement> placement = ui::PlacementOf(input.mask);
  if (!placement) return;
  const int selected = SelectedRow();
  if (const auto* key = std::get_if<profiles::RecordedKey>(&input.input)) {
    ApplyEdit(recorder_.AddKey(*placement, *key, model_.Events(), selected));
  } else if (const auto* mouse = std::get_if<profiles::RecordedMouse>(&input.input)) {
    ApplyEdit(recorder_.AddMouse(*placement, *mouse, model_.Events(), selected));
  }
}

void MacroPage::OpenActionMenu() {
  if (IsRecording() || list_.CurrentMacroIndex() < 0) return;
  if (!menu_) {
    menu_ = ui::BuildMenu(QString::fromLatin1(kMacroMenuFile), root_,
                          [this](const ui::MenuCommand& command) { OnMenuCommand(command); });
    if (!menu_) return;
  }
  menu_->popup(QCursor::pos());
}

void MacroPage::OnMenuCommand(const ui::MenuCommand& command) {
  for (const DelayItem& item : kDelayItems) {
    if (IsNamed(command.name, item.name)) {
      SetDelayMode(item.before, item.mode);
      return;
    }
  }
  InsertMouseAction(command.name);
}

void MacroPage::SetDelayMode(bool before, int mode) {
  if (mode == 3) {
    BeginRecording(RecordPlacement::Replace, MacroTimeMode::Ignore);
    return;
  }
  const MacroTimeMode time = mode == 1                 ? MacroTimeMode::Constant
                             : mode == 2               ? MacroTimeMode::Ignore
                             : IsConstantTimeChecked() ? MacroTimeMode::Constant
                                                       : MacroTimeMode::Record;
  BeginRecording(before ? RecordPlacement::Before : RecordPlacement::After, time);
}

void MacroPage::InsertMouseAction(const QString& item) {
  for (const MenuButton& button : kMenuButtons) {
    const QLatin1String prefix(button.prefix.data(), static_cast<qsizetype>(button.prefix.size()));
    if (!item.startsWith(prefix, Qt::CaseInsensitive)) continue;
    const QString what = item.mid(prefix.size());
    const std::vector<profiles::MacroEvent>& events = model_.Events();
    if (IsNamed(what, "click")) {
      ApplyEdit(profiles::InsertMouseClick(events, SelectedRow(), button.bit, fixed_time_));
    } else if (IsNamed(what, "down") || IsNamed(what, "up")) {
      ApplyEdit(profiles::InsertMouseButton(events, SelectedRow(), button.bit,
                                            IsNamed(what, "down"), fixed_time_));
    } else {
      return;
    }
    SaveMacro();
    return;
  }
}

}  // namespace norvik::panels
