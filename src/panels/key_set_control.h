#pragma once
// The key assignment page of the keyboard and the mouse: the function of the key picked on the
// device picture, one category per page of "function_switch_tablayout", chosen with
// "keyset_function_combo" (each item's user data is its category number). The page turns its
// controls into the form of key_assignment_form.h and back; every change is stored into the
// profile's key entry, saved and sent with the key map on the panel's worker.
//
// The keyboard key of category 6 is picked by pressing it while "keyset_keyboard_text_edit" has
// the focus (the key's scan code decides, so any keyboard layout gives the same key) or from
// the list beside it.

#include <QPointer>
#include <QString>
#include <QWidget>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "devices/key_page_data.h"
#include "panels/page_interfaces.h"
#include "profiles/key_assignment_form.h"
#include "profiles/profile_records.h"

class QComboBox;
class QLineEdit;
class QStackedWidget;

namespace norvik::ui {
class InputCapture;
struct CapturedInput;
}  // namespace norvik::ui

namespace norvik::panels {

class CVelmoranUSBDevice;

class CKeySetControlUI : public QWidget, public IKeyPage {
  Q_OBJECT
 public:
  explicit CKeySetControlUI(QWidget* parent = nullptr);
  ~CKeySetControlUI() override;
  QString GetClass() const { return QStringLiteral("KeySetControl"); }

  // Finds the controls, fills the fixed lists and registers with the panel for the routing.
  void Attach(CVelmoranUSBDevice& panel);

  // --- what the routing calls ---
  bool IsOnlyLeftButton(int key) override;
  void OpenKey(int key) override;
  void ApplyAssignment() override;
  void DefaultAssignment() override { RestoreDefault(); }
  void CancelEdit() override;
  void FunctionChanged(int index) override;
  void MacroRepeatModeChanged(int index) override;
  void ModifierChecked(int n, bool checked) override;
  void SetKeyCapture(bool on) override;

  // --- the panel's own operations ---
  // Stores the entry and its default and fills the controls from the entry.
  void ShowAssignment(const profiles::KeyEntry& entry);
  // The entry the controls now describe (values clamped to their fields).
  profiles::KeyEntry BuildAssignment();
  void RestoreDefault();
  // Checks modifier option k alone (0-4; any other value checks none).
  void SelectModifier(int k);
  int GetModifier() const;
  // The key being edited, -1 before one is opened.
  int OpenedKey() const { return key_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void showEvent(QShowEvent* event) override;

 private:
  void FillFixedLists();
  void FillMacroList();
  void FillControls(const profiles::KeyAssignmentForm& form);
  void ShowFunction(int category, bool enabled);
  profiles::KeyAssignmentForm ReadForm() const;
  void ShowKeyboardRow(int row);
  void PickKeyboardRow(int row);
  void OnCaptured(const ui::CapturedInput& input);
  bool IsMouse() const;
  void MarkKeyOnPicture();
  void SetEditable(bool on);
  // Reads the key entries and macro names on the worker; the open key is shown again when
  // nothing was edited meanwhile.
  void Refresh();
  void TakeData(const devices::KeyPageData& read, bool show_open_key);
  void Store(const profiles::KeyAssignment& assignment);

  QPointer<CVelmoranUSBDevice> panel_;
  QPointer<QComboBox> function_;
  QPointer<QStackedWidget> pages_;
  QPointer<QLineEdit> keyboard_edit_;
  std::unique_ptr<ui::InputCapture> capture_;
  std::vector<profiles::KeyEntry> keys_;
  std::vector<std::string> macro_names_;
  profiles::KeyEntry entry_;
  int key_ = -1;
  int pending_key_ = -1;  // clicked before the key entries were read
  bool enabled_ = true;   // false: the stored type is none the page shows
  int keyboard_row_ = profiles::kNoItem;
  // Changes made on the page; a read that started before one is not shown over it.
  std::uint64_t edits_ = 0;
  int saves_running_ = 0;
};

}  // namespace norvik::panels
