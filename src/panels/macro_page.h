#pragma once
// The macro page of a keyboard or mouse panel: the device's macros by name, the events of the
// selected one, recording from this window's input, inserted mouse actions and moves, and the
// row moves and deletions. The macro list (profiles::MacroList) keeps the files; the event
// rows live in a list model; every change is saved to the macro's event file and the device
// receives its macro table again.
//
// Recording runs through ui::InputCapture: keys and mouse buttons given to this program's own
// window while it is focused, nothing from other programs (the page says so).

#include <QObject>
#include <QPersistentModelIndex>
#include <QPointer>
#include <QString>
#include <QWidget>
#include <cstdint>
#include <optional>

#include "panels/macro_event_model.h"
#include "panels/page_interfaces.h"
#include "profiles/macro_list.h"
#include "profiles/macro_recorder.h"
#include "ui/input_capture.h"

class QAbstractButton;
class QLabel;
class QLineEdit;
class QListWidget;
class QMenu;
class QTableView;

namespace norvik::ui {
struct MenuCommand;
}

namespace norvik::panels {

class CVelmoranUSBDevice;

inline constexpr char kMacroFileFilter[] = "Macro Files(*.mac)";
inline constexpr char kMacroMenuFile[] = "XML/Menus/macro_action_menu.xml";

class MacroPage : public QObject, public IMacroPage {
  Q_OBJECT
 public:
  // root is the built page ("MacroControlItem"); the page registers itself with panel and loads
  // the macro list of the device's folder. Parented to the panel.
  MacroPage(CVelmoranUSBDevice& panel, QWidget* root);
  ~MacroPage() override;

  void StartRecording() override;
  void StopRecording() override;
  void AddMacro() override;
  void DeleteMacro() override;
  void RenameMacro() override;
  void SaveMacro() override;
  void CancelMacro() override;
  void ExportMacro() override;
  void ImportMacro() override;
  void MoveEvent(Move move) override;
  void DeleteEvent() override;
  void DeleteAllEvents() override;
  void InsertCursorKey(bool vertical, int direction) override;
  void MacroSelected(int index) override;
  void OpenActionMenu() override;
  void SetDelayMode(bool before, int mode) override;
  void InsertMouseAction(const QString& item) override;

  bool IsRecording() const { return capture_.IsActive(); }
  const MacroEventModel& Model() const { return model_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  template <class T>
  T* Find(const char* name) const {
    const QWidget* root = root_.data();
    return root != nullptr ? root->findChild<T*>(QLatin1String(name)) : nullptr;
  }
  void ConnectControls();
  void ShowNames();
  void ShowSelectedMacro();
  void EnableEditing(bool has_macro);
  int SelectedRow() const;
  void SelectRow(int row);
  void FollowSelection();
  void CommitDelayEditor();
  void ApplyEdit(const profiles::MacroEdit& edit);
  void PushMacros();
  void AfterDelete(int deleted_index);

  // --- recording (macro_page_recording.cpp) ---
  void BeginRecording(profiles::RecordPlacement placement, profiles::MacroTimeMode mode);
  void SetRecordingLocked(bool locked);
  profiles::MacroTimeMode CheckedTimeMode() const;
  bool IsConstantTimeChecked() const;
  std::uint16_t ReadFixedTime();
  void OnCaptured(const ui::CapturedInput& input);
  void OnMenuCommand(const ui::MenuCommand& command);
  void OnTimeCheck(bool ignore_clicked);

  CVelmoranUSBDevice& panel_;
  QPointer<QWidget> root_;
  QPointer<QListWidget> names_;
  QPointer<QTableView> view_;
  QPointer<QLineEdit> name_edit_;
  QPointer<QLineEdit> fixed_time_edit_;
  QPointer<QAbstractButton> constant_check_;
  QPointer<QAbstractButton> ignore_check_;
  QPointer<QAbstractButton> start_button_;
  QPointer<QAbstractButton> stop_button_;
  QPointer<QLabel> record_state_;
  QPointer<QMenu> menu_;
  MacroEventModel model_;
  profiles::MacroList list_;
  profiles::MacroRecorder recorder_;
  ui::InputCapture capture_;
  std::uint16_t fixed_time_ = profiles::kDefaultFixedDelay;
  // The delay cell of the selected row keeps an open editor ("macro_delay").
  QPersistentModelIndex editor_index_;
};

}  // namespace norvik::panels
